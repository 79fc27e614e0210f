#include "control/PropertyStream.h"

#include "control/IPictaform.h"

#include <com/DispatchHelpers.h>
#include <com/Persist.h>
#include <common/ByteReader.h>

#include <cstring>
#include <string>

namespace pictaf {

using namespace plat::com;

namespace {

constexpr PropertyEntry kPictaforProperties[] = {
    {"About", 0, &CLSID_About},
    {"Type", DISPID_Type, nullptr},
    {"Transparent", DISPID_Transparent, nullptr},
    {"Interlaced", DISPID_Interlaced, nullptr},
    {"BgColor", DISPID_BgColor, nullptr},
};

HRESULT writeU32(IStream* s, std::uint32_t v)
{
    std::uint8_t b[4] = {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
                         static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 24)};
    return WriteExact(s, b, 4);
}

HRESULT readU32(IStream* s, std::uint32_t& v)
{
    std::uint8_t b[4];
    if (HRESULT h = ReadExact(s, b, 4); FAILED(h))
        return h;
    v = plat::ByteReader(b).u32();
    return S_OK;
}

// Bytes of the fixed-size value behind a tag; 0 for records of other forms.
std::size_t fixedSize(VARTYPE tag)
{
    switch (tag) {
    case VT_I1:
    case VT_UI1: return 1;
    case VT_I2:
    case VT_BOOL:
    case VT_UI2: return 2;
    case VT_I4:
    case VT_R4:
    case VT_ERROR:
    case VT_UI4:
    case VT_INT:
    case VT_UINT: return 4;
    case VT_R8:
    case VT_CY:
    case VT_DATE: return 8;
    default: return 0;
    }
}

HRESULT writeString(IStream* s, BSTR text)
{
    if (!text)
        return writeU32(s, 0);
    const std::uint32_t bytes = SysStringByteLen(text) + sizeof(OLECHAR);
    if (HRESULT h = writeU32(s, bytes); FAILED(h))
        return h;
    return WriteExact(s, text, bytes); // the BSTR's own terminator is the last character
}

HRESULT readString(IStream* s, BSTR& out)
{
    out = nullptr;
    std::uint32_t bytes = 0;
    if (HRESULT h = readU32(s, bytes); FAILED(h))
        return h;
    if (bytes == 0)
        return S_OK; // a null string
    if (bytes % sizeof(OLECHAR) != 0 || bytes > PropertyStream::kMaxStringBytes)
        return E_FAIL;
    // Grow with what actually arrives: a count larger than the stream must not
    // become an allocation.
    std::u16string text;
    std::uint32_t remaining = bytes;
    char16_t chunk[4096];
    while (remaining) {
        ULONG n = std::min<std::uint32_t>(remaining, sizeof chunk);
        if (HRESULT h = ReadExact(s, chunk, n); FAILED(h))
            return h;
        text.append(chunk, n / sizeof(OLECHAR));
        remaining -= n;
    }
    if (text.back() != u'\0')
        return E_FAIL; // the count must take in the terminator
    text.pop_back();
    out = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    return out ? S_OK : E_OUTOFMEMORY;
}

} // namespace

std::span<const PropertyEntry> PropertyStream::pictaforProperties() { return kPictaforProperties; }

HRESULT PropertyStream::writeValue(IStream* stream, const VARIANT& value)
{
    const VARTYPE tag = value.vt;
    if (HRESULT h = WriteExact(stream, &tag, 2); FAILED(h))
        return h;
    if (std::size_t n = fixedSize(tag)) {
        std::uint8_t bytes[8];
        std::memcpy(bytes, &value.raw, n); // little-endian, as the union holds it here
        return WriteExact(stream, bytes, static_cast<ULONG>(n));
    }
    if (tag == VT_UNKNOWN || tag == VT_DISPATCH)
        return OleSaveToStream(value.punkVal, stream);
    if (tag == VT_BSTR)
        return writeString(stream, value.bstrVal);
    // Any other type travels as its text, tagged with its own type.
    Variant text;
    if (HRESULT h = VariantChangeType(&text, &value, 0, VT_BSTR); FAILED(h))
        return h;
    return writeString(stream, text.bstrVal);
}

HRESULT PropertyStream::readValue(IStream* stream, Variant& value)
{
    VariantClear(&value);
    std::uint8_t tagBytes[2];
    if (HRESULT h = ReadExact(stream, tagBytes, 2); FAILED(h))
        return h;
    const VARTYPE tag = plat::ByteReader(tagBytes).u16();
    if (std::size_t n = fixedSize(tag)) {
        std::uint8_t bytes[8] = {};
        if (HRESULT h = ReadExact(stream, bytes, static_cast<ULONG>(n)); FAILED(h))
            return h;
        value.raw = 0;
        std::memcpy(&value.raw, bytes, n);
        value.vt = tag;
        return S_OK;
    }
    if (tag == VT_UNKNOWN || tag == VT_DISPATCH) {
        CLSID clsid;
        if (HRESULT h = ReadClassStm(stream, &clsid); FAILED(h))
            return h;
        if (!(clsid == GUID_NULL))
            return E_FAIL;
        value.vt = tag;
        value.punkVal = nullptr;
        return S_OK;
    }
    BSTR text = nullptr;
    if (HRESULT h = readString(stream, text); FAILED(h))
        return h;
    value.vt = VT_BSTR;
    value.bstrVal = text;
    if (tag == VT_BSTR)
        return S_OK;
    return VariantChangeType(&value, &value, 0, tag);
}

HRESULT PropertyStream::save(IStream* stream, IDispatch* object, const SIZEL& extent,
                             std::span<const PropertyEntry> properties)
{
    if (!stream || !object)
        return E_POINTER;
    if (HRESULT h = writeU32(stream, kVersion); FAILED(h))
        return h;
    if (HRESULT h = writeU32(stream, static_cast<std::uint32_t>(extent.cx)); FAILED(h))
        return h;
    if (HRESULT h = writeU32(stream, static_cast<std::uint32_t>(extent.cy)); FAILED(h))
        return h;
    for (const PropertyEntry& p : properties) {
        if (p.page)
            continue;
        Variant value;
        if (FAILED(DispatchGetProperty(object, p.dispid, value)))
            return E_FAIL;
        if (HRESULT h = writeValue(stream, value); FAILED(h))
            return h;
    }
    return S_OK;
}

HRESULT PropertyStream::load(IStream* stream, IDispatch* object, SIZEL& extent,
                             std::span<const PropertyEntry> properties)
{
    if (!stream || !object)
        return E_POINTER;
    std::uint32_t version = 0;
    if (HRESULT h = readU32(stream, version); FAILED(h))
        return h;
    // A newer version keeps the extent and reads its records straight after
    // the version word, as the format has always been read.
    if (version <= kVersion) {
        std::uint32_t cx = 0, cy = 0;
        if (HRESULT h = readU32(stream, cx); FAILED(h))
            return h;
        if (HRESULT h = readU32(stream, cy); FAILED(h))
            return h;
        extent.cx = static_cast<LONG>(cx);
        extent.cy = static_cast<LONG>(cy);
    }
    for (const PropertyEntry& p : properties) {
        if (p.page)
            continue;
        Variant value;
        if (HRESULT h = readValue(stream, value); FAILED(h))
            return h;
        if (FAILED(DispatchPutProperty(object, p.dispid, value)))
            return E_FAIL;
    }
    return S_OK;
}

} // namespace pictaf
