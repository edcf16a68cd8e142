// `guide [-o DIR]`: the pictures that teach the dial. The plugin draws
// each of a few built-in moments exactly as in a frame of the game; labels
// are drawn beside the dial where it drew each element (canvas/DialElements,
// read from the plugin's own canvas calls) with the words of
// canvas/DialGuide: one annotated dial and three worked situations.

#include <CLI/CLI.hpp>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "app/CommandKit.h"
#include "canvas/DialGuide.h"
#include "desktop/UserFolders.h"
#include "picture/PicturePipeline.h"
#include "picture/PictureRenderer.h"
#include "picture/Png.h"
#include "scene/Scene.h"
#include "scene/ScenePlayer.h"

namespace app {
namespace {

namespace fs = std::filesystem;

constexpr int kWidth = 1280;
constexpr int kHeight = 720;

// The moments, each one frame with every console variable set, so that the
// player's saved settings do not change the pictures. A car at yaw 0 faces
// +x, and its right is +y (the car game's axes are left-handed).
struct GuideMoment {
    const char* stem;
    int situation;      // index in canvas::situations(), or -1: the annotated dial
    uint32_t labelled;  // the elements labelled, a bit each
    const char* scene;
};

constexpr uint32_t bit(canvas::DialElement e) { return 1u << static_cast<unsigned>(e); }
using E = canvas::DialElement;
constexpr uint32_t kAll = ~0u;
constexpr uint32_t kAttitude = bit(E::GroundDisc) | bit(E::SkyRegion) | bit(E::HorizonLine);

constexpr GuideMoment kMoments[] = {
    {"dial-guide", -1, kAll, R"({
  "canvas": [1280, 720],
  "cvars": {"trimsight_enabled": "1", "peripheral_mode_enabled": "0", "trimsight_size": "5",
            "x_position": "0.5", "y_position": "0.5", "trimsight_target": "5"},
  "car": {"location": [0, 0, 800], "velocity": [-300, 500, -200], "rotation": [3000, 0, -5000],
          "input": {"steer": 0.5, "pitch": -0.5}},
  "ball": {"location": [1500, -700, 1300], "velocity": [0, 0, 0]}
})"},
    {"situation-level-ball-right", 0,
     kAttitude | bit(E::BallDot) | bit(E::VelocityDot) | bit(E::StickIndicator), R"({
  "canvas": [1280, 720],
  "cvars": {"trimsight_enabled": "1", "peripheral_mode_enabled": "0", "trimsight_size": "4",
            "x_position": "0.68", "y_position": "0.55", "trimsight_target": "5"},
  "car": {"location": [0, 0, 800], "velocity": [1000, 0, -250], "rotation": [0, 0, 0],
          "input": {"steer": 0.7, "pitch": 0.0}},
  "ball": {"location": [2000, 1000, 800], "velocity": [0, 0, 0]}
})"},
    {"situation-nose-up-ball-below", 1,
     kAttitude | bit(E::BallDot) | bit(E::StickIndicator) | bit(E::CentreSymbol), R"({
  "canvas": [1280, 720],
  "cvars": {"trimsight_enabled": "1", "peripheral_mode_enabled": "0", "trimsight_size": "4",
            "x_position": "0.68", "y_position": "0.55", "trimsight_target": "5"},
  "car": {"location": [0, 0, 800], "velocity": [800, 0, 600], "rotation": [8192, 0, 0],
          "input": {"steer": 0.0, "pitch": -0.7}},
  "ball": {"location": [2000, 0, 900], "velocity": [0, 0, 0]}
})"},
    {"situation-falling-velocity-behind", 2,
     kAttitude | bit(E::BallDot) | bit(E::VelocityDot) | bit(E::TargetMarker), R"({
  "canvas": [1280, 720],
  "cvars": {"trimsight_enabled": "1", "peripheral_mode_enabled": "0", "trimsight_size": "4",
            "x_position": "0.68", "y_position": "0.55", "trimsight_target": "3"},
  "car": {"location": [0, 0, 1200], "velocity": [-400, 0, -700], "rotation": [0, 0, 0],
          "input": {"steer": 0.0, "pitch": 0.0}},
  "ball": {"location": [1500, 300, 1000], "velocity": [0, 0, 0]}
})"},
};

struct GuideOptions {
    std::string output = "trimsight-guide";

    void add(CLI::App& command) {
        command.add_option("-o,--output", output,
                           "the folder for the pictures (made when missing; default "
                           "trimsight-guide)");
    }
};

// One moment's picture: the plugin's frame with the labels over it and, for
// a situation, its title and words at the left.
class GuideSink final : public scene::FrameSink {
  public:
    GuideSink(picture::PictureRenderer& renderer, const GuideMoment& moment)
        : renderer_(renderer), moment_(moment) {}

