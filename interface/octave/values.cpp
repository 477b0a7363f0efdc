// The host operations of interface/mex.h on GNU Octave's own values (as
// binding.h hands them on from operations.cpp), and the entry through which
// Octave calls the function: linked with one function's source unit, they make
// the native Octave function NAME.oct (the Makefile beside this file builds it).
//
// Everything a caller sees is what Octave's own MEX layer gives for the same
// unit: the same classes, extents, field order, values, texts and warnings.
// The difference is the copying: an argument's data, a container's elements
// and field values are read where Octave holds them, and a result is made as
// Octave's own array and written in place, where the MEX layer converts every
// container and copies every integer result (libinterp/corefcn/mex.cc).
//
// Octave's C++ interface is the same for what is used here from 6.2 to 11.3,
// but where a comment names the versions.

#include "binding.h"

#include <octave/oct.h>

#include <octave/Cell.h>
#include <octave/oct-map.h>
#include <octave/parse.h>

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <type_traits>
#include <vector>

// The name of the function, OCTAVE_FUNCTION, and its help text,
// octaveFunctionHelp, written from its help file by write_function_header.m.
#include "octave_function.h"

using binding::ClassId;

// One array as the function sees it.
struct mxArray_tag {
    // The value as Octave holds it: an argument, an element or field value of
    // one, a host function's result, a text made here; for a numeric array
    // made here, its real part, written in place. Undefined for a cell or
    // struct made here, which cell or map holds.
    octave_value value;
    // A complex numeric array made here: its imaginary part.
    octave_value imag;
    bool made = false;
    int classId = -1; // -1 until asked for: a ClassId
    // The extents, once asked for: up to four here, more in longDims.
    int ndims = -1;
    int shortDims[4] = {};
    std::unique_ptr<int[]> longDims;
    void *real = nullptr; // the part buffers once asked for
    void *imagPart = nullptr;
    // What Octave does not store as the function reads it: 16-bit characters,
    // or the separate parts of a complex argument.
    std::vector<unsigned char> copy;
    // The elements of a cell, or the fields of a struct and their names: an
    // argument's, read in place, or those of one made here, filled in place.
    std::unique_ptr<Cell> cell;
    std::unique_ptr<octave_map> map;
    std::vector<std::string> names;

    int *dims() { return longDims ? longDims.get() : shortDims; }
    const int *dims() const { return longDims ? longDims.get() : shortDims; }
    void setDims(const dim_vector &dv) {
        ndims = static_cast<int>(dv.ndims());
        if (ndims > 4) longDims = std::make_unique<int[]>(ndims);
        for (int i = 0; i < ndims; ++i)
            dims()[i] = dv(i) > INT_MAX ? INT_MAX : static_cast<int>(dv(i));
    }
};

namespace {

// What one call of the function holds, released when the call ends, also when
// an error ends it: the arrays it was handed and made, and its mxCalloc blocks.
class Call {
public:
    Call() : previous(current) { current = this; }
    ~Call() {
        for (size_t b = 0; b < blocks.size(); ++b) {
            const int count = b + 1 < blocks.size() ? perBlock : used;
            for (int i = 0; i < count; ++i)
                reinterpret_cast<mxArray_tag *>(blocks[b]->bytes + sizeof(mxArray_tag) * i)
                    ->~mxArray_tag();
        }
        for (void *block : scratch)
            std::free(block);
        current = previous;
    }
    Call(const Call &) = delete;
    Call &operator=(const Call &) = delete;

    mxArray_tag *add() {
        if (used == perBlock) {
            blocks.push_back(std::unique_ptr<Block>(new Block));
            used = 0;
        }
        return new (blocks.back()->bytes + sizeof(mxArray_tag) * used++) mxArray_tag();
    }
    mxArray_tag *given(const octave_value &value) {
        mxArray_tag *a = add();
        a->value = value;
        return a;
    }

    // A host function can call the function again: each call has its own.
    static Call *current;

