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
#include <utility>
#include <vector>

// The name of the function, OCTAVE_FUNCTION, and its help text,
// octaveFunctionHelp, written from its help file by write_function_header.m.
#include "octave_function.h"

using binding::ClassId;

// What few arrays need besides: the imaginary part of a complex array made
// here; a copy of what Octave does not store as the function reads it (16-bit
// characters, or the separate parts of a complex argument); the extents of
// any but a 1-by-1 array; the elements of a cell, or the fields of a struct
// and their names (an argument's, read in place, or those of one made here,
// filled in place).
struct Extra {
    octave_value imag;
    void *real = nullptr; // the parts of an argument, where they are copies
    void *imagPart = nullptr;
    std::vector<unsigned char> copy;
    std::vector<int> dims;
    std::unique_ptr<Cell> cell;
    std::unique_ptr<octave_map> map;
    std::vector<std::string> names;
};

// One array as the function sees it. A call has one for every argument,
// element and field value it reads and every array it makes, so it holds
// only what most need and needs no destructor: the value it stands for is
// Octave's own, read where Octave holds it, or one the call keeps (a host
// function's result, a text or a numeric array made here, whose buffer is
// written in place, until it moves into a container made here); what an array
// needs besides is in its Extra, made for it alone.
struct mxArray_tag {
    const octave_value *value; // null for a cell or struct made here, which extra holds
    Extra *extra;              // null until needed
    int ndims;                 // -1 until asked for; the extents are in extra, but for 1-by-1
    signed char classId;       // -1 until asked for: a ClassId
    bool made;
};
static_assert(std::is_trivially_destructible<mxArray_tag>::value,
              "a call's arrays are released without a destructor each");

namespace {

// What a call makes of one kind, in places that stay where they are until the
// call ends, when each is destroyed: the first few in the call itself, as most
// calls make only a few, the rest in blocks from the heap.
template <typename T, int few> class Made {
public:
    Made() = default;
    Made(const Made &) = delete;
    Made &operator=(const Made &) = delete;
    ~Made() {
        if constexpr (!std::is_trivially_destructible<T>::value) {
            destroy(inCall, blocks.empty() ? next : inCall + few);
            for (size_t b = 0; b < blocks.size(); ++b)
                destroy(blocks[b].get(), b + 1 < blocks.size() ? blocks[b].get() + perBlock : next);
        }
    }

    template <typename... Arguments> T *make(Arguments &&...arguments) {
        if (next == end) {
            blocks.push_back(std::unique_ptr<Place[]>(new Place[perBlock]));
            next = blocks.back().get();
            end = next + perBlock;
        }
        void *place = (next++)->bytes;
        // Without arguments, default-initialized: an array's fields are its
        // maker's to write.
        if constexpr (sizeof...(Arguments) == 0)
            return new (place) T;
        else
            return new (place) T(std::forward<Arguments>(arguments)...);
    }

private:
    struct Place {
        alignas(T) unsigned char bytes[sizeof(T)];
    };
    static const int perBlock = 256;

    static void destroy(Place *from, Place *to) {
        for (Place *p = from; p != to; ++p)
            reinterpret_cast<T *>(p->bytes)->~T();
    }

    Place inCall[few];
    std::vector<std::unique_ptr<Place[]>> blocks;
    Place *next = inCall;
    Place *end = inCall + few;
};

// What one call of the function holds, released when the call ends, also when
// an error ends it: its arrays and what they need besides, the values it
// keeps, and its mxCalloc blocks.
class Call {
public:
    Call() : previous(current) { current = this; }
    ~Call() {
        for (void *block : scratch)
            std::free(block);
        current = previous;
    }
    Call(const Call &) = delete;
    Call &operator=(const Call &) = delete;

    // Each field written where the array stands: built elsewhere and copied,
    // its narrow fields would be read back through wider loads, which stall.
    mxArray_tag *add(const octave_value *value, bool made) {
        mxArray_tag *a = arrays.make();
        a->value = value;
        a->extra = nullptr;
        a->ndims = -1;
        a->classId = -1;
        a->made = made;
        return a;
    }
    // An argument, element or field value, read where Octave holds it.
    mxArray_tag *given(const octave_value &value) { return add(&value, false); }
    // A value that lives as long as the call.
    const octave_value *keep(octave_value value) { return kept.make(std::move(value)); }
    Extra *extra() { return extras.make(); }

    // A host function can call the function again: each call has its own.
    static Call *current;

