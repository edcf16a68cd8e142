#include "desktop/ControlsFile.h"

#include "desktop/ConfigFile.h"
#include "desktop/InputFile.h"
#include "desktop/OutputFile.h"
#include "desktop/platform/Files.h"

namespace desktop {
namespace {

constexpr std::string_view kWhat = "the controls file";

}  // namespace

std::string controlsPathBeside(const std::string& configPath) {
    if (configPath.empty()) return {};
    const std::string folder = parentOf(configPath);
    return (folder == "/" ? std::string() : folder) + "/controls.txt";
}

base::Result<std::optional<std::string>> readControlsFile(const std::string& path) {
    if (platform::isMissing(path)) return std::optional<std::string>();
    base::Result<std::string> text = readInputFile(path, std::string(kWhat), kMaxControlsBytes);
    if (!text) return text.failure();
    return std::optional<std::string>(std::move(*text));
}

base::Status saveControlsFile(const std::string& path, bool isDefault, std::string_view text) {
    const base::Result<ConfigLock> lock = lockConfigForSave(path, isDefault, kWhat);
    if (!lock) return lock.failure();
    return saveConfigFile(path, text, kWhat);
}

}  // namespace desktop