    pluginsdk::CanvasBackend& beginFrame(std::size_t, const scene::FrameState& state) override {
        size_ = state.canvas;
        status_ = renderer_.begin(size_.X, size_.Y, [this] { drawWords(); });
        elements_.emplace(status_ ? &renderer_.canvas() : nullptr, size_);
        elements_->startFrame();
        return *elements_;
    }

    void endFrame(std::size_t) override {
        if (!status_) return;
        elements_->finishFrame();
        labelsReady_ = true;
        status_ = renderer_.finish(image_);
    }

    const base::Status& status() const { return status_; }
    const canvas::Image& image() const { return image_; }

  private:
    // The situations keep the left part for their words; the labels take the
    // rest.
    float wordsWidth() const { return moment_.situation < 0 ? 0.0f : 0.36f * size_.X; }

    void drawWords() {
        const float fontSize = ImGui::GetFontSize();
        const float w = static_cast<float>(size_.X);
        const float h = static_cast<float>(size_.Y);
        if (moment_.situation >= 0) {
            const canvas::SituationGuide& s =
                canvas::situations()[static_cast<std::size_t>(moment_.situation)];
            ImGui::SetNextWindowPos(ImVec2(fontSize, fontSize));
            ImGui::SetNextWindowSize(ImVec2(wordsWidth() - fontSize, 0.0f));
            ImGui::SetNextWindowBgAlpha(0.85f);
            ImGui::Begin(s.title, nullptr,
                         ImGuiWindowFlags_NoCollapse | ImGuiWindowFlags_NoSavedSettings |
                             ImGuiWindowFlags_NoResize);
            ImGui::TextWrapped("%s", s.shows);
            ImGui::End();
        }
        if (labelsReady_)
            canvas::drawDialLabels(ImGui::GetForegroundDrawList(), *elements_,
                                   ImVec2(wordsWidth(), 0.0f), ImVec2(w, h), fontSize,
                                   moment_.labelled);
    }

    picture::PictureRenderer& renderer_;
    const GuideMoment& moment_;
    Vector2 size_{};
    std::optional<canvas::DialElements> elements_;
    bool labelsReady_ = false;
    base::Status status_;
    canvas::Image image_;
};

int drawMoment(const GuideMoment& moment, HostRun& run, picture::PictureRenderer& renderer,
               const fs::path& folder, std::FILE* out, std::FILE* err) {
    base::Result<scene::SceneFrames> scene = scene::parseScene(moment.scene);
    if (!scene) {
        printError(err, std::string(moment.stem) + ": " + scene.error());
        return kExitInternal;
    }
    GuideSink sink(renderer, moment);
    if (base::Status played = scene::playScene(*scene, run.session.cvars, run.session.game, sink);
        !played) {
        printError(err, std::string(moment.stem) + ": " + played.error());
        return kExitScene;
    }
    if (!sink.status()) {
        printError(err, sink.status().error());
        return kExitPicture;
    }
    std::vector<uint8_t> bytes;
    const std::string path = (folder / (std::string(moment.stem) + ".png")).string();
    base::Status written = picture::encodePng(sink.image(), bytes);
    if (written) written = picture::writePictureFile(path, bytes);
    if (!written) {
        printError(err, "cannot write " + path + ": " + written.error());
        return kExitPicture;
    }
    std::fprintf(out, "wrote %s\n", path.c_str());
    return kExitOk;
}

int runGuide(const GlobalOptions& global, const GuideOptions& options, std::FILE* out,
             std::FILE* err) {
    HostRun run;
    if (const int started = startHost(global, run, err); started != kExitOk) return started;
    base::Result<std::unique_ptr<picture::PictureRenderer>> renderer =
        picture::PictureRenderer::create();
    if (!renderer) {
        printError(err, renderer.error());
        return kExitPicture;
    }
    (*renderer)->useInterfaceFont(static_cast<float>(kHeight) / 720.0f * 1.2f);
    if (base::Status made = desktop::makeFolder(options.output); !made) {
        printError(err, "cannot make the folder " + options.output + ": " + made.error());
        return kExitPicture;
    }
    for (const GuideMoment& moment : kMoments)
        if (const int drawn = drawMoment(moment, run, **renderer, options.output, out, err);
            drawn != kExitOk)
            return drawn;
    return kExitOk;
}

}  // namespace

Subcommand addGuideCommand(CLI::App& app) {
    return commandWithOptions<GuideOptions>(
        app, "guide",
        "Draws the pictures that teach the dial: each element labelled where the plugin draws "
        "it, and three worked situations.",
        runGuide);
}

}  // namespace app
