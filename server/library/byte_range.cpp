#include "server/library/byte_range.h"

#include <algorithm>

namespace quilla::server::library {

RangeDecision DecideRange(const std::vector<std::pair<ssize_t, ssize_t>>& ranges,
                          std::uint64_t size) {
  RangeDecision decision;
  if (ranges.size() != 1) return decision;  // several ranges: served whole
  const auto [first, last] = ranges.front();
  decision.outcome = RangeOutcome::kUnsatisfiable;
  if (size == 0) return decision;
  if (first < 0) {
    if (last <= 0) return decision;  // "-0", or nothing at all
    decision.first = size - std::min<std::uint64_t>(std::uint64_t(last), size);
    decision.last = size - 1;
  } else {
    if (std::uint64_t(first) >= size || (last >= 0 && last < first)) return decision;
    decision.first = std::uint64_t(first);
    decision.last = last < 0 ? size - 1 : std::min<std::uint64_t>(std::uint64_t(last), size - 1);
  }
  decision.outcome = RangeOutcome::kPartial;
  return decision;
}

}  // namespace quilla::server::library
