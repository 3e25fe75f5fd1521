#pragma once
// A file that is being downloaded: its bytes go to a hidden temporary file in the target
// folder, and only a complete download is renamed into place, so a file already there is
// never replaced by a broken one.

#include <cstdint>
#include <filesystem>
#include <string_view>

#include "web/web_fetch.h"

namespace quilla::client {

class PartFile : public web::BodySink {
 public:
  // Creates a new hidden file (".quilla-" + random letters + ".part") in `folder`; see
  // ok(). A body longer than `max_bytes` fails the download.
  PartFile(const std::filesystem::path& folder, std::uint64_t max_bytes);
  // Removes the temporary file unless it was committed.
  ~PartFile() override;
  PartFile(const PartFile&) = delete;
  PartFile& operator=(const PartFile&) = delete;

  // Whether the temporary file could be created.
  bool ok() const { return fd_ >= 0; }
  const std::filesystem::path& temporary_path() const { return temp_; }

  // web::BodySink: a new response empties the file; each chunk is appended.
  void Restart() override;
  bool Write(std::string_view bytes) override;

  std::uint64_t size() const { return size_; }
  bool too_large() const { return too_large_; }
  bool write_failed() const { return write_failed_; }

  // Puts the complete file on disk and renames it to `target` (in the same folder),
  // replacing a file of that name. False when any step fails; the temporary file is then
  // removed and `target` is left as it was.
  bool CommitAs(const std::filesystem::path& target);

 private:
  void Discard();

  int fd_ = -1;
  std::filesystem::path temp_;
  std::uint64_t max_bytes_;
  std::uint64_t size_ = 0;
  bool too_large_ = false;
  bool write_failed_ = false;
};

}  // namespace quilla::client
