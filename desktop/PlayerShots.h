#pragma once
// The player's own shots: moments saved in the window ("save this moment",
// G) appended as shots to a pack of theirs, my-shots.txt in their folder of
// packs ($XDG_DATA_HOME/trimsight/packs), which `fly --pack my-shots` plays.
//
// The append is a read-modify-write under the pack's lock (PATH.lock, as
// the config is saved) through writeOutputFile, so two windows saving at
// once each add their shot. A pack file that does not read is never
// written over: the failure says where it is wrong.
#include <cstddef>
#include <string>
#include <string_view>

#include "base/Result.h"
#include "sandbox/Shots.h"

namespace desktop {

inline constexpr std::string_view kMyShotsName = "My shots";
inline constexpr std::string_view kMyShotsFile = "my-shots.txt";

// The folder of the player's packs: $XDG_DATA_HOME/trimsight/packs (empty
// when there is no data folder).
std::string playerPacksFolder();

// The player's pack of saved moments, its folders made when missing; a
// failure says why there is none.
base::Result<std::string> myShotsPath();

struct SavedShot {
    std::size_t number = 0;  // the shot's, from 1
    std::string packName;
};

// Appends `shot` to the pack at `path`: a missing file becomes a pack named
// kMyShotsName; a file that does not read, and a full pack
// (sandbox::kMaxPackShots), are left as they are, the failure naming the
// file.
base::Result<SavedShot> appendShotToPack(const std::string& path, const sandbox::Shot& shot);

}  // namespace desktop
