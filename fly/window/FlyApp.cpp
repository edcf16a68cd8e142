#include "fly/window/FlyApp.h"

#include <backends/imgui_impl_opengl3.h>
#include <imgui.h>

#include <algorithm>
#include <cmath>

#include "canvas/DrawListCanvas.h"
#include "canvas/Fonts.h"
#include "canvas/SettingsWindow.h"
#include "fly/platform/Gl.h"
#include "fly/window/ControlsWindow.h"
#include "fly/window/Hud.h"
#include "fly/window/Navigation.h"

namespace fly {
namespace {

constexpr int64_t kSecondNs = 1000000000;
// A window nobody sees runs at this many frames per second of session time.
constexpr int64_t kHeadlessFramesPerSecond = 60;
// Settings changed by the page are saved once they have rested this long.
constexpr int64_t kSettingsRestNs = kSecondNs / 2;

}  // namespace

FlyApp::FlyApp(Platform& platform, FlySession& session, AppOptions options)
    : platform_(platform),
      session_(session),
      options_(std::move(options)),
      help_(helpRows(session.bindings())) {
    drillMenu_.ballPath = options_.pathShown.ball;
    drillMenu_.carPath = options_.pathShown.car;
}

base::Result<std::unique_ptr<FlyApp>> FlyApp::create(Platform& platform, FlySession& session,
                                                     AppOptions options) {
    std::unique_ptr<FlyApp> app(new FlyApp(platform, session, std::move(options)));
    app->imgui_ = ImGui::CreateContext();
    ImGuiIO& io = ImGui::GetIO();
    io.IniFilename = nullptr;  // the window leaves no files behind
    io.LogFilename = nullptr;
    // Every menu can be driven by the keyboard alone and by a pad alone.
    io.ConfigFlags |= ImGuiConfigFlags_NavEnableKeyboard | ImGuiConfigFlags_NavEnableGamepad;
    ImGui::StyleColorsDark();
    // As in the host's pictures: the dial's fans of triangles fill without
    // anti-aliased seams between them (see picture/DrawListCanvas.cpp).
    ImGui::GetStyle().AntiAliasedFill = false;
    app->platformImGui_ = platform.startImGui();
    if (!app->platformImGui_) return base::Failure{"Dear ImGui's platform backend did not start"};
    app->glImGui_ = ImGui_ImplOpenGL3_Init(kImGuiShaderVersion);
    if (!app->glImGui_) return base::Failure{"Dear ImGui's OpenGL 3 backend did not start"};
    base::Result<std::unique_ptr<WorldRenderer>> renderer = WorldRenderer::create();
    if (!renderer) return renderer.failure();
    app->renderer_ = std::move(*renderer);
    if (app->options_.settingsPage != nullptr)
        app->options_.settingsPage->attachImGuiContext(reinterpret_cast<uintptr_t>(app->imgui_));
    return app;
}

FlyApp::~FlyApp() {
    // The plugin's copy of ImGui must not keep a context about to go.
    if (options_.settingsPage != nullptr) options_.settingsPage->attachImGuiContext(0);
    renderer_.reset();
    if (imgui_ == nullptr) return;
    ImGui::SetCurrentContext(imgui_);
    if (glImGui_) ImGui_ImplOpenGL3_Shutdown();
    if (platformImGui_) platform_.stopImGui();
    ImGui::DestroyContext(imgui_);
}

int64_t FlyApp::elapsedSinceLastFrame(int64_t now) {
    if (platform_.headless()) {
        // Fixed steps, exact over any number of frames.
        const int64_t n = frames_;
        return (n + 1) * kSecondNs / kHeadlessFramesPerSecond -
               n * kSecondNs / kHeadlessFramesPerSecond;
    }
    const int64_t elapsed = lastFrameStart_ ? now - *lastFrameStart_ : 0;
    lastFrameStart_ = now;
    return elapsed;
}

bool FlyApp::frame() {
    ImGui::SetCurrentContext(imgui_);
    const int64_t start = platform_.nowNs();
    starts_[startsNoted_++ % starts_.size()] = start;
    const bool closed = platform_.pollEvents(session_.bindings(), input_);
    input_.menuFocused = menuFocused_;
    const int64_t elapsed = elapsedSinceLastFrame(start);

    const int64_t simulationStart = platform_.nowNs();
    session_.advance(elapsed, input_);
    int64_t simulation = platform_.nowNs() - simulationStart;
    // Dear ImGui shows a window that sizes itself from its second frame on,
    // so the result is drawn once more before an attempt's run ends.
    if (reportAttempts()) resultFrames_ = 0;
    const bool resultShown = resultFrames_ && ++*resultFrames_ >= 2;
    const bool last = closed || session_.quitRequested() || session_.scriptEnded() ||
                      (options_.endNs && session_.timeNs() >= *options_.endNs) ||
                      (options_.endWithAttempt && resultShown &&
                       (session_.tally() == nullptr || session_.sessionOver()));

    const Vector2 framebuffer = platform_.framebufferSize();
    fitInterface(framebuffer);
    ImGui_ImplOpenGL3_NewFrame();
    feedImGuiFrame();
    ImGui::NewFrame();
    const PathDrawing path = pathView_.update(session_, {drillMenu_.ballPath, drillMenu_.carPath});
    renderer_->draw(session_.world(), session_.camera(), framebuffer.X, framebuffer.Y,
                    session_.ghosts(), path, session_.rings());
    // The plugin lays its dial out on ImGui's display size, which is the
    // window's size in ImGui's units whatever the framebuffer's pixels.
    const ImVec2 display = ImGui::GetIO().DisplaySize;
    const Vector2 canvas{static_cast<int32_t>(display.x), static_cast<int32_t>(display.y)};
    const int64_t dialStart = platform_.nowNs();
    canvas::DrawListCanvas dial(ImGui::GetBackgroundDrawList(), canvas);
    dialElements_.setNext(&dial);
    dialElements_.startFrame();
    session_.drawDial(dialElements_);
    dialElements_.finishFrame();
    simulation += platform_.nowNs() - dialStart;
    pathView_.drawLabel(session_.camera(), display);
    drawWindows(canvas);
    keepSettings(session_.timeNs());
    keepControls(session_.timeNs());
    ImGui::Render();
    menuFocused_ = menuHasFocus();
    ImGui_ImplOpenGL3_RenderDrawData(ImGui::GetDrawData());

    // Read back before the swap, after which the back buffer is undefined.
    const bool pictureDue = options_.pictureEveryNs > 0 &&
                            session_.timeNs() >= nextPictureNs_ + options_.pictureEveryNs;
    if (pictureDue || (last && options_.captureLastFrame))
        readFramebuffer(framebuffer.X, framebuffer.Y, picture_);
    if (pictureDue) {
        nextPictureNs_ += options_.pictureEveryNs;
        if (options_.onPicture) options_.onPicture(picture_);
    }
    if (options_.waitForDrawing) glFinish();
    platform_.swapBuffers();
    ++frames_;
    times_.frame.push_back(platform_.nowNs() - start);
    times_.simulationAndDial.push_back(simulation);
    return !last;
}

// The platform's side of ImGui's frame, with the pad's navigation fed from
// the session's pad instead of the backend's own reading (Navigation.h).
void FlyApp::feedImGuiFrame() {
    ImGuiIO& io = ImGui::GetIO();
    io.ConfigFlags &= ~ImGuiConfigFlags_NavEnableGamepad;
    platform_.newImGuiFrame();
    io.ConfigFlags |= ImGuiConfigFlags_NavEnableGamepad;
    feedNavigation(io, session_.menuPad());
}

// True when an attempt finished in this frame's ticks.
bool FlyApp::reportAttempts() {
    if (session_.attemptsFinished() == attemptsReported_) return false;
    attemptsReported_ = session_.attemptsFinished();
    if (options_.onAttemptFinished) options_.onAttemptFinished(session_);
    return true;
}

// From the starts of frames, so that a browser, which starts one per
// animation frame whatever a frame's work, shows its real rate.
float FlyApp::framesPerSecond() const {
    // The gaps between the last frames started (the one being drawn, if
    // any, included).
    const std::size_t gaps = std::min(kRateWindow, startsNoted_ > 0 ? startsNoted_ - 1 : 0);
    if (gaps == 0) return 0.0f;
    const std::size_t newest = (startsNoted_ - 1) % starts_.size();
    const std::size_t oldest = (startsNoted_ - 1 - gaps) % starts_.size();
    const int64_t span = starts_[newest] - starts_[oldest];
    return span > 0
               ? static_cast<float>(static_cast<double>(gaps) * 1e9 / static_cast<double>(span))
               : 0.0f;
}

float FlyApp::frameMilliseconds() const {
    const std::size_t n = std::min(kRateWindow, times_.frame.size());
    if (n == 0) return 0.0f;
    int64_t sum = 0;
    for (std::size_t i = times_.frame.size() - n; i < times_.frame.size(); ++i)
        sum += times_.frame[i];
    return static_cast<float>(static_cast<double>(sum) / static_cast<double>(n) / 1e6);
}

// The fonts are made again, sharp at their new size, when the window's
// height or the display's pixels per point have changed the interface's
// scale by more than a little; between, nothing is done.
void FlyApp::fitInterface(Vector2 framebuffer) {
    const ImVec2 display = ImGui::GetIO().DisplaySize;
    // Before the first frame ImGui knows no display: the framebuffer's
    // height stands in for it.
    const float height = display.y > 0.0f ? display.y : static_cast<float>(framebuffer.Y);
    const float pixelsPerPoint =
        display.y > 0.0f ? static_cast<float>(framebuffer.Y) / display.y : 1.0f;
    const float scale = canvas::interfaceScale(height, options_.interfaceScale);
    if (std::fabs(scale - fontScale_) < 0.05f * fontScale_ &&
        std::fabs(pixelsPerPoint - fontPixelsPerPoint_) < 0.01f)
        return;
    const bool textureMade = fontScale_ > 0.0f;
    fontScale_ = scale;
    fontPixelsPerPoint_ = pixelsPerPoint;
    canvas::loadInterfaceFonts(scale, pixelsPerPoint);
    canvas::scaleStyle(scale);
    ImGui::GetStyle().AntiAliasedFill = false;
    // The backend makes the first texture in its first frame.
    if (textureMade) {
        ImGui_ImplOpenGL3_DestroyFontsTexture();
        ImGui_ImplOpenGL3_CreateFontsTexture();
    }
}

void FlyApp::drawWindows(Vector2 canvas) {
    drawHud({&session_, framesPerSecond(), frameMilliseconds(), platform_.padName()});
    if (!saved_) {
        ImGui::SetNextWindowPos(ImVec2(10.0f, static_cast<float>(canvas.Y) - 40.0f));
        ImGui::Begin("##save", nullptr,
                     ImGuiWindowFlags_NoDecoration | ImGuiWindowFlags_AlwaysAutoResize);
        ImGui::TextColored(ImVec4(1.0f, 0.4f, 0.4f, 1.0f), "%s", options_.saveFailedNote.c_str());
        ImGui::End();
    }
    drawAttempt(session_);
    drawDrillMenu(session_, drillMenu_);
    navigateProgressByKeyboard();
    drawProgress(session_, progress_);
    drawControlsWindow(session_);
    if (helpFor_ != session_.controlsChanges()) {
        helpFor_ = session_.controlsChanges();
        help_ = helpRows(session_.bindings());
    }
    if (session_.helpShown()) drawHelp(help_, session_.helpPage(), dialElements_);
    if (session_.settingsShown() && options_.settingsPage != nullptr)
        canvas::drawSettingsWindow(*options_.settingsPage, options_.settingsTitle, canvas.X,
                                   canvas.Y);
}

// The progress view is moved through with the arrows and Enter: ImGui's
// keyboard navigation is on while it is open (unless something else keeps
// it on), and the car's keys go to the view meanwhile.
void FlyApp::navigateProgressByKeyboard() {
    ImGuiIO& io = ImGui::GetIO();
    const bool on = (io.ConfigFlags & ImGuiConfigFlags_NavEnableKeyboard) != 0;
    if (session_.progressShown() && !on) {
        io.ConfigFlags |= ImGuiConfigFlags_NavEnableKeyboard;
        keyboardNavForProgress_ = true;
    } else if (!session_.progressShown() && keyboardNavForProgress_) {
        io.ConfigFlags &= ~ImGuiConfigFlags_NavEnableKeyboard;
        keyboardNavForProgress_ = false;
    }
}

// Changes the page made are noted for the flight log at once and saved to
// the config file once they rest (in the session's time), so that dragging
// a slider does not write the file every frame.
void FlyApp::keepSettings(int64_t now) {
    const bool shown = session_.settingsShown();
    if (shown || settingsWereShown_) {
        if (session_.recordSettingChanges()) unsavedSince_ = now;
    }
    const bool closed = settingsWereShown_ && !shown;
    settingsWereShown_ = shown;
    if (unsavedSince_ && (closed || now - *unsavedSince_ >= kSettingsRestNs)) {
        unsavedSince_.reset();
        saveSettings();
    }
}

// The controls are saved as the settings are: once the changes rest, when
// the window closes, and at the end; never when nothing changed.
void FlyApp::keepControls(int64_t now) {
    const uint64_t changes = session_.controlsChanges();
    if (changes != controlsSaved_ && !controlsChangedAt_) controlsChangedAt_ = now;
    const bool shown = session_.controlsShown();
    const bool closed = controlsWereShown_ && !shown;
    controlsWereShown_ = shown;
    if (!controlsChangedAt_ || !(closed || now - *controlsChangedAt_ >= kSettingsRestNs)) return;
    controlsChangedAt_.reset();
    controlsSaved_ = changes;
    saveControls();
}

// A failure stays until a later save of the settings succeeds.
void FlyApp::saveControls() {
    if (!options_.saveControls) return;
    if (base::Status s = options_.saveControls(session_.controls()); !s) saved_ = s;
}

// A drill's cue in the store is not the player's setting: the player's own
// value is saved in its place.
void FlyApp::saveSettings() {
    if (!options_.saveSettings) return;
    const std::optional<SettingText> held = session_.settingInPlaceOfCue();
    saved_ = options_.saveSettings(held ? std::span<const SettingText>(&*held, 1)
                                        : std::span<const SettingText>{});
}

base::Status FlyApp::finish() {
    session_.releaseCue();
    if (session_.controlsChanges() != controlsSaved_) {
        controlsSaved_ = session_.controlsChanges();
        saveControls();
    }
    if (session_.recordSettingChanges()) unsavedSince_ = 0;
    if (unsavedSince_ && options_.saveSettings) {
        unsavedSince_.reset();
        saveSettings();
    }
    return saved_;
}

}  // namespace fly
