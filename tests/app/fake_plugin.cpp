// Broken plugin libraries the host program must refuse cleanly.
// FAKE_VARIANT 1: a record with the wrong API version.
// FAKE_VARIANT 2: a good record, but no exported getPlugin / deleteMe.
// FAKE_VARIANT 3: no record at all.
// FAKE_VARIANT 4: a good record and entry points; creating gives a null pointer.
// FAKE_VARIANT 5: the same, but creating gives an empty shared pointer.
// FAKE_VARIANT 6: creating throws a standard exception (std::runtime_error).
// FAKE_VARIANT 7: creating throws an int, not a standard exception.
// FAKE_VARIANT 8: onLoad throws a standard exception (std::logic_error).
// FAKE_VARIANT 9: onLoad throws a value of a type of its own.
#include <memory>
#include <stdexcept>

#include "host/Plugin.h"

namespace {
#if FAKE_VARIANT == 6
[[maybe_unused]] BakkesMod::Plugin::PluginPointer* create() {
    throw std::runtime_error("the create function gave up");
}
#elif FAKE_VARIANT == 7
[[maybe_unused]] BakkesMod::Plugin::PluginPointer* create() { throw 42; }
#elif FAKE_VARIANT == 8 || FAKE_VARIANT == 9
struct NotAnException {
    int code = 7;
};
class ThrowingPlugin : public BakkesMod::Plugin::BakkesModPlugin {
  public:
    void onLoad() override {
#if FAKE_VARIANT == 8
        throw std::logic_error("onLoad gave up");
#else
        throw NotAnException{};
#endif
    }
};
BakkesMod::Plugin::PluginPointer throwing;
[[maybe_unused]] BakkesMod::Plugin::PluginPointer* create() {
    throwing = std::make_shared<ThrowingPlugin>();
    return &throwing;
}
#elif FAKE_VARIANT == 5
BakkesMod::Plugin::PluginPointer emptyPlugin;
[[maybe_unused]] BakkesMod::Plugin::PluginPointer* create() { return &emptyPlugin; }
#else
[[maybe_unused]] BakkesMod::Plugin::PluginPointer* create() { return nullptr; }
#endif
#if FAKE_VARIANT == 8 || FAKE_VARIANT == 9
[[maybe_unused]] void destroy() { throwing.reset(); }
#else
[[maybe_unused]] void destroy() {}
#endif
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
