// The IR backend: a bare QNN backend that serialises each graph into a
// ".dlc" file named after it.
#ifndef VANTRO_VENDORS_QUALCOMM_BACKENDS_IR_BACKEND_H_
#define VANTRO_VENDORS_QUALCOMM_BACKENDS_IR_BACKEND_H_

#include <optional>

#include "absl/strings/string_view.h"
#include "vendors/qualcomm/backends/qnn_backend.h"
#include "vendors/qualcomm/backends/qnn_options.h"

namespace qnn {

class IrBackend : public QnnBackend {
 public:
  explicit IrBackend(const qnn::QnnApi* api) : QnnBackend(api) {}

  bool Init(const Options& options, std::optional<SocInfo> soc_info) override;
  // One IR record naming "<DlcDir>/<graph_name>.dlc", with forward slashes
  // on every platform.
  GraphConfigs GetGraphConfigs(const Options& options, absl::string_view graph_name) override;
};

}  // namespace qnn

#endif  // VANTRO_VENDORS_QUALCOMM_BACKENDS_IR_BACKEND_H_
