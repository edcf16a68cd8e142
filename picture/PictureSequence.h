#pragma once
// Where a sequence of pictures goes, for `render` and `fly --pictures` alike:
// a folder of numbered frames (frame-0000.png, ...; more digits when there
// are more than 10,000) and its contact sheet (contact-sheet.png). The
// folder is made when the first picture is written. Once the sequence is
// whole, numbered frames of an earlier run that this one did not replace
// (that run was longer, or numbered wider) go, so the folder holds this run
// only; nothing else in it is touched.
#include <cstddef>
#include <string>

#include "base/Result.h"

namespace picture {

inline constexpr const char* kContactSheetName = "contact-sheet.png";

// Whether `name` is a numbered frame: "frame-", four or more digits, ".png".
bool isFrameName(const std::string& name);

class PictureSequence {
  public:
    PictureSequence() = default;
    // A sequence of `frameCount` pictures (at least 1) in `folder`.
    PictureSequence(std::string folder, std::size_t frameCount);

    const std::string& folder() const { return folder_; }
    std::string frameFile(std::size_t index) const;
    std::string sheetFile() const;

    // Why the folder cannot take the sequence (a file is in its place);
    // empty when it can.
    std::string problem() const;
    // Makes the folder and what leads to it, when missing.
    base::Status makeFolder() const;
    // Removes the numbered frames that are not the first `written` of this
    // sequence; how many went.
    std::size_t removeEarlierFrames(std::size_t written) const;

  private:
    std::string folder_;
    int digits_ = 4;
};

}  // namespace picture
