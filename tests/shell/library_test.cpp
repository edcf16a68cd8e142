// The built plugin library as a host sees it: symbols found by name, the
// record read byte by byte, nothing else exported.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <set>
#include <string>

namespace {

template <typename T>
T readAt(const void* base, std::size_t offset) {
    T value;
    std::memcpy(&value, static_cast<const unsigned char*>(base) + offset, sizeof value);
    return value;
}

class PluginLibrary : public ::testing::Test {
  protected:
    void SetUp() override {
        handle = dlopen(TRIMSIGHT_PLUGIN_PATH, RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(handle, nullptr) << dlerror();
    }
    void TearDown() override { dlclose(handle); }
    void* handle = nullptr;
};

TEST_F(PluginLibrary, RecordHoldsTheFieldsAtTheirOffsets) {
    const void* record = dlsym(handle, "exports");
    void* create = dlsym(handle, "getPlugin");
    void* destroy = dlsym(handle, "deleteMe");
    ASSERT_NE(record, nullptr);
    ASSERT_NE(create, nullptr);
    ASSERT_NE(destroy, nullptr);

    // Padding is zero, so 32- and 64-bit readers agree.
    EXPECT_EQ(readAt<int32_t>(record, 0), 95);
    EXPECT_EQ(readAt<int64_t>(record, 0), 95);
    EXPECT_EQ(readAt<uint32_t>(record, 40), 3u);
    EXPECT_EQ(readAt<uint64_t>(record, 40), 3u);

    const std::string source = readAt<const char*>(record, 8);
    EXPECT_EQ(std::filesystem::path(source).stem(), "Trimsight");
    EXPECT_STREQ(readAt<const char*>(record, 16), "Trimsight");
    EXPECT_STREQ(readAt<const char*>(record, 24), "Trimsight Training Tool for Aerials");
    EXPECT_STREQ(readAt<const char*>(record, 32), "1.2.0.768");
    EXPECT_EQ(readAt<void*>(record, 48), create);
    EXPECT_EQ(readAt<void*>(record, 56), destroy);
}

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
