// `fly`: the live sandbox. A window where a person flies the car with a pad
// or the keyboard and the plugin, loaded by name as for `trace` and
// `render`, draws its dial over the world every frame. The window itself is
// hostapp/fly/; this file reads the options, starts the host and the
// window, runs the frames and writes what was asked for at the end.
#include <CLI/CLI.hpp>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string_view>
#include <thread>
#include <tuple>

#include "app/CommandKit.h"
#include "desktop/ControlsFile.h"
#include "desktop/HistoryArchive.h"
#include "desktop/HistoryFile.h"
#include "desktop/InputFile.h"
#include "desktop/OutputFile.h"
#include "desktop/PlayerShots.h"
#include "desktop/UserFolders.h"
#include "fly/DrillReport.h"
#include "fly/Fly.h"
#include "fly/window/FlyApp.h"
#include "fly/window/WorldRenderer.h"
#include "picture/ContactSheet.h"
#include "picture/PictureSequence.h"
#include "picture/Png.h"

namespace app {
namespace {

namespace fs = std::filesystem;

// A window someone sees is drawn at most this often: one frame a tick, as
// there is nothing new to show in between. Displays that do not wait for
// their refresh (a virtual one) would otherwise run flat out.
constexpr int64_t kFramePeriodNs = 1000000000 / 120;
constexpr int kLargestSide = 8192;

struct FlyOptions {
    std::string videoDriver;
    std::string script;
    double seconds = 0.0;  // 0: until the window closes
    std::string screenshot;
    std::string record;
    std::string pictures;  // a folder for pictures every `pictureEvery` seconds
    double pictureEvery = 0.5;
    bool benchmark = false;
    std::string size = "1280x720";
    std::optional<uint64_t> seed;
    bool unlimitedBoost = false;
    std::string drill;  // empty: free flight
    // A ring course: a file, a built-in course's name, or a course in the
    // player's folder of courses; or a share code.
    std::string course;
    std::string courseCode;
    // A pack to play: a file, a built-in pack's name, or a pack in the
    // player's folder of packs; or a share code. Its shot from 1.
    std::string pack;
    std::string packCode;
    std::size_t shot = 1;
    // A session to play: a file, a built-in session's name, or a session in
    // the player's folder of sessions; or a share code.
    std::string session;
    std::string sessionCode;
    bool autopilot = false;
    double interfaceScale = 1.0;  // the player's factor on the text and panels' size
    // Free flight after a landing: "off" (go on), "start" or "random".
    std::string autoReset = "off";
    bool ballPath = false;  // the path ahead shown from the start
    bool carPath = false;
};

// "nose-on-ball, recovery, ...": every drill's name, for messages.
std::string drillNames() {
    std::string names;
    for (const sandbox::DrillEntry& entry : sandbox::drillTable())
        names += (names.empty() ? "" : ", ") + std::string(entry.info.name);
    return names;
}

// "loop, climb, ...": every built-in course's name, for messages.
std::string courseNames() {
    std::string names;
    for (const sandbox::Course& course : sandbox::builtInCourses())
        names += (names.empty() ? "" : ", ") + course.name;
    return names;
}

// "1280x720" as a width and a height, each 1 to 8192.
std::optional<Vector2> parseSize(const std::string& text) {
    int w = 0, h = 0;
    char x = 0, extra = 0;
    if (std::sscanf(text.c_str(), "%d%c%d%c", &w, &x, &h, &extra) != 3 || x != 'x') return {};
    if (w < 1 || h < 1 || w > kLargestSide || h > kLargestSide) return {};
    return Vector2{w, h};
}

// The screenshot and the flight log are written after the flight: checked
// before it, so that a long flight is not lost at the end. A FIFO is held
// open for the flight.
base::Status checkOutput(const std::string& path, const char* what,
                         std::vector<desktop::HeldOutput>& held) {
    if (path.empty()) return {};
    base::Result<desktop::HeldOutput> checked = desktop::HeldOutput::check(path);
    if (!checked)
        return base::Failure{"cannot write the " + std::string(what) + " " + path + ": " +
                             checked.error()};
    held.push_back(std::move(*checked));
    return {};
}

// The folder for --pictures, made when missing.
base::Status makePictureFolder(const std::string& folder) {
    if (folder.empty()) return {};
    std::error_code ec;
    if (fs::exists(folder, ec) && !fs::is_directory(folder, ec))
        return base::Failure{"cannot write the pictures to " + folder + ": it is a file"};
    fs::create_directories(folder, ec);
    if (ec) return base::Failure{"cannot make the folder " + folder + ": " + ec.message()};
    return {};
}

bool playsSession(const FlyOptions& o) { return !o.session.empty() || !o.sessionCode.empty(); }

// Whether the run flies attempts (a drill's or a pack's shots), which end
// by themselves.
bool fliesAttempts(const FlyOptions& o) {
    return !o.drill.empty() || !o.course.empty() || !o.courseCode.empty() || !o.pack.empty() ||
           !o.packCode.empty() || playsSession(o);
}

// A kind of file the player names on the command line: "pack" files in
// $XDG_DATA_HOME/trimsight/packs, NAME or NAME.pack; the same for courses.
template <typename T>
struct NamedKind {
    const char* kind;       // "pack"
    const char* folder;     // "packs"
    const char* extension;  // ".pack"
    base::Result<T> (*load)(const std::string& path);
    const T* (*builtIn)(std::string_view name);
    std::string builtInNames;  // for the message
};

// NAME: a file at that path; else a built-in by name; else the player's
// NAME or NAME.EXTENSION in their folder of that kind.
template <typename T>
base::Result<T> findNamed(const std::string& name, const NamedKind<T>& kind) {
    std::error_code ec;
    if (fs::is_regular_file(name, ec)) return kind.load(name);
    if (const T* builtIn = kind.builtIn(name)) return *builtIn;
    const std::string base = desktop::programFolder(desktop::kDataBase);
    const std::string folder = base.empty() ? base : base + "/" + kind.folder;
    if (!folder.empty() && name.find('/') == std::string::npos) {
        const std::string named = folder + "/" + name;
        // NAME.txt too: the moments a player saves go to my-shots.txt.
        for (const std::string& candidate : {named, named + kind.extension, named + ".txt"})
            if (fs::is_regular_file(candidate, ec)) return kind.load(candidate);
    }
    const std::string k = kind.kind;
    return base::Failure{
        name + ": no such " + k + " file, built-in " + k + " (" + kind.builtInNames + ") or " + k +
        " in " + (folder.empty() ? "the player's folder of " + std::string(kind.folder) : folder)};
}

// --pack NAME.
base::Result<sandbox::Pack> findPack(const std::string& name) {
    std::string names;
    for (const sandbox::Pack& p : sandbox::builtInPacks())
        names += (names.empty() ? "" : ", ") + sandbox::packSlug(p.name);
    return findNamed<sandbox::Pack>(
        name, {"pack", "packs", ".pack", desktop::loadPack, sandbox::findBuiltInPack, names});
}

// --course NAME, or --course-code CODE.
int loadCourse(const FlyOptions& options, std::optional<sandbox::Course>& course, std::FILE* err) {
    if (options.course.empty() && options.courseCode.empty()) return kExitOk;
    if (!options.course.empty() && !options.courseCode.empty()) {
        printError(err, "--course and --course-code both name a course: give one of them");
        return kExitUsage;
    }
    base::Result<sandbox::Course> found =
        options.course.empty()
            ? sandbox::courseFromCode(options.courseCode)
            : findNamed<sandbox::Course>(options.course,
                                         {"course", "courses", ".course", desktop::loadCourse,
                                          sandbox::findCourse, courseNames()});
    if (!found) {
        printError(err, found.error());
        return kExitScene;
    }
    course = std::move(*found);
    return kExitOk;
}

// A session to play and the player's packs it names, found before the
// flight (the built-in packs are the program's own).
struct SessionToPlay {
    sandbox::Session session;
    std::map<std::string, sandbox::Pack, std::less<>> packs;
    const sandbox::Pack* pack(std::string_view name) const {
        if (const sandbox::Pack* builtIn = sandbox::findBuiltInPack(name)) return builtIn;
        const auto found = packs.find(name);
        return found == packs.end() ? nullptr : &found->second;
    }
};

// --session NAME: a file at that path; else a built-in session by name;
// else the player's session NAME, NAME.session or NAME.txt in
// $XDG_DATA_HOME/trimsight/sessions.
base::Result<sandbox::Session> findSession(const std::string& name) {
    std::error_code ec;
    if (fs::is_regular_file(name, ec)) return desktop::loadSession(name);
    if (const sandbox::Session* builtIn = sandbox::findBuiltInSession(name)) return *builtIn;
    const std::string base = desktop::programFolder(desktop::kDataBase);
    const std::string folder = base.empty() ? base : base + "/sessions";
    if (!folder.empty() && name.find('/') == std::string::npos) {
        const std::string stem = folder + "/" + name;
        for (const char* suffix : {"", ".session", ".txt"})
            if (const std::string candidate = stem + suffix; fs::is_regular_file(candidate, ec))
                return desktop::loadSession(candidate);
    }
    std::string names;
    for (const sandbox::Session& s : sandbox::builtInSessions())
        names += (names.empty() ? "" : ", ") + sandbox::packSlug(s.name);
    return base::Failure{
        name + ": no such session file, built-in session (" + names + ") or session in " +
        (folder.empty() ? std::string("the player's folder of sessions") : folder)};
}

// The session of --session or --session-code, its packs read and every
// entry checked (sandbox's failures name the file and line, checkSession's
// the entry).
base::Status loadSessionToPlay(const FlyOptions& o, SessionToPlay& play) {
    base::Result<sandbox::Session> session =
        o.session.empty() ? desktop::sessionFromCode(o.sessionCode) : findSession(o.session);
    if (!session) return session.failure();
    play.session = std::move(*session);
    for (const sandbox::SessionEntry& e : play.session.entries) {
        if (e.kind != sandbox::SessionEntry::Kind::Shot || play.pack(e.name) != nullptr) continue;
        base::Result<sandbox::Pack> pack = findPack(e.name);
        if (pack) play.packs.emplace(e.name, std::move(*pack));
    }
    const std::string what = o.session.empty() ? std::string("the session's code") : o.session;
    if (base::Status ok = fly::checkSession(
            play.session, [&play](std::string_view name) { return play.pack(name); });
        !ok)
        return base::Failure{what + ": " + ok.error()};
    return {};
}

// Options checked before anything starts; a failure is a usage error.
base::Status checkOptions(const FlyOptions& o, bool scriptEnds) {
    if (!o.pack.empty() && !o.packCode.empty())
        return base::Failure{"--pack and --pack-code both name a pack: give one of them"};
    if (!o.drill.empty() && (!o.pack.empty() || !o.packCode.empty()))
        return base::Failure{"--drill and a pack both name what to fly: give one of them"};
    if (!o.session.empty() && !o.sessionCode.empty())
        return base::Failure{"--session and --session-code both name a session: give one of them"};
    if (playsSession(o) &&
        (!o.drill.empty() || !o.course.empty() || !o.pack.empty() || !o.packCode.empty()))
        return base::Failure{
            "a session plays its own drills, shots and courses: give it without --drill, "
            "--course or --pack"};
    if (o.shot < 1 || o.shot > sandbox::kMaxPackShots)
        return base::Failure{"--shot: expected a shot's number from 1 to 50"};
    if (!parseSize(o.size))
        return base::Failure{"--size: expected WIDTHxHEIGHT, each 1 to 8192, got " + o.size};
    if (!(o.seconds >= 0.0 && o.seconds <= fly::kMaxScriptSeconds))
        return base::Failure{"--seconds: expected a number of seconds from 0 to 86400"};
    if (!o.drill.empty() && sandbox::findDrill(o.drill) == nullptr)
        return base::Failure{"no drill named \"" + o.drill + "\"; the drills are " + drillNames()};
    const int starts = (o.drill.empty() ? 0 : 1) +
                       (o.course.empty() && o.courseCode.empty() ? 0 : 1) +
                       (o.pack.empty() && o.packCode.empty() ? 0 : 1);
    if (starts > 1)
        return base::Failure{
            "--drill, --course (or --course-code) and --pack (or --pack-code) each start an "
            "attempt: give one of them"};
    if (o.autopilot && !fliesAttempts(o))
        return base::Failure{
            "--autopilot flies drills, courses and packs: give --drill, --course or --pack"};
    if (o.autopilot && !o.script.empty())
        return base::Failure{"--autopilot and --script both fly the car: give one of them"};
    if (o.videoDriver == "offscreen" && o.seconds == 0.0 && !scriptEnds && !fliesAttempts(o))
        return base::Failure{
            "--video-driver offscreen shows nothing to close: give --seconds N, a script "
            "with an end line or --drill NAME"};
    // A drill's attempt ends by itself.
    if (!o.pictures.empty() && o.seconds == 0.0 && !scriptEnds && !fliesAttempts(o))
        return base::Failure{
            "--pictures needs an end: --seconds N, a script with an end line or --drill NAME"};
    if (!(o.interfaceScale >= 0.5 && o.interfaceScale <= 4.0))
        return base::Failure{"--interface-scale: expected a factor from 0.5 to 4"};
    if (!(o.pictureEvery >= 0.01 && o.pictureEvery <= 3600.0))
        return base::Failure{"--picture-every: expected 0.01 to 3600 seconds"};
    return {};
}

// A picture as a PNG file; a failure names the file.
base::Status writePicture(const std::string& path, const canvas::Image& image,
                          std::vector<uint8_t>& png) {
    base::Status written = picture::encodePng(image, png);
    if (written)
        written = desktop::writeOutputFile(
            path, std::string_view(reinterpret_cast<const char*>(png.data()), png.size()), 0666);
    if (!written) return base::Failure{"cannot write " + path + ": " + written.error()};
    return {};
}

// A picture of the window every so often: numbered PNG files in a folder and
// a contact sheet of them at the end, as `render` writes a sequence (and with
// its rule: an earlier, longer run's frames go once this one is whole).
class PictureFolder {
  public:
    PictureFolder(std::string folder, int count)
        : sequence_(std::move(folder), static_cast<std::size_t>(count)), count_(count) {}

