// Persistence interfaces, and the platform's standard form of an object in a
// stream: its 16-byte class identifier (little-endian fields), then whatever
// the object writes itself. A missing object is a null class identifier.
#pragma once

#include "com/ComPtr.h"
#include "com/Stream.h"

namespace plat::com {

struct IPersist : IUnknown {
    static constexpr IID kIID = MakeGuid("0000010C-0000-0000-C000-000000000046");
    virtual HRESULT GetClassID(CLSID* clsid) = 0;
};

struct IPersistStream : IPersist {
    static constexpr IID kIID = MakeGuid("00000109-0000-0000-C000-000000000046");
    virtual HRESULT IsDirty() = 0;
    virtual HRESULT Load(IStream* stream) = 0;
    virtual HRESULT Save(IStream* stream, BOOL clearDirty) = 0;
    virtual HRESULT GetSizeMax(std::uint64_t* size) = 0;
};

struct IPersistStreamInit : IPersist {
    static constexpr IID kIID = MakeGuid("7FD52380-4E07-101B-AE2D-08002B2EC713");
    virtual HRESULT IsDirty() = 0;
    virtual HRESULT Load(IStream* stream) = 0;
    virtual HRESULT Save(IStream* stream, BOOL clearDirty) = 0;
    virtual HRESULT GetSizeMax(std::uint64_t* size) = 0;
    virtual HRESULT InitNew() = 0;
};

struct IPersistStorage : IPersist {
    static constexpr IID kIID = MakeGuid("0000010A-0000-0000-C000-000000000046");
    virtual HRESULT IsDirty() = 0;
    virtual HRESULT InitNew(IStorage* storage) = 0;
    virtual HRESULT Load(IStorage* storage) = 0;
    virtual HRESULT Save(IStorage* storage, BOOL sameAsLoad) = 0;
    virtual HRESULT SaveCompleted(IStorage* storage) = 0;
    virtual HRESULT HandsOffStorage() = 0;
};

PLATFORM_EXPORT HRESULT WriteClassStm(IStream* stream, REFCLSID clsid);
PLATFORM_EXPORT HRESULT ReadClassStm(IStream* stream, CLSID* clsid);
// Writes the object's class identifier and its own stream (IPersistStream or
// IPersistStreamInit); a null object writes a null class identifier.
PLATFORM_EXPORT HRESULT OleSaveToStream(IUnknown* object, IStream* stream);
// Reads the class identifier, creates that class through the registry and
// loads it from the stream; a null class identifier yields a null object and S_OK.
PLATFORM_EXPORT HRESULT OleLoadFromStream(IStream* stream, REFIID iid, void** out);

} // namespace plat::com
