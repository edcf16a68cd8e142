#pragma once
// The one way a warning is passed on. A function that can go on after
// something is wrong (a line skipped, a saved value that is not a number,
// a history that cannot be read) adds a one-line warning to the
// base::Warnings it is given, and goes on. Where warnings end is the
// program's choice (app/ prints them, web/ hands them to the page, a test
// or a command that reports them keeps them in a list):
//
//   base::Warnings printed([err](const std::string& w) { printWarning(err, w); });
//   base::Warnings kept;  // kept.list() afterwards
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace base {

class Warnings {
  public:
    using Sink = std::function<void(const std::string& warning)>;

    // Keeps every warning, in order, in list().
    Warnings() = default;
    // Hands each warning to `sink` as it comes; list() stays empty.
    explicit Warnings(Sink sink) : sink_(std::move(sink)) {}
    // Warnings are handed on by reference: a copy would split the list.
    Warnings(const Warnings&) = delete;
    Warnings& operator=(const Warnings&) = delete;

    void add(std::string warning) {
        if (sink_)
            sink_(warning);
        else
            list_.push_back(std::move(warning));
    }
    // The warnings kept (none when they go to a sink).
    const std::vector<std::string>& list() const { return list_; }

  private:
    Sink sink_;
    std::vector<std::string> list_;
};

}  // namespace base
