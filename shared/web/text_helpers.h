#pragma once
// Helpers for cutting apart and encoding the texts that web services send. All text is
// UTF-8 (std::string holding bytes). Positions count bytes from 1. Every function here is
// pure apart from the random ones, and all are thread-safe.

#include <string>
#include <string_view>
#include <vector>

#include "encoding/gbk.h"

namespace quilla::web {

using encoding::GbkToUtf8;
using encoding::Utf8ToGbk;

// The text between the first `left` found at or after byte position `start` (1-based;
// values below 1 mean 1) and the next `right` after it. Every "#引号" in either marker
// stands for a double quote, so a marker can be written inside a quoted literal without
// escaping. ignore_case folds ASCII letters only. Returns "" when either marker is
// missing or `left` is empty.
std::string TextBetween(std::string_view text, std::string_view left, std::string_view right,
                        int start = 1, bool ignore_case = false);

struct AllTextsBetweenOptions {
  bool ignore_case = false;  // ASCII letters only
  int max_length = 0;        // > 0: keep only items shorter than this many bytes
  std::string prefix, suffix;
  // The markers themselves around the item: left + prefix + between + suffix + right.
  bool include_left = false, include_right = false;
  int start = 1;  // 1-based byte position where the scan begins
};

// Fills `out` (emptied first) with every text between a `left` marker and the next
// `right` marker after it, scanning on from the end of each left marker used, and stops
// at the first missing marker. Markers are taken literally. An empty left marker finds
// nothing. Returns out.size(). Processes no window messages: it is meant for worker
// threads.
int AllTextsBetween(std::string_view text, std::string_view left, std::string_view right,
                    std::vector<std::string>& out, const AllTextsBetweenOptions& options = {});

// Percent-encodes every byte as "%" + two upper-case hex digits. keep_safe keeps "-", ".",
// 0-9, A-Z and a-z as they are (the underscore and the tilde are encoded). as_utf8 encodes
// the UTF-8 bytes of text; without it the text's GBK bytes are encoded. "" gives "".
std::string UrlEncode(std::string_view text, bool keep_safe = false, bool as_utf8 = false);

// A uniformly random integer in [minimum, maximum] from a per-thread generator seeded by
// std::random_device. maximum == 0 stands for 2147483647; swapped bounds are accepted.
int RandomNumber(int minimum, int maximum);

// `length` characters (none when length <= 0). Each character first draws one of the
// three classes digit / upper-case letter / lower-case letter with probability 1/3, then a
// character of that class uniformly.
std::string RandomText(int length);

// Resolves escapes the way JavaScript's unescape does after every backslash has been
// turned into "%": "\u4e2d" and "%u4e2d" give 中, "%XX" gives the character U+00XX, and a
// backslash or "%" that starts no such escape becomes (or stays) a "%" ("\/" gives "%/").
// UTF-16 surrogate pairs are combined; a lone surrogate becomes U+FFFD. Other text passes
// through unchanged. Returns UTF-8.
std::string UnUnicode(std::string_view text);

// JavaScript's unescape over UTF-8 text: "%uXXXX" gives the UTF-16 unit XXXX (surrogate
// pairs combined, a lone surrogate becomes U+FFFD) and "%XX" the character U+00XX (so
// "%E4" is ä, not a UTF-8 byte); a "%" that starts neither stays, and everything else,
// backslashes included, passes through unchanged. Returns UTF-8.
std::string Unescape(std::string_view text);

// `text` without the characters of `blanks` at either end (a view into `text`).
std::string_view TrimBlanks(std::string_view text, std::string_view blanks = " \t\r\n");

}  // namespace quilla::web
