#include "fly/LandingHold.h"

namespace fly {
namespace {

constexpr std::string_view kNames[] = {"off", "start", "random"};

}  // namespace

std::string_view autoResetName(AutoReset option) {
    return kNames[static_cast<std::size_t>(option)];
}

std::optional<AutoReset> autoResetNamed(std::string_view name) {
    for (std::size_t i = 0; i < std::size(kNames); ++i)
        if (kNames[i] == name) return static_cast<AutoReset>(i);
    return std::nullopt;
}

// A drill's attempt is over at its touchdown, whatever the option: its log
// is closed, so the car can be stood up without touching it.
AfterLanding afterLanding(AutoReset option, bool inDrill) {
    if (inDrill) return AfterLanding::SetOnWheels;
    switch (option) {
        case AutoReset::Start:
            return AfterLanding::ResetToStart;
        case AutoReset::Random:
            return AfterLanding::NewRandomStart;
        case AutoReset::Off:
            break;
    }
    return AfterLanding::GoOn;
}

}  // namespace fly