    std::vector<void *> scratch; // the mxCalloc blocks not yet freed
    // A complex integer array went into a result, which Octave cannot hold.
    bool unrepresentable = false;

private:
    Made<mxArray_tag, 8> arrays;
    Made<octave_value, 4> kept;
    Made<Extra, 2> extras;
    Call *previous;
};

Extra &extraOf(const mxArray_tag *a) {
    mxArray_tag *array = const_cast<mxArray_tag *>(a);
    if (!array->extra) array->extra = Call::current->extra();
    return *array->extra;
}

// The extents of every 1-by-1 array.
const int oneByOne[2] = {1, 1};

void setDims(mxArray_tag *a, const dim_vector &dv) {
    a->ndims = static_cast<int>(dv.ndims());
    std::vector<int> &dims = extraOf(a).dims;
    dims.resize(a->ndims);
    for (int i = 0; i < a->ndims; ++i)
        dims[i] = dv(i) > INT_MAX ? INT_MAX : static_cast<int>(dv(i));
}

// Extents of 1-by-1, without the dim_vector that Octave would make for them.
void setScalarDims(mxArray_tag *a) {
    a->ndims = 2;
}

// The extents, once set.
const int *dimsOf(const mxArray_tag *a) {
    return a->extra && !a->extra->dims.empty() ? a->extra->dims.data() : oneByOne;
}

Call *Call::current = nullptr;

// The function's name, as its error texts begin.
#define NAME_OF(name) STRING_OF(name)
#define STRING_OF(name) #name
const char functionName[] = NAME_OF(OCTAVE_FUNCTION);

// The class id that Octave's MEX layer gives a value, which it finds by the
// value's class name: here by the type Octave keeps for it, which is unknown
// for an object of a class of the user's, as its name is to the MEX layer
// (mxArray_octave_value). A function handle's type is also that of Octave 6's
// inline functions, whose class is "inline".
ClassId classOf(const octave_value &value) {
    switch (value.builtin_type()) {
    case btyp_double:
    case btyp_complex:
        return binding::doubleClass;
    case btyp_float:
    case btyp_float_complex:
        return binding::singleClass;
    case btyp_int8:
        return binding::int8Class;
    case btyp_int16:
        return binding::int16Class;
    case btyp_int32:
        return binding::int32Class;
    case btyp_int64:
        return binding::int64Class;
    case btyp_uint8:
        return binding::uint8Class;
    case btyp_uint16:
        return binding::uint16Class;
    case btyp_uint32:
        return binding::uint32Class;
    case btyp_uint64:
        return binding::uint64Class;
    case btyp_bool:
        return binding::logicalClass;
    case btyp_char:
        return binding::charClass;
    case btyp_struct:
        return binding::structClass;
    case btyp_cell:
        return binding::cellClass;
    case btyp_func_handle:
        return value.class_name() == "function_handle" ? binding::functionClass
                                                       : binding::unknownClass;
    default:
        return binding::unknownClass;
    }
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

// Whether extents are 1-by-1, as Octave reads them.
bool isOneByOne(int ndim, const int *dims) {
    for (int i = 0; i < ndim; ++i)
        if (dims[i] != 1) return false;
    return true;
}

// A zeroed array of a numeric class, of the type Octave makes of it: a
// 1-by-1 array is made the scalar that Octave would narrow it to, with no
// extents made for it. An integer array's elements are zeroed by their
// constructor; a double or single array's are filled, as Octave 6 leaves them
// uninitialized (7 and later zero them too).
template <typename T> octave_value zeros(int ndim, const int *dims) {
    typedef typename T::element_type Element;
    if (isOneByOne(ndim, dims)) return octave_value(Element());
    const dim_vector dv = dimVector(ndim, dims);
    return std::is_floating_point<Element>::value ? octave_value(T(dv, Element()))
                                                  : octave_value(T(dv));
}

octave_value zerosOf(int classId, int ndim, const int *dims) {
    switch (classId) {
    case binding::doubleClass:
        return zeros<NDArray>(ndim, dims);
    case binding::singleClass:
        return zeros<FloatNDArray>(ndim, dims);
    case binding::int8Class:
        return zeros<int8NDArray>(ndim, dims);
    case binding::uint8Class:
        return zeros<uint8NDArray>(ndim, dims);
    case binding::int16Class:
        return zeros<int16NDArray>(ndim, dims);
    case binding::uint16Class:
        return zeros<uint16NDArray>(ndim, dims);
    case binding::int32Class:
        return zeros<int32NDArray>(ndim, dims);
    case binding::uint32Class:
        return zeros<uint32NDArray>(ndim, dims);
    case binding::int64Class:
        return zeros<int64NDArray>(ndim, dims);
    default:
        return zeros<uint64NDArray>(ndim, dims);
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
    if (!a->made) return *a->value;
    const Extra *extra = a->extra;
    if (!a->value) return extra->cell ? octave_value(*extra->cell) : octave_value(*extra->map);
    if (!extra || !extra->imag.is_defined()) return *a->value;
    if (a->classId == binding::doubleClass)
        return joined<ComplexNDArray>(a->value->array_value(), extra->imag.array_value());
    if (a->classId == binding::singleClass)
        return joined<FloatComplexNDArray>(a->value->float_array_value(),
                                           extra->imag.float_array_value());
    Call::current->unrepresentable = true;
    return octave_value();
}

// A cell's elements, read in place.
Cell &cellOf(const mxArray_tag *a) {
    Extra &extra = extraOf(a);
    if (!extra.cell) extra.cell = std::make_unique<Cell>(a->value->cell_value());
    return *extra.cell;
}

// A struct's fields and their names.
octave_map &mapOf(const mxArray_tag *a) {
    Extra &extra = extraOf(a);
    if (!extra.map) extra.map = std::make_unique<octave_map>(a->value->map_value());
    return *extra.map;
}

const std::vector<std::string> &namesOf(const mxArray_tag *a) {
    std::vector<std::string> &names = extraOf(a).names;
    if (names.empty()) {
        const string_vector keys = mapOf(a).keys();
        for (octave_idx_type k = 0; k < keys.numel(); ++k)
            names.push_back(keys[k]);
    }
    return names;
}

// Gives a complex argument's parts as separate buffers of its class, and an
// 8-bit character argument as 16-bit code units, each byte widened as an
// unsigned value, which is what the function reads for a char array.
template <typename C, typename R>
void splitParts(mxArray_tag *a, C (octave_value::*complexValue)(bool) const) {
    const C z = (a->value->*complexValue)(false);
    const octave_idx_type n = z.numel();
    Extra &extra = extraOf(a);
    extra.copy.resize(2 * n * sizeof(R) + 1); // one more, so that no elements still have a buffer
    R *re = reinterpret_cast<R *>(extra.copy.data());
    R *im = re + n;
    const typename C::element_type *p = z.data();
    for (octave_idx_type i = 0; i < n; ++i) {
        re[i] = p[i].real();
        im[i] = p[i].imag();
    }
    extra.real = re;
    extra.imagPart = im;
}

void widenCharacters(mxArray_tag *a) {
    const charNDArray text = a->value->char_array_value();
    const octave_idx_type n = text.numel();
    Extra &extra = extraOf(a);
    extra.copy.resize(n * sizeof(uint16_t) + 1); // likewise
    uint16_t *units = reinterpret_cast<uint16_t *>(extra.copy.data());
    const char *p = text.data();
    for (octave_idx_type i = 0; i < n; ++i)
        units[i] = static_cast<unsigned char>(p[i]);
    extra.real = units;
}

// The real part's buffer of an argument: where Octave holds it; a copy for
// characters and complex values; a range, diagonal or permutation matrix,
// which holds no buffer, made full first, as the MEX layer makes it.
void *partsOf(mxArray_tag *a) {
    if (a->extra && a->extra->real) return a->extra->real;
    const ClassId classId = binding::classId(a);
    if (!isNumeric(classId) && classId != binding::logicalClass && classId != binding::charClass)
        return nullptr;
    if (classId == binding::charClass) {
        widenCharacters(a);
    } else if (a->value->iscomplex()) {
        if (classId == binding::singleClass)
            splitParts<FloatComplexNDArray, float>(a, &octave_value::float_complex_array_value);
        else
            splitParts<ComplexNDArray, double>(a, &octave_value::complex_array_value);
    } else {
        if (void *buffer = bufferOf(*a->value)) return buffer;
        a->value = Call::current->keep(a->value->full_value());
        return bufferOf(*a->value);
    }
    return a->extra->real;
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
        plhs[i] = i < out.length() ? Call::current->given(*Call::current->keep(out(i))) : nullptr;
    return 0;
}

// Queries.

ClassId binding::classId(const mxArray_tag *a) {
    if (a->classId < 0)
        const_cast<mxArray_tag *>(a)->classId = static_cast<signed char>(classOf(*a->value));
    return static_cast<ClassId>(a->classId);
}

bool binding::isComplex(const mxArray_tag *a) {
    return a->made ? a->extra && a->extra->imag.is_defined() : a->value->iscomplex();
}

bool binding::isSparse(const mxArray_tag *a) {
    return !a->made && a->value->issparse();
}

size_t binding::elements(const mxArray_tag *a) {
    if (!a->made) return a->value->numel();
    size_t n = 1;
    if (a->extra)
        for (int extent : a->extra->dims)
            n *= extent;
    return n;
}

// Extents beyond 32 bits cannot be told; they read as the largest 32-bit
// extent, and such an array's element count stays what Octave reports.
const int *binding::dimensions(const mxArray_tag *a) {
    mxArray_tag *array = const_cast<mxArray_tag *>(a);
    if (array->ndims < 0) {
        if (array->value->is_scalar_type())
            setScalarDims(array);
        else
            setDims(array, array->value->dims());
    }
    return dimsOf(array);
}

int binding::dimensionCount(const mxArray_tag *a) {
    dimensions(a);
    return a->ndims;
}

void *binding::data(const mxArray_tag *a) {
    if (a->made) return a->value ? bufferOf(*a->value) : nullptr;
    return partsOf(const_cast<mxArray_tag *>(a));
}

void *binding::imagData(const mxArray_tag *a) {
    if (!isComplex(a)) return nullptr;
    data(a);
    return a->extra ? a->extra->imagPart : nullptr;
}

int binding::fieldCount(const mxArray_tag *a) {
    if (a->made) return a->extra && a->extra->map ? static_cast<int>(a->extra->map->nfields()) : 0;
    return static_cast<int>(a->value->nfields());
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

namespace {

// An array made here, of the extents given.
mxArray_tag *madeArray(ClassId classId, int ndim, const int *dims) {
    mxArray_tag *a = Call::current->add(nullptr, true);
    a->classId = static_cast<signed char>(classId);
    if (isOneByOne(ndim, dims))
        setScalarDims(a);
    else
        setDims(a, dimVector(ndim, dims));
    return a;
}

} // namespace

mxArray_tag *binding::numericArray(int ndim, const int *dims, ClassId classId, bool complex) {
    if (!isNumeric(classId)) return nullptr;
    mxArray_tag *a = madeArray(classId, ndim, dims);
    a->value = Call::current->keep(zerosOf(classId, ndim, dims));
    if (complex) {
        Extra &extra = extraOf(a);
        extra.imag = zerosOf(classId, ndim, dims);
        extra.imagPart = bufferOf(extra.imag);
    }
    return a;
}

mxArray_tag *binding::cellArray(int ndim, const int *dims) {
    mxArray_tag *a = madeArray(cellClass, ndim, dims);
    extraOf(a).cell = std::make_unique<Cell>(dimVector(ndim, dims));
    return a;
}

mxArray_tag *binding::structArray(int ndim, const int *dims, int nfields, const char **names) {
    mxArray_tag *a = madeArray(structClass, ndim, dims);
    const dim_vector dv = dimVector(ndim, dims);
    octave_map &map = *(extraOf(a).map = std::make_unique<octave_map>(dv));
    for (int k = 0; k < nfields; ++k)
        map.setfield(names[k], Cell(dv));
    return a;
}

// A text as Octave's MEX layer makes it: a single-quoted char row.
mxArray_tag *binding::text(const char *text) {
    return Call::current->given(*Call::current->keep(octave_value(text, '\'')));
}

namespace {

// Puts the value an array stands for into a container's place. A numeric
// array made here moves there, and stands for the value in its place from
// then on: the call need not keep it.
void put(octave_value &place, mxArray_tag *value) {
    if (value && value->made && value->value &&
        !(value->extra && value->extra->imag.is_defined())) {
        place = std::move(*const_cast<octave_value *>(value->value));
        value->value = &place;
    } else {
        place = valueOf(value);
    }
}

} // namespace

void binding::setCellElement(mxArray_tag *a, int element, mxArray_tag *value) {
    Cell *cell = a->made && a->extra ? a->extra->cell.get() : nullptr;
    if (!cell || element < 0 || element >= cell->numel()) return;
    put(cell->xelem(element), value);
}

void binding::setFieldValue(mxArray_tag *a, int element, int field, mxArray_tag *value) {
    octave_map *map = a->made && a->extra ? a->extra->map.get() : nullptr;
    if (!map || element < 0 || element >= map->numel() || field < 0 || field >= map->nfields())
        return;
    put(map->contents(field).xelem(element), value);
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
