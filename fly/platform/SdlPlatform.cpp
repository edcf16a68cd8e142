// The desktop platform: SDL2 for the window, the OpenGL context, the
// keyboard and game controllers; Dear ImGui's SDL2 backend. The only file
// in the program that includes SDL.
//
// Game controllers come through SDL's game-controller layer, so its
// built-in database names the buttons of common pads and the
// SDL_GAMECONTROLLERCONFIG variable adds mappings of one's own. Pads may
// come and go while the window is open; the first one connected is used.
#include <SDL.h>
#include <backends/imgui_impl_sdl.h>
#include <dlfcn.h>
#include <imgui.h>
#include <link.h>

#include <cstdlib>
#include <cstring>
#include <string_view>

#include "fly/platform/Gl.h"
#include "fly/platform/Platform.h"

namespace fly {
namespace {

using sandbox::PadButton;

// The pad's buttons as SDL's game-controller layer names them.
constexpr SDL_GameControllerButton kPadButtons[sandbox::kPadButtonCount] = {
    SDL_CONTROLLER_BUTTON_A,
    SDL_CONTROLLER_BUTTON_B,
    SDL_CONTROLLER_BUTTON_X,
    SDL_CONTROLLER_BUTTON_Y,
    SDL_CONTROLLER_BUTTON_LEFTSHOULDER,
    SDL_CONTROLLER_BUTTON_RIGHTSHOULDER,
    SDL_CONTROLLER_BUTTON_BACK,
    SDL_CONTROLLER_BUTTON_START,
    SDL_CONTROLLER_BUTTON_DPAD_UP,
    SDL_CONTROLLER_BUTTON_DPAD_DOWN,
    SDL_CONTROLLER_BUTTON_DPAD_LEFT,
    SDL_CONTROLLER_BUTTON_DPAD_RIGHT,
    SDL_CONTROLLER_BUTTON_LEFTSTICK,
    SDL_CONTROLLER_BUTTON_RIGHTSTICK,
    SDL_CONTROLLER_BUTTON_MISC1};

float axis(SDL_GameController* pad, SDL_GameControllerAxis which) {
    const float v = static_cast<float>(SDL_GameControllerGetAxis(pad, which)) / 32767.0f;
    return v < -1.0f ? -1.0f : v;
}

bool isSet(const char* variable) {
    const char* v = std::getenv(variable);
    return v != nullptr && v[0] != '\0';
}

// SDL unloads the OpenGL libraries when its last GL window goes, and Mesa's
// driver leaves what it allocated behind when it is unloaded, out of sight
// of LeakSanitizer (our sanitizer build), which then reports it with no name
// to tell it by. Marking the GL libraries loaded so far as never to be
// unloaded keeps them, and their memory, to the end of the process, as
// hostapp/picture's EGL context does; a second window in the same process
// also starts faster.
int keepResident(dl_phdr_info* library, std::size_t, void*) {
    const char* name = library->dlpi_name;
    if (name != nullptr &&
        (std::strstr(name, "/dri/") != nullptr || std::strstr(name, "libEGL") != nullptr ||
         std::strstr(name, "libGL") != nullptr))
        dlopen(name, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
    return 0;
}

class SdlPlatform final : public Platform {
  public:
    ~SdlPlatform() override {
        if (pad_ != nullptr) SDL_GameControllerClose(pad_);
        if (context_ != nullptr) SDL_GL_DeleteContext(context_);
        if (window_ != nullptr) SDL_DestroyWindow(window_);
        SDL_Quit();
    }

    base::Status open(const WindowOptions& options);

    bool startImGui() override { return ImGui_ImplSDL2_InitForOpenGL(window_, context_); }
    void stopImGui() override { ImGui_ImplSDL2_Shutdown(); }
    bool pollEvents(const sandbox::Bindings& bindings, FrameInput& input) override;
    void newImGuiFrame() override { ImGui_ImplSDL2_NewFrame(); }
    Vector2 framebufferSize() const override {
        int w = 0, h = 0;
        SDL_GL_GetDrawableSize(window_, &w, &h);
        return {w, h};
    }
    void swapBuffers() override { SDL_GL_SwapWindow(window_); }
    int64_t nowNs() const override {
        const auto ticks = static_cast<double>(SDL_GetPerformanceCounter());
        return static_cast<int64_t>(ticks * nsPerCount_);
    }
    bool headless() const override { return headless_; }
    const std::string& description() const override { return description_; }
    std::string padName() const override {
        const char* name = pad_ != nullptr ? SDL_GameControllerName(pad_) : nullptr;
        return pad_ == nullptr ? "" : (name != nullptr ? name : "a pad");
    }

  private:
    void key(const SDL_KeyboardEvent& event, const sandbox::Bindings& bindings, FrameInput& input);
    void openFirstPad();
    void readPad(sandbox::PadState& pad) const;

    SDL_Window* window_ = nullptr;
    SDL_GLContext context_ = nullptr;
    SDL_GameController* pad_ = nullptr;
    bool headless_ = false;
    double nsPerCount_ = 1.0;
    std::string description_;
};

base::Status SdlPlatform::open(const WindowOptions& options) {
    const bool asked = !options.videoDriver.empty() || isSet("SDL_VIDEODRIVER");
    if (!options.videoDriver.empty())
        SDL_SetHint(SDL_HINT_VIDEODRIVER, options.videoDriver.c_str());
    // Without a display SDL would quietly fall back to a window nobody sees;
    // asking for X11 alone makes it say why there is none instead.
    const bool noDisplay = !isSet("DISPLAY") && !isSet("WAYLAND_DISPLAY");
    if (!asked && noDisplay) SDL_SetHint(SDL_HINT_VIDEODRIVER, "x11");
    // No window of a driver without a display ever has the focus, without
    // which a pad's events are dropped; SDL reads this when it starts.
    const char* requested = SDL_GetHint(SDL_HINT_VIDEODRIVER);
    const std::string_view named = requested != nullptr ? requested : "";
    if (named == "offscreen" || named == "dummy")
        SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
    if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_GAMECONTROLLER | SDL_INIT_EVENTS) != 0)
        return base::Failure{std::string(SDL_GetError()) +
                             (noDisplay && !asked ? " (DISPLAY is not set)" : "")};
    const std::string driver = SDL_GetCurrentVideoDriver();
    headless_ = driver == "offscreen" || driver == "dummy";
    if (headless_ && !asked)
        return base::Failure{"SDL found no display and fell back to its " + driver + " driver"};
    nsPerCount_ = 1e9 / static_cast<double>(SDL_GetPerformanceFrequency());

    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK,
                        kGlEs ? SDL_GL_CONTEXT_PROFILE_ES : SDL_GL_CONTEXT_PROFILE_CORE);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, kGlMajorVersion);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, kGlMinorVersion);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
    window_ = SDL_CreateWindow(options.title.c_str(), SDL_WINDOWPOS_CENTERED,
                               SDL_WINDOWPOS_CENTERED, options.width, options.height,
                               SDL_WINDOW_OPENGL | SDL_WINDOW_RESIZABLE | SDL_WINDOW_ALLOW_HIGHDPI);
    if (window_ == nullptr) return base::Failure{SDL_GetError()};
    context_ = SDL_GL_CreateContext(window_);
    if (context_ == nullptr)
        return base::Failure{std::string("no OpenGL 3.3 core context: ") + SDL_GetError()};
    SDL_GL_MakeCurrent(window_, context_);
    dl_iterate_phdr(keepResident, nullptr);
    // Waits for the display where there is one; the frame limiter covers
    // displays that do not wait.
    SDL_GL_SetSwapInterval(1);
    const auto* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    description_ = "SDL " + driver + ", " + (renderer != nullptr ? renderer : "unknown renderer");
    openFirstPad();
    return {};
}