    std::vector<void *> scratch; // the mxCalloc blocks not yet freed
    // A complex integer array went into a result, which Octave cannot hold.
    bool unrepresentable = false;

private:
    // The arrays, made in blocks that keep their places.
    static const int perBlock = 32;
    struct Block {
        alignas(mxArray_tag) unsigned char bytes[sizeof(mxArray_tag) * perBlock];
    };
    std::vector<std::unique_ptr<Block>> blocks;
    int used = perBlock;
    Call *previous;
};

Call *Call::current = nullptr;

// The function's name, as its error texts begin.
#define NAME_OF(name) STRING_OF(name)
#define STRING_OF(name) #name
const char functionName[] = NAME_OF(OCTAVE_FUNCTION);

// The class id that Octave's MEX layer gives a value: by its class name, so
// that an object of a class of the user's is of none (mxArray_octave_value).
ClassId classOf(const octave_value &value) {
    static const struct {
        const char *name;
        ClassId id;
    } classes[] = {{"double", binding::doubleClass},
                   {"single", binding::singleClass},
                   {"char", binding::charClass},
                   {"logical", binding::logicalClass},
                   {"cell", binding::cellClass},
                   {"struct", binding::structClass},
                   {"function_handle", binding::functionClass},
                   {"int8", binding::int8Class},
                   {"uint8", binding::uint8Class},
                   {"int16", binding::int16Class},
                   {"uint16", binding::uint16Class},
                   {"int32", binding::int32Class},
                   {"uint32", binding::uint32Class},
                   {"int64", binding::int64Class},
                   {"uint64", binding::uint64Class}};
    const std::string name = value.class_name();
    for (const auto &c : classes)
        if (name == c.name) return c.id;
    return binding::unknownClass;
}

bool isNumeric(int classId) {
    return classId >= binding::doubleClass && classId <= binding::uint64Class;
}

// The extents as a dim_vector, with at least two.
dim_vector dimVector(int ndim, const int *dims) {
    dim_vector dv;
    dv.resize(ndim > 2 ? ndim : 2, 1);
    for (int i = 0; i < ndim; ++i)
        dv(i) = dims[i];
    dv.chop_trailing_singletons();
    return dv;
}

// A zeroed array of a numeric class, of the type Octave makes of it: a
// 1-by-1 array is made the scalar that Octave would narrow it to. An integer
// array's elements are zeroed by their constructor; a double or single
// array's are filled, as Octave 6 leaves them uninitialized (7 and later zero
// them too).
template <typename T> octave_value zeros(const dim_vector &dv) {
    typedef typename T::element_type Element;
    if (dv.ndims() == 2 && dv(0) == 1 && dv(1) == 1) return octave_value(Element());
    return std::is_floating_point<Element>::value ? octave_value(T(dv, Element()))
                                                  : octave_value(T(dv));
}

octave_value zerosOf(int classId, const dim_vector &dv) {
    switch (classId) {
    case binding::doubleClass:
        return zeros<NDArray>(dv);
    case binding::singleClass:
        return zeros<FloatNDArray>(dv);
    case binding::int8Class:
        return zeros<int8NDArray>(dv);
    case binding::uint8Class:
        return zeros<uint8NDArray>(dv);
    case binding::int16Class:
        return zeros<int16NDArray>(dv);
    case binding::uint16Class:
        return zeros<uint16NDArray>(dv);
    case binding::int32Class:
        return zeros<int32NDArray>(dv);
    case binding::uint32Class:
        return zeros<uint32NDArray>(dv);
    case binding::int64Class:
        return zeros<int64NDArray>(dv);
    default:
        return zeros<uint64NDArray>(dv);
    }
}

// The buffer of a numeric array made here, written in place: its octave_value
// holds the only reference.
void *bufferOf(const octave_value &value) {
    return const_cast<void *>(static_cast<const void *>(value.mex_get_data()));
}

// The two parts of a complex array made here, as one complex value.
template <typename C, typename R> octave_value joined(const R &re, const R &im) {
    C z(re.dims());
    for (octave_idx_type i = 0; i < z.numel(); ++i)
        z.xelem(i) = typename C::element_type(re.xelem(i), im.xelem(i));
    return octave_value(z);
}

// The value that a result array stands for, to be returned or put into a
// container. A complex integer array, which Octave cannot hold, is noted and
// ends the call with Octave's own error once the function returns, as the MEX
// layer ends it when it converts the result.
octave_value valueOf(const mxArray_tag *a) {
    if (!a) return Matrix(); // an absent element or field value: as the MEX layer fills it
    if (!a->made) return a->value;
    if (a->cell) return octave_value(*a->cell);
    if (a->map) return octave_value(*a->map);
    if (!a->imag.is_defined()) return a->value;
    if (a->classId == binding::doubleClass)
        return joined<ComplexNDArray>(a->value.array_value(), a->imag.array_value());
    if (a->classId == binding::singleClass)
        return joined<FloatComplexNDArray>(a->value.float_array_value(),
                                           a->imag.float_array_value());
    Call::current->unrepresentable = true;
    return octave_value();
}

// A cell's elements, read in place.
Cell &cellOf(const mxArray_tag *a) {
    mxArray_tag *array = const_cast<mxArray_tag *>(a);
    if (!array->cell) array->cell = std::make_unique<Cell>(array->value.cell_value());
    return *array->cell;
}

// A struct's fields and their names.
octave_map &mapOf(const mxArray_tag *a) {
    mxArray_tag *array = const_cast<mxArray_tag *>(a);
    if (!array->map) array->map = std::make_unique<octave_map>(array->value.map_value());
    return *array->map;
}

const std::vector<std::string> &namesOf(const mxArray_tag *a) {
    mxArray_tag *array = const_cast<mxArray_tag *>(a);
    if (array->names.empty()) {
        const string_vector keys = mapOf(a).keys();
        for (octave_idx_type k = 0; k < keys.numel(); ++k)
            array->names.push_back(keys[k]);
    }
    return array->names;
}

// Gives a complex argument's parts as separate buffers of its class, and an
// 8-bit character argument as 16-bit code units, each byte widened as an
// unsigned value, which is what the function reads for a char array.
template <typename C, typename R>
void splitParts(mxArray_tag *a, C (octave_value::*complexValue)(bool) const) {
    const C z = (a->value.*complexValue)(false);
    const octave_idx_type n = z.numel();
    a->copy.resize(2 * n * sizeof(R) + 1); // one more, so that no elements still have a buffer
    R *re = reinterpret_cast<R *>(a->copy.data());
    R *im = re + n;
    const typename C::element_type *p = z.data();
    for (octave_idx_type i = 0; i < n; ++i) {
        re[i] = p[i].real();
        im[i] = p[i].imag();
    }
    a->real = re;
    a->imagPart = im;
}

void widenCharacters(mxArray_tag *a) {
    const charNDArray text = a->value.char_array_value();
    const octave_idx_type n = text.numel();
    a->copy.resize(n * sizeof(uint16_t) + 1); // likewise
    uint16_t *units = reinterpret_cast<uint16_t *>(a->copy.data());
    const char *p = text.data();
    for (octave_idx_type i = 0; i < n; ++i)
        units[i] = static_cast<unsigned char>(p[i]);
    a->real = units;
}

// Finds the part buffers of an argument: in place where Octave holds them; a
// range, diagonal or permutation matrix, which holds no buffer, is made full
// first, as the MEX layer makes it.
void findParts(mxArray_tag *a) {
    const ClassId classId = binding::classId(a);
    if (!isNumeric(classId) && classId != binding::logicalClass && classId != binding::charClass)
        return;
    if (classId == binding::charClass) {
        widenCharacters(a);
    } else if (a->value.iscomplex()) {
        if (classId == binding::singleClass)
            splitParts<FloatComplexNDArray, float>(a, &octave_value::float_complex_array_value);
        else
            splitParts<ComplexNDArray, double>(a, &octave_value::complex_array_value);
    } else {
        if (!a->value.mex_get_data()) a->value = a->value.full_value();
        a->real = bufferOf(a->value);
    }
}

} // namespace

