// The flying page's module (trimsight-fly.js): the sandbox window of
// `trimsight-host fly` in a browser. The same session, world renderer, HUD
// and settings window as the desktop's, on the browser platform
// (hostapp/fly/WebPlatform.cpp), with the plugin linked in and entered as
// the host layer enters a library (PageHost). The page (site/index.html)
// reads its address into options and calls start; the browser's animation
// frames then run FlyApp::frame, one each, until the flight ends.
//
// The settings live in local storage (StoredSettings.h), loaded before the
// first frame and saved when changes rest, as the desktop saves its config
// file. The drills are the window's (F3, or the drill option; a pack's shots
// and ring courses, the pack and course options, as drills): each finished
// attempt is kept in local storage (StoredAttempts.h) through the same
// DrillReporter and book of attempts as the desktop's history file, and the
// best stored one is raced as the ghost. What the page should know comes to
// it as events (Module.onFlyEvent(kind, text)): "warning", "first-frame"
// (milliseconds since the page's navigation began), "attempt" (a finished
// attempt's result, the JSON line of `fly --drill`), "session" (at the end
// of a session played, its tally as `fly --session` prints it), "ended" (a
// JSON summary), "failed".
#include <emscripten/emscripten.h>

#include <cstdlib>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "fly/DrillReport.h"
#include "fly/FlySession.h"
#include "fly/platform/Platform.h"
#include "fly/window/FlyApp.h"
#include "web/PageHost.h"
#include "web/PageOptions.h"
#include "web/StoredAttempts.h"
#include "web/StoredSettings.h"

// The page's side, in JavaScript.
// clang-format off
EM_JS(char*, page_storage_get, (const char* key), {
    let text = null;
    try { text = window.localStorage.getItem(UTF8ToString(key)); } catch (e) { text = null; }
    if (text === null) return 0;
    const size = lengthBytesUTF8(text) + 1;
    const pointer = _malloc(size);
    stringToUTF8(text, pointer, size);
    return pointer;
});
EM_JS(int, page_storage_set, (const char* key, const char* text), {
    try {
        window.localStorage.setItem(UTF8ToString(key), UTF8ToString(text));
        return 1;
    } catch (e) {
        Module['onFlyEvent'] && Module['onFlyEvent']('warning', 'cannot store ' + UTF8ToString(key) + ': ' + e.message);
        return 0;
    }
});
EM_JS(void, page_storage_remove, (const char* key), {
    try { window.localStorage.removeItem(UTF8ToString(key)); } catch (e) { }
});
EM_JS(void, page_event, (const char* kind, const char* text), {
    Module['onFlyEvent'] && Module['onFlyEvent'](UTF8ToString(kind), UTF8ToString(text));
});
EM_JS(double, page_milliseconds, (), { return performance.now(); });
// clang-format on

