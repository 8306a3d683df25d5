// Per-invoke latency figures of a run.
#ifndef VANTRO_TOOLS_RUNNER_LATENCY_H_
#define VANTRO_TOOLS_RUNNER_LATENCY_H_

#include <cstddef>
#include <vector>

namespace vantro::runner {

struct LatencySummary {
  size_t count = 0;
  double min_us = 0, median_us = 0, p99_us = 0, max_us = 0, mean_us = 0;
};

// Summarises samples in microseconds (all zero for none). The median of an
// even count is the mean of the two middle samples; p99 is the nearest-rank
// percentile, the smallest sample that at least 99% of the samples do not
// exceed (the largest sample below 100 samples).
LatencySummary Summarize(std::vector<double> samples_us);

}  // namespace vantro::runner

#endif  // VANTRO_TOOLS_RUNNER_LATENCY_H_