// Messages and calls back into the host.

// Ends the call as Octave's MEX layer does: "NAME: TEXT", without one closing
// line feed, which then keeps Octave from adding where the error arose.
void binding::raiseError(const char *text) {
    const size_t length = text ? std::strlen(text) : 0;
    if (length == 0) error(" ");
    if (text[length - 1] == '\n')
        error("%s: %s\n", functionName, std::string(text, length - 1).c_str());
    error("%s: %s", functionName, text);
}

// A warning with the text alone and no identifier, as Octave's MEX layer shows it.
void binding::warn(const char *text) {
    const size_t length = text ? std::strlen(text) : 0;
    if (length == 0) {
        warning(" ");
    } else if (text[length - 1] == '\n') {
        warning("%s\n", std::string(text, length - 1).c_str());
    } else {
        warning("%s", text);
    }
}

// Octave's feval of the named function; an error in it ends the call with
// Octave's own text. Outputs it does not give stay null.
int binding::callHost(int nlhs, mxArray_tag *plhs[], int nrhs, mxArray_tag *prhs[],
                      const char *name) {
    octave_value_list args(nrhs);
    for (int i = 0; i < nrhs; ++i)
        args(i) = valueOf(prhs[i]);
    const octave_value_list out = octave::feval(std::string(name), args, nlhs);
    for (int i = 0; i < nlhs; ++i)
        plhs[i] = i < out.length() ? Call::current->given(out(i)) : nullptr;
    return 0;
}