    void add(const canvas::Image& image) {
        if (!status_ || index_ >= count_) return;
        if (!sheet_) sheet_.emplace(count_, image.width, image.height);
        sheet_->add(index_, image);
        write(sequence_.frameFile(static_cast<std::size_t>(index_++)), image);
    }
    // Writes the contact sheet and removes an earlier run's frames; the
    // first failure, if any.
    base::Status finish() {
        if (sheet_) write(sequence_.sheetFile(), sheet_->sheet());
        if (status_) removed_ = sequence_.removeEarlierFrames(static_cast<std::size_t>(index_));
        return status_;
    }
    int written() const { return index_; }
    std::size_t removed() const { return removed_; }

  private:
    void write(const std::string& path, const canvas::Image& image) {
        if (status_) status_ = writePicture(path, image, png_);
    }

    picture::PictureSequence sequence_;
    int count_;
    int index_ = 0;
    std::size_t removed_ = 0;
    std::optional<picture::ContactSheet> sheet_;
    std::vector<uint8_t> png_;
    base::Status status_;
};

int64_t percentile(std::vector<int64_t> values, double share) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const auto index = static_cast<std::size_t>(share * static_cast<double>(values.size() - 1));
    return values[index];
}

// Frame-time percentiles, the first frame (the driver compiling its
// shaders) left out.
void printBenchmark(std::FILE* out, const fly::FrameTimes& times, Vector2 size,
                    const std::string& platform) {
    if (times.frame.size() < 2) return;
    const std::vector<int64_t> frame(times.frame.begin() + 1, times.frame.end());
    const std::vector<int64_t> core(times.simulationAndDial.begin() + 1,
                                    times.simulationAndDial.end());
    const auto ms = [](int64_t ns) { return static_cast<double>(ns) / 1e6; };
    std::fprintf(out,
                 "benchmark: %zu frames of %d by %d on %s (first frame, %.1f ms, left out)\n"
                 "  frame time: median %.2f ms, 90%% %.2f ms, 99%% %.2f ms, max %.2f ms\n"
                 "  simulation and dial: median %.3f ms, 99%% %.3f ms, max %.3f ms\n",
                 frame.size(), size.X, size.Y, platform.c_str(), ms(times.frame.front()),
                 ms(percentile(frame, 0.5)), ms(percentile(frame, 0.9)),
                 ms(percentile(frame, 0.99)), ms(percentile(frame, 1.0)), ms(percentile(core, 0.5)),
                 ms(percentile(core, 0.99)), ms(percentile(core, 1.0)));
}

// The screenshot and the flight log, each tried whatever became of the
// other; kExitPicture when the screenshot cannot be written, else
// kExitOutput when the flight log cannot. What was written is
// noted on `notes`.
int writeOutputs(const FlyOptions& options, const fly::FlyApp& app, fly::FlySession& session,
                 std::FILE* notes, std::FILE* err) {
    int code = kExitOk;
    if (!options.screenshot.empty()) {
        std::vector<uint8_t> png;
        if (base::Status written = writePicture(options.screenshot, app.lastPicture(), png);
            !written) {
            printError(err, written.error());
            code = kExitPicture;
        } else {
            std::fprintf(notes, "wrote %s\n", options.screenshot.c_str());
        }
    }
    if (!options.record.empty()) {
        session.flushSettingChanges();
        const base::Status written =
            desktop::writeOutputFile(options.record, sandbox::formatFlightLog(session.log()), 0666);
        if (!written) {
            printError(err, "cannot write " + options.record + ": " + written.error());
            if (code == kExitOk) code = kExitOutput;
        } else {
            std::fprintf(notes, "wrote %s (%zu ticks)\n", options.record.c_str(),
                         session.log().ticks.size());
        }
    }
    return code;
}

// Frames until the last; a window someone sees is paced.
void flyFrames(fly::FlyApp& app, bool paced) {
    using Clock = std::chrono::steady_clock;
    auto next = Clock::now();
    while (app.frame()) {
        if (!paced) continue;
        next += std::chrono::nanoseconds(kFramePeriodNs);
        const auto now = Clock::now();
        if (next < now) next = now;  // behind: start again from here
        std::this_thread::sleep_until(next);
    }
}

// The script read and every option checked before anything starts.
int checkRequest(const GlobalOptions& global, const FlyOptions& options,
                 std::optional<fly::ControlScript>& script, std::optional<sandbox::Course>& course,
                 std::vector<desktop::HeldOutput>& held, std::FILE* err) {
    std::vector<desktop::RunFile> outputs = {{"--screenshot", options.screenshot},
                                             {"--record", options.record}};
    if (!options.pictures.empty())
        outputs.push_back({"the contact sheet",
                           (fs::path(options.pictures) / picture::kContactSheetName).string()});
    if (int code = checkOutputsApart(global, outputs,
                                     {{"the script", options.script},
                                      {"the pack", options.pack},
                                      {"the course", options.course},
                                      {"the session", options.session}},
                                     err);
        code != kExitOk)
        return code;
    if (!options.script.empty()) {
        const base::Result<std::string> text =
            desktop::readInputFile(options.script, "the script", fly::kMaxScriptBytes);
        base::Result<fly::ControlScript> loaded =
            text ? fly::parseControlScript(*text, options.script, sandbox::defaultBindings())
                 : base::Result<fly::ControlScript>(text.failure());
        if (!loaded) {
            printError(err, loaded.error());
            return kExitScene;
        }
        script = std::move(*loaded);
    }
    if (int code = loadCourse(options, course, err); code != kExitOk) return code;
    if (const base::Status usage = checkOptions(options, script && script->endNs); !usage) {
        printError(err, usage.error());
        return kExitUsage;
    }
    if (course && !course->timeLimit && options.videoDriver == "offscreen" &&
        options.seconds == 0.0 && !(script && script->endNs)) {
        printError(err,
                   "the course has no time limit and the window shows nothing to close: "
                   "give --seconds N");
        return kExitUsage;
    }
    for (const auto& [path, what, code] :
         {std::tuple{options.screenshot, "screenshot", kExitPicture},
          std::tuple{options.record, "flight log", kExitOutput}})
        if (base::Status ok = checkOutput(path, what, held); !ok) {
            printError(err, ok.error());
            return code;
        }
    if (base::Status ok = makePictureFolder(options.pictures); !ok) {
        printError(err, ok.error());
        return kExitPicture;
    }
    return kExitOk;
}

int openWindow(const FlyOptions& options, std::unique_ptr<fly::Platform>& platform,
               std::FILE* err) {
    const Vector2 size = *parseSize(options.size);
    fly::WindowOptions window;
    window.width = size.X;
    window.height = size.Y;
    window.videoDriver = options.videoDriver;
    base::Result<std::unique_ptr<fly::Platform>> opened = fly::openSdlPlatform(window);
    if (!opened) {
        printError(err, "cannot open a window: " + opened.error() +
                            "; to fly without a screen, use --video-driver offscreen");
        return kExitInternal;
    }
    platform = std::move(*opened);
    return kExitOk;
}

// The window's options: the settings page, saving as `set` does, the end,
// what is read back.
fly::AppOptions appOptionsFor(const FlyOptions& options, const fly::ControlScript* script,
                              const GlobalOptions& global, HostRun& run, std::FILE* err) {
    fly::AppOptions app;
    app.settingsPage = run.session.plugin->settingsWindow();
    if (app.settingsPage != nullptr) app.settingsTitle = app.settingsPage->getSettingsName();
    app.saveSettings = [&global, &run, err](std::span<const fly::SettingText> inPlace) {
        scene::SavedSettings texts;
        for (const fly::SettingText& t : inPlace) texts[std::string(t.name)] = std::string(t.text);
        base::Status saved = desktop::saveConsoleSettingsLocked(
            run.configPath, global.config.empty(), run.session.cvars, texts);
        if (!saved) printError(err, saved.error());
        return saved;
    };
    app.captureLastFrame = !options.screenshot.empty();
    app.interfaceScale = static_cast<float>(options.interfaceScale);
    app.pathShown = {options.ballPath, options.carPath};
    app.waitForDrawing = options.benchmark;
    if (options.seconds > 0.0)
        app.endNs = static_cast<int64_t>(std::llround(options.seconds * 1e9));
    else if (script != nullptr)
        app.endNs = script->endNs;
    if (!options.pictures.empty())
        app.pictureEveryNs = static_cast<int64_t>(std::llround(options.pictureEvery * 1e9));
    return app;
}

// The player's controls file beside the config, read at the start: a file
// that cannot be used is a warning, the defaults fly and the file is left
// as it is (not saved over); a bad line is a warning and keeps its default.
struct ControlsOnDisk {
    std::string path;
    fly::PlayerControls controls;
    std::string unusable;  // why the file may not be written over; empty: it may
};

ControlsOnDisk readControls(const HostRun& run, base::Warnings& warnings) {
    ControlsOnDisk disk;
    disk.path = desktop::controlsPathBeside(run.configPath);
    if (disk.path.empty()) return disk;
    base::Result<std::optional<std::string>> text = desktop::readControlsFile(disk.path);
    base::Result<fly::PlayerControls> parsed =
        !text    ? base::Result<fly::PlayerControls>(text.failure())
        : !*text ? base::Result<fly::PlayerControls>(fly::PlayerControls{})
                 : fly::parsePlayerControls(**text, disk.path, warnings);
    if (parsed) {
        disk.controls = *parsed;
        return disk;
    }
    disk.unusable = parsed.error();
    warnings.add(parsed.error() + "; flying with the default controls");
    return disk;
}

// The flight's start: a drill's first attempt, a seeded random start or the
// floor; a drill's ghost races the best flight the book knows.
fly::SessionOptions sessionOptionsFor(const FlyOptions& options, const fly::ControlScript* script,
                                      const sandbox::Course* course, fly::DrillReporter& drills,
                                      const fly::PlayerControls& controls,
                                      const sandbox::Pack* pack, const SessionToPlay* play,
                                      bool headless, std::FILE* err) {
    fly::SessionOptions session;
    if (play != nullptr) {
        session.session = &play->session;
        session.sessionPack = [play](std::string_view name) { return play->pack(name); };
        // Nobody watches the results of a run without a screen.
        if (headless) session.sessionPauseNs = 0;
    }
    // A moment saved (G) goes to the player's own pack; why not, to the
    // terminal too.
    session.saveShot = [err](const sandbox::Shot& shot) -> base::Result<std::string> {
        base::Result<std::string> path = desktop::myShotsPath();
        base::Result<desktop::SavedShot> saved =
            path ? desktop::appendShotToPack(*path, shot)
                 : base::Result<desktop::SavedShot>(path.failure());
        if (!saved) {
            printError(err, "the moment is not saved: " + saved.error());
            return base::Failure{"not saved: " + saved.error()};
        }
        return "saved as shot " + std::to_string(saved->number) + " of " + saved->packName;
    };
    session.controls = controls;
    session.pack = pack;
    session.shot = options.shot - 1;
    session.seed = options.seed;
    session.physics.unlimitedBoost = options.unlimitedBoost;
    session.script = script;
    session.drill = options.drill.empty() ? nullptr : sandbox::findDrill(options.drill);
    session.course = course;
    session.autopilot = options.autopilot;
    session.bestFlight = [&drills](std::string_view drill, uint64_t seed) {
        return drills.bestFlight(drill, seed);
    };
    session.seedRecord = [&drills](std::string_view drill, uint64_t seed) {
        return drills.book().seedRecord(drill, seed);
    };
    session.attempts = [&drills] { return drills.book().attempts(); };
    session.holdLandings = true;
    // Checked with the command line (a CLI::IsMember validator).
    session.autoReset = fly::autoResetNamed(options.autoReset).value_or(fly::AutoReset::Off);
    return session;
}

// What the run wrote, after the flight: the benchmark, the screenshot, the
// flight log, the pictures. A drill's run keeps standard output for its
// JSON lines, so its notes go to `err`.
int reportRun(const FlyOptions& options, fly::FlyApp& app, fly::FlySession& session,
              const fly::Platform& platform, std::optional<PictureFolder>& pictures, std::FILE* out,
              std::FILE* err) {
    std::FILE* notes = fliesAttempts(options) ? err : out;
    if (options.benchmark)
        printBenchmark(notes, app.times(), *parseSize(options.size), platform.description());
    int code = writeOutputs(options, app, session, notes, err);
    if (pictures) {
        if (base::Status written = pictures->finish(); !written) {
            printError(err, written.error());
            code = kExitPicture;
        } else {
            std::fprintf(notes, "wrote %d pictures and the contact sheet to %s\n",
                         pictures->written(), options.pictures.c_str());
            if (pictures->removed() > 0)
                std::fprintf(notes, "removed %zu frame(s) of an earlier, longer run from %s\n",
                             pictures->removed(), options.pictures.c_str());
        }
    }
    return code;
}

int runFly(const GlobalOptions& global, const FlyOptions& options, std::FILE* out, std::FILE* err) {
    std::optional<fly::ControlScript> script;
    std::optional<sandbox::Course> course;
    std::vector<desktop::HeldOutput> held;  // until the outputs are written
    if (int code = checkRequest(global, options, script, course, held, err); code != kExitOk)
        return code;
    std::optional<sandbox::Pack> pack;
    if (!options.pack.empty() || !options.packCode.empty()) {
        base::Result<sandbox::Pack> found =
            options.pack.empty() ? sandbox::packFromCode(options.packCode) : findPack(options.pack);
        if (!found) {
            printError(err, found.error());
            return kExitScene;
        }
        if (options.shot > found->shots.size()) {
            printError(err, "--shot " + std::to_string(options.shot) + ": the pack \"" +
                                found->name + "\" has " + std::to_string(found->shots.size()) +
                                " shots");
            return kExitUsage;
        }
        pack = std::move(*found);
    }
    std::optional<SessionToPlay> play;
    if (playsSession(options)) {
        play.emplace();
        if (base::Status loaded = loadSessionToPlay(options, *play); !loaded) {
            printError(err, loaded.error());
            return kExitScene;
        }
    }
    HostRun run;
    if (int code = startHost(global, run, err); code != kExitOk) return code;
    std::unique_ptr<fly::Platform> platform;
    if (int code = openWindow(options, platform, err); code != kExitOk) return code;

    // Attempts are kept in the history (--history or the default), and
    // earlier runs' bests raced; a history that cannot be read or written
    // is a warning, and the flight goes on.
    base::Warnings warnings = printedWarnings(err);
    desktop::HistoryArchive history(desktop::historyPath(global.history), warnings);
    fly::DrillReporter drills(
        [out](const std::string& line) {
            std::fprintf(out, "%s\n", line.c_str());
            std::fflush(out);
        },
        warnings, &history);
    const fly::ControlScript* scriptToFly = script ? &*script : nullptr;
    const ControlsOnDisk controls = readControls(run, warnings);
    fly::FlySession session(run.session.cvars, run.session.game,
                            sessionOptionsFor(options, scriptToFly, course ? &*course : nullptr,
                                              drills, controls.controls, pack ? &*pack : nullptr,
                                              play ? &*play : nullptr, platform->headless(), err));
    fly::AppOptions appOptions = appOptionsFor(options, scriptToFly, global, run, err);
    appOptions.saveControls = [&controls, &global, err](const fly::PlayerControls& changed) {
        base::Status saved =
            !controls.unusable.empty()
                ? base::Status(base::Failure{
                      controls.path + ": not saving over a controls file that cannot be used (" +
                      controls.unusable + "); fix or remove it"})
                : desktop::saveControlsFile(controls.path, global.config.empty(),
                                            fly::formatPlayerControls(changed));
        if (!saved) printError(err, saved.error());
        return saved;
    };
    // Without a screen a drill's run is its one attempt.
    const bool oneAttempt = fliesAttempts(options) && platform->headless();
    appOptions.endWithAttempt = oneAttempt;
    appOptions.onAttemptFinished = [&drills](const fly::FlySession& s) { drills.finished(s); };
    std::optional<PictureFolder> pictures;
    if (appOptions.pictureEveryNs > 0) {
        pictures.emplace(options.pictures, static_cast<int>(std::max<int64_t>(
                                               1, *appOptions.endNs / appOptions.pictureEveryNs)));
        appOptions.onPicture = [&](const canvas::Image& image) { pictures->add(image); };
    }
    base::Result<std::unique_ptr<fly::FlyApp>> app =
        fly::FlyApp::create(*platform, session, std::move(appOptions));
    if (!app) {
        printError(err, "cannot draw the window: " + app.error());
        return kExitPicture;
    }

    flyFrames(**app, !platform->headless() && !options.benchmark);
    if (oneAttempt) drills.unfinished(session);
    if (play && session.tally() != nullptr) {
        std::fprintf(out, "%s\n", fly::sessionJsonLine(play->session, *session.tally()).c_str());
        std::fflush(out);
    }
    const bool settingsSaved = (*app)->finish().ok();  // a failure's reason is printed
    const int code = reportRun(options, **app, session, *platform, pictures, out, err);
    return code != kExitOk ? code : (settingsSaved ? kExitOk : kExitConfigWrite);
}

}  // namespace

