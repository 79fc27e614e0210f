#include "com/Variant.h"

#include "com/Dispatch.h"

#include <cctype>
#include <cerrno>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>

namespace plat::com {

namespace {

// A source value reduced to one of a few kinds, for conversion.
struct Scalar {
    enum Kind { Empty, Null, Error, Int, UInt, Real, Currency, Bool, Text, Object } kind = Empty;
    std::int64_t i = 0;  // Int, Currency (x 10000), Bool (-1 or 0)
    std::uint64_t u = 0; // UInt
    double d = 0;        // Real
    std::u16string text; // Text
    IUnknown* object = nullptr;
    bool isDate = false;
};

std::size_t sizeOfByRef(VARTYPE base)
{
    switch (base) {
    case VT_I1:
    case VT_UI1: return 1;
    case VT_I2:
    case VT_UI2:
    case VT_BOOL: return 2;
    case VT_I4:
    case VT_UI4:
    case VT_INT:
    case VT_UINT:
    case VT_R4:
    case VT_ERROR: return 4;
    case VT_I8:
    case VT_UI8:
    case VT_R8:
    case VT_CY:
    case VT_DATE: return 8;
    case VT_BSTR:
    case VT_UNKNOWN:
    case VT_DISPATCH: return sizeof(void*);
    default: return 0;
    }
}

// Resolves VT_BYREF (and VT_BYREF|VT_VARIANT) into a plain VARIANT that borrows.
HRESULT deref(const VARIANT& in, VARIANT& out)
{
    out = in;
    if (!(in.vt & VT_BYREF))
        return S_OK;
    VARTYPE base = in.vt & ~VT_BYREF;
    if (!in.byref)
        return E_POINTER;
    if (base == VT_VARIANT)
        return deref(*in.pvarVal, out);
    std::size_t n = sizeOfByRef(base);
    if (!n)
        return DISP_E_BADVARTYPE;
    out.vt = base;
    out.raw = 0;
    std::memcpy(&out.raw, in.byref, n);
    return S_OK;
}

HRESULT toScalar(const VARIANT& v, Scalar& s)
{
    switch (v.vt) {
    case VT_EMPTY: s.kind = Scalar::Empty; return S_OK;
    case VT_NULL: s.kind = Scalar::Null; return S_OK;
    case VT_ERROR:
        s.kind = Scalar::Error;
        s.i = v.scode;
        return S_OK;
    case VT_I1:
        s.kind = Scalar::Int;
        s.i = v.cVal;
        return S_OK;
    case VT_I2:
        s.kind = Scalar::Int;
        s.i = v.iVal;
        return S_OK;
    case VT_I4:
    case VT_INT:
        s.kind = Scalar::Int;
        s.i = v.lVal;
        return S_OK;
    case VT_I8:
        s.kind = Scalar::Int;
        s.i = v.llVal;
        return S_OK;
    case VT_UI1:
        s.kind = Scalar::UInt;
        s.u = v.bVal;
        return S_OK;
    case VT_UI2:
        s.kind = Scalar::UInt;
        s.u = v.uiVal;
        return S_OK;
    case VT_UI4:
    case VT_UINT:
        s.kind = Scalar::UInt;
        s.u = v.ulVal;
        return S_OK;
    case VT_UI8:
        s.kind = Scalar::UInt;
        s.u = v.ullVal;
        return S_OK;
    case VT_R4:
        s.kind = Scalar::Real;
        s.d = v.fltVal;
        return S_OK;
    case VT_R8:
        s.kind = Scalar::Real;
        s.d = v.dblVal;
        return S_OK;
    case VT_DATE:
        s.kind = Scalar::Real;
        s.d = v.date;
        s.isDate = true;
        return S_OK;
    case VT_CY:
        s.kind = Scalar::Currency;
        s.i = v.cyVal.int64;
        return S_OK;
    case VT_BOOL:
        s.kind = Scalar::Bool;
        s.i = v.boolVal ? -1 : 0;
        return S_OK;
    case VT_BSTR:
        s.kind = Scalar::Text;
        if (v.bstrVal)
            s.text.assign(v.bstrVal, SysStringLen(v.bstrVal));
        return S_OK;
    case VT_UNKNOWN:
        s.kind = Scalar::Object;
        s.object = v.punkVal;
        return S_OK;
    case VT_DISPATCH:
        s.kind = Scalar::Object;
        s.object = v.pdispVal;
        return S_OK;
    default: return DISP_E_BADVARTYPE;
    }
}

std::u16string trimmed(const std::u16string& t)
{
    std::size_t b = 0, e = t.size();
    while (b < e && (t[b] == u' ' || t[b] == u'\t'))
        ++b;
    while (e > b && (t[e - 1] == u' ' || t[e - 1] == u'\t'))
        --e;
    return t.substr(b, e - b);
}

// Parses a number as automation does in the English locale: optional sign,
// digits with an optional fraction and exponent, or &H / &O prefixed integers.
HRESULT parseNumber(const std::u16string& text, Scalar& out)
{
    std::u16string t = trimmed(text);
    if (t.empty() || t.size() > 400)
        return DISP_E_TYPEMISMATCH;
    std::string a;
    for (char16_t c : t) {
        if (c > 0x7f)
            return DISP_E_TYPEMISMATCH;
        a += static_cast<char>(c);
    }
    if (a.size() > 2 && a[0] == '&' && (a[1] == 'H' || a[1] == 'h' || a[1] == 'O' || a[1] == 'o')) {
        int base = (a[1] == 'H' || a[1] == 'h') ? 16 : 8;
        std::uint64_t v = 0;
        for (std::size_t i = 2; i < a.size(); ++i) {
            int d = std::isxdigit(static_cast<unsigned char>(a[i]))
                ? (std::isdigit(static_cast<unsigned char>(a[i])) ? a[i] - '0' : (std::tolower(a[i]) - 'a' + 10))
                : 99;
            if (d >= base)
                return DISP_E_TYPEMISMATCH;
            if (v > (std::numeric_limits<std::uint64_t>::max() >> (base == 16 ? 4 : 3)))
                return DISP_E_OVERFLOW;
            v = v * static_cast<std::uint64_t>(base) + static_cast<std::uint64_t>(d);
        }
        // Hex literals that fit in 16 or 32 bits read as signed values, as in the host's languages.
        out.kind = Scalar::Int;
        if (v <= 0xFFFF && a.size() <= 6)
            out.i = static_cast<std::int16_t>(v);
        else if (v <= 0xFFFFFFFFu)
            out.i = static_cast<std::int32_t>(v);
        else
            out.i = static_cast<std::int64_t>(v);
        return S_OK;
    }
    std::size_t i = 0;
    if (a[i] == '+' || a[i] == '-')
        ++i;
    bool digits = false, real = false;
    while (i < a.size() && std::isdigit(static_cast<unsigned char>(a[i])))
        ++i, digits = true;
    if (i < a.size() && a[i] == '.') {
        real = true;
        ++i;
        while (i < a.size() && std::isdigit(static_cast<unsigned char>(a[i])))
            ++i, digits = true;
    }
    if (!digits)
        return DISP_E_TYPEMISMATCH;
    if (i < a.size() && (a[i] == 'e' || a[i] == 'E')) {
        real = true;
        ++i;
        if (i < a.size() && (a[i] == '+' || a[i] == '-'))
            ++i;
        bool expDigits = false;
        while (i < a.size() && std::isdigit(static_cast<unsigned char>(a[i])))
            ++i, expDigits = true;
        if (!expDigits)
            return DISP_E_TYPEMISMATCH;
    }
    if (i != a.size())
        return DISP_E_TYPEMISMATCH;
    if (!real) {
        errno = 0;
        long long v = std::strtoll(a.c_str(), nullptr, 10);
        if (errno == 0) {
            out.kind = Scalar::Int;
            out.i = v;
            return S_OK;
        }
    }
    out.kind = Scalar::Real;
    out.d = std::strtod(a.c_str(), nullptr);
    if (!std::isfinite(out.d))
        return DISP_E_OVERFLOW;
    return S_OK;
}

// Integer value of s, rounding reals and currency half to even.
HRESULT toInteger(const Scalar& s, std::int64_t min, std::uint64_t max, std::int64_t& outSigned,
                  std::uint64_t& outUnsigned, bool& negative)
{
    negative = false;
    switch (s.kind) {
    case Scalar::Empty:
        outSigned = 0;
        outUnsigned = 0;
        return S_OK;
    case Scalar::Int:
    case Scalar::Bool:
        if (s.i < 0) {
            if (s.i < min)
                return DISP_E_OVERFLOW;
            negative = true;
            outSigned = s.i;
            return S_OK;
        }
        if (static_cast<std::uint64_t>(s.i) > max)
            return DISP_E_OVERFLOW;
        outSigned = s.i;
        outUnsigned = static_cast<std::uint64_t>(s.i);
        return S_OK;
    case Scalar::UInt:
        if (s.u > max)
            return DISP_E_OVERFLOW;
        outUnsigned = s.u;
        outSigned = static_cast<std::int64_t>(s.u);
        return S_OK;
    case Scalar::Currency: {
        Scalar r;
        r.kind = Scalar::Int;
        std::int64_t q = s.i / 10000, rem = s.i % 10000;
        if (rem > 5000 || (rem == 5000 && (q & 1)))
            ++q;
        else if (rem < -5000 || (rem == -5000 && (q & 1)))
            --q;
        r.i = q;
        return toInteger(r, min, max, outSigned, outUnsigned, negative);
    }
    case Scalar::Real: {
        if (!std::isfinite(s.d))
            return DISP_E_OVERFLOW;
        double r = std::nearbyint(s.d); // the default rounding mode is half to even
        if (r < static_cast<double>(min) || r > static_cast<double>(max) || r >= 9.2233720368547758e18)
            return DISP_E_OVERFLOW;
        Scalar i;
        i.kind = Scalar::Int;
        i.i = static_cast<std::int64_t>(r);
        return toInteger(i, min, max, outSigned, outUnsigned, negative);
    }
    case Scalar::Text: {
        Scalar n;
        if (HRESULT h = parseNumber(s.text, n); FAILED(h))
            return h;
        return toInteger(n, min, max, outSigned, outUnsigned, negative);
    }
    default: return DISP_E_TYPEMISMATCH;
    }
}

HRESULT toReal(const Scalar& s, double& out)
{
    switch (s.kind) {
    case Scalar::Empty: out = 0; return S_OK;
    case Scalar::Int:
    case Scalar::Bool: out = static_cast<double>(s.i); return S_OK;
    case Scalar::UInt: out = static_cast<double>(s.u); return S_OK;
    case Scalar::Currency: out = static_cast<double>(s.i) / 10000.0; return S_OK;
    case Scalar::Real: out = s.d; return S_OK;
    case Scalar::Text: {
        Scalar n;
        if (HRESULT h = parseNumber(s.text, n); FAILED(h))
            return h;
        return toReal(n, out);
    }
    default: return DISP_E_TYPEMISMATCH;
    }
}

HRESULT toBool(const Scalar& s, VARIANT_BOOL& out)
{
    if (s.kind == Scalar::Text) {
        std::u16string t = trimmed(s.text);
        std::string a;
        for (char16_t c : t)
            a += static_cast<char>(c < 0x80 ? std::tolower(static_cast<int>(c)) : '?');
        if (a == "true" || a == "#true#") {
            out = VARIANT_TRUE;
            return S_OK;
        }
        if (a == "false" || a == "#false#") {
            out = VARIANT_FALSE;
            return S_OK;
        }
    }
    if (s.kind == Scalar::Real || s.kind == Scalar::Text) {
        double d;
        if (HRESULT h = toReal(s, d); FAILED(h))
            return h;
        out = d != 0 ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    }
    switch (s.kind) {
    case Scalar::Empty: out = VARIANT_FALSE; return S_OK;
    case Scalar::Int:
    case Scalar::Bool:
    case Scalar::Currency: out = s.i ? VARIANT_TRUE : VARIANT_FALSE; return S_OK;
    case Scalar::UInt: out = s.u ? VARIANT_TRUE : VARIANT_FALSE; return S_OK;
    default: return DISP_E_TYPEMISMATCH;
    }
}

HRESULT toText(const Scalar& s, std::string& out)
{
    char buf[64];
    switch (s.kind) {
    case Scalar::Empty: out.clear(); return S_OK;
    case Scalar::Int: out = std::to_string(s.i); return S_OK;
    case Scalar::UInt: out = std::to_string(s.u); return S_OK;
    case Scalar::Bool: out = s.i ? "True" : "False"; return S_OK;
    case Scalar::Real:
        std::snprintf(buf, sizeof buf, "%.15G", s.d);
        out = buf;
        return S_OK;
    case Scalar::Currency: {
        std::int64_t whole = s.i / 10000;
        std::int64_t frac = s.i % 10000;
        out = (s.i < 0 && whole == 0 ? "-" : "") + std::to_string(whole);
        if (frac) {
            std::snprintf(buf, sizeof buf, "%04lld", static_cast<long long>(frac < 0 ? -frac : frac));
            std::string f = buf;
            while (!f.empty() && f.back() == '0')
                f.pop_back();
            out += "." + f;
        }
        return S_OK;
    }
    default: return DISP_E_TYPEMISMATCH;
    }
}

HRESULT convert(const Scalar& s, VARTYPE vt, VARIANT& out)
{
    out.raw = 0;
    out.vt = vt;
    std::int64_t si = 0;
    std::uint64_t ui = 0;
    bool neg = false;
    HRESULT h = S_OK;
    auto integer = [&](std::int64_t min, std::uint64_t max) { return toInteger(s, min, max, si, ui, neg); };
    switch (vt) {
    case VT_EMPTY:
    case VT_NULL: return S_OK;
    case VT_ERROR:
        if (s.kind != Scalar::Error)
            return DISP_E_TYPEMISMATCH;
        out.scode = static_cast<SCODE>(s.i);
        return S_OK;
    case VT_I1:
        h = integer(INT8_MIN, INT8_MAX);
        out.cVal = static_cast<std::int8_t>(si);
        return h;
    case VT_I2:
        h = integer(INT16_MIN, INT16_MAX);
        out.iVal = static_cast<std::int16_t>(si);
        return h;
    case VT_I4:
    case VT_INT:
        h = integer(INT32_MIN, INT32_MAX);
        out.lVal = static_cast<std::int32_t>(si);
        return h;
    case VT_I8:
        h = integer(INT64_MIN, INT64_MAX);
        out.llVal = si;
        return h;
    case VT_UI1:
        h = integer(0, UINT8_MAX);
        out.bVal = static_cast<std::uint8_t>(ui);
        return h;
    case VT_UI2:
        h = integer(0, UINT16_MAX);
        out.uiVal = static_cast<std::uint16_t>(ui);
        return h;
    case VT_UI4:
    case VT_UINT:
        h = integer(0, UINT32_MAX);
        out.ulVal = static_cast<std::uint32_t>(ui);
        return h;
    case VT_UI8:
        h = integer(0, UINT64_MAX);
        out.ullVal = ui;
        return h;
    case VT_R4: {
        double d;
        if (h = toReal(s, d); FAILED(h))
            return h;
        if (std::fabs(d) > FLT_MAX)
            return DISP_E_OVERFLOW;
        out.fltVal = static_cast<float>(d);
        return S_OK;
    }
    case VT_R8:
    case VT_DATE: {
        double d;
        if (h = toReal(s, d); FAILED(h))
            return h;
        out.dblVal = d;
        return S_OK;
    }
    case VT_CY: {
        if (s.kind == Scalar::Currency) {
            out.cyVal.int64 = s.i;
            return S_OK;
        }
        double d;
        if (h = toReal(s, d); FAILED(h))
            return h;
        double scaled = std::nearbyint(d * 10000.0);
        if (!std::isfinite(scaled) || std::fabs(scaled) >= 9.2233720368547758e18)
            return DISP_E_OVERFLOW;
        out.cyVal.int64 = static_cast<std::int64_t>(scaled);
        return S_OK;
    }
    case VT_BOOL: return toBool(s, out.boolVal);
    case VT_BSTR: {
        if (s.kind == Scalar::Text) {
            out.bstrVal = SysAllocStringLen(s.text.data(), static_cast<UINT>(s.text.size()));
            return out.bstrVal || s.text.empty() ? S_OK : E_OUTOFMEMORY;
        }
        std::string text;
        if (h = toText(s, text); FAILED(h))
            return h;
        out.bstrVal = BstrFromUtf8(text);
        return out.bstrVal ? S_OK : E_OUTOFMEMORY;
    }
    case VT_UNKNOWN:
    case VT_DISPATCH: {
        if (s.kind != Scalar::Object)
            return DISP_E_TYPEMISMATCH;
        if (!s.object)
            return S_OK; // a null reference stays null
        void* p = nullptr;
        if (FAILED(s.object->QueryInterface(vt == VT_UNKNOWN ? IID_IUnknown : IID_IDispatch, &p)))
            return DISP_E_TYPEMISMATCH;
        out.punkVal = static_cast<IUnknown*>(p);
        if (vt == VT_DISPATCH)
            out.pdispVal = static_cast<IDispatch*>(p);
        return S_OK;
    }
    default: return DISP_E_BADVARTYPE;
    }
}

} // namespace

bool IsSupportedVarType(VARTYPE vt)
{
    switch (vt) {
    case VT_EMPTY:
    case VT_NULL:
    case VT_I2:
    case VT_I4:
    case VT_R4:
    case VT_R8:
    case VT_CY:
    case VT_DATE:
    case VT_BSTR:
    case VT_DISPATCH:
    case VT_ERROR:
    case VT_BOOL:
    case VT_UNKNOWN:
    case VT_I1:
    case VT_UI1:
    case VT_UI2:
    case VT_UI4:
    case VT_I8:
    case VT_UI8:
    case VT_INT:
    case VT_UINT: return true;
    default: return false;
    }
}

const char* VarTypeName(VARTYPE vt)
{
    switch (vt) {
    case VT_EMPTY: return "VT_EMPTY";
    case VT_NULL: return "VT_NULL";
    case VT_I2: return "VT_I2";
    case VT_I4: return "VT_I4";
    case VT_R4: return "VT_R4";
    case VT_R8: return "VT_R8";
    case VT_CY: return "VT_CY";
    case VT_DATE: return "VT_DATE";
    case VT_BSTR: return "VT_BSTR";
    case VT_DISPATCH: return "VT_DISPATCH";
    case VT_ERROR: return "VT_ERROR";
    case VT_BOOL: return "VT_BOOL";
    case VT_VARIANT: return "VT_VARIANT";
    case VT_UNKNOWN: return "VT_UNKNOWN";
    case VT_I1: return "VT_I1";
    case VT_UI1: return "VT_UI1";
    case VT_UI2: return "VT_UI2";
    case VT_UI4: return "VT_UI4";
    case VT_I8: return "VT_I8";
    case VT_UI8: return "VT_UI8";
    case VT_INT: return "VT_INT";
    case VT_UINT: return "VT_UINT";
    case VT_VOID: return "VT_VOID";
    case VT_HRESULT: return "VT_HRESULT";
    default: return "VT_?";
    }
}

void VariantInit(VARIANT* v)
{
    v->vt = VT_EMPTY;
    v->wReserved1 = v->wReserved2 = v->wReserved3 = 0;
    v->raw = 0;
}

HRESULT VariantClear(VARIANT* v)
{
    if (!v)
        return E_INVALIDARG;
    switch (v->vt) {
    case VT_BSTR: SysFreeString(v->bstrVal); break;
    case VT_UNKNOWN:
        if (v->punkVal)
            v->punkVal->Release();
        break;
    case VT_DISPATCH:
        if (v->pdispVal)
            v->pdispVal->Release();
        break;
    default: break;
    }
    VariantInit(v);
    return S_OK;
}

HRESULT VariantCopy(VARIANT* dest, const VARIANT* src)
{
    if (!dest || !src)
        return E_INVALIDARG;
    if (dest == src)
        return S_OK;
    VARIANT copy = *src;
    if (src->vt == VT_BSTR && src->bstrVal) {
        copy.bstrVal = SysAllocStringLen(src->bstrVal, SysStringLen(src->bstrVal));
        if (!copy.bstrVal)
            return E_OUTOFMEMORY;
    } else if (src->vt == VT_UNKNOWN && src->punkVal) {
        src->punkVal->AddRef();
    } else if (src->vt == VT_DISPATCH && src->pdispVal) {
        src->pdispVal->AddRef();
    }
    VariantClear(dest);
    *dest = copy;
    return S_OK;
}

HRESULT VariantChangeType(VARIANT* dest, const VARIANT* src, std::uint16_t, VARTYPE vt)
{
    if (!dest || !src)
        return E_INVALIDARG;
    VARIANT plain;
    if (HRESULT h = deref(*src, plain); FAILED(h))
        return h;
    if (!IsSupportedVarType(vt))
        return DISP_E_BADVARTYPE;
    if (plain.vt == vt && vt != VT_BSTR && vt != VT_UNKNOWN && vt != VT_DISPATCH) {
        VARIANT copy = plain; // scalars copy as they are (VT_BOOL 1 stays 1)
        if (dest != src)
            VariantClear(dest);
        *dest = copy;
        return S_OK;
    }
    Scalar s;
    if (HRESULT h = toScalar(plain, s); FAILED(h))
        return h;
    if (s.kind == Scalar::Null && vt != VT_NULL && vt != VT_EMPTY)
        return DISP_E_TYPEMISMATCH;
    if (s.kind == Scalar::Error && vt != VT_ERROR)
        return DISP_E_TYPEMISMATCH;
    VARIANT out;
    VariantInit(&out);
    if (HRESULT h = convert(s, vt, out); FAILED(h))
        return h; // convert allocates only on success
    VariantClear(dest);
    *dest = out;
    return S_OK;
}

Variant::Variant(std::int32_t value)
{
    vt = VT_I4;
    lVal = value;
}
Variant::Variant(std::uint32_t value)
{
    vt = VT_UI4;
    ulVal = value;
}
Variant::Variant(std::int16_t value)
{
    vt = VT_I2;
    iVal = value;
}
Variant::Variant(double value)
{
    vt = VT_R8;
    dblVal = value;
}
Variant::Variant(bool value)
{
    vt = VT_BOOL;
    boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
}
Variant::Variant(std::string_view utf8)
{
    vt = VT_BSTR;
    bstrVal = BstrFromUtf8(utf8);
}
Variant::Variant(std::u16string_view text)
{
    vt = VT_BSTR;
    bstrVal = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
}
Variant::Variant(IDispatch* object)
{
    vt = VT_DISPATCH;
    pdispVal = object;
    if (object)
        object->AddRef();
}
Variant Variant::boolean(VARIANT_BOOL raw)
{
    Variant v;
    v.vt = VT_BOOL;
    v.boolVal = raw;
    return v;
}
Variant Variant::error(SCODE code)
{
    Variant v;
    v.vt = VT_ERROR;
    v.scode = code;
    return v;
}
Variant::Variant(const Variant& other) : Variant(static_cast<const VARIANT&>(other)) {}
Variant::Variant(const VARIANT& other) { VariantCopy(this, &other); }
Variant& Variant::operator=(const Variant& other)
{
    if (this != &other)
        VariantCopy(this, &other);
    return *this;
}
Variant::~Variant() { VariantClear(this); }

HRESULT Variant::changeType(VARTYPE type, Variant& out) const { return VariantChangeType(&out, this, 0, type); }

std::string Variant::toUtf8() const
{
    Variant text;
    if (FAILED(VariantChangeType(&text, this, 0, VT_BSTR)))
        return {};
    return Utf8FromBstr(text.bstrVal);
}

} // namespace plat::com