// Queries.

ClassId binding::classId(const mxArray_tag *a) {
    if (a->classId < 0) const_cast<mxArray_tag *>(a)->classId = classOf(a->value);
    return static_cast<ClassId>(a->classId);
}

bool binding::isComplex(const mxArray_tag *a) {
    return a->made ? a->imag.is_defined() : a->value.iscomplex();
}

bool binding::isSparse(const mxArray_tag *a) {
    return !a->made && a->value.issparse();
}

size_t binding::elements(const mxArray_tag *a) {
    if (!a->made) return a->value.numel();
    size_t n = 1;
    for (int i = 0; i < a->ndims; ++i)
        n *= a->dims()[i];
    return n;
}

// Extents beyond 32 bits cannot be told; they read as the largest 32-bit
// extent, and such an array's element count stays what Octave reports.
const int *binding::dimensions(const mxArray_tag *a) {
    mxArray_tag *array = const_cast<mxArray_tag *>(a);
    if (array->ndims < 0) array->setDims(array->value.dims());
    return array->dims();
}

int binding::dimensionCount(const mxArray_tag *a) {
    dimensions(a);
    return a->ndims;
}

void *binding::data(const mxArray_tag *a) {
    if (!a->made && !a->real) findParts(const_cast<mxArray_tag *>(a));
    return a->real;
}

void *binding::imagData(const mxArray_tag *a) {
    if (!isComplex(a)) return nullptr;
    data(a);
    return a->imagPart;
}

int binding::fieldCount(const mxArray_tag *a) {
    if (a->made) return a->map ? static_cast<int>(a->map->nfields()) : 0;
    return static_cast<int>(a->value.nfields());
}

const char *binding::fieldName(const mxArray_tag *a, int field) {
    const std::vector<std::string> &names = namesOf(a);
    return field >= 0 && static_cast<size_t>(field) < names.size() ? names[field].c_str() : nullptr;
}

mxArray_tag *binding::cellElement(const mxArray_tag *a, int element) {
    const Cell &cell = cellOf(a);
    if (element < 0 || element >= cell.numel()) return nullptr;
    return Call::current->given(cell.xelem(element));
}

mxArray_tag *binding::fieldValue(const mxArray_tag *a, int element, int field) {
    const octave_map &map = mapOf(a);
    if (element < 0 || element >= map.numel() || field < 0 || field >= map.nfields())
        return nullptr;
    return Call::current->given(map.contents(field).xelem(element));
}

// Creation and filling. A container made here is filled in place; what a
// container is given is put into it as the value it stands for then, and a
// numeric array shares its buffer with the container. An argument is never
// written: filling one does nothing.

