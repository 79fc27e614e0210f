// The control's persistence: the property stream, and the same stream as the
// "Contents" element of a structured storage.
#include "control/Pictafor.h"

#include "control/PropertyStream.h"

namespace pictaf {

namespace {

constexpr OLECHAR kContents[] = u"Contents";

} // namespace

HRESULT Pictafor::GetClassID(CLSID* clsid)
{
    if (!clsid)
        return E_POINTER;
    *clsid = CLSID_Pictafor;
    return S_OK;
}

HRESULT Pictafor::IsDirty()
{
    // Nothing sets the needs-saving flag, so the control never has unsaved changes.
    return needsSaving_ ? S_OK : S_FALSE;
}

HRESULT Pictafor::Save(IStream* stream, BOOL)
{
    if (!stream)
        return E_POINTER;
    // Read through our own dispatch interface, as every reader of the list does.
    HRESULT h =
        PropertyStream::save(stream, static_cast<IPictaform*>(this), extent_, PropertyStream::pictaforProperties());
    if (SUCCEEDED(h))
        needsSaving_ = false;
    return h;
}

HRESULT Pictafor::Load(IStream* stream)
{
    if (!stream)
        return E_POINTER;
    return PropertyStream::load(stream, static_cast<IPictaform*>(this), extent_, PropertyStream::pictaforProperties());
}

HRESULT Pictafor::InitNew()
{
    sendOnDataChange(); // the defaults stay
    return S_OK;
}

HRESULT Pictafor::InitNew(IStorage*) { return InitNew(); }

HRESULT Pictafor::Load(IStorage* storage)
{
    if (!storage)
        return E_POINTER;
    ComPtr<IStream> stream;
    if (HRESULT h = storage->OpenStream(kContents, STGM_READ | STGM_SHARE_EXCLUSIVE, stream.put()); FAILED(h))
        return h;
    return Load(stream.get());
}

HRESULT Pictafor::Save(IStorage* storage, BOOL)
{
    if (!storage)
        return E_POINTER;
    ComPtr<IStream> stream;
    if (HRESULT h = storage->CreateStream(kContents, STGM_READWRITE | STGM_SHARE_EXCLUSIVE | STGM_CREATE, stream.put());
        FAILED(h))
        return h;
    return Save(stream.get(), TRUE);
}

void Pictafor::sendOnDataChange()
{
    auto sinks = dataSinks_; // a sink may unadvise while being told
    for (auto& [connection, sink] : sinks)
        sink->OnDataChange(nullptr, nullptr);
}

HRESULT Pictafor::DAdvise(FORMATETC*, DWORD, IAdviseSink* sink, DWORD* connection)
{
    if (!sink || !connection)
        return E_POINTER;
    *connection = nextConnection_++;
    dataSinks_.emplace_back(*connection, ComPtr<IAdviseSink>(sink));
    return S_OK;
}

HRESULT Pictafor::DUnadvise(DWORD connection)
{
    for (auto it = dataSinks_.begin(); it != dataSinks_.end(); ++it)
        if (it->first == connection) {
            dataSinks_.erase(it);
            return S_OK;
        }
    return OLE_E_NOCONNECTION;
}

} // namespace pictaf
