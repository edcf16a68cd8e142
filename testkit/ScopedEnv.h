#pragma once
// An environment variable set (or unset) for a test's span and put back as
// it was after: for code that reads $HOME, $XDG_CONFIG_HOME and the like.
#include <cstdlib>
#include <optional>
#include <string>

namespace hosttest {

class ScopedEnv {
  public:
    // nullopt unsets the variable.
    ScopedEnv(const char* name, const std::optional<std::string>& value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        if (value)
            setenv(name, value->c_str(), 1);
        else
            unsetenv(name);
    }
    ~ScopedEnv() {
        if (old_)
            setenv(name_, old_->c_str(), 1);
        else
            unsetenv(name_);
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

  private:
    const char* name_;
    std::optional<std::string> old_;
};

}  // namespace hosttest
