#pragma once
// Runs the built trimsight-host as a child process and collects what it does
// (TempDir.h: the folders and files its tests work in).
#include <sys/types.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "testkit/TempDir.h"

namespace hosttest {

struct RunResult {
    int exitCode = -1;  // -1 when killed by a signal
    int signal = 0;     // the signal that ended it, or 0
    std::string out;
    std::string err;
};

// Runs the program with `args`. The child gets a minimal environment: PATH,
// the sanitizer options, and `env` (a value of nullopt leaves the variable out).
RunResult runHost(const std::vector<std::string>& args,
                  const std::map<std::string, std::optional<std::string>>& env);

// runHost with the child's working folder `folder`, for relative paths.
RunResult runHostIn(const std::string& folder, const std::vector<std::string>& args,
                    const std::map<std::string, std::optional<std::string>>& env);

// runHost with the child's file-size limit (RLIMIT_FSIZE) at `maxFileBytes`:
// a write that would make any file larger fails, as on a full disk.
RunResult runHostWithFileLimit(const std::vector<std::string>& args,
                               const std::map<std::string, std::optional<std::string>>& env,
                               std::size_t maxFileBytes);

// Starts the program as runHost does and returns at once, its output thrown
// away: for tests that end a run part way. Collect it with waitForHost.
pid_t startHost(const std::vector<std::string>& args,
                const std::map<std::string, std::optional<std::string>>& env);
// Waits for a program startHost started; `out` and `err` stay empty.
RunResult waitForHost(pid_t pid);

}  // namespace hosttest
