#pragma once
// The progress view (H, or the drill menu's Progress button): per drill the
// attempts, the passes and the best, and a small plot of the part that ranks
// its attempts over the attempts, for one seed or all seeds mixed. A Dear
// ImGui window drawn inside the window's frame; it reads the attempts the
// session knows (the history and this run's) and nothing else, and works
// with plain widgets so that keyboard (arrows, Enter) and pad navigation
// reach every part of it.
//
// The summaries are made again only when the view opens or an attempt has
// finished since, never every frame.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "fly/FlySession.h"
#include "sandbox/History.h"

namespace fly {

// The view's own state, kept from frame to frame.
struct ProgressChoice {
    int drill = 0;  // index in `rows`
    // 0: every seed; n: the n-th seed of the drill (its seeds in order).
    int seed = 0;
    bool wasShown = false;
    uint64_t attemptsSeen = 0;  // the session's finished attempts when made
    // One summary per drill of the drill table, in menu order (attempts 0
    // when there are none), then any drill the history has that the table
    // lacks.
    std::vector<sandbox::DrillSummary> rows;
};

// The rows: every drill of the table, then those only the attempts name.
std::vector<sandbox::DrillSummary> progressRows(std::span<const sandbox::AttemptRecord> attempts);

// The scores the plot draws: the chosen seed's, or every seed's (seed 0).
const std::vector<float>& plottedScores(const sandbox::DrillSummary& drill, int seed);

void drawProgress(FlySession& session, ProgressChoice& choice);

}  // namespace fly
