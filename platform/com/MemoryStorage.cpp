#include "com/MemoryStorage.h"

#include "com/Bstr.h"
#include "com/MemoryStream.h"
#include "com/RefCounted.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>

namespace plat::com {

namespace {

constexpr std::size_t kMaxElementName = 31;

struct Element {
    std::shared_ptr<std::vector<std::uint8_t>> data = std::make_shared<std::vector<std::uint8_t>>();
    int openCount = 0;
    bool exclusive = false;
};

class MemoryStorage;

// A stream element: works on the element's bytes and tells the storage when released.
class ElementStream final : public IStream, public RefCounted<ElementStream> {
public:
    ElementStream(MemoryStorage* storage, std::string name, ComPtr<IStream> inner, bool writable);
    ~ElementStream();

    HRESULT QueryInterface(REFIID iid, void** out) override
    {
        return queryInterfaces<IStream, ISequentialStream>(this, iid, out);
    }
    ULONG AddRef() override { return addRef(); }
    ULONG Release() override { return release(); }

    HRESULT Read(void* b, ULONG cb, ULONG* read) override { return inner_->Read(b, cb, read); }
    HRESULT Write(const void* b, ULONG cb, ULONG* written) override
    {
        if (!writable_) {
            if (written)
                *written = 0;
            return STG_E_ACCESSDENIED;
        }
        return inner_->Write(b, cb, written);
    }
    HRESULT Seek(std::int64_t m, DWORD o, std::uint64_t* p) override { return inner_->Seek(m, o, p); }
    HRESULT SetSize(std::uint64_t s) override { return writable_ ? inner_->SetSize(s) : STG_E_ACCESSDENIED; }
    HRESULT Commit(DWORD) override { return S_OK; }
    HRESULT Revert() override { return S_OK; }
    HRESULT Stat(STATSTG* st, DWORD f) override
    {
        HRESULT h = inner_->Stat(st, f);
        if (SUCCEEDED(h))
            st->name = name_;
        return h;
    }
    HRESULT Clone(IStream**) override { return STG_E_INVALIDFUNCTION; }

private:
    MemoryStorage* storage_;
    std::string name_;
    ComPtr<IStream> inner_;
    bool writable_;
};

class MemoryStorage final : public IStorage, public RefCounted<MemoryStorage> {
public:
    HRESULT QueryInterface(REFIID iid, void** out) override { return queryInterfaces<IStorage>(this, iid, out); }
    ULONG AddRef() override { return addRef(); }
    ULONG Release() override { return release(); }

    HRESULT CreateStream(const OLECHAR* name, DWORD mode, IStream** out) override
    {
        if (!out)
            return STG_E_INVALIDPOINTER;
        *out = nullptr;
        std::string key;
        if (HRESULT h = checkName(name, key); FAILED(h))
            return h;
        std::lock_guard lock(mutex_);
        auto it = elements_.find(key);
        if (it != elements_.end()) {
            if (!(mode & STGM_CREATE))
                return STG_E_FILEALREADYEXISTS;
            if (it->second.openCount)
                return STG_E_ACCESSDENIED;
            elements_.erase(it);
        }
        Element& e = elements_[key];
        return open(key, e, mode, out);
    }

    HRESULT OpenStream(const OLECHAR* name, DWORD mode, IStream** out) override
    {
        if (!out)
            return STG_E_INVALIDPOINTER;
        *out = nullptr;
        std::string key;
        if (HRESULT h = checkName(name, key); FAILED(h))
            return h;
        if (mode & STGM_CREATE)
            return STG_E_INVALIDFLAG;
        std::lock_guard lock(mutex_);
        auto it = elements_.find(key);
        if (it == elements_.end())
            return STG_E_FILENOTFOUND;
        return open(key, it->second, mode, out);
    }

    HRESULT DestroyElement(const OLECHAR* name) override
    {
        std::string key;
        if (HRESULT h = checkName(name, key); FAILED(h))
            return h;
        std::lock_guard lock(mutex_);
        auto it = elements_.find(key);
        if (it == elements_.end())
            return STG_E_FILENOTFOUND;
        if (it->second.openCount)
            return STG_E_ACCESSDENIED;
        elements_.erase(it);
        return S_OK;
    }

    HRESULT Commit(DWORD) override { return S_OK; }
    HRESULT Revert() override { return S_OK; }
    HRESULT Stat(STATSTG* st, DWORD) override
    {
        if (!st)
            return STG_E_INVALIDPOINTER;
        *st = STATSTG{};
        st->type = STGTY_STORAGE;
        return S_OK;
    }
    HRESULT SetClass(REFCLSID clsid) override
    {
        clsid_ = clsid;
        return S_OK;
    }

    void closed(const std::string& name)
    {
        std::lock_guard lock(mutex_);
        auto it = elements_.find(name);
        if (it != elements_.end() && it->second.openCount > 0 && --it->second.openCount == 0)
            it->second.exclusive = false;
    }

private:
    static HRESULT checkName(const OLECHAR* name, std::string& key)
    {
        if (!name)
            return STG_E_INVALIDPOINTER;
        std::u16string_view n(name);
        if (n.empty() || n.size() > kMaxElementName)
            return STG_E_INVALIDNAME;
        for (char16_t c : n)
            if (c == u'\\' || c == u'/' || c == u':' || c == u'!')
                return STG_E_INVALIDNAME;
        key = Utf8FromUtf16(n);
        return S_OK;
    }

    HRESULT open(const std::string& key, Element& e, DWORD mode, IStream** out)
    {
        bool exclusive = (mode & 0x70) == STGM_SHARE_EXCLUSIVE;
        if (e.openCount && (exclusive || e.exclusive))
            return STG_E_ACCESSDENIED;
        ComPtr<IStream> shared = shareBytes(e);
        bool writable = (mode & 0x3) == STGM_WRITE || (mode & 0x3) == STGM_READWRITE;
        ++e.openCount;
        e.exclusive = exclusive;
        *out = new ElementStream(this, key, shared, writable);
        return S_OK;
    }

    static ComPtr<IStream> shareBytes(Element& e);

    std::mutex mutex_;
    std::map<std::string, Element> elements_;
    CLSID clsid_{};
};

ComPtr<IStream> MemoryStorage::shareBytes(Element& e) { return CreateSharedMemoryStream(e.data); }

ElementStream::ElementStream(MemoryStorage* storage, std::string name, ComPtr<IStream> inner, bool writable)
    : storage_(storage), name_(std::move(name)), inner_(std::move(inner)), writable_(writable)
{
    storage_->AddRef();
}

ElementStream::~ElementStream()
{
    storage_->closed(name_);
    storage_->Release();
}

} // namespace

ComPtr<IStorage> CreateMemoryStorage() { return ComPtr<IStorage>::attach(new MemoryStorage); }

} // namespace plat::com
