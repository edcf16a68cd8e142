// The built plugin library as a host sees it: symbols found by name and the
// record read byte by byte, on every platform (library_file_test.cpp: what
// the Linux library exports; scripts/windows.sh: the DLL's export table).
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>

#include "host/pluginsdk/SharedLibrary.h"

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
        std::string error;
        handle = pluginsdk::openLibrary(TRIMSIGHT_PLUGIN_PATH, error);
        ASSERT_NE(handle, nullptr) << error;
    }
    void TearDown() override { pluginsdk::closeLibrary(handle); }
    void* handle = nullptr;
};

TEST_F(PluginLibrary, RecordHoldsTheFieldsAtTheirOffsets) {
    const void* record = pluginsdk::librarySymbol(handle, "exports");
    void* create = pluginsdk::librarySymbol(handle, "getPlugin");
    void* destroy = pluginsdk::librarySymbol(handle, "deleteMe");
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

}  // namespace
