#pragma once
// The window, one frame at a time: the platform's input into the session,
// the world drawn, the plugin's dial over it through the host's ImGui
// canvas, the HUD, help and settings windows, the buffer swap. `frame()`
// runs exactly one frame and returns, so a desktop loop and a browser's
// requestAnimationFrame can both drive it; nothing here waits.
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "base/Result.h"
#include "canvas/DialElements.h"
#include "canvas/Image.h"
#include "fly/FlySession.h"
#include "fly/platform/Platform.h"
#include "fly/window/DrillPanel.h"
#include "fly/window/PathView.h"
#include "fly/window/ProgressView.h"
#include "fly/window/WorldRenderer.h"
#include "host/Plugin.h"

struct ImGuiContext;

namespace fly {

struct AppOptions {
    // The plugin's settings page for the host's settings window (F2), and
    // the window's title; null when the plugin has none.
    BakkesMod::Plugin::PluginSettingsWindow* settingsPage = nullptr;
    std::string settingsTitle;
    // Saves the console variables to the config file, saying why not (on
    // the terminal, to the page) when it cannot, and failing; called when
    // settings changed by the page have rested half a second, when the
    // settings window closes, and at the end. `inPlace` are texts to save
    // instead of the store's (the player's own target option while a
    // drill's cue stands in for it).
    std::function<base::Status(std::span<const SettingText> inPlace)> saveSettings;
    // Saves the player's controls (the controls window's changes), saying
    // why not when it cannot, and failing; called as saveSettings is, once
    // the changes have rested, when the controls window closes, and at the
    // end. Null: the controls are not kept (the browser page).
    std::function<base::Status(const PlayerControls& controls)> saveControls;
    // Called once for each attempt at a drill that finishes, in the frame it
    // finishes: the session's attempt() and log() are the attempt's.
    std::function<void(const FlySession& session)> onAttemptFinished;
    // The session ends when an attempt has finished and its result is shown
    // (a drill flown without a screen); in a session being played, its last
    // attempt.
    bool endWithAttempt = false;
    // What the window says when a save failed, pointing to where the reason
    // was given.
    std::string saveFailedNote = "settings not saved (the terminal says why)";
    // The last frame is read back into lastPicture().
    bool captureLastFrame = false;
    // Every so often in the session's time (when not zero), the frame is
    // read back and handed to `onPicture`: the first frame at or after each
    // multiple of it.
    int64_t pictureEveryNs = 0;
    std::function<void(const canvas::Image&)> onPicture;
    // Each frame waits for its drawing to finish, so that frame times
    // include the renderer's work (for --benchmark).
    bool waitForDrawing = false;
    // The session ends when its time reaches this.
    std::optional<int64_t> endNs;
    // The player's factor on the interface's size, which otherwise follows
    // the window's height and the display's pixels per point
    // (canvas/Fonts.h).
    float interfaceScale = 1.0f;
    // The path ahead shown from the start (the drill menu turns each on and
    // off).
    PathShown pathShown;
};

// Times of each frame, in nanoseconds: the whole frame, and the simulation
// and dial part of it (the session's advance and drawDial).
struct FrameTimes {
    std::vector<int64_t> frame;
    std::vector<int64_t> simulationAndDial;
};

class FlyApp {
  public:
    // Starts ImGui on the platform and OpenGL, and the world renderer.
    static base::Result<std::unique_ptr<FlyApp>> create(Platform& platform, FlySession& session,
                                                        AppOptions options);
    ~FlyApp();
    FlyApp(const FlyApp&) = delete;
    FlyApp& operator=(const FlyApp&) = delete;

    // One frame. False when it was the last: the window closed, Escape, the
    // script's end or the end time.
    bool frame();
    // Saves settings still unsaved. The last failure when settings could
    // not be saved, now or earlier in the session.
    base::Status finish();

    const canvas::Image& lastPicture() const { return picture_; }
    // The progress view's choice (its drill and seed), as the player left it.
    const ProgressChoice& progressChoice() const { return progress_; }
    const FrameTimes& times() const { return times_; }
    // Over the last frames: how many were started a second, and the mean
    // time one took (its work, not the wait for the next).
    float framesPerSecond() const;
    float frameMilliseconds() const;

  private:
    FlyApp(Platform& platform, FlySession& session, AppOptions options);
    int64_t elapsedSinceLastFrame(int64_t now);
    void drawWindows(Vector2 canvas);
    void navigateProgressByKeyboard();
    void fitInterface(Vector2 framebuffer);
    void keepSettings(int64_t now);
    void keepControls(int64_t now);
    void saveControls();
    void feedImGuiFrame();
    void saveSettings();
    bool reportAttempts();

    // Frames the rate and the frame time are taken over.
    static constexpr std::size_t kRateWindow = 30;

    Platform& platform_;
    FlySession& session_;
    AppOptions options_;
    ImGuiContext* imgui_ = nullptr;
    bool platformImGui_ = false;
    bool glImGui_ = false;
    std::unique_ptr<WorldRenderer> renderer_;
    std::vector<HelpRow> help_;
    // This frame's dial, passed on to the ImGui canvas, for the help page's
    // labels.
    canvas::DialElements dialElements_{nullptr};
    FrameInput input_;
    DrillMenuChoice drillMenu_;
    ProgressChoice progress_;
    bool keyboardNavForProgress_ = false;  // set while the view is open
    PathView pathView_;
    uint64_t attemptsReported_ = 0;
    std::optional<int> resultFrames_;  // frames since the last attempt finished
    int64_t frames_ = 0;
    // The start times of the last frames, frame n's at n % size.
    std::array<int64_t, kRateWindow + 1> starts_{};
    std::size_t startsNoted_ = 0;
    int64_t nextPictureNs_ = 0;
    std::optional<int64_t> lastFrameStart_;
    bool settingsWereShown_ = false;
    std::optional<int64_t> unsavedSince_;
    base::Status saved_;  // the last save's
    // The session's controls changes last saved, and when the newest came.
    uint64_t controlsSaved_ = 0;
    std::optional<int64_t> controlsChangedAt_;
    bool controlsWereShown_ = false;
    // A menu had the focus at the end of the last frame: this frame's pad
    // and keys are the menu's.
    bool menuFocused_ = false;
    uint64_t helpFor_ = 0;  // the controls changes help_ was made for
    canvas::Image picture_;
    FrameTimes times_;
    // The scale and pixels per point the fonts and style were made for.
    float fontScale_ = 0.0f;
    float fontPixelsPerPoint_ = 0.0f;
};

}  // namespace fly
