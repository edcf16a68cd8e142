#include "SettingsHarness.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cfloat>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <utility>

#include "Trimsight.h"
#include "host/pluginsdk/PluginLoader.h"
#include "testkit/TempDir.h"

namespace settings_test {

const std::vector<std::string> kTargetLabels = {
    "None", "Up", "Down", "Velocity", "Velocity (opposite)", "Ball", "Ball (opposite)",
};

const char* backendName(Backend backend) {
    return backend == Backend::Linked ? "Linked" : "FreshLibrary";
}

namespace {

constexpr const char* kWindowName = "Trimsight";
constexpr float kWindowWidth = 560.0f;
constexpr float kWindowHeight = 520.0f;
// Left edge of every widget's frame lies left of this, right edge right of it.
constexpr float kProbeX = 40.0f;

const char* const kWidgetLabels[] = {
    "Enable plugin", "Size", "X Location", "Y Location", "Enable peripheral mode",
};

class LinkedPlugin : public PluginUnderTest {
  public:
    LinkedPlugin() { create(); }
    ~LinkedPlugin() override { game.release(object_.get()); }

    BakkesMod::Plugin::PluginSettingsWindow& page() override { return *object_; }
    void recreate() override {
        game.release(object_.get());
        object_.reset();
        create();
    }

  private:
    void create() {
        object_ = std::make_unique<Trimsight>();
        pluginsdk::attachPlugin(*object_, store, game, object_.get());
    }
    std::unique_ptr<Trimsight> object_;
};

// A copy of the built library under a fresh file name: the loader maps it as
// a library of its own, with its own ImGui copy and its own statics, whatever
// earlier copies left behind (unloading is not relied on). The copy's folder
// goes after the library is closed (Windows keeps a loaded library's file).
class FreshLibraryPlugin : public PluginUnderTest {
  public:
    FreshLibraryPlugin() {
        const std::filesystem::path built(TRIMSIGHT_PLUGIN_PATH);
        const std::string copy = dir_.file("trimsight-copy" + built.extension().string());
        std::filesystem::copy_file(built, copy);
        std::string error;
        library_ = pluginsdk::LoadedPlugin::open(copy, error);
        if (!library_) throw std::runtime_error(error);
        library_->load(store, game);
    }
    ~FreshLibraryPlugin() override { library_.reset(); }

    BakkesMod::Plugin::PluginSettingsWindow& page() override {
        auto* window = library_->settingsWindow();
        if (!window) throw std::runtime_error("plugin is no settings window");
        return *window;
    }
    void recreate() override {
        library_->release();
        library_->load(store, game);
    }

  private:
    hosttest::TempDir dir_;
    std::unique_ptr<pluginsdk::LoadedPlugin> library_;
};

std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        const auto first = line.find_first_not_of(" \r\t");
        if (first != std::string::npos) {
            const auto last = line.find_last_not_of(" \r\t");
            lines.push_back(line.substr(first, last - first + 1));
        }
        start = end + 1;
    }
    return lines;
}

}  // namespace

std::unique_ptr<PluginUnderTest> makePlugin(Backend backend) {
    if (backend == Backend::Linked) return std::make_unique<LinkedPlugin>();
    return std::make_unique<FreshLibraryPlugin>();
}

