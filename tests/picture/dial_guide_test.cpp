// Teaching the dial: the places DialElements reads from the plugin's canvas
// calls lie on the elements the plugin drew (the pixel under each label's
// point has that element's colour), the calls pass through unchanged, the
// README says what the help page says, and `guide` writes its pictures.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <sstream>
#include <string>

#include "canvas/DialElements.h"
#include "canvas/DialGuide.h"
#include "host/pluginsdk/RecordingCanvas.h"
#include "picture/PictureRenderer.h"
#include "picture/Png.h"
#include "scene/Scene.h"
#include "scene/ScenePlayer.h"
#include "testkit/LoadPlugin.h"
#include "testkit/Pixels.h"
#include "testkit/ProgramRunner.h"

namespace {

using canvas::DialElement;

// A scene of one frame: every setting given, the car and the ball.
std::string oneFrame(const std::string& cvars, const std::string& car, const std::string& ball) {
    return R"({"canvas": [1280, 720], "cvars": {"trimsight_enabled": "1", )" + cvars +
           R"(}, "car": )" + car + R"(, "ball": )" + ball + "}";
}

// Draws the scene's frame onto the picture renderer through a DialElements
// and, beside it, onto a recording canvas through another.
class Sink final : public scene::FrameSink {
  public:
    explicit Sink(picture::PictureRenderer& r) : renderer_(r) {}
    pluginsdk::CanvasBackend& beginFrame(std::size_t, const scene::FrameState& s) override {
        EXPECT_TRUE(renderer_.begin(s.canvas.X, s.canvas.Y, nullptr));
        elements.setNext(&renderer_.canvas());
        elements.startFrame();
        return elements;
    }
    void endFrame(std::size_t) override {
        elements.finishFrame();
        EXPECT_TRUE(renderer_.finish(image));
    }
    canvas::DialElements elements{nullptr};
    canvas::Image image;

  private:
    picture::PictureRenderer& renderer_;
};

class RecordingSink final : public scene::FrameSink {
  public:
    pluginsdk::CanvasBackend& beginFrame(std::size_t, const scene::FrameState& s) override {
        canvas.setSize(s.canvas);
        return canvas;
    }
    void endFrame(std::size_t) override {}
    pluginsdk::RecordingCanvas canvas;
};

class DialGuide : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        auto created = picture::PictureRenderer::create();
        ASSERT_TRUE(created) << created.error();
        renderer_ = created->release();
    }
    static void TearDownTestSuite() {
        delete renderer_;
        renderer_ = nullptr;
    }
    void SetUp() override { plugin_ = testkit::loadPlugin(TRIMSIGHT_PLUGIN_PATH, cvars_, game_); }

    void play(const std::string& text, scene::FrameSink& sink) {
        base::Result<scene::SceneFrames> scene = scene::parseScene(text);
        ASSERT_TRUE(scene) << scene.error();
        ASSERT_TRUE(scene::playScene(*scene, cvars_, game_, sink));
    }

    static picture::PictureRenderer* renderer_;
    pluginsdk::CVarStore cvars_;
    pluginsdk::GameHost game_;
    std::unique_ptr<pluginsdk::LoadedPlugin> plugin_;
};

picture::PictureRenderer* DialGuide::renderer_ = nullptr;

// What each element's point must show: its colour, within a tolerance for
// the anti-aliased lines.
struct Expected {
    DialElement element;
    Rgb colour;
    int tolerance;
};
constexpr Expected kColours[] = {
    {DialElement::BackgroundDisc, {20, 20, 20}, 4},
    {DialElement::GroundDisc, {215, 95, 0}, 4},
    {DialElement::SkyRegion, {50, 190, 220}, 4},
    {DialElement::HorizonLine, {255, 255, 255}, 60},
    {DialElement::MeridianLines, {255, 255, 255}, 60},
    {DialElement::TargetMarker, {255, 255, 255}, 4},
    {DialElement::StickIndicator, {50, 200, 50}, 4},
    {DialElement::BallDot, {0, 0, 255}, 4},
    {DialElement::VelocityDot, {50, 255, 0}, 4},
    {DialElement::CentreSymbol, {0, 0, 0}, 4},
};

