// The browser platform: emscripten's HTML5 API for a WebGL 2 context on the
// page's canvas, the keyboard, the mouse over the canvas (for ImGui) and the
// Gamepad API; ImGui's platform side fed here. The only file in the
// program that includes emscripten/html5.h. The page's main loop
// (emscripten_set_main_loop) calls FlyApp::frame once per animation frame,
// and the browser shows what was drawn when that call returns, so there is
// no swap to make.
//
// The browser hands events over between frames; they wait in a queue and
// are taken in order by pollEvents, so a key pressed and let go within one
// frame still acts, as on the desktop. Keys go by where they sit
// (KeyboardEvent.code, BrowserInput.h), so W, A, S, D fly the same on every
// layout; the keys the sandbox uses are kept from the page (Space would
// scroll it, F1 open the browser's help), others (F5, F12, Ctrl+R) are not.
#include <emscripten/emscripten.h>
#include <emscripten/html5.h>
#include <imgui.h>

#include <cfloat>
#include <cmath>
#include <cstring>
#include <span>
#include <string_view>
#include <vector>

#include "fly/platform/BrowserInput.h"
#include "fly/platform/Gl.h"
#include "fly/platform/Platform.h"

namespace fly {
namespace {

// ImGui 1.86 reads its named keys at indices the backend chooses; these are
// the browser's key codes for them.
constexpr std::pair<ImGuiKey, int> kImGuiKeys[] = {
    {ImGuiKey_Tab, 9},         {ImGuiKey_LeftArrow, 37},
    {ImGuiKey_RightArrow, 39}, {ImGuiKey_UpArrow, 38},
    {ImGuiKey_DownArrow, 40},  {ImGuiKey_PageUp, 33},
    {ImGuiKey_PageDown, 34},   {ImGuiKey_Home, 36},
    {ImGuiKey_End, 35},        {ImGuiKey_Insert, 45},
    {ImGuiKey_Delete, 46},     {ImGuiKey_Backspace, 8},
    {ImGuiKey_Space, 32},      {ImGuiKey_Enter, 13},
    {ImGuiKey_Escape, 27},     {ImGuiKey_KeyPadEnter, 13},
    {ImGuiKey_A, 65},          {ImGuiKey_C, 67},
    {ImGuiKey_V, 86},          {ImGuiKey_X, 88},
    {ImGuiKey_Y, 89},          {ImGuiKey_Z, 90}};
constexpr int kImGuiKeyCount = 512;
constexpr int kMouseButtons = 3;
// A wheel's pixels per ImGui scroll step (ImGui's unit is about 5 lines).
constexpr double kWheelPixelsPerStep = 100.0;

// One key event as the browser gave it.
struct KeyEvent {
    std::string_view name;  // as the bindings spell it; empty: none
    bool down = false;
    bool repeat = false;
    int keyCode = 0;
    bool ctrl = false, shift = false, alt = false, super = false;
    char text[8] = {};  // the character typed, when it is one
};

// The typed character of a key event: `key` when it is one character (a
// named key such as "Shift" or "ArrowUp" is longer) and no shortcut is held.
void typedText(const EmscriptenKeyboardEvent& e, char (&text)[8]) {
    text[0] = '\0';
    if (e.ctrlKey || e.metaKey) return;
    const std::size_t n = std::strlen(e.key);
    const auto first = static_cast<unsigned char>(e.key[0]);
    const std::size_t length = first < 0x80 ? 1 : first < 0xE0 ? 2 : first < 0xF0 ? 3 : 4;
    if (n == 0 || n != length || n >= sizeof text) return;
    std::memcpy(text, e.key, n + 1);
}

class WebPlatform final : public Platform {
  public:
    ~WebPlatform() override;

    base::Status open(const WindowOptions& options);

    bool startImGui() override;
    void stopImGui() override { ImGui::GetIO().BackendPlatformName = nullptr; }
    bool pollEvents(const sandbox::Bindings& bindings, FrameInput& input) override;
    void newImGuiFrame() override;
    Vector2 framebufferSize() const override {
        int w = 0, h = 0;
        emscripten_get_canvas_element_size(canvas_.c_str(), &w, &h);
        return {w, h};
    }
    void swapBuffers() override {}
    int64_t nowNs() const override { return std::llround(emscripten_get_now() * 1e6); }
    bool headless() const override { return fixedSteps_; }
    const std::string& description() const override { return description_; }
    std::string padName() const override { return padName_; }

