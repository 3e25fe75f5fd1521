// Build-time tool: the two Han character tables that search needs, so the program reads
// no data file and loads no converter at start.
//
//   make_han_tables Unihan_Readings.txt.bz2 pinyin_table.cpp t2s_table.cpp
//
// t2s_table.cpp: OpenCC's traditional-to-simplified conversion ("t2s.json") asked for every
// Han character, one at a time; the characters that change, as a sorted table, so search
// folds 周杰倫 and 周杰伦 to the same text. Only one-character results are kept: search
// compares character by character.
//
// pinyin_table.cpp: the Mandarin readings of the Unicode Han database (fields kMandarin and
// kHanyuPinyin) without tones, "ü" written as "v": kPinyinSyllables (sorted, unique),
// kPinyinReadingSets (per set: count, then the syllable numbers), kPinyinEntries ({code
// point, offset of its set}, sorted by code point). A simplified character also gets the
// readings of every traditional character that folds to it: the database lists most
// readings on the traditional forms only (乐 has lè, 樂 has lè and yuè), and search looks
// readings up by the folded character.
//
// Fails (exit 1) on a reading it cannot spell in plain letters, so a new kind of
// diacritic in a later Unicode release shows up at build time rather than as a character
// that never matches.

#include <bzlib.h>
#include <opencc/opencc.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "encoding/utf8.h"

using quilla::encoding::AppendUtf8;
using quilla::encoding::NextCodePoint;

