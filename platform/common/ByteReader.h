// Little-endian reads over a span of untrusted bytes. A read past the end
// yields zero and marks the reader failed; the failure is sticky, so a record
// handler reads all its fields and checks ok() once before acting on them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

namespace plat {

class ByteReader {
public:
    explicit ByteReader(std::span<const std::uint8_t> data, std::size_t position = 0)
        : data_(data), pos_(position), ok_(position <= data.size())
    {
    }

    bool ok() const { return ok_; }
    std::size_t position() const { return pos_; }
    std::size_t size() const { return data_.size(); }
    std::size_t remaining() const { return ok_ && pos_ <= data_.size() ? data_.size() - pos_ : 0; }
    std::span<const std::uint8_t> data() const { return data_; }

    // True when count items of itemSize bytes lie ahead (no overflow).
    bool has(std::uint64_t count, std::uint64_t itemSize = 1) const
    {
        if (!ok_)
            return false;
        if (itemSize != 0 && count > remaining() / itemSize)
            return false;
        return true;
    }

    void seek(std::size_t position)
    {
        if (position > data_.size())
            ok_ = false;
        else
            pos_ = position;
    }

    void skip(std::size_t count)
    {
        if (count > remaining())
            ok_ = false;
        else
            pos_ += count;
    }

    std::uint8_t u8() { return static_cast<std::uint8_t>(read(1)); }
    std::uint16_t u16() { return static_cast<std::uint16_t>(read(2)); }
    std::int16_t i16() { return static_cast<std::int16_t>(read(2)); }
    std::uint32_t u32() { return static_cast<std::uint32_t>(read(4)); }
    std::int32_t i32() { return static_cast<std::int32_t>(static_cast<std::uint32_t>(read(4))); }
    float f32()
    {
        const std::uint32_t bits = u32();
        float value;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }

    // The next count bytes as a span (empty and failed when they are not there).
    std::span<const std::uint8_t> bytes(std::size_t count)
    {
        if (count > remaining()) {
            ok_ = false;
            return {};
        }
        auto out = data_.subspan(pos_, count);
        pos_ += count;
        return out;
    }

private:
    std::uint64_t read(int width)
    {
        if (static_cast<std::size_t>(width) > remaining()) {
            ok_ = false;
            return 0;
        }
        std::uint64_t value = 0;
        for (int i = 0; i < width; ++i)
            value |= static_cast<std::uint64_t>(data_[pos_ + static_cast<std::size_t>(i)]) << (8 * i);
        pos_ += static_cast<std::size_t>(width);
        return value;
    }

    std::span<const std::uint8_t> data_;
    std::size_t pos_ = 0;
    bool ok_ = true;
};

} // namespace plat
