#include "vendors/qualcomm/backends/gpu_backend.h"

#include <utility>

#include "vendors/qualcomm/backends/qnn_log.h"

namespace qnn {
namespace {

uint32_t QnnGpuPrecision(GpuPrecision precision) {
  switch (precision) {
    case GpuPrecision::kUserProvided: return 3;
    case GpuPrecision::kFp32: return 0;
    case GpuPrecision::kFp16: return 1;
    case GpuPrecision::kHybrid: return 2;
    default: return 1;
  }
}

}  // namespace

bool GpuBackend::Init(const Options& options, std::optional<SocInfo> soc_info) {
  const uint32_t log_level = static_cast<uint32_t>(options.GetLogLevel());
  LogHandleT log = CreateLogHandle(log_level);
  if (!log && log_level != 0) {
    QnnLog(kQnnLogError, "ERROR: [Qnn] Failed to create log handle.");
    return false;
  }
  BackendHandleT backend = CreateBackendHandle(log.get(), nullptr, 0);
  if (!backend) {
    QnnLog(kQnnLogError, "ERROR: [Qnn] Failed to create backend handle.");
    return false;
  }
  if (soc_info.has_value()) SetSocInfo(*soc_info);
  CommitHandles(std::move(log), std::move(backend), DeviceHandleT());
  return true;
}

GraphConfigs GpuBackend::GetGraphConfigs(const Options& options, absl::string_view /*graph_name*/) {
  GraphConfigs configs;
  QnnGpuGraphCustomConfig record{};
  record.precision = QnnGpuPrecision(options.GetGpuPrecision());
  configs.AddCustomEntry(configs.AddRecord(record));
  return configs;
}

}  // namespace qnn
