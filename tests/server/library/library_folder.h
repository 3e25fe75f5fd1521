#pragma once
// A music folder for the library's tests: real audio files with tags, lyrics and
// pictures beside them, in a temporary folder.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/temp_dir.h"
#include "support/test_audio.h"

namespace quilla::server::library {

class LibraryFolder {
 public:
  const std::filesystem::path& root() const { return dir_.path(); }
  std::string Path(const std::string& relative) const { return (dir_.path() / relative).string(); }
  std::string IndexFile() const { return (index_dir_.path() / "library.db").string(); }

  // A half-second tone at `relative` (folders created), tagged when tags are given.
  std::string AddSong(const std::string& relative, const testing::TestTags& tags = {}) {
    const std::string path = Path(relative);
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::string error;
    EXPECT_TRUE(testing::WriteToneFile(path, 0.5, &error)) << error;
    if (!tags.title.empty() || !tags.artist.empty() || tags.lyrics || tags.cover_bytes) {
      EXPECT_TRUE(testing::WriteTags(path, tags)) << path;
    }
    return path;
  }

  void AddFile(const std::string& relative, const std::string& bytes) const {
    const std::string path = Path(relative);
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    testing::WriteBytes(path, bytes);
  }

 private:
  testing::TempDir dir_{"quilla-music-"};
  testing::TempDir index_dir_{"quilla-index-"};
};

}  // namespace quilla::server::library
