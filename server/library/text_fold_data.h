#pragma once
// The generated traditional-to-simplified character table (make_t2s_table, from OpenCC).

namespace quilla::server::library {

struct CodePointPair {
  char32_t from, to;
};

// Sorted by `from`.
extern const CodePointPair kTraditionalToSimplified[];
extern const int kTraditionalToSimplifiedCount;

}  // namespace quilla::server::library
