#include "com/Persist.h"

#include "com/ComRuntime.h"
#include "common/ByteReader.h"

namespace plat::com {

namespace {

void putGuid(const GUID& g, std::uint8_t* b)
{
    for (int i = 0; i < 4; ++i)
        b[i] = static_cast<std::uint8_t>(g.Data1 >> (8 * i));
    b[4] = static_cast<std::uint8_t>(g.Data2);
    b[5] = static_cast<std::uint8_t>(g.Data2 >> 8);
    b[6] = static_cast<std::uint8_t>(g.Data3);
    b[7] = static_cast<std::uint8_t>(g.Data3 >> 8);
    for (int i = 0; i < 8; ++i)
        b[8 + i] = g.Data4[i];
}

GUID getGuid(const std::uint8_t* b)
{
    GUID g;
    ByteReader r(std::span(b, 16));
    g.Data1 = r.u32();
    g.Data2 = r.u16();
    g.Data3 = r.u16();
    for (auto& byte : g.Data4)
        byte = r.u8();
    return g;
}

} // namespace

HRESULT WriteClassStm(IStream* stream, REFCLSID clsid)
{
    std::uint8_t bytes[16];
    putGuid(clsid, bytes);
    return WriteExact(stream, bytes, sizeof bytes);
}

HRESULT ReadClassStm(IStream* stream, CLSID* clsid)
{
    if (!clsid)
        return E_POINTER;
    std::uint8_t bytes[16];
    if (HRESULT h = ReadExact(stream, bytes, sizeof bytes); FAILED(h))
        return h;
    *clsid = getGuid(bytes);
    return S_OK;
}

HRESULT OleSaveToStream(IUnknown* object, IStream* stream)
{
    if (!stream)
        return E_POINTER;
    if (!object)
        return WriteClassStm(stream, GUID_NULL);
    ComPtr<IUnknown> unknown(object);
    if (auto ps = unknown.as<IPersistStream>()) {
        CLSID clsid;
        if (HRESULT h = ps->GetClassID(&clsid); FAILED(h))
            return h;
        if (HRESULT h = WriteClassStm(stream, clsid); FAILED(h))
            return h;
        return ps->Save(stream, TRUE);
    }
    if (auto psi = unknown.as<IPersistStreamInit>()) {
        CLSID clsid;
        if (HRESULT h = psi->GetClassID(&clsid); FAILED(h))
            return h;
        if (HRESULT h = WriteClassStm(stream, clsid); FAILED(h))
            return h;
        return psi->Save(stream, TRUE);
    }
    return E_NOINTERFACE;
}

HRESULT OleLoadFromStream(IStream* stream, REFIID iid, void** out)
{
    if (!out)
        return E_POINTER;
    *out = nullptr;
    CLSID clsid;
    if (HRESULT h = ReadClassStm(stream, &clsid); FAILED(h))
        return h;
    if (clsid == GUID_NULL)
        return S_OK;
    ComPtr<IUnknown> object;
    if (HRESULT h = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, object.put_void()); FAILED(h))
        return h;
    HRESULT h = E_NOINTERFACE;
    if (auto ps = object.as<IPersistStream>())
        h = ps->Load(stream);
    else if (auto psi = object.as<IPersistStreamInit>())
        h = psi->Load(stream);
    if (FAILED(h))
        return h;
    return object->QueryInterface(iid, out);
}

} // namespace plat::com
