#include "testkit/ProgramRunner.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <stdexcept>

namespace hosttest {

namespace {

using Environment = std::map<std::string, std::optional<std::string>>;

// The program's command line and environment, as posix_spawn takes them.
class Command {
  public:
    Command(const std::vector<std::string>& args, const Environment& env) {
        argStore_.push_back(TRIMSIGHT_HOST_PATH);
        argStore_.insert(argStore_.end(), args.begin(), args.end());
        for (std::string& a : argStore_) argv_.push_back(a.data());
        argv_.push_back(nullptr);

        std::map<std::string, std::string> vars;
        for (const char* keep :
             {"PATH", "ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS", "TSAN_OPTIONS"})
            if (const char* v = std::getenv(keep)) vars[keep] = v;
        for (const auto& [name, value] : env) {
            if (value)
                vars[name] = *value;
            else
                vars.erase(name);
        }
        for (const auto& [name, value] : vars)
            envStore_.push_back(std::string(name).append("=").append(value));
        for (std::string& e : envStore_) envp_.push_back(e.data());
        envp_.push_back(nullptr);
    }

    // Starts the program with no input and its output and errors on the
    // given descriptors.
    pid_t spawn(int outFd, int errFd, const std::string& folder = {}) {
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        if (!folder.empty()) posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_adddup2(&actions, outFd, 1);
        posix_spawn_file_actions_adddup2(&actions, errFd, 2);
        pid_t pid = 0;
        const int rc = posix_spawn(&pid, argv_[0], &actions, nullptr, argv_.data(), envp_.data());
        posix_spawn_file_actions_destroy(&actions);
        return rc == 0 ? pid : -1;
    }

    const std::string& program() const { return argStore_[0]; }

  private:
    std::vector<std::string> argStore_;
    std::vector<char*> argv_;
    std::vector<std::string> envStore_;
    std::vector<char*> envp_;
};

// Reads both pipes until the program closes them.
void collect(int outFd, int errFd, RunResult& result) {
    pollfd fds[2] = {{outFd, POLLIN, 0}, {errFd, POLLIN, 0}};
    std::string* sinks[2] = {&result.out, &result.err};
    int open = 2;
    while (open > 0) {
        if (poll(fds, 2, -1) < 0) continue;
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || fds[i].revents == 0) continue;
            char buf[65536];
            const ssize_t n = read(fds[i].fd, buf, sizeof buf);
            if (n > 0) {
                sinks[i]->append(buf, static_cast<std::size_t>(n));
            } else if (n == 0 || errno != EINTR) {
                close(fds[i].fd);
                fds[i].fd = -1;
                --open;
            }
        }
    }
}

void waitInto(pid_t pid, RunResult& result) {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
    if (WIFSIGNALED(status)) result.signal = WTERMSIG(status);
}

}  // namespace

RunResult runHost(const std::vector<std::string>& args, const Environment& env) {
    return runHostIn({}, args, env);
}

RunResult runHostIn(const std::string& folder, const std::vector<std::string>& args,
                    const Environment& env) {
    Command command(args, env);
    int outPipe[2], errPipe[2];
    if (pipe2(outPipe, O_CLOEXEC) != 0 || pipe2(errPipe, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe failed");
    const pid_t pid = command.spawn(outPipe[1], errPipe[1], folder);
    close(outPipe[1]);
    close(errPipe[1]);
    if (pid < 0) {
        close(outPipe[0]);
        close(errPipe[0]);
        throw std::runtime_error("cannot start " + command.program());
    }
    RunResult result;
    collect(outPipe[0], errPipe[0], result);
    waitInto(pid, result);
    return result;
}

RunResult runHostWithFileLimit(const std::vector<std::string>& args, const Environment& env,
                               std::size_t maxFileBytes) {
    // posix_spawn has no rlimit action: the child inherits the limit the
    // test sets on itself for the moment of the spawn (the test only
    // reads pipes meanwhile).
    rlimit before{};
    if (getrlimit(RLIMIT_FSIZE, &before) != 0) throw std::runtime_error("getrlimit failed");
    rlimit limited = before;
    limited.rlim_cur = static_cast<rlim_t>(maxFileBytes);
    if (setrlimit(RLIMIT_FSIZE, &limited) != 0) throw std::runtime_error("setrlimit failed");
    RunResult result;
    try {
        result = runHost(args, env);
    } catch (...) {
        setrlimit(RLIMIT_FSIZE, &before);
        throw;
    }
    setrlimit(RLIMIT_FSIZE, &before);
    return result;
}

pid_t startHost(const std::vector<std::string>& args, const Environment& env) {
    Command command(args, env);
    const int devNull = open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (devNull < 0) throw std::runtime_error("cannot open /dev/null");
    const pid_t pid = command.spawn(devNull, devNull);
    close(devNull);
    if (pid < 0) throw std::runtime_error("cannot start " + command.program());
    return pid;
}

RunResult waitForHost(pid_t pid) {
    RunResult result;
    waitInto(pid, result);
    return result;
}

}  // namespace hosttest
