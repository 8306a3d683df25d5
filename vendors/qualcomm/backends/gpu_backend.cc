#include "vendors/qualcomm/backends/gpu_backend.h"

#include <utility>

#include "GPU/QnnGpuGraph.h"
#include "vendors/qualcomm/backends/qnn_log.h"

namespace qnn {
namespace {

QnnGpu_Precision_t QnnGpuPrecision(GpuPrecision precision) {
  switch (precision) {
    case GpuPrecision::kUserProvided: return QNN_GPU_PRECISION_USER_PROVIDED;
    case GpuPrecision::kFp32: return QNN_GPU_PRECISION_FP32;
    case GpuPrecision::kFp16: return QNN_GPU_PRECISION_FP16;
    case GpuPrecision::kHybrid: return QNN_GPU_PRECISION_HYBRID;
    default: return QNN_GPU_PRECISION_FP16;
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
  QnnGpuGraph_CustomConfig_t record{};
  record.precision = QnnGpuPrecision(options.GetGpuPrecision());
  configs.AddCustomEntry(configs.AddRecord(record));
  return configs;
}

}  // namespace qnn
