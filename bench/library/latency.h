#pragma once
// Per-call latencies of a benchmark loop, reported as median and 99th percentile counters:
// wall time (what a listener waits, including time the machine gave to other processes)
// and this thread's CPU time (the work itself).

#include <benchmark/benchmark.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

namespace quilla::bench {

class Latencies {
 public:
  template <typename Call>
  void Time(Call&& call) {
    const auto start = std::chrono::steady_clock::now();
    const double cpu_start = ThreadCpuMicroseconds();
    call();
    cpu_.push_back(ThreadCpuMicroseconds() - cpu_start);
    wall_.push_back(
        std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start)
            .count());
  }

  // Adds "median_us", "p99_us", "cpu_median_us" and "cpu_p99_us" to the counters.
  void Report(benchmark::State& state) {
    Add(state, "", wall_);
    Add(state, "cpu_", cpu_);
  }

 private:
  static double ThreadCpuMicroseconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e6 + double(now.tv_nsec) / 1e3;
  }

  static void Add(benchmark::State& state, const std::string& prefix,
                  std::vector<double>& samples) {
    if (samples.empty()) return;
    std::sort(samples.begin(), samples.end());
    const auto at = [&](double q) {
      return samples[std::min(samples.size() - 1, static_cast<std::size_t>(q * samples.size()))];
    };
    state.counters[prefix + "median_us"] = at(0.5);
    state.counters[prefix + "p99_us"] = at(0.99);
  }

  std::vector<double> wall_, cpu_;
};

}  // namespace quilla::bench
