#include "server/library/search_index.h"

#include <algorithm>
#include <limits>

#include "encoding/utf8.h"
#include "server/library/text_fold.h"

namespace quilla::server::library {

using encoding::NextCodePoint;
namespace {

constexpr std::uint64_t kNoMatch = std::numeric_limits<std::uint64_t>::max();
constexpr std::uint64_t kCap12 = 0xFFF;

// Smaller is better: field, then literal before pinyin, then start, then field length,
// then the song's place in id order.
std::uint64_t RankKey(int field, bool pinyin, std::size_t start, std::size_t length,
                      std::size_t song) {
  return (std::uint64_t(field) << 57) | (std::uint64_t(pinyin) << 56) |
         (std::min<std::uint64_t>(start, kCap12) << 44) |
         (std::min<std::uint64_t>(length, kCap12) << 32) | std::uint64_t(song);
}

std::size_t SongOfKey(std::uint64_t key) {
  return static_cast<std::size_t>(key & 0xFFFFFFFFu);
}
int FieldOfKey(std::uint64_t key) {
  return static_cast<int>(key >> 57);
}

std::size_t CountCodePoints(std::string_view utf8) {
  return static_cast<std::size_t>(std::count_if(utf8.begin(), utf8.end(), [](char c) {
    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  }));
}

// The signature bit of a letter pair (both 'a'..'z').
constexpr std::size_t kPairWords = 4;  // a 256-bit signature per field

unsigned PairBit(char32_t a, char32_t b) {
  return unsigned((a - 'a') * 26 + (b - 'a')) & 255u;
}

void AddPair(std::uint64_t* signature, char32_t a, char32_t b) {
  const unsigned bit = PairBit(a, b);
  signature[bit >> 6] |= std::uint64_t(1) << (bit & 63);
}

bool HasPair(const std::uint64_t* signature, char32_t a, char32_t b) {
  const unsigned bit = PairBit(a, b);
  return (signature[bit >> 6] >> (bit & 63)) & 1;
}

}  // namespace

SearchIndex::SearchIndex(std::vector<LibrarySong> songs) : songs_(std::move(songs)) {
  std::sort(songs_.begin(), songs_.end(),
            [](const LibrarySong& a, const LibrarySong& b) { return a.id < b.id; });
  const PinyinReadings& table = PinyinReadings::Instance();
  const std::size_t slots = songs_.size() * kFields;
  text_begin_.reserve(slots + 1);
  cell_begin_.reserve(slots + 1);
  field_initials_.reserve(slots);
  field_length_.reserve(slots);
  field_pairs_.reserve(slots * kPairWords);
  std::u32string seen;                       // distinct characters of the current field
  std::vector<std::uint32_t> cell_initials;  // initials of the current field's cells
  for (const LibrarySong& song : songs_) {
    for (const std::string* field : {&song.title, &song.artist, &song.album, &song.file_stem}) {
      const auto slot = static_cast<std::uint32_t>(text_begin_.size());
      const std::string folded = FoldForSearch(*field);
      text_begin_.push_back(static_cast<std::uint32_t>(text_.size()));
      text_ += folded;
      text_ += '\0';

      seen.clear();
      std::size_t length = 0;
      for (std::size_t pos = 0; pos < folded.size(); ++length) {
        const char32_t cp = NextCodePoint(folded, pos);
        if (seen.find(cp) != std::u32string::npos) continue;
        seen += cp;
        postings_[cp].push_back(slot);
      }
      field_length_.push_back(static_cast<std::uint16_t>(std::min<std::size_t>(length, kCap12)));

      const std::size_t first_cell = cells_.size();
      cell_begin_.push_back(static_cast<std::uint32_t>(first_cell));
      cell_initials.clear();
      AppendPinyinCells(folded, cells_, cell_initials);
      std::uint32_t any = 0;
      std::uint64_t pairs[kPairWords] = {};
      for (std::size_t i = first_cell; i < cells_.size(); ++i) {
        const std::uint32_t initials = cell_initials[i - first_cell];
        any |= initials;
        for (const std::string_view syllable : table.Syllables(cells_[i].readings)) {
          if (syllable.size() >= 2) AddPair(pairs, char32_t(syllable[0]), char32_t(syllable[1]));
        }
        if (i + 1 < cells_.size()) {
          for (std::uint32_t a = initials; a; a &= a - 1) {
            for (std::uint32_t b = cell_initials[i + 1 - first_cell]; b; b &= b - 1) {
              AddPair(pairs, char32_t('a' + __builtin_ctz(a)), char32_t('a' + __builtin_ctz(b)));
            }
          }
        }
      }
      field_initials_.push_back(any);
      field_pairs_.insert(field_pairs_.end(), pairs, pairs + kPairWords);
    }
  }
  text_begin_.push_back(static_cast<std::uint32_t>(text_.size()));
  cell_begin_.push_back(static_cast<std::uint32_t>(cells_.size()));
}

const LibrarySong* SearchIndex::Find(SongId id) const {
  const auto found = std::lower_bound(songs_.begin(), songs_.end(), id,
                                      [](const LibrarySong& s, SongId i) { return s.id < i; });
  return found != songs_.end() && found->id == id ? &*found : nullptr;
}

const std::vector<std::uint32_t>* SearchIndex::Postings(char32_t cp) const {
  const auto found = postings_.find(cp);
  return found == postings_.end() ? nullptr : &found->second;
}

void SearchIndex::CollectLiteral(std::string_view folded_query,
                                 std::vector<std::uint64_t>& best) const {
  // Only fields that hold the query's rarest character can hold the query.
  const std::vector<std::uint32_t>* rarest = nullptr;
  for (std::size_t pos = 0; pos < folded_query.size();) {
    const auto* list = Postings(NextCodePoint(folded_query, pos));
    if (!list) return;
    if (!rarest || list->size() < rarest->size()) rarest = list;
  }
  for (const std::uint32_t slot : *rarest) {
    const std::size_t song = slot / kFields;
    // Slots ascend, so a song's earlier (better) fields came first.
    if (best[song] != kNoMatch) continue;
    const std::string_view field(text_.data() + text_begin_[slot],
                                 text_begin_[slot + 1] - text_begin_[slot] - 1);
    const auto at = field.find(folded_query);
    if (at == std::string_view::npos) continue;
    // The first occurrence in a field starts earliest.
    best[song] = RankKey(int(slot % kFields), false, CountCodePoints(field.substr(0, at)),
                         field_length_[slot], song);
  }
}

std::uint64_t SearchIndex::PinyinMatchIn(const std::u32string& query, const PinyinQuery& matcher,
                                         std::size_t slot,
                                         const std::vector<std::uint8_t>& prefix_length) const {
  const PinyinReadings& table = PinyinReadings::Instance();
  const std::size_t n = query.size();
  const std::size_t begin = cell_begin_[slot], end = cell_begin_[slot + 1];
  // Whether the cell at `i` can start the query's rest from position `at`.
  const auto can_start = [&](std::size_t i, std::size_t at) {
    const std::uint32_t bit = LetterBit(query[at]);
    return bit ? ((table.Initials(cells_[i].readings) | LetterBit(cells_[i].folded)) & bit) != 0
               : cells_[i].folded == query[at];
  };
  for (std::size_t i = begin; i < end; ++i) {
    // How much of the query this cell can take: a start of one of its syllables, or the
    // character itself.
    std::size_t take = prefix_length[cells_[i].readings];
    if (take == 0 && cells_[i].folded == query[0]) take = 1;
    if (take == 0) continue;
    bool whole = take >= n;
    bool worth_trying = whole;
    for (std::size_t t = std::min(take, n - 1); !worth_trying && t >= 1; --t) {
      worth_trying = i + 1 < end && can_start(i + 1, t);
    }
    if (!worth_trying) continue;
    if (whole || matcher.MatchesAt(std::span(cells_.data() + begin, end - begin), i - begin)) {
      return RankKey(int(slot % kFields), true, i - begin, field_length_[slot], slot / kFields);
    }
  }
  return 0;
}

void SearchIndex::CollectPinyin(const PinyinQuery& matcher,
                                std::vector<std::uint64_t>& best) const {
  const std::u32string& query = matcher.text();
  const std::uint32_t first_bit = LetterBit(query[0]);
  const char32_t second = query.size() > 1 ? query[1] : 0;
  const bool pair_test = first_bit != 0 && LetterBit(second) != 0;
  // Per reading set: the longest start of one of its syllables that the query begins with.
  const PinyinReadings& table = PinyinReadings::Instance();
  std::vector<std::uint8_t> prefix_length(table.set_count(), 0);
  if (first_bit) {
    for (std::size_t set = 1; set < prefix_length.size(); ++set) {
      for (const std::string_view s : table.Syllables(static_cast<std::uint16_t>(set))) {
        std::size_t common = 0;
        while (common < s.size() && common < query.size() && query[common] == char32_t(s[common]))
          ++common;
        prefix_length[set] = std::max<std::uint8_t>(prefix_length[set], std::uint8_t(common));
      }
    }
  }
  // A pinyin match only ranks better than a literal one in an earlier field, and a song's
  // fields are visited in rank order: a song with a match in this field or an earlier one
  // is done.
  const auto visit = [&](std::size_t slot) {
    const std::size_t song = slot / kFields;
    if (best[song] != kNoMatch && FieldOfKey(best[song]) <= int(slot % kFields)) return;
    if (const std::uint64_t key = PinyinMatchIn(query, matcher, slot, prefix_length))
      best[song] = key;
  };
  if (first_bit == 0) {
    // The query starts with a character that must stand in the field itself.
    if (const auto* list = Postings(query[0])) {
      for (const std::uint32_t slot : *list) visit(slot);
    }
    return;
  }
  const std::size_t slots = field_initials_.size();
  for (std::size_t slot = 0; slot < slots; ++slot) {
    if ((field_initials_[slot] & first_bit) == 0) continue;
    if (pair_test && !HasPair(&field_pairs_[slot * kPairWords], query[0], second)) continue;
    visit(slot);
  }
}

SearchPage SearchIndex::Search(std::string_view query, int page, int page_size) const {
  SearchPage result;
  const std::string folded = FoldForSearch(query);
  if (folded.empty() || page < 1 || page_size < 1) return result;

  // The best match of every song; a song matches once however many fields it matches in.
  std::vector<std::uint64_t> best(songs_.size(), kNoMatch);
  CollectLiteral(folded, best);
  if (const PinyinQuery pinyin(folded); pinyin.usable() && pinyin.has_letters()) {
    CollectPinyin(pinyin, best);
  }
  std::vector<std::uint64_t> keys;
  for (const std::uint64_t key : best) {
    if (key != kNoMatch) keys.push_back(key);
  }

  result.total = keys.size();
  const std::size_t first = static_cast<std::size_t>(page - 1) * std::size_t(page_size);
  if (first >= keys.size()) return result;
  const std::size_t last = std::min(keys.size(), first + std::size_t(page_size));
  std::partial_sort(keys.begin(), keys.begin() + static_cast<std::ptrdiff_t>(last), keys.end());
  for (std::size_t i = first; i < last; ++i) result.songs.push_back(songs_[SongOfKey(keys[i])]);
  return result;
}

}  // namespace quilla::server::library
