#include "tools/runner/latency.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace vantro::runner {

LatencySummary Summarize(std::vector<double> samples_us) {
  LatencySummary summary;
  summary.count = samples_us.size();
  if (samples_us.empty()) return summary;
  std::sort(samples_us.begin(), samples_us.end());
  const size_t n = samples_us.size();
  summary.min_us = samples_us.front();
  summary.max_us = samples_us.back();
  summary.median_us =
      n % 2 == 1 ? samples_us[n / 2] : (samples_us[n / 2 - 1] + samples_us[n / 2]) / 2.0;
  // Nearest rank: ceil(0.99 n), counted from 1; integer arithmetic avoids
  // 0.99 * 100 landing just above 99.
  const size_t rank = (99 * n + 99) / 100;
  summary.p99_us = samples_us[std::max<size_t>(rank, 1) - 1];
  summary.mean_us = std::accumulate(samples_us.begin(), samples_us.end(), 0.0) / n;
  return summary;
}

}  // namespace vantro::runner
