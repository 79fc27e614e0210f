// Streams and a minimal structured storage: a storage holds named stream
// elements. Reads at the end of a stream return what there is with S_FALSE
// (never a silent short success), so readers can tell a truncated stream.
#pragma once

#include "com/Unknown.h"

#include <string>

namespace plat::com {

// Access modes (STGM_*).
constexpr DWORD STGM_READ = 0x0;
constexpr DWORD STGM_WRITE = 0x1;
constexpr DWORD STGM_READWRITE = 0x2;
constexpr DWORD STGM_SHARE_DENY_NONE = 0x40;
constexpr DWORD STGM_SHARE_DENY_READ = 0x30;
constexpr DWORD STGM_SHARE_DENY_WRITE = 0x20;
constexpr DWORD STGM_SHARE_EXCLUSIVE = 0x10;
constexpr DWORD STGM_CREATE = 0x1000;

constexpr DWORD STREAM_SEEK_SET = 0;
constexpr DWORD STREAM_SEEK_CUR = 1;
constexpr DWORD STREAM_SEEK_END = 2;

struct STATSTG {
    std::string name;       // element name (UTF-8); empty for memory streams
    std::uint64_t size = 0; // bytes of a stream
    DWORD type = 0;         // STGTY_STREAM (2) or STGTY_STORAGE (1)
    DWORD mode = 0;
};
constexpr DWORD STGTY_STORAGE = 1;
constexpr DWORD STGTY_STREAM = 2;

struct ISequentialStream : IUnknown {
    static constexpr IID kIID = MakeGuid("0C733A30-2A1C-11CE-ADE5-00AA0044773D");
    // Reads up to cb bytes; *read (when given) gets the count. S_FALSE when fewer than cb.
    virtual HRESULT Read(void* buffer, ULONG cb, ULONG* read) = 0;
    // Writes all cb bytes or fails; *written gets the count.
    virtual HRESULT Write(const void* buffer, ULONG cb, ULONG* written) = 0;
};

struct IStream : ISequentialStream {
    static constexpr IID kIID = MakeGuid("0000000C-0000-0000-C000-000000000046");
    virtual HRESULT Seek(std::int64_t move, DWORD origin, std::uint64_t* newPosition) = 0;
    virtual HRESULT SetSize(std::uint64_t size) = 0;
    virtual HRESULT Commit(DWORD flags) = 0;
    virtual HRESULT Revert() = 0;
    virtual HRESULT Stat(STATSTG* stat, DWORD flags) = 0;
    virtual HRESULT Clone(IStream** out) = 0;
};
inline constexpr const IID& IID_IStream = IStream::kIID;

struct IStorage : IUnknown {
    static constexpr IID kIID = MakeGuid("0000000B-0000-0000-C000-000000000046");
    // Creates element name (replacing it with STGM_CREATE); STG_E_FILEALREADYEXISTS otherwise.
    virtual HRESULT CreateStream(const OLECHAR* name, DWORD mode, IStream** out) = 0;
    // Opens element name; STG_E_FILENOTFOUND when missing, STG_E_ACCESSDENIED
    // when it is open already and either side asks for exclusive access.
    virtual HRESULT OpenStream(const OLECHAR* name, DWORD mode, IStream** out) = 0;
    virtual HRESULT DestroyElement(const OLECHAR* name) = 0;
    virtual HRESULT Commit(DWORD flags) = 0;
    virtual HRESULT Revert() = 0;
    virtual HRESULT Stat(STATSTG* stat, DWORD flags) = 0;
    virtual HRESULT SetClass(REFCLSID clsid) = 0;
};
inline constexpr const IID& IID_IStorage = IStorage::kIID;

// Reads exactly cb bytes: S_OK, the stream's own failure, or STG_E_READFAULT
// when the stream ends first.
PLATFORM_EXPORT HRESULT ReadExact(ISequentialStream* stream, void* buffer, ULONG cb);
// Writes exactly cb bytes: S_OK, the stream's failure, or STG_E_WRITEFAULT.
PLATFORM_EXPORT HRESULT WriteExact(ISequentialStream* stream, const void* buffer, ULONG cb);

} // namespace plat::com
