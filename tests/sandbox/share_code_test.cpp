// The text machinery shared by packs, sessions and courses, and share codes:
// compression round trips, corruption refused where it is, the checksum.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "sandbox/ShareCode.h"
#include "sandbox/TextFormat.h"

namespace {

using namespace sandbox;

// A text like a pack's: repeated keys and numbers.
std::string packLikeText(int shots) {
    std::string out = "trimsight-pack 1\nname \"Sample\"\n";
    for (int i = 0; i < shots; ++i) {
        out += "shot\n";
        out += "ball location " + std::to_string(i * 37 % 900) + " 1200.5 " +
               std::to_string(300 + i) + "\n";
        out += "ball velocity 0 -" + std::to_string(200 + i * 13) + " 650\n";
        out += "car location 0 -3000 17.032\ncar heading 90\ncar speed 0\ncar boost 100\n";
        out += "goal +y\ntime_limit 8\n";
    }
    return out;
}

TEST(ShareCode, TextsOfEveryShapeComeBackAsTheyWere) {
    std::string allBytes;
    for (int b = 0; b < 256; ++b) allBytes += static_cast<char>(b);
    std::string noise;
    uint32_t x = 12345;
    for (int i = 0; i < 5000; ++i) {
        x = x * 1103515245u + 12345u;
        noise += static_cast<char>(x >> 24);
    }
    const std::vector<std::string> texts = {
        "",
        "a",
        "ab",
        "abc",
        std::string(1000, 'z'),  // one long repeat, overlapping itself
        allBytes,
        noise,
        packLikeText(1),
        packLikeText(50),
        std::string(70000, 'q') + "tail" + std::string(70000, 'q'),  // beyond one repeat's reach
    };
    for (const std::string& text : texts) {
        const std::string code = makeShareCode(text);
        for (char ch : code)
            ASSERT_NE(
                std::string_view("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_")
                    .find(ch),
                std::string_view::npos);
        const base::Result<std::string> back = readShareCode(code);
        ASSERT_TRUE(back.ok()) << back.error();
        EXPECT_EQ(*back, text);
    }
}

TEST(ShareCode, APackOfFiftyShotsCompressesToAFractionOfItsText) {
    const std::string text = packLikeText(50);
    const std::string code = makeShareCode(text);
    EXPECT_LT(code.size(), text.size() / 2) << text.size() << " bytes gave " << code.size();
}

TEST(ShareCode, SpacesAndLineBreaksInsideACodeAreSkipped) {
    const std::string text = packLikeText(3);
    std::string code = makeShareCode(text);
    code.insert(20, "\n  ");
    code.insert(5, " ");
    const base::Result<std::string> back = readShareCode(code);
    ASSERT_TRUE(back.ok()) << back.error();
    EXPECT_EQ(*back, text);
}

TEST(ShareCode, EachCorruptionIsRefusedWithWhereAndWhat) {
    const std::string good = makeShareCode(packLikeText(4));
    struct Case {
        const char* name;
        std::string code;
        std::string error;
    };
    std::string changed = good;
    changed[40] = changed[40] == 'A' ? 'B' : 'A';
    std::string badChar = good;
    badChar[17] = '=';
    const std::vector<Case> cases = {
        {"a character outside the alphabet", badChar,
         "code position 18: '=' is not a code character (A-Z, a-z, 0-9, - and _)"},
        {"one character", "A",
         "code position 1: the code is cut short (or has a character too many)"},
        {"empty", "   ", "code: empty"},
        {"too short", "AQAAAA", "code: too short to be a code (6 characters)"},
        {"another version", "Ag" + good.substr(2),
         "code position 1: a code of version 2, which this program does not read (it reads version "
         "1)"},
        {"a changed character", changed,
         "code: the checksum does not match (the code was changed or cut short: copy it again)"},
    };
    for (const Case& c : cases) {
        const base::Result<std::string> r = readShareCode(c.code);
        ASSERT_FALSE(r.ok()) << c.name;
        EXPECT_EQ(r.error(), c.error) << c.name;
    }
}

TEST(ShareCode, ACodeCutShortAnywhereIsRefusedNeverReadWrong) {
    const std::string text = packLikeText(2);
    const std::string good = makeShareCode(text);
    for (std::size_t n = 0; n < good.size(); ++n) {
        const base::Result<std::string> r = readShareCode(good.substr(0, n));
        EXPECT_FALSE(r.ok()) << "cut to " << n;
    }
}

TEST(ShareCode, ALengthBeyondTheBoundIsRefusedBeforeAnyIsRead) {
    // version 1, length 0x7fffffff, then a checksum's worth of zeros
    const std::vector<uint8_t> bytes = {1, 0xff, 0xff, 0xff, 0x7f, 0, 0, 0, 0};
    const base::Result<std::string> r = readShareCode(base64url(bytes));
    ASSERT_FALSE(r.ok());
    EXPECT_EQ(r.error(),
              "code position 2: the code says its text is 2147483647 bytes, more than the 262144 a "
              "code may hold");
}

TEST(ShareCode, RepeatsThatReachBeforeTheStartAreRefusedAtTheirByte) {
    // a literal "ab", then a repeat of 3 bytes from 5 back
    const std::vector<uint8_t> stream = {1, 'a', 'b', 128, 5, 0};
    const base::Result<std::string> r = decompressText(stream, 5);
    ASSERT_FALSE(r.ok());
    EXPECT_EQ(r.error(), "byte 4: a repeat reaches before the start of the text");
    const base::Result<std::string> ok = decompressText({1, 'a', 'b', 128, 2, 0}, 5);
    ASSERT_TRUE(ok.ok()) << ok.error();
    EXPECT_EQ(*ok, "ababa");
}

TEST(ShareCode, TheChecksumIsTheCommonCrc32) {
    EXPECT_EQ(crc32(""), 0u);
    EXPECT_EQ(crc32("123456789"), 0xCBF43926u);  // the check value every CRC-32 agrees on
}

// ------------------------------------------------------ the text machinery

struct Thing {
    std::string name;
    Vec3 where{};
};

base::Result<Thing> parseThing(std::string_view text) {
    return text::readText<Thing>(text, "t.txt", 1000, [](text::LineReader& in) {
        text::readHeader(in, "trimsight-thing", 2, "a thing");
        Thing t;
        while (std::optional<std::string_view> line = in.next()) {
            text::Fields f(*line);
            const std::string_view key = f.word("a line");
            if (key == "name")
                t.name = f.quoted("the name", 8);
            else if (key == "where")
                t.where = f.within("where", text::arenaInterior(), "the arena");
            else
                text::fail("unknown line \"" + std::string(key) + '"');
            f.end();
        }
        return t;
    });
}

TEST(TextFormat, ReadsWhatItWritesAndNamesTheLineOfEachFault) {
    std::string good = "trimsight-thing 2\n# a comment\n\nname";
    good += ' ' + text::quotedText("a \"b\"\\");
    good += "\nwhere";
    text::appendVec(good, {1.5f, -0.0f, 2044.0f});
    good += "\r\n";
    const base::Result<Thing> t = parseThing(good);
    ASSERT_TRUE(t.ok()) << t.error();
    EXPECT_EQ(t->name, "a \"b\"\\");
    EXPECT_EQ(t->where.x, 1.5f);

    const struct {
        std::string text;
        std::string error;
    } cases[] = {
        {"", "t.txt:1: empty file: expected \"trimsight-thing 2\""},
        {"trimsight-flight 4\n", "t.txt:1: not a thing: expected \"trimsight-thing 2\""},
        {"trimsight-thing 3\n",
         "t.txt:1: written by a newer version of the format (3); this program reads versions up "
         "to 2"},
        {"trimsight-thing 1\n\nname \"123456789\"\n", "t.txt:3: the name: longer than 8 bytes"},
        {"trimsight-thing 1\nname \"a\tb\"\n",
         "t.txt:2: the name: a control character in the text"},
        {"trimsight-thing 1\nname \"ab\n", "t.txt:2: the name: the closing quote is missing"},
        {"trimsight-thing 1\nwhere 0 0 -1\n",
         "t.txt:2: where: 0 0 -1 is outside the arena (x from -4096 to 4096, y from -5120 to "
         "5120, z from 0 to 2044)"},
        {"trimsight-thing 1\nwhere 0 nan 1\n",
         "t.txt:2: where: expected a finite number, got \"nan\""},
        {"trimsight-thing 1\nwhere 0 0 1 2\n", "t.txt:2: unexpected \"2\" at the end of the line"},
        {"trimsight-thing 1\nwhat\n", "t.txt:2: unknown line \"what\""},
        {std::string("trimsight-thing 1\nname \"a\0b\"\n", 29), "t.txt:2: a NUL byte in the line"},
        {std::string(1001, '#'), "t.txt: larger than 1000 bytes"},
    };
    for (const auto& c : cases) {
        const base::Result<Thing> r = parseThing(c.text);
        ASSERT_FALSE(r.ok()) << c.text;
        EXPECT_EQ(r.error(), c.error);
    }
}

}  // namespace
