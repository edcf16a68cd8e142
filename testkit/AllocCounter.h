#pragma once
#include <atomic>
#include <cstdint>

namespace bench {
// Calls of any global operator new so far, in any thread.
extern std::atomic<std::uint64_t> allocations;
}  // namespace bench
