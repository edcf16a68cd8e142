#pragma once
// A bar on the terminal for long renders, rewritten in place with '\r':
//   frame 120/600 [======                        ] 20%
// Nothing when the messages go to a file or a pipe, nor for a single frame.
#include <unistd.h>

#include <cstddef>
#include <cstdio>
#include <string>

namespace picture {

class ProgressBar {
  public:
    ProgressBar(std::FILE* err, std::size_t total)
        : err_(err), total_(total), enabled_(total > 1 && ::isatty(::fileno(err)) == 1) {}
    ~ProgressBar() { clear(); }
    ProgressBar(const ProgressBar&) = delete;
    ProgressBar& operator=(const ProgressBar&) = delete;

    // `done` of the total frames finished.
    void show(std::size_t done) {
        if (!enabled_) return;
        constexpr std::size_t kWidth = 30;
        const std::size_t filled = done * kWidth / total_;
        std::string bar(filled, '=');
        bar.append(kWidth - filled, ' ');
        std::fprintf(err_, "\rframe %zu/%zu [%s] %zu%%", done, total_, bar.c_str(),
                     done * 100 / total_);
        std::fflush(err_);
        shown_ = true;
    }
    // Wipes the bar off its line.
    void clear() {
        if (!shown_) return;
        std::fprintf(err_, "\r%*s\r", 72, "");
        std::fflush(err_);
        shown_ = false;
    }

  private:
    std::FILE* err_;
    std::size_t total_;
    bool enabled_;
    bool shown_ = false;
};

}  // namespace picture
