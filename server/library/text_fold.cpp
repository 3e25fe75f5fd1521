#include "server/library/text_fold.h"

#include <locale.h>
#include <wctype.h>

#include <algorithm>
#include <vector>

#include "encoding/utf8.h"
#include "server/library/text_fold_data.h"

namespace quilla::server::library {

using encoding::AppendUtf8;
using encoding::NextCodePoint;
namespace {

char32_t TraditionalToSimplified(char32_t cp) {
  const auto* begin = kTraditionalToSimplified;
  const auto* end = begin + kTraditionalToSimplifiedCount;
  const auto* found = std::lower_bound(
      begin, end, cp, [](const CodePointPair& p, char32_t c) { return p.from < c; });
  return found != end && found->from == cp ? found->to : cp;
}

char32_t LowerCase(char32_t cp) {
  if (cp < 0x80) return cp >= 'A' && cp <= 'Z' ? cp + 32 : cp;
  // Unicode lower case as the C library knows it under a UTF-8 locale; the process's own
  // locale is left alone.
  static const locale_t utf8 = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(0));
  return utf8 ? static_cast<char32_t>(towlower_l(static_cast<wint_t>(cp), utf8)) : cp;
}

char32_t FoldSlowly(char32_t cp) {
  if (cp >= 0xFF01 && cp <= 0xFF5E) cp -= 0xFF01 - 0x21;  // full-width ASCII
  if (cp == 0x3000) cp = ' ';                             // ideographic space
  return TraditionalToSimplified(LowerCase(cp));
}

// Every BMP character folded once; the other planes go the slow way (they are rare).
const std::vector<char32_t>& BmpFoldTable() {
  static const std::vector<char32_t> table = [] {
    std::vector<char32_t> t(0x10000);
    for (char32_t cp = 0; cp < 0x10000; ++cp) t[cp] = FoldSlowly(cp);
    return t;
  }();
  return table;
}

bool IsControl(char32_t cp) {
  return cp < 0x20 || (cp >= 0x7F && cp < 0xA0);
}

}  // namespace

char32_t FoldCodePoint(char32_t cp) {
  return cp < 0x10000 ? BmpFoldTable()[cp] : TraditionalToSimplified(cp);
}

bool IsFoldedSpace(char32_t cp) {
  return cp == ' ' || cp == 0xA0 || (cp >= 0x2000 && cp <= 0x200A) || cp == 0x202F || cp == 0x205F;
}

std::string FoldForSearch(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  bool pending_space = false;
  for (std::size_t pos = 0; pos < utf8.size();) {
    const char32_t raw = NextCodePoint(utf8, pos);
    if (raw == '\t' || raw == '\n' || raw == '\r') {
      pending_space = !out.empty();
      continue;
    }
    if (IsControl(raw)) continue;
    const char32_t cp = FoldCodePoint(raw);
    if (IsFoldedSpace(cp)) {
      pending_space = !out.empty();
      continue;
    }
    if (pending_space) out += ' ';
    pending_space = false;
    AppendUtf8(out, cp);
  }
  return out;
}

}  // namespace quilla::server::library
