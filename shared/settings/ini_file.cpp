#include "settings/ini_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <fstream>
#include <mutex>
#include <sstream>
#include <unordered_map>

#include "encoding/gbk.h"

namespace quilla::settings {
namespace {

constexpr std::string_view kCrLf = "\r\n";

bool IsLeadByte(unsigned char byte) {
  return byte >= 0x81 && byte <= 0xFE;
}

// Blanks and control characters around names and values. A GBK trail byte is never
// below 0x40, so trimming bytes <= 0x20 cannot cut a character in half.
std::string_view Trim(std::string_view text) {
  while (!text.empty() && static_cast<unsigned char>(text.front()) <= 0x20) text.remove_prefix(1);
  while (!text.empty() && static_cast<unsigned char>(text.back()) <= 0x20) text.remove_suffix(1);
  return text;
}

// Folds ASCII letters of GBK text, leaving both bytes of a double-byte character alone
// (their trail byte may well look like a letter).
std::string FoldName(std::string_view gbk) {
  std::string out;
  out.reserve(gbk.size());
  for (size_t i = 0; i < gbk.size(); ++i) {
    const auto byte = static_cast<unsigned char>(gbk[i]);
    if (IsLeadByte(byte) && i + 1 < gbk.size()) {
      out += gbk[i];
      out += gbk[++i];
    } else {
      out += byte >= 'A' && byte <= 'Z' ? static_cast<char>(byte - 'A' + 'a') : gbk[i];
    }
  }
  return out;
}

// Position of the first single-byte `wanted` in GBK text (skipping double-byte characters),
// npos if none.
size_t FindGbkChar(std::string_view gbk, char wanted) {
  for (size_t i = 0; i < gbk.size(); ++i) {
    if (gbk[i] == wanted) return i;
    if (IsLeadByte(static_cast<unsigned char>(gbk[i]))) ++i;
  }
  return std::string_view::npos;
}

// At most kMaxValueBytes, cut at a character boundary.
std::string_view Clip(std::string_view gbk) {
  if (gbk.size() <= kMaxValueBytes) return gbk;
  size_t end = 0;
  while (end < gbk.size()) {
    const size_t width = IsLeadByte(static_cast<unsigned char>(gbk[end])) ? 2 : 1;
    if (end + width > kMaxValueBytes) break;
    end += width;
  }
  return gbk.substr(0, end);
}

// The section name of a header line ("[name]"), nullopt for any other line.
std::optional<std::string_view> HeaderName(std::string_view line) {
  line = Trim(line);
  if (line.empty() || line.front() != '[') return std::nullopt;
  line.remove_prefix(1);
  size_t close = FindGbkChar(line, ']');
  if (close != std::string_view::npos) line = line.substr(0, close);
  return Trim(line);
}

struct KeyLine {
  std::string_view key;    // trimmed
  std::string_view value;  // trimmed
  size_t equals = 0;       // position of "=" in the raw line
};

std::optional<KeyLine> ParseKeyLine(std::string_view line) {
  size_t equals = line.find('=');  // "=" is never part of a GBK double-byte character
  if (equals == std::string_view::npos) return std::nullopt;
  return KeyLine{Trim(line.substr(0, equals)), Trim(line.substr(equals + 1)), equals};
}

std::string ToGbkSingleLine(std::string_view utf8) {
  std::string text(utf8);
  for (char& c : text) {
    if (c == '\r' || c == '\n') c = ' ';
  }
  return encoding::Utf8ToGbk(text);
}

bool ReadWholeFile(const std::filesystem::path& file, std::string& bytes, bool& missing) {
  missing = false;
  std::ifstream in(file, std::ios::binary);
  if (!in) {
    std::error_code ec;
    missing = !std::filesystem::exists(file, ec);
    return missing;
  }
  std::ostringstream buffer;
  buffer << in.rdbuf();
  if (in.bad()) return false;
  bytes = std::move(buffer).str();
  return true;
}

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

std::mutex& WriteMutex() {
  static std::mutex mutex;
  return mutex;
}

}  // namespace

struct IniDocument::Impl {
  struct Section {
    std::string header;              // raw header line; empty for the lines before any header
    std::vector<std::string> lines;  // raw GBK lines without line ends
  };
  std::vector<Section> sections;
  // Folded section name -> index of its first section.
  std::unordered_map<std::string, size_t> index;

  void Clear() {
    sections.assign(1, Section{});
    index.clear();
  }

  void AddSection(std::string header, std::string_view name) {
    index.emplace(FoldName(name), sections.size());
    sections.push_back(Section{std::move(header), {}});
  }

  const Section* Find(std::string_view gbk_name) const {
    auto it = index.find(FoldName(Trim(gbk_name)));
    return it == index.end() ? nullptr : &sections[it->second];
  }

