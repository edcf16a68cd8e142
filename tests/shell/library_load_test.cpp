// Opening a plugin library by path, through the platform's own loader
// (SharedLibraryPosix.cpp or SharedLibraryWindows.cpp): what does not load
// says which file and why, in one line; a path in any script loads.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "host/pluginsdk/PluginLoader.h"
#include "host/pluginsdk/SharedLibrary.h"
#include "testkit/TempDir.h"

namespace {

using pluginsdk::LoadedPlugin;

struct NoPluginCase {
    const char* what;
    // The path to open, made inside the test's own folder.
    std::string (*make)(const hosttest::TempDir& dir);
    // Null for a file the system does not load: "cannot load plugin library
    // PATH: " and its reason. Else the library loads: "PATH: " and this.
    const char* problem;
};

const NoPluginCase kNoPlugin[] = {
    {"nothing there", [](const hosttest::TempDir& dir) { return dir.file("absent.plugin"); },
     nullptr},
    {"a text file",
     [](const hosttest::TempDir& dir) {
         hosttest::writeFile(dir.file("notes.plugin"), "not a library\n");
         return dir.file("notes.plugin");
     },
     nullptr},
    {"a folder",
     [](const hosttest::TempDir& dir) {
         std::filesystem::create_directory(dir.file("folder.plugin"));
         return dir.file("folder.plugin");
     },
     nullptr},
    {"bytes that are no text", [](const hosttest::TempDir& dir) { return dir.file("\xff\xfe"); },
     nullptr},
    {"a library that is no plugin",
     [](const hosttest::TempDir&) { return std::string(TRIMSIGHT_PLUGINSDK_PATH); },
     "no plugin record 'exports'"},
};

TEST(LibraryLoad, WhatIsNoPluginIsAnErrorNamingTheFileAndWhy) {
    for (const NoPluginCase& c : kNoPlugin) {
        SCOPED_TRACE(c.what);
        hosttest::TempDir dir;
        const std::string path = c.make(dir);
        std::string error;
        EXPECT_EQ(LoadedPlugin::open(path, error), nullptr);
        const std::string start =
            c.problem ? path + ": " : "cannot load plugin library " + path + ": ";
        ASSERT_EQ(error.compare(0, start.size(), start), 0) << error;
        const std::string why = error.substr(start.size());
        if (c.problem)
            EXPECT_EQ(why, c.problem);
        else
            EXPECT_GT(why.size(), 8u) << error;  // the system's reason, in words
        EXPECT_EQ(error.find('\n'), std::string::npos) << error;
    }
}

TEST(LibraryLoad, APluginUnderAPathInAnyScriptLoadsAndGoesAway) {
    hosttest::TempDir dir;
    const std::filesystem::path folder =
        std::filesystem::path(dir.path()) / std::filesystem::path(u8"Größe ✓ плагины");
    std::filesystem::create_directory(folder);
    const std::filesystem::path built(TRIMSIGHT_PLUGIN_PATH);
    std::filesystem::path copy = folder / std::filesystem::path(u8"trimsight-копия");
    copy += built.extension();
    std::filesystem::copy_file(built, copy);
    const std::u8string name = copy.u8string();
    const std::string path(name.begin(), name.end());

    std::string error;
    std::unique_ptr<LoadedPlugin> plugin = LoadedPlugin::open(path, error);
    ASSERT_NE(plugin, nullptr) << error;
    EXPECT_STREQ(plugin->info().displayName, "Trimsight Training Tool for Aerials");
    EXPECT_TRUE(pluginsdk::libraryLoaded(path));
    plugin.reset();
    EXPECT_FALSE(pluginsdk::libraryLoaded(path));
}

}  // namespace