Subcommand addFlyCommand(CLI::App& app) {
    auto options = std::make_shared<FlyOptions>();
    CLI::App* fly = app.add_subcommand(
        "fly", "Fly the car in a window, with a pad or the keyboard, and watch the dial answer");
    // The options that name a driver, a file, a folder or a size.
    struct TextOption {
        const char* name;
        std::string FlyOptions::*field;
        const char* help;
    };
    const TextOption textOptions[] = {
        {"--video-driver", &FlyOptions::videoDriver,
         "SDL video driver; \"offscreen\" flies with no screen (for tests and pictures)"},
        {"--script", &FlyOptions::script, "Timed control inputs to fly by (format: docs/fly.md)"},
        {"--screenshot", &FlyOptions::screenshot, "Write the last frame to this PNG file"},
        {"--record", &FlyOptions::record, "Write the flight log to this file"},
        {"--pictures", &FlyOptions::pictures,
         "Write a picture of the window every --picture-every seconds to this folder (made when "
         "missing), and a contact sheet"},
        {"--size", &FlyOptions::size, "Window size, WIDTHxHEIGHT (default 1280x720)"},
    };
    for (const TextOption& o : textOptions) fly->add_option(o.name, (*options).*o.field, o.help);
    fly->add_option("--seconds", options->seconds, "Close the window after this many seconds");
    fly->add_option("--picture-every", options->pictureEvery,
                    "Seconds between pictures (default 0.5)");
    fly->add_flag("--benchmark", options->benchmark,
                  "Draw frames back to back and print frame-time percentiles");
    fly->add_option("--seed", options->seed,
                    "Start in the air from this seed's random start (default: on the floor); "
                    "with --drill, the drill's seed (default 1)");
    fly->add_option("--drill", options->drill,
                    "Fly a drill: " + drillNames() +
                        "; without a screen, one attempt whose result is printed as a JSON line");
    fly->add_option("--course", options->course,
                    "Fly a ring course: a course file, a built-in course (" + courseNames() +
                        ") or a course in $XDG_DATA_HOME/trimsight/courses; without a screen, one "
                        "attempt whose result is printed as a JSON line");
    fly->add_option("--course-code", options->courseCode, "Fly the course a share code holds");
    fly->add_option("--pack", options->pack,
                    "Play a pack of shots: a pack file, a built-in pack (first-aerials, "
                    "fast-aerials, backboard-and-ceiling-reads) or a pack in "
                    "$XDG_DATA_HOME/trimsight/packs; --seed gives the variance seed (default 0: "
                    "the shots as written)");
    fly->add_option("--pack-code", options->packCode, "Play the pack a share code holds");
    fly->add_option("--shot", options->shot, "The pack's shot to start with (default 1)");
    fly->add_option("--session", options->session,
                    "Play a session (drills, shots and courses, each so many times): a session "
                    "file, a built-in session (first-aerials, air-control, fast-aerials) or a "
                    "session in $XDG_DATA_HOME/trimsight/sessions; without a screen, a JSON line "
                    "per attempt and one for the session");
    fly->add_option("--session-code", options->sessionCode, "Play the session a share code holds");
    fly->add_flag("--autopilot", options->autopilot,
                  "The autopilot flies the attempts of the drill, course or pack");
    fly->add_flag("--unlimited-boost", options->unlimitedBoost, "Boost never runs out");
    fly->add_option("--interface-scale", options->interfaceScale,
                    "Text and panels this much larger (0.5 to 4; default 1: they follow the "
                    "window's height and the display's pixels per point)");
    fly->add_option("--auto-reset", options->autoReset,
                    "Free flight, after a landing (held still 1.5 s): off (fly on), start (back "
                    "to the start, as R) or random (a new random start, as N); default off")
        ->check(CLI::IsMember({"off", "start", "random"}));
    fly->add_flag("--ball-path", options->ballPath,
                  "Show the ball's path for the next 3 s (the drill menu turns it off)");
    fly->add_flag("--car-path", options->carPath,
                  "Show the car's path for the next 2 s with the controls held, and where it "
                  "comes nearest the ball");
    return {fly, [options](const GlobalOptions& global, std::FILE* out, std::FILE* err) {
                return runFly(global, *options, out, err);
            }};
}

}  // namespace app
