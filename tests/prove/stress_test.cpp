// Seeded random frames through the built plugin and the host layer: NaN,
// infinities, huge and denormal numbers, any rotation, canvas sizes 0 to 8K,
// console variables missing or holding any text. In the sanitizer build every
// float-to-int conversion and every integer operation is checked as it runs;
// here we check what was drawn: plausible points for game-like input, the
// same calls for the same frame, and nothing at all when a gate is closed.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <limits>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "host/pluginsdk/CVarStore.h"
#include "host/pluginsdk/GameHost.h"
#include "host/pluginsdk/PluginLoader.h"
#include "host/pluginsdk/RecordingCanvas.h"
#include "testkit/DecodedFrame.h"
#include "testkit/FrameChecks.h"
#include "testkit/LoadPlugin.h"

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr long kDefaultFrames = 300000;
#else
constexpr long kDefaultFrames = 100000;
#endif

long frameCount() {
    const char* env = std::getenv("TRIMSIGHT_STRESS_FRAMES");
    return env ? std::strtol(env, nullptr, 10) : kDefaultFrames;
}

class Stress : public ::testing::Test {
  protected:
    void SetUp() override {
        plugin = testkit::loadPlugin(TRIMSIGHT_PLUGIN_PATH, store, game);
        definitions = store.list();
        canvas.reserve(4096);
        again.reserve(4096);
    }
    pluginsdk::CVarStore store;
    pluginsdk::GameHost game;
    std::unique_ptr<pluginsdk::LoadedPlugin> plugin;
    std::vector<pluginsdk::CVarStore::Snapshot> definitions;
    pluginsdk::RecordingCanvas canvas;
    pluginsdk::RecordingCanvas again;
};

TEST_F(Stress, RandomFramesDrawOnlyFromDefinedArithmetic) {
    std::mt19937_64 random(20261207);
    std::vector<uint8_t> bytes(192);
    const long frames = frameCount();
    long drawn = 0;
    long saneDrawn = 0;
    for (long i = 0; i < frames; ++i) {
        for (uint8_t& b : bytes) b = static_cast<uint8_t>(random());
        testkit::ByteSource in(bytes.data(), bytes.size());
        const testkit::DecodedFrame frame = testkit::decodeFrame(in);
        testkit::applyFrame(frame, store, game, definitions);

        canvas.setSize(frame.canvas);
        canvas.clear();
        game.drawFrame(canvas);
        const std::string problem = testkit::checkFrame(frame, canvas.calls());
        ASSERT_EQ(problem, "") << "frame " << i;

        const bool gateClosed = frame.paused || (!frame.freeplay && !frame.customTraining) ||
                                !frame.hasBall || (frame.replayEvents == 1);
        if (gateClosed) {
            ASSERT_TRUE(canvas.calls().empty()) << "frame " << i;
        }
        if (!canvas.calls().empty()) {
            ++drawn;
            if (frame.sane) ++saneDrawn;
        }

        // Nothing carries over from one frame to the next: the same frame
        // draws the same calls (an uninitialised value would show here).
        if (i % 8 == 0) {
            again.setSize(frame.canvas);
            again.clear();
            game.drawFrame(again);
            ASSERT_TRUE(again.calls() == canvas.calls()) << "frame " << i;
        }
    }
    // The generator must reach the drawing code, with game-like frames too.
    EXPECT_GT(drawn, frames / 6);
    EXPECT_GT(saneDrawn, frames / 50);
}

