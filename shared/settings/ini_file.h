#pragma once
// Private-profile (INI) files as the settings of both programs have always been stored:
// GBK bytes on disk, CR LF line ends, "[section]" headers and "key=value" lines. The API
// speaks UTF-8.
//
// Name matching: section and key names compare case-insensitively (ASCII letters), and
// blanks and control characters before a name and blanks after it are ignored, both in
// the file and in the names passed in. The first matching section and key win.
// Values: read up to 10239 bytes (GBK), with blanks around them removed. A value is
// always everything after the first "=", so "=" inside a value reads back unchanged.

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quilla::settings {

// Longest value a read returns, in GBK bytes.
inline constexpr std::size_t kMaxValueBytes = 10239;

// A loaded INI file: lines kept as they are, edited in memory, saved in one go. Keeps every
// line it does not change (comments, other sections, stale keys). Not thread-safe; use one
// object on one thread. A moved-from document may only be assigned to or destroyed.
class IniDocument {
 public:
  IniDocument();
  ~IniDocument();
  IniDocument(IniDocument&&) noexcept;
  IniDocument& operator=(IniDocument&&) noexcept;

  // Replaces the content with the file's. A missing file gives an empty document and
  // true; false only when the file exists but cannot be read.
  bool Load(const std::filesystem::path& file);

  // Parses GBK bytes (as found on disk).
  void Parse(std::string_view gbk_bytes);

  // The value of section/key, nullopt when there is no such key.
  std::optional<std::string> Get(std::string_view section, std::string_view key) const;

  // Section/key lookup that reads a missing key as `default_value`.
  std::string GetOr(std::string_view section, std::string_view key,
                    std::string_view default_value = "") const;

  // Sets section/key. An existing key line is rewritten in place; a new key goes after the
  // last line of its section that holds text; a new section is appended at the end.
  // CR and LF inside the value are each replaced by a space: a line break would split the
  // line and turn the rest of the value into a stray key. Returns false (and changes
  // nothing) for a name that could not be read back: an empty key, a key holding "=",
  // a section holding "]", or a name holding CR or LF.
  bool Set(std::string_view section, std::string_view key, std::string_view value);

  // The whole file as GBK bytes with CR LF line ends.
  std::string Serialize() const;

  // Writes the document atomically: a temporary file beside `file`, flushed to disk, then
  // renamed over it, so a crash leaves either the old or the new file. Returns false when
  // any step fails (the old file then stays as it was).
  bool Save(const std::filesystem::path& file) const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// Reads section/key from file; a missing file or key gives default_value. Blocks on file
// I/O; thread-safe.
std::string ReadProfileString(const std::filesystem::path& file, std::string_view section,
                              std::string_view key, std::string_view default_value = "");

// Sets section/key in file, creating the file if missing and keeping every other line.
// Writes atomically (see IniDocument::Save); same value rules as IniDocument::Set. Writes
// from several threads of this process are serialised. Returns false on failure.
bool WriteProfileString(const std::filesystem::path& file, std::string_view section,
                        std::string_view key, std::string_view value);

// The two boolean words of the settings files.
inline constexpr std::string_view kTrue = "真";
inline constexpr std::string_view kFalse = "假";

// kTrue or kFalse.
std::string_view BoolText(bool value);

// True only for exactly kTrue; anything else (also "") is false.
bool IsTrueText(std::string_view text);

// A stored number: optional blanks, an optional sign and the leading decimal digits;
// "" or text without leading digits gives 0, "12abc" gives 12. Saturates at the int range.
int TextToInt(std::string_view text);

}  // namespace quilla::settings
