#include "server/library/pinyin.h"

#include <array>

#include "encoding/utf8.h"
#include "server/library/pinyin_data.h"
#include "server/library/text_fold.h"

namespace quilla::server::library {

using encoding::NextCodePoint;

const PinyinReadings& PinyinReadings::Instance() {
  static const PinyinReadings readings;
  return readings;
}

PinyinReadings::PinyinReadings() : sets_(1), initials_(1, 0) {
  const PinyinEntry& last = kPinyinEntries[kPinyinEntryCount - 1];
  dense_.assign(last.code_point + 1, 0);
  // Generated sets are addressed by offset; give each a small number in offset order.
  std::vector<std::uint16_t> set_by_offset;
  for (int i = 0; i < kPinyinEntryCount; ++i) {
    const unsigned offset = kPinyinEntries[i].reading_set;
    if (offset >= set_by_offset.size()) set_by_offset.resize(offset + 1, 0);
    if (set_by_offset[offset] == 0) {
      set_by_offset[offset] = static_cast<std::uint16_t>(sets_.size());
      std::vector<std::string_view> syllables;
      std::uint32_t initials = 0;
      for (unsigned k = 0; k < kPinyinReadingSets[offset]; ++k) {
        const std::string_view syllable = kPinyinSyllables[kPinyinReadingSets[offset + 1 + k]];
        syllables.push_back(syllable);
        initials |= LetterBit(static_cast<char32_t>(syllable.front()));
      }
      sets_.push_back(std::move(syllables));
      initials_.push_back(initials);
    }
    dense_[kPinyinEntries[i].code_point] = set_by_offset[offset];
  }
}

void AppendPinyinCells(std::string_view folded_utf8, std::vector<PinyinCell>& cells,
                       std::vector<std::uint32_t>& initials) {
  const PinyinReadings& table = PinyinReadings::Instance();
  for (std::size_t pos = 0; pos < folded_utf8.size();) {
    const char32_t folded = NextCodePoint(folded_utf8, pos);
    if (IsFoldedSpace(folded)) continue;
    const PinyinCell cell{folded, table.SetOf(folded)};
    cells.push_back(cell);
    initials.push_back(table.Initials(cell.readings) | LetterBit(folded));
  }
}

PinyinQuery::PinyinQuery(std::string_view folded_query) {
  for (std::size_t pos = 0; pos < folded_query.size();) {
    char32_t cp = NextCodePoint(folded_query, pos);
    if (IsFoldedSpace(cp)) continue;
    if (cp == U'ü') cp = 'v';
    query_ += cp;
    has_letters_ = has_letters_ || LetterBit(cp) != 0;
  }
}

bool PinyinQuery::MatchesAt(std::span<const PinyinCell> cells, std::size_t start) const {
  const PinyinReadings& table = PinyinReadings::Instance();
  const std::size_t n = query_.size();
  // Failed (cell, query position) pairs of this call, so a query whose syllables can be
  // cut in many ways is still matched in time linear in cells x query length. Stamped
  // rather than cleared: one counter step forgets the previous call.
  thread_local std::array<std::array<std::uint32_t, kMaxLength + 1>, kMaxLength + 1> failed{};
  thread_local std::uint32_t stamp = 0;
  if (++stamp == 0) {
    for (auto& row : failed) row.fill(0);
    stamp = 1;
  }
  const std::uint32_t current = stamp;

  auto match = [&](auto&& self, std::size_t cell, std::size_t at) -> bool {
    if (at == n) return true;
    if (cell == cells.size()) return false;
    std::uint32_t& mark = failed[cell - start][at];
    if (mark == current) return false;
    const PinyinCell& c = cells[cell];
    if (query_[at] == c.folded && self(self, cell + 1, at + 1)) return true;
    for (const std::string_view syllable : table.Syllables(c.readings)) {
      std::size_t common = 0;
      while (common < syllable.size() && at + common < n &&
             query_[at + common] == static_cast<char32_t>(syllable[common]))
        ++common;
      for (std::size_t take = common; take >= 1; --take) {
        if (self(self, cell + 1, at + take)) return true;
      }
    }
    mark = current;
    return false;
  };
  return match(match, start, 0);
}

}  // namespace quilla::server::library
