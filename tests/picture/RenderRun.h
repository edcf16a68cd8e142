#pragma once
// `trimsight-host render ...` as a child process, with its config file in
// the test's own folder, so that no saved settings of the user's reach the
// pictures and nothing is saved outside the folder.
#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "testkit/ProgramRunner.h"

namespace picturetest {

inline hosttest::RunResult runRender(
    const hosttest::TempDir& dir, const std::vector<std::string>& args,
    const std::map<std::string, std::optional<std::string>>& env = {}) {
    std::vector<std::string> all{"--config", dir.file("config.json"), "render"};
    all.insert(all.end(), args.begin(), args.end());
    hosttest::RunResult r = hosttest::runHost(all, env);
    EXPECT_EQ(r.signal, 0) << r.err;
    return r;
}

}  // namespace picturetest
