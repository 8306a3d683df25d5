#include "vendors/qualcomm/backends/qnn_log.h"

#include <atomic>
#include <cstdio>

namespace qnn {
namespace {

// Relaxed atomic: a plain process-wide value that the voting threads and
// QNN's threads may read while options are loaded.
std::atomic<uint32_t> g_threshold{kQnnLogInfo};

const char* CallbackLevelName(uint32_t level) {
  switch (level) {
    case 1: return " ERROR ";
    case 2: return "WARNING";
    case 4: return "VERBOSE";
    case 5: return " DEBUG ";
    default: return level <= 3 ? "  INFO " : "UNKNOWN";
  }
}

}  // namespace

void QnnLog(uint32_t level, const char* format, ...) {
  if (level > g_threshold.load(std::memory_order_relaxed)) return;
  va_list args;
  va_start(args, format);
  std::vfprintf(stderr, format, args);
  va_end(args);
  std::fputc('\n', stderr);
}

void SetQnnLogLevel(uint32_t level) { g_threshold.store(level, std::memory_order_relaxed); }

uint32_t GetQnnLogLevel() { return g_threshold.load(std::memory_order_relaxed); }

void QnnLogCallback(const char* format, QnnLog_Level_t level, uint64_t timestamp, va_list args) {
  char header[256];
  std::snprintf(header, sizeof(header), "%8.1fms [%-7s] ", static_cast<double>(timestamp),
                CallbackLevelName(static_cast<uint32_t>(level)));
  char message[256];
  std::vsnprintf(message, 255, format, args);  // at most 254 characters
  std::fprintf(stdout, "%s %s", header, message);
}

}  // namespace qnn
