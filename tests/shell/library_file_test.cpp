// What the Linux plugin library exports and what its file is called (the
// Windows DLL's export table and version are checked by scripts/windows.sh).
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <set>
#include <string>

namespace {

TEST(PluginLibraryFile, ExportsExactlyTheThreeEntryPoints) {
    const std::string cmd = std::string("nm -D --defined-only '") + TRIMSIGHT_PLUGIN_PATH + "'";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(cmd.c_str(), "r"), pclose);
    ASSERT_TRUE(pipe);
    std::set<std::string> names;
    char line[512];
    while (std::fgets(line, sizeof line, pipe.get())) {
        char addr[64], type[8], name[400];
        if (std::sscanf(line, "%63s %7s %399s", addr, type, name) == 3) names.insert(name);
    }
    EXPECT_EQ(names, (std::set<std::string>{"deleteMe", "exports", "getPlugin"}));
}

TEST(PluginLibraryFile, CarriesTheVersionInItsFileName) {
    const auto real = std::filesystem::canonical(TRIMSIGHT_PLUGIN_PATH);
    EXPECT_EQ(real.filename(), "libtrimsight.so.1.2.0.768");
}

}  // namespace