namespace {

std::optional<std::string> storedText(const char* key) {
    char* text = page_storage_get(key);
    if (text == nullptr) return std::nullopt;
    std::string copy(text);
    std::free(text);
    return copy;
}

void report(const char* kind, const std::string& text) { page_event(kind, text.c_str()); }

// The browser's local storage for the record of attempts.
class LocalStorage final : public web::PageStorage {
  public:
    std::optional<std::string> get(const std::string& key) const override {
        return storedText(key.c_str());
    }
    bool set(const std::string& key, const std::string& text) override {
        return page_storage_set(key.c_str(), text.c_str()) != 0;
    }
    void remove(const std::string& key) override { page_storage_remove(key.c_str()); }
};

// One flight of the page, from start to its end.
struct FlyRun {
    web::PageHost host;
    web::PageOptions options;
    LocalStorage storage;
    base::Warnings warnings{[](const std::string& warning) { report("warning", warning); }};
    web::StoredAttemptArchive archive{storage, warnings};
    fly::DrillReporter drills{[](const std::string& line) { report("attempt", line); }, warnings,
                              &archive};
    std::unique_ptr<fly::Platform> platform;
    std::unique_ptr<fly::FlySession> session;
    std::unique_ptr<fly::FlyApp> app;
    bool firstFrame = true;
    bool ended = false;
    std::string text;  // the last text handed to the page
};

std::unique_ptr<FlyRun> run;

// Saves the console's saved variables over the stored settings; a failure,
// its reason told to the page, when they cannot be.
base::Status saveSettings(const pluginsdk::CVarStore& cvars,
                          std::span<const fly::SettingText> inPlace) {
    std::vector<web::SettingText> texts;
    for (const fly::SettingText& t : inPlace) texts.emplace_back(t.name, t.text);
    base::Result<std::string> text =
        web::settingsToStore(cvars, storedText(web::kSettingsKey), texts);
    if (!text) {
        report("warning", text.error());
        return text.failure();
    }
    // The page's store tells the page why it cannot store a text.
    if (page_storage_set(web::kSettingsKey, text->c_str()) == 0)
        return base::Failure{"the settings cannot be stored"};
    return {};
}

void loadSettings(pluginsdk::CVarStore& cvars) {
    base::Warnings warnings([](const std::string& warning) { report("warning", warning); });
    if (base::Status applied =
            web::applyStoredSettings(cvars, storedText(web::kSettingsKey), warnings);
        !applied)
        warnings.add(applied.error());
}

fly::AppOptions appOptions(FlyRun& r) {
    fly::AppOptions options;
    options.settingsPage = r.host.settingsWindow();
    if (options.settingsPage != nullptr)
        options.settingsTitle = options.settingsPage->getSettingsName();
    options.saveSettings = [&cvars = r.host.cvars](std::span<const fly::SettingText> inPlace) {
        return saveSettings(cvars, inPlace);
    };
    options.saveFailedNote = "settings not saved (the page says why)";
    // A flight with an end is a test's or a demo's: its last frame is kept
    // for the page to look at, and a drill's ends with its first attempt.
    options.endNs = r.options.endNs();
    options.captureLastFrame = options.endNs.has_value();
    options.endWithAttempt = r.options.fliesAttempts() && options.endNs.has_value();
    options.onAttemptFinished = [&drills = r.drills](const fly::FlySession& s) {
        drills.finished(s);
    };
    return options;
}

// The flight so far as JSON, for the page's status line and its tests:
// frames, rate, frame time, the session's time and ticks, the pad, the car.
std::string flightJson(const FlyRun& r) {
    const sandbox::CarState& car = r.session->world().car;
    const sandbox::AxisRates rates = sandbox::ratesInCarAxes(car.attitude, car.spin);
    const sandbox::Vec3& at = car.location;
    const sandbox::Vec3& forward = car.attitude.forward;
    nlohmann::json flight = {
        {"ended", r.ended},
        {"frames", r.app->times().frame.size()},
        {"framesPerSecond", r.app->framesPerSecond()},
        {"frameMs", r.app->frameMilliseconds()},
        {"seconds", static_cast<double>(r.session->timeNs()) / 1e9},
        {"ticks", r.session->log().ticks.size()},
        {"pad", r.platform->padName()},
        {"car",
         {{"location", {at.x, at.y, at.z}},
          {"forward", {forward.x, forward.y, forward.z}},
          {"rates", {{"pitch", rates.pitch}, {"yaw", rates.yaw}, {"roll", rates.roll}}},
          {"onGround", car.onGround}}}};
    return flight.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

void frame() {
    FlyRun& r = *run;
    const bool more = r.app->frame();
    if (r.firstFrame) {
        r.firstFrame = false;
        report("first-frame", std::to_string(page_milliseconds()));
    }
    if (more) return;
    emscripten_cancel_main_loop();
    if (r.options.fliesAttempts()) r.drills.unfinished(*r.session);
    if (const sandbox::SessionTally* tally = r.session->tally())
        report("session", fly::sessionJsonLine(*r.session->playlist(), *tally));
    (void)r.app->finish();  // a failure was told to the page as it came
    r.ended = true;
    report("ended", flightJson(r));
}

// Everything before the first frame; a failure's message for the page.
base::Status startRun(FlyRun& r, std::string_view optionsJson) {
    base::Result<web::PageOptions> options = web::parsePageOptions(optionsJson);
    if (!options) return options.failure();
    r.options = std::move(*options);
    if (base::Status loaded = r.host.load(); !loaded) return loaded.failure();
    loadSettings(r.host.cvars);

    fly::WindowOptions window;
    window.canvas = r.options.canvas;
    window.fixedSteps = r.options.fixedSteps;
    base::Result<std::unique_ptr<fly::Platform>> platform = fly::openWebPlatform(window);
    if (!platform) return platform.failure();
    r.platform = std::move(*platform);

    fly::SessionOptions session;
    session.seed = r.options.seed;
    session.physics.unlimitedBoost = r.options.unlimitedBoost;
    session.script = r.options.script ? &*r.options.script : nullptr;
    session.drill = r.options.drill;
    // As `fly --pack`, `fly --course` and `fly --session`: the options keep
    // the pack, the course and the session for the whole flight.
    session.pack = r.options.pack ? &*r.options.pack : nullptr;
    session.shot = r.options.shot > 0 ? r.options.shot - 1 : 0;
    session.course = r.options.course ? &*r.options.course : nullptr;
    session.session = r.options.session ? &*r.options.session : nullptr;
    session.autopilot = r.options.autopilot;
    // Landings are held still a moment, as in the window (the log waits).
    session.holdLandings = true;
    session.bestFlight = [&drills = r.drills](std::string_view drill, uint64_t seed) {
        return drills.bestFlight(drill, seed);
    };
    // The progress view (H) reads the attempts local storage keeps.
    session.attempts = [&drills = r.drills] { return drills.book().attempts(); };
    r.session = std::make_unique<fly::FlySession>(r.host.cvars, r.host.game, session);
    base::Result<std::unique_ptr<fly::FlyApp>> app =
        fly::FlyApp::create(*r.platform, *r.session, appOptions(r));
    if (!app) return base::Failure{"cannot draw the page: " + app.error()};
    r.app = std::move(*app);
    return {};
}

}  // namespace

extern "C" {

// Starts flying on the page's canvas with the options (PageOptions.h's
// JSON); 0 when the frames have begun, 1 when it could not start (the
// "failed" event says why). One flight a page: a second call fails.
EMSCRIPTEN_KEEPALIVE int trimsight_fly_start(const char* optionsJson) {
    if (run) {
        report("failed", "the page is flying already");
        return 1;
    }
    run = std::make_unique<FlyRun>();
    if (base::Status started = startRun(*run, optionsJson); !started) {
        report("failed", started.error());
        run.reset();
        return 1;
    }
    // One frame per animation frame of the browser; returns at once.
    emscripten_set_main_loop(frame, 0, 0);
    return 0;
}

// The flight so far (flightJson); empty before it has begun.
EMSCRIPTEN_KEEPALIVE const char* trimsight_fly_status() {
    if (!run || !run->app) return "";
    run->text = flightJson(*run);
    return run->text.c_str();
}

// The flight log recorded so far, as `fly --record` writes it (settings
// changed in the last frame join it once the flight has ended).
EMSCRIPTEN_KEEPALIVE const char* trimsight_fly_log() {
    if (!run || !run->session) return "";
    if (run->ended) run->session->flushSettingChanges();
    run->text = sandbox::formatFlightLog(run->session->log());
    return run->text.c_str();
}

// The last frame of a flight with an end, RGB rows from the top; its size
// from the two calls after. Null before the flight has ended.
EMSCRIPTEN_KEEPALIVE const unsigned char* trimsight_fly_picture() {
    if (!run || !run->ended || run->app->lastPicture().rgb.empty()) return nullptr;
    return run->app->lastPicture().rgb.data();
}
EMSCRIPTEN_KEEPALIVE int trimsight_fly_picture_width() {
    return run && run->app ? run->app->lastPicture().width : 0;
}
EMSCRIPTEN_KEEPALIVE int trimsight_fly_picture_height() {
    return run && run->app ? run->app->lastPicture().height : 0;
}

}  // extern "C"
