// Memory shared by the conversions of one run. Each conversion reserves what
// it will need at its peak before it decodes anything; a reservation larger
// than everything the machine can spare is refused at once, a smaller one
// waits until running conversions have given enough back.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace pictaf::convert {

class MemoryGate {
public:
    explicit MemoryGate(std::uint64_t total) : total_(total) {}

    std::uint64_t total() const { return total_; }

    // False (nothing reserved) when bytes exceeds the total.
    bool acquire(std::uint64_t bytes)
    {
        if (bytes > total_)
            return false;
        std::unique_lock lock(mutex_);
        freed_.wait(lock, [&] { return used_ + bytes <= total_; });
        used_ += bytes;
        return true;
    }

    void release(std::uint64_t bytes)
    {
        {
            std::lock_guard lock(mutex_);
            used_ -= bytes;
        }
        freed_.notify_all();
    }

private:
    const std::uint64_t total_;
    std::uint64_t used_ = 0;
    std::mutex mutex_;
    std::condition_variable freed_;
};

// Holds a reservation for one scope.
class MemoryReservation {
public:
    MemoryReservation(MemoryGate& gate) : gate_(gate) {}
    ~MemoryReservation()
    {
        if (bytes_ != 0)
            gate_.release(bytes_);
    }
    MemoryReservation(const MemoryReservation&) = delete;
    MemoryReservation& operator=(const MemoryReservation&) = delete;

    bool take(std::uint64_t bytes)
    {
        if (!gate_.acquire(bytes))
            return false;
        bytes_ += bytes;
        return true;
    }

private:
    MemoryGate& gate_;
    std::uint64_t bytes_ = 0;
};

} // namespace pictaf::convert
