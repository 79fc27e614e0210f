// Where writers put their bytes. A failed write makes the sink fail for
// good: later writes are dropped and finish() reports it, so a short write is
// never reported as success.
#pragma once

#include "engine/Status.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace pictaf {

class ByteSink {
public:
    virtual ~ByteSink();
    void write(const std::uint8_t* data, std::size_t count)
    {
        if (!failed_) {
            put(data, count);
            written_ += count;
        }
    }
    void writeByte(std::uint8_t b) { write(&b, 1); }
    void write16(std::uint32_t v)
    {
        const std::uint8_t b[2] = {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8)};
        write(b, 2);
    }
    void write32(std::uint32_t v)
    {
        write16(v & 0xffff);
        write16(v >> 16);
    }
    bool failed() const { return failed_; }
    // Bytes handed to the sink so far (those of a failed write included).
    std::uint64_t written() const { return written_; }

protected:
    virtual void put(const std::uint8_t* data, std::size_t count) = 0;
    void fail() { failed_ = true; }

private:
    bool failed_ = false;
    std::uint64_t written_ = 0;
};

class MemorySink final : public ByteSink {
public:
    const std::vector<std::uint8_t>& bytes() const { return bytes_; }
    // The bytes, moved out; the sink is empty afterwards.
    std::vector<std::uint8_t> take()
    {
        std::vector<std::uint8_t> out;
        out.swap(bytes_);
        return out;
    }

protected:
    void put(const std::uint8_t* data, std::size_t count) override { bytes_.insert(bytes_.end(), data, data + count); }

private:
    std::vector<std::uint8_t> bytes_;
};

} // namespace pictaf