bool near(Rgb a, Rgb b, int tolerance) {
    return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance &&
           std::abs(a.b - b.b) <= tolerance;
}

// The colour nearest the wanted one within a pixel of the point: a 2-pixel
// line's middle may fall between two pixel rows.
bool showsColour(const canvas::Image& image, float x, float y, Rgb want, int tolerance) {
    const int px = static_cast<int>(std::floor(x)), py = static_cast<int>(std::floor(y));
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx) {
            const int qx = px + dx, qy = py + dy;
            if (qx < 0 || qy < 0 || qx >= image.width || qy >= image.height) continue;
            if (near(pixel(image, qx, qy), want, tolerance)) return true;
        }
    return false;
}

struct Moment {
    const char* what;
    std::string scene;
    bool ballCrossed;
    bool velocityCrossed;
    bool stick;
};

TEST_F(DialGuide, EveryLabelPointLiesOnTheElementTheDialDrewThere) {
    const Moment moments[] = {
        {"level car, ball 2000 ahead and 1000 to the right, flying ahead",
         oneFrame(R"("trimsight_size": "4", "x_position": "0.5", "y_position": "0.5",
                     "trimsight_target": "5", "peripheral_mode_enabled": "0")",
                  R"({"location": [0, 0, 800], "velocity": [1000, 0, 0], "rotation": [0, 0, 0]})",
                  R"({"location": [2000, -1000, 800]})"),
         false, false, false},
        {"rolled and pitched, stick pushed, moving backwards: the velocity dot crossed",
         oneFrame(R"("trimsight_size": "5", "x_position": "0.5", "y_position": "0.5",
                     "trimsight_target": "5", "peripheral_mode_enabled": "0")",
                  R"({"location": [0, 0, 800], "velocity": [-300, 500, -200],
                      "rotation": [3000, 0, -5000], "input": {"steer": 0.5, "pitch": -0.5}})",
                  R"({"location": [1500, -700, 1300]})"),
         false, true, true},
        {"ball 1500 behind the car, dial at the lower left: the ball dot crossed",
         oneFrame(R"("trimsight_size": "3.3", "x_position": "0.3", "y_position": "0.75",
                     "trimsight_target": "3", "peripheral_mode_enabled": "0")",
                  R"({"location": [0, 0, 800], "velocity": [900, 200, 300],
                      "rotation": [-2000, 4000, 9000], "input": {"pitch": 0.8}})",
                  R"({"location": [-1500, 200, 900]})"),
         true, false, true},
    };
    for (const Moment& m : moments) {
        SCOPED_TRACE(m.what);
        Sink sink(*renderer_);
        play(m.scene, sink);
        const canvas::DialElements& e = sink.elements;
        EXPECT_EQ(e[DialElement::BallDot].crossed, m.ballCrossed);
        EXPECT_EQ(e[DialElement::VelocityDot].crossed, m.velocityCrossed);
        EXPECT_EQ(e[DialElement::StickIndicator].drawn, m.stick);
        for (const Expected& x : kColours) {
            const canvas::ElementPlace& p = e[x.element];
            if (x.element == DialElement::StickIndicator && !m.stick) continue;
            ASSERT_TRUE(p.drawn) << "element " << static_cast<int>(x.element);
            EXPECT_TRUE(showsColour(sink.image, p.x, p.y, x.colour, x.tolerance))
                << "element " << static_cast<int>(x.element) << " at (" << p.x << ", " << p.y
                << ") shows " << pixel(sink.image, static_cast<int>(p.x), static_cast<int>(p.y));
            EXPECT_LE(p.minX, p.x);
            EXPECT_GE(p.maxX, p.x);
        }
    }
}

