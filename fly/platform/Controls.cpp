#include "fly/platform/Controls.h"

namespace fly {
namespace {

using sandbox::PadButton;

// Keys and buttons of the window's commands. The pad's share follows what
// players know: Start opens menus, Back resets in training, North is the
// ball camera; the d-pad takes the rest, and the sticks' clicks, which the
// flight leaves free, open the help and the drill menu.
constexpr CommandBinding kCommands[kCommandCount] = {
    {Command::Help, "help", "F1", PadButton::LeftStick,
     "help: controls, then reading the dial, then closed"},
    {Command::Settings, "settings", "F2", PadButton::Start, "settings window"},
    {Command::Reset, "reset", "R", PadButton::Back,
     "reset to the start; in a drill, again with the same seed"},
    {Command::RandomStart, "random", "N", PadButton::DPadUp,
     "new random start in the air; in a drill, the next seed"},
    {Command::Pause, "pause", "P", PadButton::DPadDown, "pause"},
    {Command::SingleTick, "tick", "T", PadButton::DPadRight, "single tick (pauses)"},
    {Command::SlowMotion, "slow", "M", PadButton::DPadLeft, "slow motion: 1, 1/2, 1/4"},
    {Command::BallCamera, "ballcam", "C", PadButton::North, "ball camera"},
    {Command::DrillMenu, "drills", "F3", PadButton::RightStick, "drill menu"},
    {Command::Controls, "controls", "F4", std::nullopt,
     "controls window: rebind keys and pad buttons, dead zones, sensitivity"},
    // Every pad button is taken: the view opens from the drill menu too.
    {Command::Progress, "progress", "H", std::nullopt,
     "progress: attempts, passes and best per drill and seed"},
    {Command::Quit, "quit", "Escape", std::nullopt, "quit"},
    // No pad button is free (the d-pad, Back, Start and North are taken,
    // the others fly the car): a pad plays a pack's shot Again with Back.
    {Command::NextShot, "next-shot", "L", std::nullopt, "a pack's next shot"},
    {Command::PreviousShot, "previous-shot", "K", std::nullopt, "a pack's previous shot"},
    {Command::SaveShot, "save-shot", "G", std::nullopt,
     "save this moment (the car and ball now) as a shot in My shots"},
};

void append(std::string& list, std::string_view item) {
    if (!list.empty()) list += ", ";
    list += item;
}

}  // namespace

std::span<const CommandBinding> commandBindings() { return kCommands; }

KeyUse lookUpKey(const sandbox::Bindings& bindings, std::string_view keyName) {
    KeyUse use;
    use.action = sandbox::actionForKey(bindings, keyName);
    for (const CommandBinding& c : kCommands)
        if (c.key == keyName) use.command = c.command;
    return use;
}

CommandSet commandsFromButtons(uint32_t buttonsBefore, uint32_t buttonsNow) {
    const uint32_t pressed = buttonsNow & ~buttonsBefore;
    CommandSet commands;
    for (const CommandBinding& c : kCommands)
        if (c.button && ((pressed >> static_cast<int>(*c.button)) & 1u)) commands.add(c.command);
    return commands;
}

std::string commandKeys(Command command) {
    const CommandBinding& c = kCommands[static_cast<int>(command)];
    std::string text(c.key);
    if (c.button) text += "/" + std::string(sandbox::padButtonName(*c.button));
    return text;
}

bool opensWindow(Command command) {
    return command == Command::Help || command == Command::Settings ||
           command == Command::DrillMenu || command == Command::Controls;
}

RoutedInput InputRouter::route(const sandbox::PadState& pad, sandbox::ActionSet keysHeld,
                               CommandSet keyCommands, bool menuFocused) {
    if (menuFocused != menuBefore_) held_ = pad.buttons;
    menuBefore_ = menuFocused;
    held_ &= pad.buttons;  // let go: free again
    sandbox::PadState live = pad;
    live.buttons &= ~held_;

    const uint32_t buttonsBeforeLive = buttonsBefore_ & ~held_;
    const CommandSet fromButtons = commandsFromButtons(buttonsBeforeLive, live.buttons);
    buttonsBefore_ = pad.buttons;
    RoutedInput routed;
    if (!menuFocused) {
        routed.car = live;
        routed.carKeys = keysHeld;
        routed.commands = keyCommands;
        routed.commands.add(fromButtons);
        return routed;
    }
    routed.menu = live;
    // The keys' commands act as ever (Escape aside); of the buttons', those
    // that open windows and Back's reset (Again, at a result), which the
    // menu's navigation does not use.
    for (int i = 0; i < kCommandCount; ++i) {
        const auto command = static_cast<Command>(i);
        if (command == Command::Quit) continue;
        if (keyCommands.has(command) ||
            (fromButtons.has(command) && (opensWindow(command) || command == Command::Reset)))
            routed.commands.add(command);
    }
    const uint32_t east = 1u << static_cast<int>(PadButton::East);
    const bool eastPressed = (live.buttons & east) != 0 && (buttonsBeforeLive & east) == 0;
    routed.closeMenus = keyCommands.has(Command::Quit) || eastPressed;
    return routed;
}

std::vector<HelpRow> helpRows(const sandbox::Bindings& bindings) {
    std::vector<HelpRow> rows;
    for (int i = 0; i < sandbox::kActionCount; ++i) {
        const auto action = static_cast<sandbox::Action>(i);
        HelpRow row{std::string(sandbox::actionName(action)), {}, {}};
        for (const sandbox::Bindings::Key& k : bindings.keys)
            if (k.action == action) append(row.keys, k.name);
        for (const sandbox::Bindings::Button& b : bindings.padButtons)
            if (b.action == action) append(row.pad, sandbox::padButtonName(b.button));
        rows.push_back(std::move(row));
    }
    // The axes the pad gives without bindings.
    rows.insert(rows.begin(), {"steer and yaw, pitch (roll with air roll)", "", "left stick"});
    for (HelpRow& row : rows)
        if (row.what == "throttle")
            append(row.pad, "right trigger");
        else if (row.what == "reverse")
            append(row.pad, "left trigger");
    for (const CommandBinding& c : kCommands)
        rows.push_back({std::string(c.what), std::string(c.key),
                        c.button ? std::string(sandbox::padButtonName(*c.button)) : ""});
    return rows;
}

}  // namespace fly
