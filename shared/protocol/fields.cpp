#include "protocol/fields.h"

namespace quilla::protocol {

std::string PayloadText(std::string_view payload) {
  return std::string(payload.substr(0, payload.find('\0')));
}

std::vector<std::string> SplitFields(std::string_view gbk_text) {
  std::vector<std::string> fields;
  if (gbk_text.empty()) return fields;
  std::size_t field_start = 0;
  std::size_t i = 0;
  while (i < gbk_text.size()) {
    if (gbk_text.compare(i, kFieldSeparator.size(), kFieldSeparator) == 0) {
      fields.emplace_back(gbk_text.substr(field_start, i - field_start));
      i += kFieldSeparator.size();
      field_start = i;
    } else if (static_cast<unsigned char>(gbk_text[i]) >= 0x80) {
      i += 2;  // lead byte: its trail byte (even a 0x67 "g") belongs to the character
    } else {
      ++i;
    }
  }
  // A lead byte at the very end may have pushed i past the end; the rest is still a field.
  fields.emplace_back(gbk_text.substr(field_start));
  return fields;
}

std::string JoinFields(const std::vector<std::string>& gbk_fields) {
  std::string out;
  std::size_t size = 0;
  for (const auto& f : gbk_fields) size += f.size() + kFieldSeparator.size();
  out.reserve(size);
  for (std::size_t i = 0; i < gbk_fields.size(); ++i) {
    if (i != 0) out.append(kFieldSeparator);
    out.append(gbk_fields[i]);
  }
  return out;
}

std::optional<std::pair<std::string, std::string>> SplitDashPair(std::string_view text) {
  const std::size_t dash = text.rfind('-');
  if (dash == std::string_view::npos) return std::nullopt;
  return std::make_pair(std::string(text.substr(0, dash)), std::string(text.substr(dash + 1)));
}

std::string JoinDashPair(std::string_view title, std::string_view requester) {
  std::string out;
  out.reserve(title.size() + 1 + requester.size());
  out.append(title).append("-").append(requester);
  return out;
}

}  // namespace quilla::protocol