  // Index into section.lines of the first line with that key, or npos.
  static size_t FindKey(const Section& section, std::string_view gbk_key) {
    const std::string wanted = FoldName(Trim(gbk_key));
    for (size_t i = 0; i < section.lines.size(); ++i) {
      std::optional<KeyLine> line = ParseKeyLine(section.lines[i]);
      if (line && line->key.size() == wanted.size() && FoldName(line->key) == wanted) return i;
    }
    return std::string::npos;
  }
};

IniDocument::IniDocument() : impl_(std::make_unique<Impl>()) {
  impl_->Clear();
}
IniDocument::~IniDocument() = default;
IniDocument::IniDocument(IniDocument&&) noexcept = default;
IniDocument& IniDocument::operator=(IniDocument&&) noexcept = default;

bool IniDocument::Load(const std::filesystem::path& file) {
  std::string bytes;
  bool missing = false;
  if (!ReadWholeFile(file, bytes, missing)) return false;
  Parse(bytes);
  return true;
}

void IniDocument::Parse(std::string_view gbk_bytes) {
  impl_->Clear();
  while (!gbk_bytes.empty()) {
    size_t end = gbk_bytes.find('\n');
    std::string_view line = gbk_bytes.substr(0, end);
    gbk_bytes.remove_prefix(end == std::string_view::npos ? gbk_bytes.size() : end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (std::optional<std::string_view> name = HeaderName(line)) {
      impl_->AddSection(std::string(line), *name);
    } else {
      impl_->sections.back().lines.emplace_back(line);
    }
  }
}

std::optional<std::string> IniDocument::Get(std::string_view section, std::string_view key) const {
  const Impl::Section* found = impl_->Find(encoding::Utf8ToGbk(section));
  if (found == nullptr) return std::nullopt;
  size_t at = Impl::FindKey(*found, encoding::Utf8ToGbk(key));
  if (at == std::string::npos) return std::nullopt;
  return encoding::GbkToUtf8(Clip(ParseKeyLine(found->lines[at])->value));
}

std::string IniDocument::GetOr(std::string_view section, std::string_view key,
                               std::string_view default_value) const {
  std::optional<std::string> value = Get(section, key);
  return value ? std::move(*value) : std::string(default_value);
}

bool IniDocument::Set(std::string_view section, std::string_view key, std::string_view value) {
  const std::string gbk_section = encoding::Utf8ToGbk(section);
  const std::string gbk_key = encoding::Utf8ToGbk(key);
  const std::string_view section_name = Trim(gbk_section);
  const std::string_view key_name = Trim(gbk_key);
  // Names that could not be found again after writing them.
  if (section_name.empty() || FindGbkChar(section_name, ']') != std::string_view::npos ||
      key_name.empty() || key_name.find('=') != std::string_view::npos || key_name.front() == '[' ||
      section.find_first_of("\r\n") != std::string_view::npos ||
      key.find_first_of("\r\n") != std::string_view::npos) {
    return false;
  }
  const std::string gbk_value = ToGbkSingleLine(value);

  auto it = impl_->index.find(FoldName(section_name));
  if (it == impl_->index.end()) {
    impl_->AddSection("[" + std::string(section_name) + "]", section_name);
    impl_->sections.back().lines.push_back(std::string(key_name) + "=" + gbk_value);
    return true;
  }
  Impl::Section& target = impl_->sections[it->second];
  size_t at = Impl::FindKey(target, key_name);
  if (at != std::string::npos) {
    std::string& line = target.lines[at];
    line = line.substr(0, ParseKeyLine(line)->equals + 1) + gbk_value;
    return true;
  }
  // A new key goes after the section's last line with text, before trailing blank lines.
  size_t insert_at = target.lines.size();
  while (insert_at > 0 && Trim(target.lines[insert_at - 1]).empty()) --insert_at;
  target.lines.insert(target.lines.begin() + static_cast<std::ptrdiff_t>(insert_at),
                      std::string(key_name) + "=" + gbk_value);
  return true;
}

std::string IniDocument::Serialize() const {
  std::string out;
  for (const Impl::Section& section : impl_->sections) {
    if (!section.header.empty()) {
      out += section.header;
      out += kCrLf;
    }
    for (const std::string& line : section.lines) {
      out += line;
      out += kCrLf;
    }
  }
  return out;
}

bool IniDocument::Save(const std::filesystem::path& file) const {
  static std::atomic<unsigned> counter{0};
  const std::string bytes = Serialize();
  std::filesystem::path temp = file;
  temp += ".tmp" + std::to_string(::getpid()) + "-" + std::to_string(counter++);

  int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) return false;
  struct stat existing {};
  if (::stat(file.c_str(), &existing) == 0) ::fchmod(fd, existing.st_mode & 07777);
  bool ok = WriteAll(fd, bytes) && ::fsync(fd) == 0;
  ok = ::close(fd) == 0 && ok;
  if (ok && ::rename(temp.c_str(), file.c_str()) == 0) return true;
  ::unlink(temp.c_str());
  return false;
}

std::string ReadProfileString(const std::filesystem::path& file, std::string_view section,
                              std::string_view key, std::string_view default_value) {
  IniDocument document;
  if (!document.Load(file)) return std::string(default_value);
  return document.GetOr(section, key, default_value);
}

bool WriteProfileString(const std::filesystem::path& file, std::string_view section,
                        std::string_view key, std::string_view value) {
  std::lock_guard<std::mutex> lock(WriteMutex());
  IniDocument document;
  return document.Load(file) && document.Set(section, key, value) && document.Save(file);
}

std::string_view BoolText(bool value) {
  return value ? kTrue : kFalse;
}

bool IsTrueText(std::string_view text) {
  return text == kTrue;
}

int TextToInt(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  long long value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 + (text[i] - '0');
    if (value > static_cast<long long>(INT_MAX) + 1) value = static_cast<long long>(INT_MAX) + 1;
  }
  if (negative) value = -value;
  if (value > INT_MAX) return INT_MAX;
  if (value < INT_MIN) return INT_MIN;
  return static_cast<int>(value);
}

}  // namespace quilla::settings
