// The GPU backend: a bare QNN backend whose graphs ask for a precision.
#ifndef VANTRO_VENDORS_QUALCOMM_BACKENDS_GPU_BACKEND_H_
#define VANTRO_VENDORS_QUALCOMM_BACKENDS_GPU_BACKEND_H_

#include <optional>

#include "absl/strings/string_view.h"
#include "vendors/qualcomm/backends/qnn_backend.h"
#include "vendors/qualcomm/backends/qnn_options.h"

namespace qnn {

class GpuBackend : public QnnBackend {
 public:
  explicit GpuBackend(const qnn::QnnApi* api) : QnnBackend(api) {}

  bool Init(const Options& options, std::optional<SocInfo> soc_info) override;
  // One GPU record with the QNN precision number for GpuPrecision.
  GraphConfigs GetGraphConfigs(const Options& options, absl::string_view graph_name) override;
};

}  // namespace qnn

#endif  // VANTRO_VENDORS_QUALCOMM_BACKENDS_GPU_BACKEND_H_