bool Shown::hasLine(const std::string& line) const {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

SettingsHost::SettingsHost(PluginUnderTest& plugin, bool attachNow) : plugin_(plugin) {
    context_ = ImGui::CreateContext();
    ImGui::SetCurrentContext(context_);
    ImGuiIO& io = ImGui::GetIO();
    io.IniFilename = nullptr;
    io.LogFilename = nullptr;
    io.DisplaySize = ImVec2(800.0f, 600.0f);
    io.DeltaTime = 1.0f / 60.0f;
    // ImGui's logger hands its text to the clipboard when a log ends.
    io.SetClipboardTextFn = [](void* user, const char* text) {
        static_cast<std::string*>(user)->assign(text);
    };
    io.ClipboardUserData = &clipboard_;
    unsigned char* pixels = nullptr;
    int width = 0;
    int height = 0;
    io.Fonts->GetTexDataAsRGBA32(&pixels, &width, &height);
    ImGui::StyleColorsDark();
    // A colour nothing else on the page uses marks the selected list entry.
    ImGui::GetStyle().Colors[ImGuiCol_Header] = ImVec4(1.0f, 0.0f, 1.0f, 1.0f);

    // A first frame without the page, so that the window exists and can be
    // hovered from the first frame the page is drawn in.
    drawFrame(away(), false, false);
    if (attachNow) attach();
}

SettingsHost::~SettingsHost() {
    // The page's copy of ImGui must not keep a dangling context.
    plugin_.page().attachImGuiContext(0);
    ImGui::SetCurrentContext(context_);
    ImGui::DestroyContext(context_);
}

Shown SettingsHost::frame(ImVec2 mouse, bool down) { return drawFrame(mouse, down, true); }

Shown SettingsHost::drawFrame(ImVec2 mouse, bool down, bool withPage) {
    ImGui::SetCurrentContext(context_);
    ImGuiIO& io = ImGui::GetIO();
    io.MousePos = mouse;
    io.MouseDown[0] = down;
    ImGui::NewFrame();
    ImGui::SetNextWindowPos(ImVec2(0.0f, 0.0f));
    ImGui::SetNextWindowSize(ImVec2(kWindowWidth, kWindowHeight));
    ImGui::Begin(kWindowName, nullptr,
                 ImGuiWindowFlags_NoMove | ImGuiWindowFlags_NoResize | ImGuiWindowFlags_NoCollapse |
                     ImGuiWindowFlags_NoSavedSettings);
    for (const char* label : kWidgetLabels) labelIds_[label] = ImGui::GetID(label);
    clipboard_.clear();
    ImGui::LogToClipboard();
    if (withPage) plugin_.page().renderSettings();
    ImGui::LogFinish();
    ImGui::End();
    ImGui::Render();

    Shown shown;
    shown.log = clipboard_;
    shown.lines = splitLines(shown.log);
    return shown;
}

Shown SettingsHost::idle() { return frame(away()); }

void SettingsHost::click(ImVec2 at) {
    frame(at, false);
    frame(at, true);
    frame(at, false);
}

void SettingsHost::drag(ImVec2 from, ImVec2 to, int steps,
                        const std::function<void(const Shown&)>& each) {
    frame(from, false);
    Shown shown = frame(from, true);
    if (each) each(shown);
    for (int i = 1; i <= steps; ++i) {
        const float t = static_cast<float>(i) / static_cast<float>(steps);
        shown = frame(ImVec2(from.x + (to.x - from.x) * t, from.y + (to.y - from.y) * t), true);
        if (each) each(shown);
    }
    frame(to, false);
}

ImGuiWindow* SettingsHost::pageWindow() const { return ImGui::FindWindowByName(kWindowName); }

ImGuiID SettingsHost::hoveredAfterFrame(ImVec2 mouse) {
    frame(mouse);
    return context_->HoveredId;
}

Layout SettingsHost::probe() {
    struct Run {
        ImGuiID id;
        float top;
        float bottom;
    };
    // Down the page: each run of positions over one item is that item.
    std::vector<Run> runs;
    for (float y = 0.0f; y < kWindowHeight; y += 1.0f) {
        const ImGuiID id = hoveredAfterFrame(ImVec2(kProbeX, y));
        if (id == 0) continue;
        if (!runs.empty() && runs.back().id == id && runs.back().bottom == y) {
            runs.back().bottom = y + 1.0f;
        } else {
            runs.push_back({id, y, y + 1.0f});
        }
    }
    // Across the page at the middle of an item: its left and right edges.
    auto across = [&](const Run& run) {
        const float y = (run.top + run.bottom) * 0.5f;
        float left = FLT_MAX;
        float right = -FLT_MAX;
        for (float x = 0.0f; x < kWindowWidth; x += 1.0f) {
            if (hoveredAfterFrame(ImVec2(x, y)) != run.id) continue;
            left = std::min(left, x);
            right = std::max(right, x + 1.0f);
        }
        return ImRect(left, run.top, right, run.bottom);
    };

    Layout layout;
    bool afterWidgets = false;
    std::optional<ImRect> firstEntry;
    for (const Run& run : runs) {
        const auto labelled = std::find_if(labelIds_.begin(), labelIds_.end(),
                                           [&](const auto& kv) { return kv.second == run.id; });
        if (labelled != labelIds_.end()) {
            layout.widgets[labelled->first] = across(run);
            afterWidgets = labelled->first == "Enable peripheral mode";
        } else if (afterWidgets) {
            // The list's entries share one width.
            if (!firstEntry) firstEntry = across(run);
            layout.entries.emplace_back(firstEntry->Min.x, run.top, firstEntry->Max.x, run.bottom);
        }
    }
    return layout;
}

const Layout& SettingsHost::layout() {
    static std::optional<Layout> cached;
    if (!cached) {
        Layout found = probe();
        if (found.widgets.size() != std::size(kWidgetLabels) || found.entries.size() != 7) {
            ADD_FAILURE() << "page layout incomplete: " << found.widgets.size() << " widgets, "
                          << found.entries.size() << " list entries";
            static const Layout empty;
            return empty;
        }
        cached = std::move(found);
    }
    return *cached;
}

int SettingsHost::highlightedEntry() {
    const Layout& pageLayout = layout();
    idle();
    ImGuiWindow* page = pageWindow();
    ImGuiWindow* list = nullptr;
    for (ImGuiWindow* window : context_->Windows) {
        if (window->ParentWindow == page && (window->Flags & ImGuiWindowFlags_ChildWindow) &&
            window->Active) {
            list = window;
        }
    }
    if (!list) {
        ADD_FAILURE() << "the target list was not drawn";
        return -2;
    }
    const ImU32 header = ImGui::GetColorU32(ImGuiCol_Header);
    float top = FLT_MAX;
    float bottom = -FLT_MAX;
    int count = 0;
    for (const ImDrawVert& vertex : list->DrawList->VtxBuffer) {
        if (vertex.col != header) continue;
        top = std::min(top, vertex.pos.y);
        bottom = std::max(bottom, vertex.pos.y);
        ++count;
    }
    if (count == 0) return -1;
    const float middle = (top + bottom) * 0.5f;
    for (std::size_t i = 0; i < pageLayout.entries.size(); ++i) {
        if (pageLayout.entries[i].Min.y <= middle && middle < pageLayout.entries[i].Max.y) {
            return static_cast<int>(i);
        }
    }
    ADD_FAILURE() << "highlight at y " << middle << " lies on no entry";
    return -3;
}

}  // namespace settings_test
