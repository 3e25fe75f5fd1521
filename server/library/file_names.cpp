#include "server/library/file_names.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

#include "encoding/gbk.h"
#include "encoding/utf8.h"

namespace quilla::server::library {

using encoding::IsValidUtf8;
namespace {

std::string_view Trim(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '_')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '_')) text.remove_suffix(1);
  return text;
}

bool AllDigits(std::string_view text) {
  return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) {
    return std::isdigit(static_cast<unsigned char>(c));
  });
}

// "01. Title", "1.Title", "03、Title", "02) Title", "01 Title": the title. Names that only
// start with a number ("2002年的第一场雪", "7 Years") keep it.
std::string_view DropTrackNumber(std::string_view name) {
  std::size_t digits = 0;
  while (digits < name.size() && digits < 3 &&
         std::isdigit(static_cast<unsigned char>(name[digits])))
    ++digits;
  if (digits == 0 || digits == name.size()) return name;
  std::string_view rest = name.substr(digits);
  for (const std::string_view mark : {".", ")", "、"}) {
    if (rest.substr(0, mark.size()) == mark && !Trim(rest.substr(mark.size())).empty())
      return Trim(rest.substr(mark.size()));
  }
  if (rest.front() == ' ' && digits >= 2 && name.front() == '0' && !Trim(rest).empty())
    return Trim(rest);
  return name;
}

// The parts before and after the separator when the name holds it exactly once
// (`once`) or at least once (first occurrence).
bool SplitAt(std::string_view name, std::string_view separator, bool once, std::string_view& left,
             std::string_view& right) {
  const auto at = name.find(separator);
  if (at == std::string_view::npos) return false;
  if (once && name.find(separator, at + separator.size()) != std::string_view::npos) return false;
  left = Trim(name.substr(0, at));
  right = Trim(name.substr(at + separator.size()));
  return !left.empty() && !right.empty();
}

}  // namespace

bool IsAudioFileName(std::string_view path) {
  const auto dot = path.rfind('.');
  if (dot == std::string_view::npos || path.find('/', dot) != std::string_view::npos) return false;
  std::string extension(path.substr(dot + 1));
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  for (const char* known : {"mp3", "flac", "ogg", "oga", "opus", "m4a", "wav"}) {
    if (extension == known) return true;
  }
  return false;
}

std::string FileStemText(std::string_view path) {
  std::string stem = std::filesystem::path(path).stem().string();
  return IsValidUtf8(stem) ? stem : encoding::GbkToUtf8(stem);
}

NameTags TagsFromFileName(std::string_view stem) {
  const std::string_view name = Trim(stem);
  std::string_view left, right;
  if (SplitAt(name, " - ", false, left, right) || SplitAt(name, "-", true, left, right) ||
      SplitAt(name, "－", true, left, right)) {
    // "01 - Title": a number on the left is the track, not an artist.
    if (AllDigits(left)) return TagsFromFileName(right);
    return {std::string(DropTrackNumber(left)), std::string(right)};
  }
  return {"", std::string(DropTrackNumber(name))};
}

}  // namespace quilla::server::library