TEST_F(DialGuide, ReadingPassesEveryCallOnUnchangedAndPeripheralModeLabelsNothing) {
    const std::string dial =
        oneFrame(R"("trimsight_size": "3.3", "x_position": "0.3", "y_position": "0.9",
                    "trimsight_target": "6", "peripheral_mode_enabled": "0")",
                 R"({"location": [0, 0, 300], "velocity": [500, 100, 600],
                     "rotation": [1000, 2000, 3000], "input": {"steer": -0.7}})",
                 R"({"location": [900, 900, 900]})");
    RecordingSink direct;
    play(dial, direct);
    pluginsdk::RecordingCanvas behind;
    struct Tee final : scene::FrameSink {
        pluginsdk::RecordingCanvas* behind;
        canvas::DialElements elements{nullptr};
        pluginsdk::CanvasBackend& beginFrame(std::size_t, const scene::FrameState& s) override {
            behind->setSize(s.canvas);
            elements.setNext(behind);
            elements.startFrame();
            return elements;
        }
        void endFrame(std::size_t) override { elements.finishFrame(); }
    } tee;
    tee.behind = &behind;
    play(dial, tee);
    EXPECT_EQ(behind.calls(), direct.canvas.calls());
    EXPECT_TRUE(tee.elements[DialElement::GroundDisc].drawn);

    std::string band = dial;
    band.replace(band.find(R"("peripheral_mode_enabled": "0")"), 30,
                 R"("peripheral_mode_enabled": "1")");
    play(band, tee);
    for (std::size_t i = 0; i < canvas::kDialElementCount; ++i)
        EXPECT_FALSE(tee.elements[static_cast<DialElement>(i)].drawn) << i;
}

// The README's "Reading the dial" and the help overlay's page say the same.
TEST(DialGuideWords, TheReadmeHoldsEveryParagraphAndElementOfTheHelpPage) {
    std::ifstream in(std::string(TRIMSIGHT_SOURCE_DIR) + "/README.md");
    std::stringstream text;
    text << in.rdbuf();
    // Compared with the lines wrapped as they come: each run of spaces and
    // line breaks counts as one space.
    const auto squeezed = [](std::string_view t) {
        std::string out;
        for (char c : t) {
            const bool space = c == ' ' || c == '\n';
            if (space && (out.empty() || out.back() == ' ')) continue;
            out += space ? ' ' : c;
        }
        return out;
    };
    const std::string readme = squeezed(text.str());
    ASSERT_NE(readme.find("## Reading the dial"), std::string::npos);
    for (std::string_view paragraph : canvas::readingTheDial())
        EXPECT_NE(readme.find(squeezed(paragraph)), std::string::npos) << paragraph;
    for (const canvas::ElementGuide& g : canvas::elementGuide())
        EXPECT_NE(readme.find(squeezed(g.meaning)), std::string::npos) << g.label;
    for (const canvas::SituationGuide& s : canvas::situations()) {
        EXPECT_NE(readme.find(squeezed(s.shows)), std::string::npos) << s.title;
        EXPECT_NE(readme.find(std::string("docs/") + s.name + ".png"), std::string::npos);
    }
}

TEST(GuideCommand, WritesTheAnnotatedDialAndThreeSituations) {
    hosttest::TempDir dir;
    const hosttest::RunResult r = hosttest::runHost(
        {"--config", dir.file("none.json"), "guide", "-o", dir.file("guide")}, {});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    std::vector<std::string> names{"dial-guide"};
    for (const canvas::SituationGuide& s : canvas::situations()) names.push_back(s.name);
    for (const std::string& name : names) {
        base::Result<canvas::Image> image = picture::readPng(dir.file("guide/" + name + ".png"));
        ASSERT_TRUE(image) << name << ": " << image.error();
        EXPECT_EQ(image->width, 1280);
        EXPECT_EQ(image->height, 720);
        // The labels' yellow leader lines are there.
        int leader = 0;
        for (int y = 0; y < image->height; y += 2)
            for (int x = 0; x < image->width; x += 2)
                leader += near(pixel(*image, x, y), {255, 235, 80}, 10);
        EXPECT_GT(leader, 50) << name;
    }
}

}  // namespace
