// A stream over memory (CreateStreamOnHGlobal's counterpart). Writes grow it
// up to kMaxMemoryStreamSize; beyond that they fail with STG_E_MEDIUMFULL.
//
//   ComPtr<IStream> stream = CreateMemoryStream(bytes);   // positioned at 0
//   control.as<IPersistStreamInit>()->Load(stream.get());
//   std::vector<std::uint8_t> saved = MemoryStreamBytes(stream.get());
#pragma once

#include "com/ComPtr.h"
#include "com/Stream.h"

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace plat::com {

constexpr std::uint64_t kMaxMemoryStreamSize = 1u << 30;

PLATFORM_EXPORT ComPtr<IStream> CreateMemoryStream(std::span<const std::uint8_t> initial = {});
// A stream over bytes shared with others (each stream has its own position).
PLATFORM_EXPORT ComPtr<IStream> CreateSharedMemoryStream(std::shared_ptr<std::vector<std::uint8_t>> data);
// The whole content of any stream, read without moving its position.
PLATFORM_EXPORT std::vector<std::uint8_t> MemoryStreamBytes(IStream* stream);

} // namespace plat::com
