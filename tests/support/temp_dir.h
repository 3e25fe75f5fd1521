#pragma once
// A fresh directory under the system's temporary directory, removed with its content when
// the object goes; and whole-file reads and writes for the files tests look at.

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

namespace quilla::testing {

class TempDir {
 public:
  explicit TempDir(const std::string& prefix = "quilla-test-") {
    std::random_device seed;
    path_ = std::filesystem::temp_directory_path() /
            (prefix + std::to_string(seed()) + std::to_string(seed()));
    std::filesystem::create_directories(path_);
  }
  ~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  std::filesystem::path operator/(const std::string& name) const { return path_ / name; }
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

inline std::string ReadBytes(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return std::move(out).str();
}

inline void WriteBytes(const std::filesystem::path& file, const std::string& bytes) {
  std::ofstream(file, std::ios::binary) << bytes;
}

}  // namespace quilla::testing
