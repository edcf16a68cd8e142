#pragma once
// Temporary folders and small files for tests, on any platform: a test
// writes only inside a folder of its own.
#include <optional>
#include <string>
#include <vector>

namespace hosttest {

// A fresh directory under the system's temporary directory, removed with
// everything in it when the object goes.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

  private:
    std::string path_;
};

void writeFile(const std::string& path, const std::string& text);
// Empty optional when the file cannot be read.
std::optional<std::string> readFile(const std::string& path);
std::vector<std::string> lines(const std::string& text);

}  // namespace hosttest
