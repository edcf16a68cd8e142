#pragma once
// One picture that shows a whole sequence at a glance: a grid of thumbnails,
// each labelled with its frame number. Long sequences are sampled evenly
// (first and last frame always in), and frames are added one at a time so a
// sequence never has to be held in memory.
#include <string>
#include <vector>

#include "canvas/Image.h"

namespace picture {

class ContactSheet {
  public:
    static constexpr int kMaxTiles = 36;
    static constexpr int kColumns = 6;
    static constexpr int kTileWidth = 320;

    // `frameCount` frames; the tiles take the shape of a `width` by `height` frame.
    ContactSheet(int frameCount, int width, int height);

    // Shrinks the frame into its tile, if frame `index` has one (a frame of
    // another shape is fitted in).
    void add(int index, const canvas::Image& frame);
    const canvas::Image& sheet() const { return sheet_; }

  private:
    std::vector<int> chosen_;  // frame index of each tile
    int tileWidth_ = 0;
    int tileHeight_ = 0;
    canvas::Image sheet_;
};

// Area-averaged shrink (or plain copy) of `src` into the `w` by `h` rectangle at (x, y) of `dst`.
void shrinkInto(const canvas::Image& src, canvas::Image& dst, int x, int y, int w, int h);

}  // namespace picture
