#pragma once
// The generated Mandarin reading table (make_pinyin_table, from the Unicode Han database).

namespace quilla::server::library {

struct PinyinEntry {
  char32_t code_point;
  unsigned int reading_set;  // offset into kPinyinReadingSets
};

// Toneless syllables in plain letters, "ü" written "v"; sorted and unique.
extern const char* const kPinyinSyllables[];
extern const int kPinyinSyllableCount;
// Reading sets, back to back: a count, then that many indexes into kPinyinSyllables.
extern const unsigned short kPinyinReadingSets[];
// Every character with a reading, sorted by code point.
extern const PinyinEntry kPinyinEntries[];
extern const int kPinyinEntryCount;

}  // namespace quilla::server::library
