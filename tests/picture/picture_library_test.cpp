// The offscreen picture renderer in-process: canvas calls land where asked,
// bad sizes are refused without harm, pictures repeat exactly, PNG files and
// contact sheets hold what was drawn.
#include <gtest/gtest.h>
#include <unistd.h>

#include <climits>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>

#include "picture/ContactSheet.h"
#include "picture/PictureRenderer.h"
#include "picture/Png.h"
#include "testkit/Pixels.h"

namespace {

using canvas::Image;
using picture::PictureRenderer;

class PictureRendererTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        auto created = PictureRenderer::create();
        ASSERT_TRUE(created) << created.error();
        renderer_ = created->release();
    }
    static void TearDownTestSuite() {
        delete renderer_;
        renderer_ = nullptr;
    }

    Image draw(int w, int h, const std::function<void(pluginsdk::CanvasBackend&)>& calls) {
        Image image;
        const base::Status started = renderer_->begin(w, h, nullptr);
        EXPECT_TRUE(started) << started.error();
        if (!started) return image;
        if (calls) calls(renderer_->canvas());
        const base::Status finished = renderer_->finish(image);
        EXPECT_TRUE(finished) << finished.error();
        return image;
    }

    static PictureRenderer* renderer_;
};

PictureRenderer* PictureRendererTest::renderer_ = nullptr;

TEST_F(PictureRendererTest, PrimitivesLandWhereAskedInCallOrder) {
    const Image backdrop = draw(400, 300, nullptr);
    const Image image = draw(400, 300, [](pluginsdk::CanvasBackend& c) {
        c.setColor(215, 95, 0, 255);
        c.fillTriangle({10, 10}, {110, 10}, {60, 110});    // clockwise on the canvas
        c.fillTriangle({130, 10}, {180, 110}, {230, 10});  // counter-clockwise
        c.setColor(0, 0, 255, 255);
        c.setPosition({250, 20});
        c.fillBox({23, 23});
        c.fillBox({-10, -10});  // the colour and the position are kept between calls
        c.setColor(0, 0, 0, 255);
        c.drawLine({20, 200}, {380, 200}, 6.0f);
        c.setColor(50, 190, 220, 255);
        c.fillTriangle({300, 150}, {390, 150}, {345, 290});
        c.setColor(255, 255, 255, 255);
        c.drawLine({345, 150}, {345, 290}, 2.0f);  // later calls cover earlier ones
    });
    EXPECT_EQ(pixel(image, 60, 40), (Rgb{215, 95, 0}));
    EXPECT_EQ(pixel(image, 180, 40), (Rgb{215, 95, 0}));
    EXPECT_EQ(pixel(image, 60, 130), pixel(backdrop, 60, 130));
    EXPECT_EQ(pixel(image, 252, 22), (Rgb{0, 0, 255}));
    EXPECT_EQ(pixel(image, 272, 42), (Rgb{0, 0, 255}));
    EXPECT_EQ(pixel(image, 275, 45), pixel(backdrop, 275, 45));
    EXPECT_EQ(pixel(image, 245, 15), (Rgb{0, 0, 255}));
    EXPECT_EQ(pixel(image, 100, 200), (Rgb{0, 0, 0}));
    EXPECT_EQ(pixel(image, 100, 190), pixel(backdrop, 100, 190));
    EXPECT_EQ(pixel(image, 330, 170), (Rgb{50, 190, 220}));
    EXPECT_EQ(pixel(image, 345, 200), (Rgb{255, 255, 255}));
}

TEST_F(PictureRendererTest, TranslucentColourBlendsOverWhatIsBelow) {
    const Image backdrop = draw(200, 200, nullptr);
    const Image image = draw(200, 200, [](pluginsdk::CanvasBackend& c) {
        c.setColor(255, 0, 0, 50);
        c.fillTriangle({0, 0}, {200, 0}, {0, 200});
    });
    const Rgb under = pixel(backdrop, 40, 40);
    const Rgb over = pixel(image, 40, 40);
    EXPECT_NEAR(over.r, (under.r * 205 + 255 * 50) / 255.0, 2);
    EXPECT_NEAR(over.g, under.g * 205 / 255.0, 2);
    EXPECT_NEAR(over.b, under.b * 205 / 255.0, 2);
}

