#include "arrays.h"

#include <algorithm>

namespace {

std::vector<int> expectedCounts(const void *part, size_t count, size_t size) {
    std::vector<int> counts(count, 0);
    const unsigned char *bytes = static_cast<const unsigned char *>(part);
    for (size_t i = 0; i < count * size; ++i)
        counts[i / size] += __builtin_popcount(bytes[i]);
    return counts;
}

std::vector<std::string> fieldsOf(const mxArray *a) {
    std::vector<std::string> names;
    for (int k = 0; k < mxGetNumberOfFields(a); ++k)
        names.emplace_back(mxGetFieldNameByNumber(a, k));
    return names;
}

std::vector<int> randomDims(std::mt19937 &random) {
    std::vector<int> dims(2 + random() % 3);
    for (int &extent : dims)
        extent = static_cast<int>(random() % 8 == 0 ? 0 : 1 + random() % 3);
    return dims;
}

} // namespace

std::vector<int> dimsOf(const mxArray *a) {
    const mwSize *dims = mxGetDimensions(a);
    return std::vector<int>(dims, dims + mxGetNumberOfDimensions(a));
}

mxArray *makeCell(const std::vector<int> &dims, const std::vector<mxArray *> &elements) {
    mxArray *a = mxCreateCellArray(static_cast<mwSize>(dims.size()), dims.data());
    for (size_t i = 0; i < elements.size(); ++i)
        mxSetCell(a, static_cast<mwIndex>(i), elements[i]);
    return a;
}

mxArray *makeStruct(const std::vector<int> &dims, const std::vector<const char *> &names,
                    const std::vector<mxArray *> &values) {
    std::vector<const char *> fields(names);
    mxArray *a = mxCreateStructArray(static_cast<mwSize>(dims.size()), dims.data(),
                                     static_cast<int>(fields.size()), fields.data());
    for (size_t i = 0; i < values.size(); ++i)
        mxSetFieldByNumber(a, static_cast<mwIndex>(i / names.size()),
                           static_cast<int>(i % names.size()), values[i]);
    return a;
}

std::vector<int> countsOf(const mxArray *a, bool imaginary) {
    const signed char *part =
        static_cast<const signed char *>(imaginary ? mxGetImagData(a) : mxGetData(a));
    return std::vector<int>(part, part + mxGetNumberOfElements(a));
}

mxArray *randomArray(std::mt19937 &random, int depth) {
    static const mxClassID dataClasses[] = {mxLOGICAL_CLASS, mxCHAR_CLASS,   mxDOUBLE_CLASS,
                                            mxSINGLE_CLASS,  mxINT8_CLASS,   mxUINT8_CLASS,
                                            mxINT16_CLASS,   mxUINT16_CLASS, mxINT32_CLASS,
                                            mxUINT32_CLASS,  mxINT64_CLASS,  mxUINT64_CLASS};
    static const int objectClasses[] = {mxUNKNOWN_CLASS, mxVOID_CLASS, mxFUNCTION_CLASS, 17, 18};
    static const char *const names[] = {"alpha", "beta", "gamma"};
    const unsigned kind = depth > 0 ? random() % 10 : 9;
    if (kind == 0 || kind == 1) {
        mxArray *a = makeCell(randomDims(random), {});
        for (size_t i = 0; i < mxGetNumberOfElements(a); ++i)
            if (random() % 8) mxSetCell(a, static_cast<mwIndex>(i), randomArray(random, depth - 1));
        return a;
    }
    if (kind == 2) {
        std::vector<const char *> fields(names, names + random() % 4);
        std::shuffle(fields.begin(), fields.end(), random);
        mxArray *a = makeStruct(randomDims(random), fields, {});
        for (size_t j = 0; j < mxGetNumberOfElements(a); ++j)
            for (size_t k = 0; k < fields.size(); ++k)
                if (random() % 8)
                    mxSetFieldByNumber(a, static_cast<mwIndex>(j), static_cast<int>(k),
                                       randomArray(random, depth - 1));
        return a;
    }
    if (kind == 3) return standinCreateObject(objectClasses[random() % 5]);
    const mxClassID classId = dataClasses[random() % 12];
    const bool complex = classId != mxLOGICAL_CLASS && classId != mxCHAR_CLASS && random() % 3 == 0;
    mxArray *a = standinCreateArray(classId, randomDims(random), complex ? mxCOMPLEX : mxREAL);
    const size_t bytes = mxGetNumberOfElements(a) * standinElementSize(classId);
    for (void *part : {mxGetData(a), complex ? mxGetImagData(a) : nullptr})
        for (size_t i = 0; part && i < bytes; ++i)
            static_cast<unsigned char *>(part)[i] = static_cast<unsigned char>(random());
    return a;
}

std::string conversionMismatch(const mxArray *in, const mxArray *out, const std::string &where) {
    if (!in) return out ? where + ": an absent element was not left absent" : "";
    if (!out) return where + ": no result";
    if (mxIsSparse(in)) in = standinFullCopy(in);
    const mxClassID classId = mxGetClassID(in);
    const size_t n = mxGetNumberOfElements(in);
    const size_t size = standinElementSize(classId);
    const bool container = classId == mxCELL_CLASS || classId == mxSTRUCT_CLASS;
    if (!container && size == 0) {
        if (mxGetClassID(out) != mxDOUBLE_CLASS || dimsOf(out) != std::vector<int>{0, 0} ||
            mxIsComplex(out))
            return where + ": not a 0-by-0 real double";
        return "";
    }
    if (mxGetClassID(out) != (container ? classId : mxINT8_CLASS))
        return where + ": a result of class " + std::to_string(mxGetClassID(out));
    if (dimsOf(out) != dimsOf(in)) return where + ": other extents";
    if (classId == mxCELL_CLASS) {
        for (size_t i = 0; i < n; ++i) {
            std::string mismatch = conversionMismatch(mxGetCell(in, static_cast<mwIndex>(i)),
                                                      mxGetCell(out, static_cast<mwIndex>(i)),
                                                      where + "{" + std::to_string(i) + "}");
            if (!mismatch.empty()) return mismatch;
        }
    } else if (classId == mxSTRUCT_CLASS) {
        if (fieldsOf(out) != fieldsOf(in)) return where + ": other fields";
        for (size_t j = 0; j < n; ++j) {
            for (int k = 0; k < mxGetNumberOfFields(in); ++k) {
                std::string mismatch = conversionMismatch(
                    mxGetFieldByNumber(in, static_cast<mwIndex>(j), k),
                    mxGetFieldByNumber(out, static_cast<mwIndex>(j), k),
                    where + "(" + std::to_string(j) + ")." + mxGetFieldNameByNumber(in, k));
                if (!mismatch.empty()) return mismatch;
            }
        }
    } else {
        if (mxIsComplex(out) != mxIsComplex(in)) return where + ": other complexity";
        if (countsOf(out) != expectedCounts(mxGetData(in), n, size))
            return where + ": wrong counts";
        if (mxIsComplex(in) && countsOf(out, true) != expectedCounts(mxGetImagData(in), n, size))
            return where + ": wrong counts of the imaginary part";
    }
    return "";
}
