#include "com/MemoryStream.h"

#include "com/RefCounted.h"

#include <algorithm>
#include <cstring>
#include <memory>

namespace plat::com {

namespace {

class MemoryStream final : public IStream, public RefCounted<MemoryStream> {
public:
    explicit MemoryStream(std::shared_ptr<std::vector<std::uint8_t>> data) : data_(std::move(data)) {}

    HRESULT QueryInterface(REFIID iid, void** out) override
    {
        return queryInterfaces<IStream, ISequentialStream>(this, iid, out);
    }
    ULONG AddRef() override { return addRef(); }
    ULONG Release() override { return release(); }

    HRESULT Read(void* buffer, ULONG cb, ULONG* read) override
    {
        if (read)
            *read = 0;
        if (!buffer && cb)
            return STG_E_INVALIDPOINTER;
        std::uint64_t available = pos_ < data_->size() ? data_->size() - pos_ : 0;
        ULONG n = static_cast<ULONG>(std::min<std::uint64_t>(cb, available));
        if (n)
            std::memcpy(buffer, data_->data() + pos_, n);
        pos_ += n;
        if (read)
            *read = n;
        return n == cb ? S_OK : S_FALSE;
    }

    HRESULT Write(const void* buffer, ULONG cb, ULONG* written) override
    {
        if (written)
            *written = 0;
        if (!buffer && cb)
            return STG_E_INVALIDPOINTER;
        if (pos_ + cb > kMaxMemoryStreamSize)
            return STG_E_MEDIUMFULL;
        if (pos_ + cb > data_->size())
            data_->resize(pos_ + cb);
        if (cb)
            std::memcpy(data_->data() + pos_, buffer, cb);
        pos_ += cb;
        if (written)
            *written = cb;
        return S_OK;
    }

    HRESULT Seek(std::int64_t move, DWORD origin, std::uint64_t* newPosition) override
    {
        std::int64_t base = origin == STREAM_SEEK_SET ? 0
            : origin == STREAM_SEEK_CUR               ? static_cast<std::int64_t>(pos_)
            : origin == STREAM_SEEK_END               ? static_cast<std::int64_t>(data_->size())
                                                      : -1;
        if (base < 0)
            return STG_E_INVALIDFUNCTION;
        if ((move < 0 && -move > base) || (move > 0 && static_cast<std::uint64_t>(move) > kMaxMemoryStreamSize))
            return STG_E_INVALIDFUNCTION;
        pos_ = static_cast<std::uint64_t>(base + move);
        if (newPosition)
            *newPosition = pos_;
        return S_OK;
    }

    HRESULT SetSize(std::uint64_t size) override
    {
        if (size > kMaxMemoryStreamSize)
            return STG_E_MEDIUMFULL;
        data_->resize(size);
        return S_OK;
    }
    HRESULT Commit(DWORD) override { return S_OK; }
    HRESULT Revert() override { return S_OK; }
    HRESULT Stat(STATSTG* stat, DWORD) override
    {
        if (!stat)
            return STG_E_INVALIDPOINTER;
        *stat = STATSTG{};
        stat->size = data_->size();
        stat->type = STGTY_STREAM;
        return S_OK;
    }
    HRESULT Clone(IStream** out) override
    {
        if (!out)
            return STG_E_INVALIDPOINTER;
        auto* clone = new MemoryStream(data_);
        clone->pos_ = pos_;
        *out = clone;
        return S_OK;
    }

    const std::vector<std::uint8_t>& bytes() const { return *data_; }

private:
    std::shared_ptr<std::vector<std::uint8_t>> data_;
    std::uint64_t pos_ = 0;
};

} // namespace

ComPtr<IStream> CreateMemoryStream(std::span<const std::uint8_t> initial)
{
    auto data = std::make_shared<std::vector<std::uint8_t>>(initial.begin(), initial.end());
    return ComPtr<IStream>::attach(new MemoryStream(std::move(data)));
}

ComPtr<IStream> CreateSharedMemoryStream(std::shared_ptr<std::vector<std::uint8_t>> data)
{
    return ComPtr<IStream>::attach(new MemoryStream(std::move(data)));
}

std::vector<std::uint8_t> MemoryStreamBytes(IStream* stream)
{
    // Copies through the interface, so any stream works; the position is kept.
    std::vector<std::uint8_t> out;
    if (!stream)
        return out;
    std::uint64_t pos = 0;
    STATSTG st;
    if (FAILED(stream->Seek(0, STREAM_SEEK_CUR, &pos)) || FAILED(stream->Stat(&st, 0))
        || st.size > kMaxMemoryStreamSize)
        return out;
    out.resize(st.size);
    ULONG read = 0;
    stream->Seek(0, STREAM_SEEK_SET, nullptr);
    stream->Read(out.data(), static_cast<ULONG>(out.size()), &read);
    out.resize(read);
    stream->Seek(static_cast<std::int64_t>(pos), STREAM_SEEK_SET, nullptr);
    return out;
}

HRESULT ReadExact(ISequentialStream* stream, void* buffer, ULONG cb)
{
    if (!stream)
        return E_POINTER;
    ULONG read = 0;
    HRESULT h = stream->Read(buffer, cb, &read);
    if (FAILED(h))
        return h;
    return read == cb ? S_OK : STG_E_READFAULT;
}

HRESULT WriteExact(ISequentialStream* stream, const void* buffer, ULONG cb)
{
    if (!stream)
        return E_POINTER;
    ULONG written = 0;
    HRESULT h = stream->Write(buffer, cb, &written);
    if (FAILED(h))
        return h;
    return written == cb ? S_OK : STG_E_WRITEFAULT;
}

} // namespace plat::com
