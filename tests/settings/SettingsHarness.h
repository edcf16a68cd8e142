#pragma once
// A headless host settings window for the plugin's page: an ImGui context
// owned by the test, one fixed window the page draws into, a simulated mouse,
// and what ImGui itself reports the page showed (its text log, hovered item
// IDs, the list's draw commands).
//
// The plugin is reached only through its settings-window interface, either
// as a Trimsight object linked into the test or as a private copy of the
// built library with its own copy of ImGui and its own library state.
#include <imgui.h>
#include <imgui_internal.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "host/Plugin.h"
#include "host/pluginsdk/CVarStore.h"
#include "host/pluginsdk/GameHost.h"
#include "host/pluginsdk/PluginLoader.h"

namespace settings_test {

// The plugin under test, with the host's variable store and game.
class PluginUnderTest {
  public:
    virtual ~PluginUnderTest() = default;
    virtual BakkesMod::Plugin::PluginSettingsWindow& page() = 0;
    // Drops the plugin object and creates a new one, as deleteMe then
    // getPlugin do; the variables stay in the store.
    virtual void recreate() = 0;

    pluginsdk::CVarStore store;
    pluginsdk::GameHost game;
};

enum class Backend { Linked, FreshLibrary };
const char* backendName(Backend backend);

// Linked: a Trimsight object built into this executable (its library state is
// shared by every test in the process). FreshLibrary: a copy of the built
// library under a new file name, so it is loaded anew with its own statics.
std::unique_ptr<PluginUnderTest> makePlugin(Backend backend);

// What one frame showed.
struct Shown {
    std::string log;                 // ImGui's text log of everything the page rendered
    std::vector<std::string> lines;  // the log split into lines, trimmed, empty lines dropped
    bool contains(const std::string& text) const { return log.find(text) != std::string::npos; }
    bool hasLine(const std::string& line) const;
};

// Screen rectangles of the page's widgets, found by moving the mouse over the
// page and reading which item ImGui reports hovered.
struct Layout {
    std::map<std::string, ImRect> widgets;  // checkboxes and sliders, by label
    std::vector<ImRect> entries;            // the target list's entries, top to bottom
};

class SettingsHost {
  public:
    // Creates the context and, unless told otherwise, attaches it to the
    // plugin's page.
    explicit SettingsHost(PluginUnderTest& plugin, bool attach = true);
    // Detaches the page and destroys the context.
    ~SettingsHost();
    SettingsHost(const SettingsHost&) = delete;
    SettingsHost& operator=(const SettingsHost&) = delete;

    ImGuiContext* context() const { return context_; }

    void attach() { plugin_.page().attachImGuiContext(reinterpret_cast<uintptr_t>(context_)); }

    // One frame: the mouse at `mouse` with the left button down or up. A
    // tooltip ends the frame's log: ImGui stops logging when a top-level
    // window ends, so the log of a frame with a tooltip stops after it.
    Shown frame(ImVec2 mouse, bool down = false);
    // A frame with the mouse away from every window.
    Shown idle();
    // Press, then release, over `at` (three frames: hover, down, up).
    void click(ImVec2 at);
    // Press at `from`, move to `to` in `steps` frames, release there. Calls
    // `each` after every frame with the button down.
    void drag(ImVec2 from, ImVec2 to, int steps,
              const std::function<void(const Shown&)>& each = {});

    // The page's layout; found once per process (it depends only on the
    // window and the font), with every variable present.
    const Layout& layout();
    // Index of the highlighted list entry in the last frame, -1 when none is
    // highlighted. Call after a frame with the mouse away from the list.
    int highlightedEntry();

    static ImVec2 away() { return ImVec2(790.0f, 590.0f); }

  private:
    Shown drawFrame(ImVec2 mouse, bool down, bool withPage);
    ImGuiWindow* pageWindow() const;
    ImGuiID hoveredAfterFrame(ImVec2 mouse);
    Layout probe();

    PluginUnderTest& plugin_;
    ImGuiContext* context_ = nullptr;
    std::string clipboard_;
    std::map<std::string, ImGuiID> labelIds_;
};

// The labels of the target list as the page must show them.
extern const std::vector<std::string> kTargetLabels;

}  // namespace settings_test
