#pragma once
// Pinyin matching as song-request systems in Chinese schools and KTVs offer it: a query
// matches a run of consecutive characters when each character takes either its whole
// syllable or a non-empty start of it (晴空: qk, qingkong, qingk, qkong, kong; not ing).
// A character in the query matches itself, tones are ignored, "v" stands for "ü", and a
// character with several readings matches by any of them. Readings come from the
// generated Unicode Han table (kMandarin and kHanyuPinyin).

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace quilla::server::library {

// The reading table, built once from the generated data on first use; immutable and
// thread-safe afterwards.
class PinyinReadings {
 public:
  static const PinyinReadings& Instance();

  // The reading set of cp; 0 when cp has no Mandarin reading.
  std::uint16_t SetOf(char32_t cp) const {
    return cp < dense_.size() ? dense_[cp] : std::uint16_t{0};
  }
  // The toneless syllables of a set ("ü" as "v"); empty for set 0.
  std::span<const std::string_view> Syllables(std::uint16_t set) const { return sets_[set]; }
  // Bit k set when some syllable of the set starts with the letter 'a' + k.
  std::uint32_t Initials(std::uint16_t set) const { return initials_[set]; }
  // Sets are numbered 0 .. set_count() - 1.
  std::size_t set_count() const { return sets_.size(); }

 private:
  PinyinReadings();
  std::vector<std::uint16_t> dense_;  // by code point (all planes that hold Han characters)
  std::vector<std::vector<std::string_view>> sets_;
  std::vector<std::uint32_t> initials_;
};

// One character of an indexed field as the pinyin matcher sees it.
struct PinyinCell {
  char32_t folded;  // FoldCodePoint of the character
  // Reading set of `folded`; the table gives a simplified character the readings of the
  // traditional ones that fold to it, so a traditional character keeps its own.
  std::uint16_t readings;
};

// The bit of a lower-case ASCII letter in the masks below; 0 for anything else.
inline std::uint32_t LetterBit(char32_t c) {
  return c >= 'a' && c <= 'z' ? 1u << (c - 'a') : 0;
}

// Cells of a field from its FoldForSearch text, spaces left out (so "晴 空" matches like
// "晴空"). `initials` gets one mask per cell: the letters the cell can start with (its
// readings' first letters, or the letter itself).
void AppendPinyinCells(std::string_view folded_utf8, std::vector<PinyinCell>& cells,
                       std::vector<std::uint32_t>& initials);

// A query prepared for pinyin matching. Immutable after construction; MatchesAt may be
// called from several threads at once.
class PinyinQuery {
 public:
  // `folded_query` is FoldForSearch output; spaces are dropped and "ü" becomes "v".
  explicit PinyinQuery(std::string_view folded_query);

  // False for an empty query and for one longer than kMaxLength characters (such a query
  // can only match literally).
  bool usable() const { return !query_.empty() && query_.size() <= kMaxLength; }
  // Pinyin can only add matches to a query that holds a letter; the rest match literally.
  bool has_letters() const { return has_letters_; }
  // The query as matched: folded, without spaces, "ü" as "v".
  const std::u32string& text() const { return query_; }

  // True when the query matches cells[start], cells[start + 1], ... (not necessarily to
  // the end). Precondition: usable() and start < cells.size().
  bool MatchesAt(std::span<const PinyinCell> cells, std::size_t start) const;

  static constexpr std::size_t kMaxLength = 63;

 private:
  std::u32string query_;
  bool has_letters_ = false;
};

}  // namespace quilla::server::library
