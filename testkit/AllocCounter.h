#pragma once
// A count of the global operator new calls of the whole process, the plugin
// library and the SDK layer included, so that a frame that allocates shows
// it. Linking the object library trimsight_alloc_counter replaces operator
// new and delete in the program; only the benchmark and tests that check for
// allocations link it.
#include <atomic>
#include <cstdint>

namespace testkit {
// Calls of any global operator new so far, in any thread.
extern std::atomic<std::uint64_t> allocations;
}  // namespace testkit
