#pragma once
// Per-call latencies of a benchmark loop, reported as median and 99th percentile counters.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <vector>

namespace quilla::bench {

class Latencies {
 public:
  template <typename Call>
  void Time(Call&& call) {
    const auto start = std::chrono::steady_clock::now();
    call();
    samples_.push_back(
        std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start)
            .count());
  }

  // Adds "median_us" and "p99_us" to the benchmark's counters.
  void Report(benchmark::State& state) {
    if (samples_.empty()) return;
    std::sort(samples_.begin(), samples_.end());
    const auto at = [&](double q) {
      return samples_[std::min(samples_.size() - 1, static_cast<std::size_t>(q * samples_.size()))];
    };
    state.counters["median_us"] = at(0.5);
    state.counters["p99_us"] = at(0.99);
  }

 private:
  std::vector<double> samples_;
};

}  // namespace quilla::bench