TEST_F(PictureRendererTest, BackdropIsAPlainMutedSkyOverAField) {
    const Image image = draw(320, 200, nullptr);
    for (int y : {0, 50, 100, 150, 199}) {
        for (int x : {1, 160, 318}) EXPECT_EQ(pixel(image, x, y), pixel(image, 0, y)) << y;
    }
    const Rgb sky = pixel(image, 0, 10);
    const Rgb field = pixel(image, 0, 190);
    EXPECT_GT(sky.b, sky.r);
    EXPECT_GT(field.g, field.r);
    EXPECT_GT(field.g, field.b);
    // Far from the dial's ground and sky colours.
    for (const Rgb& c : {sky, field}) {
        EXPECT_GT(std::abs(c.r - 215) + std::abs(c.g - 95) + std::abs(c.b - 0), 100);
        EXPECT_GT(std::abs(c.r - 50) + std::abs(c.g - 190) + std::abs(c.b - 220), 100);
    }
}

TEST_F(PictureRendererTest, FarOffAndDegenerateCallsDrawNothingAndDoNotCrash) {
    const Image backdrop = draw(64, 48, nullptr);
    const Image image = draw(64, 48, [](pluginsdk::CanvasBackend& c) {
        c.setColor(255, 255, 255, 255);
        c.fillTriangle({INT_MIN, INT_MIN}, {INT_MIN, INT_MAX}, {INT_MIN + 5, 0});
        c.fillTriangle({10, 10}, {10, 10}, {10, 10});
        c.setPosition({INT_MAX, INT_MAX});
        c.fillBox({INT_MAX, INT_MAX});
        c.drawLine({INT_MIN, INT_MIN}, {INT_MIN, INT_MAX}, 2.0f);
        c.drawLine({5, 5}, {60, 40}, 0.0f);
        c.drawLine({5, 5}, {60, 40}, -3.0f);
        c.setColor(255, 255, 255, 0);
        c.fillTriangle({0, 0}, {64, 0}, {0, 48});
    });
    EXPECT_EQ(image, backdrop);
}

TEST_F(PictureRendererTest, SizesWithoutPixelsOrBeyondTheLimitAreRefusedAndHarmless) {
    for (auto [w, h] :
         {std::pair{0, 0}, {0, 100}, {100, -1}, {20000, 20000}, {8193, 10}, {10, INT_MAX}}) {
        const base::Status drawn = renderer_->begin(w, h, nullptr);
        EXPECT_FALSE(drawn) << w << "x" << h;
        EXPECT_NE(drawn.error().find("canvas " + std::to_string(w) + " by " + std::to_string(h)),
                  std::string::npos)
            << drawn.error();
        EXPECT_EQ(drawn.error(), PictureRenderer::checkCanvasSize(w, h).error());
    }
    EXPECT_NE(PictureRenderer::checkCanvasSize(0, 0).error().find("no pixels"), std::string::npos);
    EXPECT_NE(PictureRenderer::checkCanvasSize(20000, 20000).error().find("at most 8192 by 8192"),
              std::string::npos);
    // The renderer still works afterwards, at the largest size too.
    const Image small = draw(3, 2, nullptr);
    EXPECT_EQ(small.width, 3);
    EXPECT_EQ(small.height, 2);
    const Image largest = draw(PictureRenderer::kMaxSide, 1, nullptr);
    EXPECT_EQ(largest.width, PictureRenderer::kMaxSide);
}

TEST_F(PictureRendererTest, TheSameCallsGiveTheSamePicture) {
    const auto calls = [](pluginsdk::CanvasBackend& c) {
        c.setColor(255, 0, 0, 50);
        for (int i = 0; i < 40; ++i) c.fillTriangle({100, 100}, {i * 7, 0}, {i * 7 + 7, 0});
        c.setColor(255, 255, 255, 255);
        c.drawLine({3, 190}, {197, 17}, 2.0f);
    };
    // The first picture of a size draws the backdrop that later ones copy in;
    // translucent red over it shows any difference in what lies below.
    const Image first = draw(200, 200, calls);
    EXPECT_EQ(draw(200, 200, calls), first);
    draw(640, 480, nullptr);  // another size in between
    EXPECT_EQ(draw(200, 200, calls), first);
    EXPECT_EQ(draw(200, 200, calls), first);
}

class TempFolder {
  public:
    TempFolder() {
        char name[] = "/tmp/trimsight-picture-XXXXXX";
        path_ = ::mkdtemp(name);
    }
    ~TempFolder() { std::filesystem::remove_all(path_); }
    std::string file(const std::string& name) const { return path_ + "/" + name; }
    const std::string& path() const { return path_; }