mxArray_tag *binding::numericArray(int ndim, const int *dims, ClassId classId, bool complex) {
    if (!isNumeric(classId)) return nullptr;
    const dim_vector dv = dimVector(ndim, dims);
    mxArray_tag *a = Call::current->add();
    a->made = true;
    a->classId = classId;
    a->setDims(dv);
    a->value = zerosOf(classId, dv);
    a->real = bufferOf(a->value);
    if (complex) {
        a->imag = zerosOf(classId, dv);
        a->imagPart = bufferOf(a->imag);
    }
    return a;
}

mxArray_tag *binding::cellArray(int ndim, const int *dims) {
    mxArray_tag *a = Call::current->add();
    a->made = true;
    a->classId = cellClass;
    const dim_vector dv = dimVector(ndim, dims);
    a->setDims(dv);
    a->cell = std::make_unique<Cell>(dv);
    return a;
}

mxArray_tag *binding::structArray(int ndim, const int *dims, int nfields, const char **names) {
    const dim_vector dv = dimVector(ndim, dims);
    mxArray_tag *a = Call::current->add();
    a->made = true;
    a->classId = structClass;
    a->setDims(dv);
    a->map = std::make_unique<octave_map>(dv);
    for (int k = 0; k < nfields; ++k)
        a->map->setfield(names[k], Cell(dv));
    return a;
}

// A text as Octave's MEX layer makes it: a single-quoted char row.
mxArray_tag *binding::text(const char *text) {
    return Call::current->given(octave_value(text, '\''));
}

void binding::setCellElement(mxArray_tag *a, int element, mxArray_tag *value) {
    if (!a->made || !a->cell || element < 0 || element >= a->cell->numel()) return;
    a->cell->xelem(element) = valueOf(value);
}

void binding::setFieldValue(mxArray_tag *a, int element, int field, mxArray_tag *value) {
    if (!a->made || !a->map || element < 0 || element >= a->map->numel() || field < 0 ||
        field >= a->map->nfields())
        return;
    a->map->contents(field).xelem(element) = valueOf(value);
}

// Scratch memory, released when the call ends if not before.

void *binding::scratch(size_t count, size_t size) {
    void *block = std::calloc(count, size);
    if (block) Call::current->scratch.push_back(block);
    return block;
}

void binding::release(void *block) {
    std::vector<void *> &scratch = Call::current->scratch;
    for (size_t i = scratch.size(); i-- > 0;) {
        if (scratch[i] == block) {
            scratch.erase(scratch.begin() + static_cast<std::ptrdiff_t>(i));
            std::free(block);
            return;
        }
    }
}

// The entry that Octave calls: the function's mexFunction with the arguments
// and output count as Octave's MEX layer passes them, its results returned as
// the MEX layer returns them (slot 0 for ans when no output was asked for; an
// output left empty undefined).
namespace {

octave_value_list callOctaveFunction(const octave_value_list &args, int nargout) {
    Call call;
    const int nargin = static_cast<int>(args.length());
    const int slots = nargout > 0 ? nargout : 1;
    // The argument and output slots: on the stack for a few, as most calls
    // have.
    const mxArray_tag *shortIn[8];
    mxArray_tag *shortOut[8] = {};
    std::vector<const mxArray_tag *> longIn(nargin > 8 ? nargin : 0);
    std::vector<mxArray_tag *> longOut(slots > 8 ? slots : 0, nullptr);
    const mxArray_tag **in = nargin > 8 ? longIn.data() : shortIn;
    mxArray_tag **out = slots > 8 ? longOut.data() : shortOut;
    for (int i = 0; i < nargin; ++i)
        in[i] = call.given(args(i));
    binding::callFunction(nargout, out, nargin, in);
    const int returned = nargout == 0 && out[0] ? 1 : nargout;
    octave_value_list results(returned);
    for (int i = 0; i < returned; ++i)
        if (out[i]) results(i) = valueOf(out[i]);
    if (call.unrepresentable) error("complex integer types are not supported");
    return results;
}

} // namespace

DEFUN_DLD(OCTAVE_FUNCTION, args, nargout, octaveFunctionHelp) {
    return callOctaveFunction(args, nargout);
}
