// desktop/platform/ and the files built on it, on the platform they are
// built for (the Windows build runs this under Wine): saves under the
// config's lock from two writers at once, a replacement that fails keeping
// the old file, reading within bounds, the history file's lock, a library
// that does not load, the user's folders.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "desktop/ConfigFile.h"
#include "desktop/OutputFile.h"
#include "desktop/UserFolders.h"
#include "desktop/platform/Files.h"
#include "host/pluginsdk/SharedLibrary.h"
#include "testkit/TempDir.h"

namespace {

using desktop::platform::LockedFile;
using hosttest::readFile;
using hosttest::TempDir;
using hosttest::writeFile;

// The platform's own facts, the one place the test tells them apart.
#ifdef _WIN32
constexpr bool kWindows = true;
void setVariable(const char* name, const std::string& value) { _putenv_s(name, value.c_str()); }
#else
constexpr bool kWindows = false;
void setVariable(const char* name, const std::string& value) { setenv(name, value.c_str(), 1); }
#endif
const char* configVariable() { return kWindows ? "APPDATA" : "XDG_CONFIG_HOME"; }
const char* dataVariable() { return kWindows ? "LOCALAPPDATA" : "XDG_DATA_HOME"; }
std::string inFolder(const std::string& folder, const std::string& name) {
    return folder + (kWindows ? "\\" : "/") + name;
}

// The names in `folder` that are temporary files of `target`.
int temporariesOf(const std::string& folder, const std::string& target) {
    int n = 0;
    for (const std::string& name : desktop::platform::regularFilesIn(folder))
        n += desktop::isTemporaryOf(name, target) ? 1 : 0;
    return n;
}

TEST(LockedSave, TwoWritersEachAddingToTheFileUnderTheLockLoseNoAddition) {
    // Each writer reads the count, waits a moment and writes it plus one, as
    // `set` reads, merges and writes the config: without the lock, one
    // writer's count would be written over the other's.
    const TempDir dir;
    const std::string config = dir.file("config.json");
    writeFile(config, "0");
    constexpr int kRounds = 20;
    auto writer = [&config] {
        for (int round = 0; round < kRounds; ++round) {
            base::Result<desktop::ConfigLock> lock = desktop::ConfigLock::take(config);
            ASSERT_TRUE(lock) << lock.error();
            const int count = std::stoi(readFile(config).value_or("-1000"));
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            ASSERT_TRUE(desktop::saveConfigFile(config, std::to_string(count + 1)));
        }
    };
    std::thread first(writer);
    std::thread second(writer);
    first.join();
    second.join();
    EXPECT_EQ(readFile(config), std::to_string(2 * kRounds));
    EXPECT_EQ(temporariesOf(dir.path(), "config.json"), 0);
}

TEST(LockedSave, ASecondHolderWaitsUntilTheFirstLetsGo) {
    const TempDir dir;
    const std::string path = dir.file("history.txt");
    std::atomic<bool> released{false};
    std::atomic<bool> secondSawRelease{false};
    std::thread second;
    {
        base::Result<LockedFile> first = LockedFile::open(path);
        ASSERT_TRUE(first) << first.error();
        second = std::thread([&] {
            base::Result<LockedFile> again = LockedFile::open(path);
            secondSawRelease = released.load();
            ASSERT_TRUE(again) << again.error();
            ASSERT_TRUE(again->append("second\n"));
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        ASSERT_TRUE(first->append("first\n"));
        released = true;
    }
    second.join();
    EXPECT_TRUE(secondSawRelease);
    EXPECT_EQ(readFile(path), "first\nsecond\n");
}

TEST(LockedFile, AppendsAtTheEndAndReadsTheLastByte) {
    const TempDir dir;
    const std::string path = dir.file("history.txt");
    writeFile(path, "one");
    base::Result<LockedFile> file = LockedFile::open(path);
    ASSERT_TRUE(file) << file.error();
    base::Result<std::optional<char>> last = file->lastByte();
    ASSERT_TRUE(last);
    EXPECT_EQ(*last, std::optional<char>('e'));
    base::Result<std::size_t> written = file->append("\ntwo\n");
    ASSERT_TRUE(written);
    EXPECT_EQ(*written, 5u);
    EXPECT_TRUE(file->sync());
    EXPECT_EQ(readFile(path), "one\ntwo\n");
    const TempDir empty;
    base::Result<LockedFile> fresh = LockedFile::open(empty.file("new.txt"));
    ASSERT_TRUE(fresh) << fresh.error();
    EXPECT_EQ(*fresh->lastByte(), std::nullopt);
    EXPECT_FALSE(LockedFile::open(empty.path())) << "a folder is not a file to append to";
}

TEST(AtomicReplacement, KeepsTheOldFileWhole) {
    // A save that fails at any step leaves the old file as it was and no
    // temporary file beside it; one that succeeds leaves the new file alone.
    const TempDir dir;
    const std::string path = dir.file("scene.json");
    writeFile(path, "old");
    const base::Status failed =
        desktop::writeOutputFileThrough(path, 0666, [](const std::string& temporary) {
            writeFile(temporary, "half of the new");
            return base::Status(base::Failure{"the disk is full"});
        });
    ASSERT_FALSE(failed);
    EXPECT_EQ(failed.error(), "the disk is full");
    EXPECT_EQ(readFile(path), "old");
    EXPECT_EQ(temporariesOf(dir.path(), "scene.json"), 0);

    ASSERT_TRUE(desktop::writeOutputFile(path, "new", 0666));
    EXPECT_EQ(readFile(path), "new");
    ASSERT_TRUE(desktop::writeOutputFile(dir.file("made.json"), "made", 0666));
    EXPECT_EQ(readFile(dir.file("made.json")), "made");
    EXPECT_EQ(temporariesOf(dir.path(), "scene.json") + temporariesOf(dir.path(), "made.json"), 0);

    // A temporary a killed run left is removed by the next write of its file.
    writeFile(dir.file("scene.json.tmp.Ab12Cd"), "killed");
    ASSERT_TRUE(desktop::writeOutputFile(path, "newer", 0666));
    EXPECT_EQ(temporariesOf(dir.path(), "scene.json"), 0);

    EXPECT_FALSE(desktop::writeOutputFile(dir.path(), "x", 0666)) << "a folder is refused";
    EXPECT_FALSE(desktop::writeOutputFile(dir.file("no/such/folder.json"), "x", 0666));
}

TEST(FilesApart, AnOutputThatIsAnInputByAnotherNameIsRefused) {
    const TempDir dir;
    writeFile(dir.file("a.log"), "log");
    const desktop::RunFile log{"the flight log", dir.file("a.log")};
    struct Case {
        std::string output;
        bool apart;
    };
    const Case cases[] = {
        {dir.file("a.log"), false},
        {dir.path() + "/./a.log", false},
        {dir.file("b.json"), true},  // missing, another name
    };
    for (const Case& c : cases) {
        const desktop::RunFile output{"-o", c.output};
        EXPECT_EQ(desktop::checkFilesApart({&output, 1}, {&log, 1}).ok(), c.apart) << c.output;
    }
    const desktop::RunFile twice[] = {{"-o", dir.file("new.json")},
                                      {"--plot", dir.file("new.json")}};
    EXPECT_FALSE(desktop::checkFilesApart(twice, {})) << "two outputs, one missing file";
}

TEST(ReadingFiles, WithinBoundsOnlyAndRegularFilesOnly) {
    const TempDir dir;
    const std::string path = dir.file("scene.json");
    writeFile(path, "0123456789");
    struct Case {
        std::string path;
        std::size_t maxBytes;
        bool reads;
    };
    const Case cases[] = {
        {path, 10, true},  // exactly the bound
        {path, 9, false},  // one byte over
        {dir.file("missing.json"), 10, false},
        {dir.path(), 10, false},  // a folder
    };
    for (const Case& c : cases) {
        base::Result<std::string> text = desktop::platform::readFile(c.path, c.maxBytes);
        EXPECT_EQ(text.ok(), c.reads) << c.path << " within " << c.maxBytes;
        if (text) {
            EXPECT_EQ(*text, "0123456789");
        } else {
            EXPECT_FALSE(text.error().empty());
        }
    }
    EXPECT_EQ(desktop::platform::readFileStart(path, 4), "0123");
    EXPECT_EQ(desktop::platform::readFileStart(dir.path(), 4), "");
    EXPECT_FALSE(desktop::platform::isMissing(path));
    EXPECT_TRUE(desktop::platform::isMissing(dir.file("missing.json")));
    EXPECT_TRUE(desktop::platform::isMissing(dir.file("scene.json/inside")));
    EXPECT_TRUE(desktop::platform::sameFile(path, dir.path() + "/./scene.json"));
    EXPECT_FALSE(desktop::platform::sameFile(path, dir.file("missing.json")));
    writeFile(dir.file("other.json"), "0123456789");
    EXPECT_FALSE(desktop::platform::sameFile(path, dir.file("other.json")));
    EXPECT_EQ(*desktop::platform::createNewFile(dir.file("new.log")), true);
    EXPECT_EQ(*desktop::platform::createNewFile(dir.file("new.log")), false);
}

TEST(SharedLibrary, ALibraryThatDoesNotLoadIsAnErrorWithTheSystemsReason) {
    const TempDir dir;
    writeFile(dir.file("text.dll"), "this is no library");
    for (const std::string& path : {dir.file("missing.dll"), dir.file("text.dll")}) {
        std::string error;
        EXPECT_EQ(pluginsdk::openLibrary(path, error), nullptr) << path;
        EXPECT_FALSE(error.empty()) << path;
        EXPECT_FALSE(pluginsdk::libraryLoaded(path)) << path;
    }
}

TEST(UserFolders, TheProgramsFolderIsMadeInsideAnExistingBase) {
    const TempDir dir;
    setVariable(configVariable(), dir.file("config-base"));
    setVariable(dataVariable(), dir.path());
    EXPECT_EQ(desktop::programFolder(desktop::kConfigBase),
              inFolder(dir.file("config-base"), "trimsight"));
    EXPECT_EQ(desktop::programFolder(desktop::kDataBase), inFolder(dir.path(), "trimsight"));
    // A base that does not exist is a mistyped variable: refused, not made.
    const base::Status refused = desktop::makeProgramFolder(desktop::kConfigBase);
    ASSERT_FALSE(refused);
    EXPECT_NE(refused.error().find("--config PATH"), std::string::npos) << refused.error();
    ASSERT_TRUE(desktop::makeProgramFolder(desktop::kDataBase));
    ASSERT_TRUE(desktop::makeProgramFolder(desktop::kDataBase)) << "an existing folder is fine";
    ASSERT_TRUE(
        desktop::writeOutputFile(desktop::programFolder(desktop::kDataBase) + "/x", "x", 0666));
    // A relative base is ignored.
    setVariable(dataVariable(), "relative");
    if (kWindows) {
        EXPECT_EQ(desktop::programFolder(desktop::kDataBase), "");
    }
}

}  // namespace