  private:
    std::string path_;
};

Image gradient(int w, int h) {
    Image image;
    image.resize(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t* p = image.at(x, y);
            p[0] = static_cast<uint8_t>(x);
            p[1] = static_cast<uint8_t>(y);
            p[2] = static_cast<uint8_t>(x ^ y);
        }
    return image;
}

void writeBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

TEST(PngTest, EncodedPictureReadsBackExactly) {
    TempFolder dir;
    const Image image = gradient(300, 7);
    std::vector<uint8_t> bytes;
    const base::Status encoded = picture::encodePng(image, bytes);
    ASSERT_TRUE(encoded) << encoded.error();
    writeBytes(dir.file("a.png"), bytes);
    const auto back = picture::readPng(dir.file("a.png"));
    ASSERT_TRUE(back) << back.error();
    EXPECT_EQ(*back, image);
}

TEST(PngTest, EmptyPicturesAndFilesThatAreNoPngAreRefusedWithAMessage) {
    TempFolder dir;
    std::vector<uint8_t> bytes;
    EXPECT_FALSE(picture::encodePng(Image{}, bytes));
    writeBytes(dir.file("bad.png"), {'n', 'o', 't'});
    const auto bad = picture::readPng(dir.file("bad.png"));
    EXPECT_NE(bad.error().find("cannot read " + dir.file("bad.png")), std::string::npos)
        << bad.error();
    EXPECT_FALSE(picture::readPng(dir.file("none.png")));
}

Image solid(int w, int h, uint8_t v) {
    Image image;
    image.resize(w, h);
    std::fill(image.rgb.begin(), image.rgb.end(), v);
    return image;
}

// The grey of the middle of tile `tile` (tiles of 320 by 180, 6 apart, 6 a row).
int tileGrey(const Image& sheet, int tile) {
    return sheet.at(6 + (tile % 6) * 326 + 160, 6 + (tile / 6) * 186 + 90)[0];
}

TEST(ContactSheetTest, LongSequencesAreSampledEvenlyFromFirstToLast) {
    // 100 frames, frame i a plain grey of 2i; 36 tiles show frames 0, 2, 5,
    // ..., 99 (tile t shows frame t * 99 / 35, rounded down).
    picture::ContactSheet sheet(100, 64, 36);
    const Image blank = sheet.sheet();
    sheet.add(-1, solid(64, 36, 255));
    sheet.add(100, solid(64, 36, 255));
    EXPECT_EQ(sheet.sheet(), blank);
    for (int i = 0; i < 100; ++i) sheet.add(i, solid(64, 36, static_cast<uint8_t>(2 * i)));
    EXPECT_EQ(sheet.sheet().height, 6 * 186 + 6);
    for (int t = 0; t < picture::ContactSheet::kMaxTiles; ++t)
        EXPECT_EQ(tileGrey(sheet.sheet(), t), 2 * (t * 99 / 35)) << "tile " << t;

    picture::ContactSheet few(3, 64, 36);
    for (int i = 0; i < 3; ++i) few.add(i, solid(64, 36, static_cast<uint8_t>(50 + i)));
    EXPECT_EQ(few.sheet().width, 3 * 326 + 6);
    for (int t = 0; t < 3; ++t) EXPECT_EQ(tileGrey(few.sheet(), t), 50 + t);
}

TEST(ContactSheetTest, EachTileShowsItsFrameShrunk) {
    picture::ContactSheet sheet(2, 640, 360);
    sheet.add(0, solid(640, 360, 200));
    sheet.add(1, solid(640, 360, 90));
    const Image& s = sheet.sheet();
    const int tile = picture::ContactSheet::kTileWidth;
    ASSERT_GE(s.width, 2 * tile);
    const int y = 6 + 90;  // the middle of the first row: tiles are 320 by 180
    EXPECT_EQ(s.at(6 + tile / 2, y)[0], 200);
    EXPECT_EQ(s.at(6 + tile + 6 + tile / 2, y)[0], 90);
    // A frame of another shape is fitted inside its tile, not past it.
    picture::ContactSheet odd(1, 640, 360);
    odd.add(0, solid(100, 1000, 255));
    EXPECT_EQ(odd.sheet().width, s.width - tile - 6);
}

}  // namespace