// Hand-picked extremes the random frames may miss.
TEST_F(Stress, ExtremeValuesInEveryField) {
    const float specials[] = {std::numeric_limits<float>::quiet_NaN(),
                              std::numeric_limits<float>::infinity(),
                              -std::numeric_limits<float>::infinity(),
                              std::numeric_limits<float>::max(),
                              -std::numeric_limits<float>::max(),
                              std::numeric_limits<float>::denorm_min(),
                              0.0f,
                              -0.0f};
    const int32_t ints[] = {INT32_MIN, INT32_MAX, -16384, 16384, 32768, 0};
    const Vector2 canvases[] = {{0, 0}, {1, 1}, {8192, 8192}, {-1, 1080}, {INT32_MAX, INT32_MAX}};
    for (const char* peripheral : {"0", "1"}) {
        ASSERT_TRUE(store.setRaw("peripheral_mode_enabled", peripheral));
        for (const char* target : {"0", "3", "4", "6", "-2147483648", "nan", "1e30"}) {
            ASSERT_TRUE(store.setRaw("trimsight_target", target));
            for (float f : specials) {
                for (int32_t r : ints) {
                    for (Vector2 size : canvases) {
                        game.state.car.location = {f, 0.0f, f};
                        game.state.car.velocity = {f, f, 1.0f};
                        game.state.car.rotation = {r, r, r};
                        game.state.car.input.Steer = f;
                        game.state.car.input.Pitch = f;
                        game.state.ball.velocity = {0.0f, f, 0.0f};
                        canvas.setSize(size);
                        canvas.clear();
                        game.drawFrame(canvas);
                        // The layout variables are at their defaults here;
                        // the target option maps any value into 0..6.
                        testkit::DecodedFrame in;
                        in.sane = false;
                        in.layoutSane =
                            size.X > 0 && size.X <= 8192 && size.Y > 0 && size.Y <= 8192;
                        ASSERT_EQ(testkit::checkFrame(in, canvas.calls()), "");
                    }
                }
            }
        }
    }
    // Every variable at an extreme text.
    for (const char* text : {"nan", "inf", "-inf", "1e39", "-1e39", "", "x", "3.4e38"}) {
        for (const char* name : testkit::kCVarNames) ASSERT_TRUE(store.setRaw(name, text));
        for (Vector2 size : canvases) {
            canvas.setSize(size);
            canvas.clear();
            game.drawFrame(canvas);
            EXPECT_LE(canvas.calls().size(), testkit::kMaxCallsPerFrame);
        }
    }
}

// The layout variables far outside their bounds (NaN, huge, negative, zero)
// with the extreme rotations and a ball at the car or at the largest floats:
// no fault, and never more calls than a frame can have.
TEST_F(Stress, ExtremeLayoutVariablesWithExtremePoses) {
    const char* sizes[] = {"nan", "1e30", "-5", "0", "3.3"};
    const char* positions[] = {"nan", "1e30", "-1e30", "0.5"};
    const Rotator poses[] = {{INT32_MIN, INT32_MIN, INT32_MIN},
                             {INT32_MAX, INT32_MAX, INT32_MAX},
                             {16384, 0, 0},
                             {-16384, 32768, -32768}};
    const Vector balls[] = {{0, 0, 0}, {3e38f, -3e38f, 3e38f}, {1000, 300, 200}};
    testkit::DecodedFrame unbounded;
    unbounded.sane = false;
    unbounded.layoutSane = false;
    for (const char* target : {"0", "3", "4", "6"}) {
        ASSERT_TRUE(store.setRaw("trimsight_target", target));
        for (const char* peripheral : {"0", "1"}) {
            ASSERT_TRUE(store.setRaw("peripheral_mode_enabled", peripheral));
            for (const char* size : sizes) {
                ASSERT_TRUE(store.setRaw("trimsight_size", size));
                for (const char* position : positions) {
                    ASSERT_TRUE(store.setRaw("x_position", position));
                    ASSERT_TRUE(store.setRaw("y_position", position));
                    for (const Rotator& pose : poses) {
                        game.state.car.rotation = pose;
                        for (const Vector& ball : balls) {
                            game.state.ball.location = ball;
                            game.state.car.velocity = {-ball.X, 0, ball.Z};
                            canvas.clear();
                            game.drawFrame(canvas);
                            ASSERT_EQ(testkit::checkFrame(unbounded, canvas.calls()), "");
                        }
                    }
                }
            }
        }
    }
}

}  // namespace
