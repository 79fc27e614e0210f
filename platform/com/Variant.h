// VARIANT: the tagged value that automation passes around, in the subset this
// platform needs (integers of every width, floats, currency, dates, booleans,
// strings, error codes, object references, and by-reference forms of them).
//
// VariantChangeType converts as automation does when it coerces an argument
// to a member's declared type: numbers round half to even and fail with
// DISP_E_OVERFLOW when out of range; a boolean is VARIANT_TRUE (-1) or
// VARIANT_FALSE (0) and any non-zero number converts to true; strings parse
// as decimal numbers (or &H hex, or True/False for booleans) and fail with
// DISP_E_TYPEMISMATCH otherwise; VT_EMPTY converts to 0 or ""; VT_NULL and
// VT_ERROR convert to nothing but themselves; an unknown type gives
// DISP_E_BADVARTYPE. Booleans become the text "True" or "False"; dates are
// handled as their day count.
//
//   Variant type(std::int32_t{1});            // VT_I4
//   Variant name("out.gif");                  // VT_BSTR, from UTF-8
//   Variant on = Variant::boolean(VARIANT_TRUE);
//   Variant asText;
//   VariantChangeType(&asText, &type, 0, VT_BSTR); // "1"
#pragma once

#include "com/Bstr.h"
#include "com/Unknown.h"

#include <cstdint>
#include <string_view>

namespace plat::com {

struct IDispatch;

using VARTYPE = std::uint16_t;
using VARIANT_BOOL = std::int16_t;
using SCODE = HRESULT;
using DATE = double;
using OLE_COLOR = std::uint32_t;
struct CY {
    std::int64_t int64; // value x 10000
};

constexpr VARIANT_BOOL VARIANT_TRUE = -1;
constexpr VARIANT_BOOL VARIANT_FALSE = 0;

enum : VARTYPE {
    VT_EMPTY = 0,
    VT_NULL = 1,
    VT_I2 = 2,
    VT_I4 = 3,
    VT_R4 = 4,
    VT_R8 = 5,
    VT_CY = 6,
    VT_DATE = 7,
    VT_BSTR = 8,
    VT_DISPATCH = 9,
    VT_ERROR = 10,
    VT_BOOL = 11,
    VT_VARIANT = 12,
    VT_UNKNOWN = 13,
    VT_DECIMAL = 14,
    VT_I1 = 16,
    VT_UI1 = 17,
    VT_UI2 = 18,
    VT_UI4 = 19,
    VT_I8 = 20,
    VT_UI8 = 21,
    VT_INT = 22,
    VT_UINT = 23,
    VT_VOID = 24,
    VT_HRESULT = 25,
    VT_ARRAY = 0x2000,
    VT_BYREF = 0x4000,
};

struct VARIANT;

struct VARIANT_DATA {
    VARTYPE vt = VT_EMPTY;
    std::uint16_t wReserved1 = 0;
    std::uint16_t wReserved2 = 0;
    std::uint16_t wReserved3 = 0;
    union {
        std::int8_t cVal;
        std::uint8_t bVal;
        std::int16_t iVal;
        std::uint16_t uiVal;
        std::int32_t lVal;
        std::uint32_t ulVal;
        std::int64_t llVal;
        std::uint64_t ullVal;
        std::int32_t intVal;
        std::uint32_t uintVal;
        float fltVal;
        double dblVal;
        VARIANT_BOOL boolVal;
        SCODE scode;
        CY cyVal;
        DATE date;
        BSTR bstrVal;
        IUnknown* punkVal;
        IDispatch* pdispVal;
        void* byref; // VT_BYREF | t: points at a value of type t
        VARIANT* pvarVal;
        std::int64_t raw = 0;
    };
};
struct VARIANT : VARIANT_DATA {};
using VARIANTARG = VARIANT;

// Flags for VariantChangeType.
constexpr std::uint16_t VARIANT_NOVALUEPROP = 0x1;

PLATFORM_EXPORT void VariantInit(VARIANT* v);
// Frees what v owns (its string, its object reference) and makes it VT_EMPTY.
PLATFORM_EXPORT HRESULT VariantClear(VARIANT* v);
// Deep copy: strings are duplicated, object references added to.
PLATFORM_EXPORT HRESULT VariantCopy(VARIANT* dest, const VARIANT* src);
// Converts src to type vt into dest (which may be src). On failure dest is
// left as it was.
PLATFORM_EXPORT HRESULT VariantChangeType(VARIANT* dest, const VARIANT* src, std::uint16_t flags, VARTYPE vt);
// True for the types VariantChangeType can produce.
PLATFORM_EXPORT bool IsSupportedVarType(VARTYPE vt);
PLATFORM_EXPORT const char* VarTypeName(VARTYPE vt);

// Owns one VARIANT and clears it when it goes.
class PLATFORM_EXPORT Variant : public VARIANT {
public:
    Variant() = default;
    Variant(std::int32_t value);
    Variant(std::uint32_t value);
    Variant(std::int16_t value);
    Variant(double value);
    Variant(bool value); // VT_BOOL, VARIANT_TRUE or VARIANT_FALSE
    Variant(std::string_view utf8);
    Variant(const char* utf8) : Variant(std::string_view(utf8)) {}
    Variant(std::u16string_view text);
    Variant(IDispatch* object); // adds a reference; null makes a null VT_DISPATCH
    static Variant boolean(VARIANT_BOOL raw);
    static Variant error(SCODE code);
    Variant(const Variant& other);
    Variant(const VARIANT& other);
    Variant& operator=(const Variant& other);
    ~Variant();

    // Converts a copy; the value converted in *out is owned by the caller.
    HRESULT changeType(VARTYPE type, Variant& out) const;
    std::string toUtf8() const; // VT_BSTR text, or the text form of other values ("" if none)
};

} // namespace plat::com
