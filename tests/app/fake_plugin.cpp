// Broken plugin libraries the host program must refuse cleanly.
// FAKE_VARIANT 1: a record with the wrong API version.
// FAKE_VARIANT 2: a good record, but no exported getPlugin / deleteMe.
// FAKE_VARIANT 3: no record at all.
// FAKE_VARIANT 4: a good record and entry points; creating gives a null pointer.
// FAKE_VARIANT 5: the same, but creating gives an empty shared pointer.
#include "host/Plugin.h"

namespace {
#if FAKE_VARIANT == 5
BakkesMod::Plugin::PluginPointer emptyPlugin;
[[maybe_unused]] BakkesMod::Plugin::PluginPointer* create() { return &emptyPlugin; }
#else
[[maybe_unused]] BakkesMod::Plugin::PluginPointer* create() { return nullptr; }
#endif
[[maybe_unused]] void destroy() {}
}  // namespace

#if FAKE_VARIANT != 3
extern "C" __attribute__((visibility("default"))) const BakkesMod::Plugin::PluginInfo exports = {
#if FAKE_VARIANT == 1
    94,
#else
    BakkesMod::Plugin::kApiVersion,
#endif
    0,  "FakePlugin.cpp", "Fake", "Fake plugin", "0.0", 3, 0, &create, &destroy};
#endif

#if FAKE_VARIANT != 2 && FAKE_VARIANT != 3
extern "C" __attribute__((visibility("default"))) BakkesMod::Plugin::PluginPointer* getPlugin() {
    return create();
}
extern "C" __attribute__((visibility("default"))) void deleteMe() { destroy(); }
#endif

#if FAKE_VARIANT == 3
extern "C" __attribute__((visibility("default"))) int notAPlugin() { return 1; }
#endif