namespace {

using Readings = std::map<char32_t, std::set<std::string>>;
using Pairs = std::vector<std::pair<char32_t, char32_t>>;

std::string ReadBzip2(const char* path) {
  FILE* file = std::fopen(path, "rb");
  if (!file) {
    std::cerr << "cannot open " << path << "\n";
    std::exit(1);
  }
  int error = BZ_OK;
  BZFILE* bz = BZ2_bzReadOpen(&error, file, 0, 0, nullptr, 0);
  std::string out;
  char buffer[1 << 16];
  while (error == BZ_OK) {
    const int n = BZ2_bzRead(&error, bz, buffer, sizeof buffer);
    if (n > 0) out.append(buffer, static_cast<std::size_t>(n));
  }
  if (error != BZ_STREAM_END) {
    std::cerr << "cannot decompress " << path << " (bzip2 error " << error << ")\n";
    std::exit(1);
  }
  BZ2_bzReadClose(&error, bz);
  std::fclose(file);
  return out;
}

// The plain letter behind a pinyin letter with a tone mark; 0 for a combining mark (dropped).
char PlainLetter(char32_t cp, const std::string& reading) {
  if (cp < 0x80 && std::isalpha(static_cast<int>(cp))) return static_cast<char>(std::tolower(cp));
  if (cp >= 0x300 && cp <= 0x36F) return 0;
  static const std::map<char32_t, char> kLetters = {
      {U'ā', 'a'}, {U'á', 'a'}, {U'ǎ', 'a'}, {U'à', 'a'}, {U'ē', 'e'}, {U'é', 'e'}, {U'ě', 'e'},
      {U'è', 'e'}, {U'ê', 'e'}, {U'ế', 'e'}, {U'ề', 'e'}, {U'ī', 'i'}, {U'í', 'i'}, {U'ǐ', 'i'},
      {U'ì', 'i'}, {U'ō', 'o'}, {U'ó', 'o'}, {U'ǒ', 'o'}, {U'ò', 'o'}, {U'ū', 'u'}, {U'ú', 'u'},
      {U'ǔ', 'u'}, {U'ù', 'u'}, {U'ü', 'v'}, {U'ǖ', 'v'}, {U'ǘ', 'v'}, {U'ǚ', 'v'}, {U'ǜ', 'v'},
      {U'ń', 'n'}, {U'ň', 'n'}, {U'ǹ', 'n'}, {U'ḿ', 'm'}};
  const auto found = kLetters.find(cp);
  if (found == kLetters.end()) {
    std::cerr << "unknown letter U+" << std::hex << static_cast<unsigned>(cp) << " in reading "
              << reading << "\n";
    std::exit(1);
  }
  return found->second;
}

std::string Toneless(const std::string& reading) {
  std::string out;
  for (std::size_t i = 0; i < reading.size();) {
    if (const char letter = PlainLetter(NextCodePoint(reading, i), reading)) out += letter;
  }
  return out;
}

// The only code point of a UTF-8 text, or 0 when it holds none or several.
char32_t SingleCodePoint(const std::string& text) {
  if (text.empty()) return 0;
  std::size_t pos = 0;
  const char32_t cp = NextCodePoint(text, pos);
  return pos == text.size() ? cp : 0;
}

Readings ReadUnihan(const char* path) {
  const std::string data = ReadBzip2(path);
  Readings readings;
  std::istringstream lines(data);
  std::string line;
  while (std::getline(lines, line)) {
    if (line.rfind("U+", 0) != 0) continue;
    std::istringstream fields(line);
    std::string code, field, value;
    if (!std::getline(fields, code, '\t') || !std::getline(fields, field, '\t') ||
        !std::getline(fields, value))
      continue;
    if (field != "kMandarin" && field != "kHanyuPinyin") continue;
    const auto cp = static_cast<char32_t>(std::stoul(code.substr(2), nullptr, 16));
    std::istringstream words(value);
    std::string word;
    while (words >> word) {
      // kHanyuPinyin: "10019.020,10020.030:tiàn,tián"; kMandarin: "tiàn".
      if (const auto colon = word.find(':'); colon != std::string::npos) word.erase(0, colon + 1);
      std::istringstream items(word);
      std::string item;
      while (std::getline(items, item, ',')) {
        if (const std::string plain = Toneless(item); !plain.empty()) readings[cp].insert(plain);
      }
    }
  }
  return readings;
}

// Exits when OpenCC cannot be used.
Pairs TraditionalToSimplified() {
  opencc_t converter = opencc_open("t2s.json");
  if (converter == reinterpret_cast<opencc_t>(-1)) {
    std::cerr << "cannot open OpenCC's t2s.json: " << opencc_error() << "\n";
    std::exit(1);
  }
  // The Han blocks (radicals, Ext A, URO, compatibility, Ext B..F and the supplement).
  const std::pair<char32_t, char32_t> kBlocks[] = {{0x2E80, 0x2FDF},   {0x3400, 0x4DBF},
                                                   {0x4E00, 0x9FFF},   {0xF900, 0xFAFF},
                                                   {0x20000, 0x2EBEF}, {0x2F800, 0x2FA1F}};
  // One call for all of them: a line break between characters keeps OpenCC's phrase
  // segmentation from joining neighbours, so each line is the conversion of one character.
  std::vector<char32_t> order;
  std::string input;
  for (const auto& [first, last] : kBlocks) {
    for (char32_t cp = first; cp <= last; ++cp) {
      order.push_back(cp);
      AppendUtf8(input, cp);
      input += '\n';
    }
  }
  char* converted = opencc_convert_utf8(converter, input.data(), input.size());
  if (!converted) {
    std::cerr << "OpenCC conversion failed: " << opencc_error() << "\n";
    std::exit(1);
  }
  std::vector<std::pair<char32_t, char32_t>> pairs;
  std::size_t line_start = 0;
  const std::string output(converted);
  opencc_convert_utf8_free(converted);
  opencc_close(converter);
  for (const char32_t cp : order) {
    const auto line_end = output.find('\n', line_start);
    if (line_end == std::string::npos) {
      std::cerr << "OpenCC returned fewer lines than it was given\n";
      std::exit(1);
    }
    const char32_t simplified = SingleCodePoint(output.substr(line_start, line_end - line_start));
    if (simplified != 0 && simplified != cp) pairs.emplace_back(cp, simplified);
    line_start = line_end + 1;
  }
  if (pairs.size() < 2000) {
    std::cerr << "only " << pairs.size() << " conversions: is OpenCC's data installed?\n";
    std::exit(1);
  }

  return pairs;
}

void WritePinyinTable(const Readings& readings, const char* path) {
  std::set<std::string> syllable_set;
  for (const auto& [cp, set] : readings) syllable_set.insert(set.begin(), set.end());
  const std::vector<std::string> syllables(syllable_set.begin(), syllable_set.end());
  std::map<std::string, int> syllable_number;
  for (std::size_t i = 0; i < syllables.size(); ++i) syllable_number[syllables[i]] = int(i);

  std::map<std::vector<int>, int> set_offset;
  std::vector<int> set_data;
  std::vector<std::pair<char32_t, int>> entries;
  for (const auto& [cp, set] : readings) {
    std::vector<int> numbers;
    for (const auto& s : set) numbers.push_back(syllable_number[s]);
    auto [it, added] = set_offset.emplace(numbers, int(set_data.size()));
    if (added) {
      set_data.push_back(int(numbers.size()));
      set_data.insert(set_data.end(), numbers.begin(), numbers.end());
    }
    entries.emplace_back(cp, it->second);
  }

  std::ofstream out(path);
  out << "// Generated by make_pinyin_table from Unihan_Readings.txt.bz2. Do not edit.\n"
      << "#include \"server/library/pinyin_data.h\"\n\n"
      << "namespace quilla::server::library {\n\n"
      << "const char* const kPinyinSyllables[] = {";
  for (std::size_t i = 0; i < syllables.size(); ++i)
    out << (i % 12 ? " " : "\n    ") << '"' << syllables[i] << "\",";
  out << "\n};\nconst int kPinyinSyllableCount = " << syllables.size() << ";\n\n"
      << "const unsigned short kPinyinReadingSets[] = {";
  for (std::size_t i = 0; i < set_data.size(); ++i)
    out << (i % 20 ? " " : "\n    ") << set_data[i] << ",";
  out << "\n};\n\nconst PinyinEntry kPinyinEntries[] = {";
  for (std::size_t i = 0; i < entries.size(); ++i)
    out << (i % 6 ? " " : "\n    ") << "{0x" << std::hex << unsigned(entries[i].first) << std::dec
        << ", " << entries[i].second << "},";
  out << "\n};\nconst int kPinyinEntryCount = " << entries.size() << ";\n\n"
      << "}  // namespace quilla::server::library\n";
  if (!out) std::exit(1);
}

void WriteT2sTable(const Pairs& pairs, const char* path) {
  std::ofstream out(path);
  out << "// Generated by make_t2s_table from OpenCC's t2s.json. Do not edit.\n"
      << "#include \"server/library/text_fold_data.h\"\n\n"
      << "namespace quilla::server::library {\n\n"
      << "const CodePointPair kTraditionalToSimplified[] = {";
  for (std::size_t i = 0; i < pairs.size(); ++i)
    out << (i % 6 ? " " : "\n    ") << "{0x" << std::hex << unsigned(pairs[i].first) << ", 0x"
        << unsigned(pairs[i].second) << std::dec << "},";
  out << "\n};\nconst int kTraditionalToSimplifiedCount = " << pairs.size() << ";\n\n"
      << "}  // namespace quilla::server::library\n";
  if (!out) std::exit(1);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::cerr << "usage: make_han_tables Unihan_Readings.txt.bz2 pinyin_table.cpp t2s_table.cpp\n";
    return 1;
  }
  Readings readings = ReadUnihan(argv[1]);
  if (readings.size() < 20000) {
    std::cerr << "only " << readings.size() << " characters with readings: wrong file?\n";
    return 1;
  }

  const Pairs pairs = TraditionalToSimplified();
  for (const auto& [traditional, simplified] : pairs) {
    if (const auto found = readings.find(traditional); found != readings.end()) {
      readings[simplified].insert(found->second.begin(), found->second.end());
    }
  }
  WritePinyinTable(readings, argv[2]);
  WriteT2sTable(pairs, argv[3]);
  return 0;
}
