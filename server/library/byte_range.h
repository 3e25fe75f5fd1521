#pragma once
// Deciding what part of a file a Range request gets. cpp-httplib (0.11) slices answers by
// the ranges it parsed without checking them against the length, so a range past the end
// would make it announce a nonsense Content-Length; every range is decided here first.

#include <cstdint>
#include <utility>
#include <vector>

#include <sys/types.h>

namespace quilla::server::library {

enum class RangeOutcome {
  kWhole,          // no range, or several (ignored, as HTTP allows): 200 with everything
  kPartial,        // one satisfiable range: 206 with bytes first..last
  kUnsatisfiable,  // 416
};

struct RangeDecision {
  RangeOutcome outcome = RangeOutcome::kWhole;
  std::uint64_t first = 0, last = 0;  // inclusive; meaningful for kPartial
};

// `ranges` as cpp-httplib parsed "Range: bytes=..." (first, last), -1 for an omitted end:
// "500-" is (500, -1), "-500" (the last 500 bytes) is (-1, 500). A last position past the
// end is cut to the end; a first position at or past the end, an empty suffix and any
// range of an empty file are unsatisfiable. Pure.
RangeDecision DecideRange(const std::vector<std::pair<ssize_t, ssize_t>>& ranges,
                          std::uint64_t size);

}  // namespace quilla::server::library
