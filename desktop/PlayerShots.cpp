#include "desktop/PlayerShots.h"

#include "desktop/ConfigFile.h"
#include "desktop/InputFile.h"
#include "desktop/OutputFile.h"
#include "desktop/UserFolders.h"
#include "desktop/platform/Files.h"

namespace desktop {

namespace {
constexpr std::string_view kWhat = "the pack";
}  // namespace

std::string playerPacksFolder() {
    const std::string base = programFolder(kDataBase);
    return base.empty() ? base : base + "/packs";
}

base::Result<std::string> myShotsPath() {
    const std::string folder = playerPacksFolder();
    if (folder.empty())
        return base::Failure{"no folder for the player's packs: set XDG_DATA_HOME or HOME"};
    if (base::Status made = makeProgramFolder(kDataBase); !made) return made.failure();
    if (base::Status made = makeFolder(folder); !made) return made.failure();
    return folder + "/" + std::string(kMyShotsFile);
}

base::Result<SavedShot> appendShotToPack(const std::string& path, const sandbox::Shot& shot) {
    const base::Result<ConfigLock> lock = ConfigLock::take(path, kWhat);
    if (!lock) return lock.failure();
    sandbox::Pack pack;
    if (platform::isMissing(path)) {
        pack.name = std::string(kMyShotsName);
        pack.author = "me";
    } else {
        base::Result<sandbox::Pack> read = loadPack(path);
        if (!read) return base::Failure{read.error() + "; not writing over it"};
        pack = std::move(*read);
    }
    if (pack.shots.size() >= sandbox::kMaxPackShots)
        return base::Failure{path + ": the pack is full (" +
                             std::to_string(sandbox::kMaxPackShots) +
                             " shots); not saved: make room or move the file"};
    pack.shots.push_back(shot);
    if (base::Status written = writeOutputFile(path, sandbox::formatPack(pack), 0666); !written)
        return base::Failure{"cannot write " + path + ": " + written.error()};
    return SavedShot{pack.shots.size(), pack.name};
}

}  // namespace desktop