  private:
    static EM_BOOL onKey(int type, const EmscriptenKeyboardEvent* e, void* self);
    static EM_BOOL onMouse(int type, const EmscriptenMouseEvent* e, void* self);
    static EM_BOOL onWheel(int type, const EmscriptenWheelEvent* e, void* self);
    static EM_BOOL onBlur(int type, const EmscriptenFocusEvent* e, void* self);
    void listen(bool on);
    bool keepFromPage(const KeyEvent& key) const;
    void key(const KeyEvent& event, FrameInput& input);
    void fitCanvas();
    void readPad(sandbox::PadState& pad);

    std::string canvas_;
    bool fixedSteps_ = false;
    EMSCRIPTEN_WEBGL_CONTEXT_HANDLE context_ = 0;
    std::string description_;
    std::string padName_;
    // The bindings of the last frame, for deciding which keys the page keeps.
    const sandbox::Bindings* bindings_ = nullptr;
    std::vector<KeyEvent> keys_;
    bool focusLost_ = false;
    // The mouse over the canvas, in CSS pixels (ImGui's display units).
    double mouseX_ = -FLT_MAX, mouseY_ = -FLT_MAX;
    bool held_[kMouseButtons] = {};
    bool pressed_[kMouseButtons] = {};  // went down since the last frame
    double wheelPixels_ = 0.0;
    double cssWidth_ = 0.0, cssHeight_ = 0.0;
    std::optional<double> lastImGuiFrame_;
};

WebPlatform::~WebPlatform() {
    listen(false);
    if (context_ > 0) emscripten_webgl_destroy_context(context_);
}

base::Status WebPlatform::open(const WindowOptions& options) {
    canvas_ = options.canvas;
    fixedSteps_ = options.fixedSteps;
    EmscriptenWebGLContextAttributes attributes;
    emscripten_webgl_init_context_attributes(&attributes);
    attributes.majorVersion = kGlMajorVersion;
    attributes.minorVersion = kGlMinorVersion;
    // As the desktop's window: opaque, a depth buffer, no multisampling (the
    // dial's colours stay exact for the tests that look at them).
    attributes.alpha = EM_FALSE;
    attributes.depth = EM_TRUE;
    attributes.stencil = EM_FALSE;
    attributes.antialias = EM_FALSE;
    attributes.enableExtensionsByDefault = EM_FALSE;
    context_ = emscripten_webgl_create_context(canvas_.c_str(), &attributes);
    if (context_ <= 0)
        return base::Failure{"the browser gives no WebGL 2 context on " + canvas_ + " (error " +
                             std::to_string(context_) + ")"};
    emscripten_webgl_make_context_current(context_);
    const auto* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    description_ =
        "WebGL 2 on " + canvas_ + ", " + (renderer != nullptr ? renderer : "unknown renderer");
    keys_.reserve(64);
    listen(true);
    fitCanvas();
    return {};
}

void WebPlatform::listen(bool on) {
    void* self = on ? this : nullptr;
    const char* window = EMSCRIPTEN_EVENT_TARGET_WINDOW;
    const char* canvas = canvas_.c_str();
    emscripten_set_keydown_callback(window, self, EM_TRUE, on ? onKey : nullptr);
    emscripten_set_keyup_callback(window, self, EM_TRUE, on ? onKey : nullptr);
    emscripten_set_blur_callback(window, self, EM_TRUE, on ? onBlur : nullptr);
    emscripten_set_mousedown_callback(canvas, self, EM_TRUE, on ? onMouse : nullptr);
    emscripten_set_mousemove_callback(canvas, self, EM_TRUE, on ? onMouse : nullptr);
    emscripten_set_mouseleave_callback(canvas, self, EM_TRUE, on ? onMouse : nullptr);
    // A button let go outside the canvas is let go all the same.
    emscripten_set_mouseup_callback(window, self, EM_TRUE, on ? onMouse : nullptr);
    emscripten_set_wheel_callback(canvas, self, EM_TRUE, on ? onWheel : nullptr);
}

bool WebPlatform::startImGui() {
    ImGuiIO& io = ImGui::GetIO();
    io.BackendPlatformName = "trimsight_web";
    for (const auto& [key, code] : kImGuiKeys) io.KeyMap[key] = code;
    return true;
}

// The keys the sandbox uses (flying and commands), and any key typed into
// ImGui, are kept from the page; shortcuts with Ctrl or Meta and keys the
// sandbox has no name for go on to the browser.
bool WebPlatform::keepFromPage(const KeyEvent& key) const {
    if (key.ctrl || key.super) return false;
    if (ImGui::GetCurrentContext() != nullptr && ImGui::GetIO().WantCaptureKeyboard) return true;
    if (key.name.empty() || bindings_ == nullptr) return false;
    const KeyUse use = lookUpKey(*bindings_, key.name);
    return use.action || use.command;
}

EM_BOOL WebPlatform::onKey(int type, const EmscriptenKeyboardEvent* e, void* self) {
    auto& platform = *static_cast<WebPlatform*>(self);
    KeyEvent key;
    key.name = keyNameForCode(e->code);
    key.down = type == EMSCRIPTEN_EVENT_KEYDOWN;
    key.repeat = e->repeat != 0;
    key.keyCode = static_cast<int>(e->keyCode);
    key.ctrl = e->ctrlKey != 0;
    key.shift = e->shiftKey != 0;
    key.alt = e->altKey != 0;
    key.super = e->metaKey != 0;
    if (key.down) typedText(*e, key.text);
    platform.keys_.push_back(key);
    return platform.keepFromPage(key) ? EM_TRUE : EM_FALSE;
}

EM_BOOL WebPlatform::onMouse(int type, const EmscriptenMouseEvent* e, void* self) {
    auto& platform = *static_cast<WebPlatform*>(self);
    const int button = e->button == 1 ? 2 : e->button == 2 ? 1 : e->button;  // DOM: middle is 1
    switch (type) {
        case EMSCRIPTEN_EVENT_MOUSEDOWN:
            if (button >= 0 && button < kMouseButtons)
                platform.held_[button] = platform.pressed_[button] = true;
            break;
        case EMSCRIPTEN_EVENT_MOUSEUP:
            if (button >= 0 && button < kMouseButtons) platform.held_[button] = false;
            return EM_FALSE;
        case EMSCRIPTEN_EVENT_MOUSELEAVE:
            platform.mouseX_ = platform.mouseY_ = -FLT_MAX;
            return EM_FALSE;
        default:
            break;
    }
    platform.mouseX_ = static_cast<double>(e->targetX);
    platform.mouseY_ = static_cast<double>(e->targetY);
    return EM_TRUE;
}

EM_BOOL WebPlatform::onWheel(int, const EmscriptenWheelEvent* e, void* self) {
    auto& platform = *static_cast<WebPlatform*>(self);
    // Lines and pages as pixels, roughly as browsers scroll them.
    const double unit = e->deltaMode == DOM_DELTA_LINE   ? 20.0
                        : e->deltaMode == DOM_DELTA_PAGE ? 400.0
                                                         : 1.0;
    platform.wheelPixels_ += e->deltaY * unit;
    return EM_TRUE;
}

EM_BOOL WebPlatform::onBlur(int, const EmscriptenFocusEvent*, void* self) {
    static_cast<WebPlatform*>(self)->focusLost_ = true;
    return EM_FALSE;
}

void WebPlatform::key(const KeyEvent& event, FrameInput& input) {
    ImGuiIO& io = ImGui::GetIO();
    if (event.keyCode > 0 && event.keyCode < kImGuiKeyCount)
        io.KeysDown[event.keyCode] = event.down;
    io.KeyCtrl = event.ctrl;
    io.KeyShift = event.shift;
    io.KeyAlt = event.alt;
    io.KeySuper = event.super;
    if (event.text[0] != '\0') io.AddInputCharactersUTF8(event.text);
    if (event.name.empty()) return;
    if (event.down && !event.repeat) input.keyPressed = event.name;
    const KeyUse use = lookUpKey(*bindings_, event.name);
    // Keys typed into a focused menu are the menu's (as on the desktop).
    if (use.action && !(event.down && io.WantCaptureKeyboard && input.menuFocused))
        input.keysHeld.set(*use.action, event.down);
    // A letter typed into a text field is the field's, not a command.
    const bool typed = io.WantTextInput && event.name.size() == 1;
    if (use.command && event.down && !event.repeat && !typed) input.commands.add(*use.command);
}

// The canvas's pixels follow its size on the page and the screen's pixel
// ratio, so the world is drawn sharp on a HiDPI screen.
void WebPlatform::fitCanvas() {
    emscripten_get_element_css_size(canvas_.c_str(), &cssWidth_, &cssHeight_);
    const double ratio = emscripten_get_device_pixel_ratio();
    const auto w = static_cast<int>(std::lround(cssWidth_ * ratio));
    const auto h = static_cast<int>(std::lround(cssHeight_ * ratio));
    const Vector2 now = framebufferSize();
    if (w > 0 && h > 0 && (now.X != w || now.Y != h))
        emscripten_set_canvas_element_size(canvas_.c_str(), w, h);
}

void WebPlatform::readPad(sandbox::PadState& pad) {
    pad = {};
    if (emscripten_sample_gamepad_data() != EMSCRIPTEN_RESULT_SUCCESS) {
        padName_.clear();
        return;
    }
    // The first pad connected is used, as on the desktop.
    const int count = emscripten_get_num_gamepads();
    for (int i = 0; i < count; ++i) {
        EmscriptenGamepadEvent state;
        if (emscripten_get_gamepad_status(i, &state) != EMSCRIPTEN_RESULT_SUCCESS ||
            !state.connected)
            continue;
        const auto axes = static_cast<std::size_t>(state.numAxes);
        const auto buttons = static_cast<std::size_t>(state.numButtons);
        readBrowserPad({std::span<const double>(state.axis, axes),
                        std::span<const double>(state.analogButton, buttons),
                        std::span<const int>(state.digitalButton, buttons)},
                       pad);
        padName_ = state.id[0] != '\0' ? state.id : "a pad";
        return;
    }
    padName_.clear();
}

bool WebPlatform::pollEvents(const sandbox::Bindings& bindings, FrameInput& input) {
    bindings_ = &bindings;
    input.commands.clear();
    input.keyPressed = {};
    for (const KeyEvent& event : keys_) key(event, input);
    keys_.clear();
    // Keys let go while the page was away would stay held.
    if (focusLost_) input.keysHeld = {};
    focusLost_ = false;
    fitCanvas();
    readPad(input.pad);
    return false;  // a page is closed by its tab, not by the sandbox
}

void WebPlatform::newImGuiFrame() {
    ImGuiIO& io = ImGui::GetIO();
    io.DisplaySize = ImVec2(static_cast<float>(cssWidth_), static_cast<float>(cssHeight_));
    const Vector2 pixels = framebufferSize();
    if (cssWidth_ > 0.0 && cssHeight_ > 0.0)
        io.DisplayFramebufferScale = ImVec2(static_cast<float>(pixels.X / cssWidth_),
                                            static_cast<float>(pixels.Y / cssHeight_));
    const double now = emscripten_get_now() / 1000.0;
    io.DeltaTime =
        lastImGuiFrame_ ? static_cast<float>(std::max(now - *lastImGuiFrame_, 1e-4)) : 1.0f / 60.0f;
    lastImGuiFrame_ = now;
    io.MousePos = ImVec2(static_cast<float>(mouseX_), static_cast<float>(mouseY_));
    // A click that came and went between two frames still counts.
    for (int b = 0; b < kMouseButtons; ++b) {
        io.MouseDown[b] = held_[b] || pressed_[b];
        pressed_[b] = false;
    }
    io.MouseWheel -= static_cast<float>(wheelPixels_ / kWheelPixelsPerStep);
    wheelPixels_ = 0.0;
}

}  // namespace

base::Result<std::unique_ptr<Platform>> openWebPlatform(const WindowOptions& options) {
    return openPlatform<WebPlatform>(options);
}

}  // namespace fly