void SdlPlatform::openFirstPad() {
    for (int i = 0; pad_ == nullptr && i < SDL_NumJoysticks(); ++i)
        if (SDL_IsGameController(i)) pad_ = SDL_GameControllerOpen(i);
}

void SdlPlatform::readPad(sandbox::PadState& pad) const {
    pad = {};
    if (pad_ == nullptr) return;
    pad.leftX = axis(pad_, SDL_CONTROLLER_AXIS_LEFTX);
    pad.leftY = axis(pad_, SDL_CONTROLLER_AXIS_LEFTY);
    pad.leftTrigger = axis(pad_, SDL_CONTROLLER_AXIS_TRIGGERLEFT);
    pad.rightTrigger = axis(pad_, SDL_CONTROLLER_AXIS_TRIGGERRIGHT);
    for (int b = 0; b < sandbox::kPadButtonCount; ++b)
        pad.press(static_cast<PadButton>(b),
                  SDL_GameControllerGetButton(pad_, kPadButtons[b]) != 0);
}

void SdlPlatform::key(const SDL_KeyboardEvent& event, const sandbox::Bindings& bindings,
                      FrameInput& input) {
    // Keys by where they sit, named as on a US keyboard: W, A, S, D fly the
    // same on every layout.
    const char* name = SDL_GetScancodeName(event.keysym.scancode);  // SDL's own, lasting
    const KeyUse use = lookUpKey(bindings, name);
    const bool down = event.type == SDL_KEYDOWN;
    if (down && event.repeat == 0 && name[0] != '\0') input.keyPressed = name;
    // Keys typed into a focused menu are the menu's. (Dear ImGui may want
    // the keyboard for its navigation with no menu focused at all, after a
    // focused window closed: the keys are the car's then.)
    const bool toImGui = ImGui::GetIO().WantCaptureKeyboard && input.menuFocused;
    if (use.action && !(down && toImGui)) input.keysHeld.set(*use.action, down);
    // A letter typed into a text field is the field's, not a command.
    const bool typed = ImGui::GetIO().WantTextInput && name[0] != '\0' && name[1] == '\0';
    if (use.command && down && event.repeat == 0 && !typed) input.commands.add(*use.command);
}

bool SdlPlatform::pollEvents(const sandbox::Bindings& bindings, FrameInput& input) {
    input.commands.clear();
    input.keyPressed = {};
    bool quit = false;
    SDL_Event event;
    while (SDL_PollEvent(&event) != 0) {
        ImGui_ImplSDL2_ProcessEvent(&event);
        switch (event.type) {
            case SDL_QUIT:
                quit = true;
                break;
            case SDL_KEYDOWN:
            case SDL_KEYUP:
                key(event.key, bindings, input);
                break;
            case SDL_WINDOWEVENT:
                // Keys let go while the window was away would stay held.
                if (event.window.event == SDL_WINDOWEVENT_FOCUS_LOST) input.keysHeld = {};
                break;
            case SDL_CONTROLLERDEVICEADDED:
                if (pad_ == nullptr) pad_ = SDL_GameControllerOpen(event.cdevice.which);
                break;
            case SDL_CONTROLLERDEVICEREMOVED:
                if (pad_ != nullptr && SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(
                                           pad_)) == event.cdevice.which) {
                    SDL_GameControllerClose(pad_);
                    pad_ = nullptr;
                    openFirstPad();
                }
                break;
            default:
                break;
        }
    }
    readPad(input.pad);
    return quit;
}

}  // namespace

base::Result<std::unique_ptr<Platform>> openSdlPlatform(const WindowOptions& options) {
    return openPlatform<SdlPlatform>(options);
}

}  // namespace fly
