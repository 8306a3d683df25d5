// CreateBackend: the one place that picks a backend class by type, runs its
// Init and registers the custom op package.
#include <memory>
#include <utility>

#include "vendors/qualcomm/backends/dsp_backend.h"
#include "vendors/qualcomm/backends/gpu_backend.h"
#include "vendors/qualcomm/backends/htp_backend.h"
#include "vendors/qualcomm/backends/ir_backend.h"
#include "vendors/qualcomm/backends/lpai_backend.h"
#include "vendors/qualcomm/backends/qnn_backend.h"
#include "vendors/qualcomm/backends/qnn_log.h"

namespace qnn {
namespace {

std::unique_ptr<QnnBackend> NewBackend(const qnn::QnnApi* api, BackendType type) {
  switch (type) {
    case BackendType::kGpu: return std::make_unique<GpuBackend>(api);
    case BackendType::kHtp: return std::make_unique<HtpBackend>(api);
    case BackendType::kDsp: return std::make_unique<DspBackend>(api);
    case BackendType::kIr: return std::make_unique<IrBackend>(api);
    case BackendType::kLpai: return std::make_unique<LpaiBackend>(api);
    default: return nullptr;
  }
}

}  // namespace

std::unique_ptr<QnnBackend> CreateBackend(const qnn::QnnApi* api, const Options& options,
                                          std::optional<SocInfo> soc_info, bool for_compilation) {
  std::unique_ptr<QnnBackend> backend = NewBackend(api, options.GetBackendType());
  if (backend == nullptr) return nullptr;
  if (!backend->Init(options, soc_info)) return nullptr;

  const CustomOpPackage& package = options.GetCustomOpPackage();
  if (package.name.empty()) return backend;
  if (options.GetBackendType() != BackendType::kHtp) {
    QnnLog(kQnnLogInfo, "INFO: [Qnn] Custom op package is only supported on HtpBackend. Ignore.");
    return backend;
  }

  // Compilation registers the host-side package; execution the one that
  // runs on the accelerator.
  const std::string& path =
      for_compilation ? package.compile_package_path : package.dispatch_package_path;
  const char* target = for_compilation ? "CPU" : package.target.c_str();
  const Qnn_ErrorHandle_t result = api->backendRegisterOpPackage(
      backend->BackendHandle(), path.c_str(), package.interface_provider.c_str(), target);
  if (result != QNN_SUCCESS) {
    QnnLog(kQnnLogError, "ERROR: [Qnn] Failed to register op package. Error code: %d",
           static_cast<int>(result));
    return nullptr;
  }
  return backend;
}

}  // namespace qnn
