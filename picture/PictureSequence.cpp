#include "picture/PictureSequence.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>

namespace picture {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kFramePrefix = "frame-";
constexpr std::string_view kFrameSuffix = ".png";
constexpr int kMinDigits = 4;

}  // namespace

bool isFrameName(const std::string& name) {
    if (name.size() < kFramePrefix.size() + kMinDigits + kFrameSuffix.size() ||
        !name.starts_with(kFramePrefix) || !name.ends_with(kFrameSuffix))
        return false;
    for (std::size_t i = kFramePrefix.size(); i < name.size() - kFrameSuffix.size(); ++i)
        if (name[i] < '0' || name[i] > '9') return false;
    return true;
}

PictureSequence::PictureSequence(std::string folder, std::size_t frameCount)
    : folder_(std::move(folder)),
      digits_(std::max<int>(
          kMinDigits,
          static_cast<int>(std::to_string(frameCount > 0 ? frameCount - 1 : 0).size()))) {}

std::string PictureSequence::frameFile(std::size_t index) const {
    char name[48];
    std::snprintf(name, sizeof name, "frame-%0*zu.png", digits_, index);
    return (fs::path(folder_) / name).string();
}

std::string PictureSequence::sheetFile() const {
    return (fs::path(folder_) / kContactSheetName).string();
}

std::string PictureSequence::problem() const {
    std::error_code ec;
    if (fs::exists(folder_, ec) && !fs::is_directory(folder_, ec))
        return "cannot write the frames to " + folder_ +
               ": it is a file, and a sequence needs a "
               "folder";
    return {};
}

base::Status PictureSequence::makeFolder() const {
    std::error_code ec;
    fs::create_directories(folder_, ec);
    if (ec) return base::Failure{"cannot make the folder " + folder_ + ": " + ec.message()};
    return {};
}

std::size_t PictureSequence::removeEarlierFrames(std::size_t written) const {
    std::error_code ec;
    std::size_t removed = 0;
    for (const auto& entry : fs::directory_iterator(folder_, ec)) {
        const std::string name = entry.path().filename().string();
        const bool file = entry.is_symlink(ec) || entry.is_regular_file(ec);
        if (!file || !isFrameName(name)) continue;
        const std::size_t digits = name.size() - kFramePrefix.size() - kFrameSuffix.size();
        const std::string number = name.substr(kFramePrefix.size(), digits);
        // Past 19 digits a number cannot be this sequence's.
        const bool ours = digits == static_cast<std::size_t>(digits_) && digits < 20 &&
                          std::stoull(number) < written;
        if (!ours && fs::remove(entry.path(), ec)) ++removed;
    }
    return removed;
}

}  // namespace picture
