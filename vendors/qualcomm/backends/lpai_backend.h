// The LPAI (low-power AI) backend: its QNN backend needs the SoC's LPAI
// hardware version, and each graph retrieved from a context binary gets its
// frame-rate and core settings and is finalised again.
#ifndef VANTRO_VENDORS_QUALCOMM_BACKENDS_LPAI_BACKEND_H_
#define VANTRO_VENDORS_QUALCOMM_BACKENDS_LPAI_BACKEND_H_

#include <list>
#include <optional>

#include "absl/strings/string_view.h"
#include "vendors/qualcomm/backends/qnn_backend.h"
#include "vendors/qualcomm/backends/qnn_options.h"
#include "vendors/qualcomm/qnn_interface.h"

namespace qnn {

class LpaiBackend : public QnnBackend {
 public:
  explicit LpaiBackend(const qnn::QnnApi* api);
  // Frees its two record lists, then the base's handles.
  ~LpaiBackend() override;

  bool Init(const Options& options, std::optional<SocInfo> soc_info) override;
  GraphConfigs GetGraphConfigs(const Options& options, absl::string_view graph_name) override;
  // Sets the performance (201) and core (301) records on the graph and
  // finalises it again; false after logging the QNN result.
  bool AfterGraphRetrieve(const RetrievedGraph& graph, const Options& options) override;

 private:
  // Defined with the LPAI records, which this header leaves out: they may
  // not meet another backend's records in one translation unit.
  struct BackendRecord;
  struct TargetRecord;
  std::list<BackendRecord> backend_records_;
  std::list<TargetRecord> target_records_;
};

}  // namespace qnn

#endif  // VANTRO_VENDORS_QUALCOMM_BACKENDS_LPAI_BACKEND_H_
