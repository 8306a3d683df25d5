// Call-log texts of the LPAI backend's records: its custom backend and
// graph configs, each an option and a pointer to the option's value record.
// This translation unit holds the LPAI header group.
#include <cstdint>
#include <string>

#include "LPAI/QnnLpaiBackend.h"
#include "LPAI/QnnLpaiCommon.h"
#include "LPAI/QnnLpaiGraph.h"
#include "absl/strings/str_cat.h"
#include "absl/strings/str_format.h"
#include "sim/qnn/sim_backend_ids.h"
#include "sim/qnn/sim_config_records.h"
#include "sim/qnn/sim_config_text.h"
#include "sim/qnn/sim_internal.h"

namespace vantro::sim::internal {
namespace {

static_assert(kLpaiBackendId == QNN_BACKEND_ID_LPAI, "the LPAI provider's backend id");

// The value record of the graph-preparation option
// (QNN_LPAI_GRAPH_SET_CFG_PREPARE_DEFAULT): a word, then a text. QNN
// publishes no declaration of it.
struct LpaiPrepareRecord {
  uint32_t word;
  const char* text;
};

}  // namespace

// A value record is read only for the option that defines it.
std::string LpaiBackendCustomText(const void* custom) {
  const auto* record = static_cast<const QnnLpaiBackend_CustomConfig_t*>(custom);
  std::string value;
  if (record->option != QNN_LPAI_BACKEND_CUSTOM_CFG_HW_INFO) {
    value = absl::StrCat("value=", FormatHandle(record->config));
  } else if (record->config == nullptr) {
    value = "target=null";
  } else {
    const auto* hw = static_cast<const QnnLpaiBackend_CustomConfigHwInfo_t*>(record->config);
    value = absl::StrFormat("target={target=%u hardware_version=%u}", Word32(&hw->lpaiTarget),
                            Word32(&hw->hwVersion));
  }
  return absl::StrFormat("lpai={option=%u %s}", record->option, value);
}

std::string LpaiGraphCustomText(const void* custom) {
  const auto* record = static_cast<const QnnLpaiGraph_CustomConfig_t*>(custom);
  std::string value;
  if (record->config == nullptr) {
    value = "value=null";
  } else if (record->option == QNN_LPAI_GRAPH_SET_CFG_PERF_CFG_DEFAULT) {
    const auto* performance = static_cast<const QnnLpaiGraph_PerfCfg_t*>(record->config);
    value = absl::StrFormat("performance={fps=%u ftrt_ratio=%u client_type=%u}",
                            performance->fps, performance->ftrtRatio,
                            Word32(&performance->clientType));
  } else if (record->option == QNN_LPAI_GRAPH_SET_CFG_CORE_AFFINITY_DEFAULT) {
    const auto* core = static_cast<const QnnLpaiGraph_CoreAffinity_t*>(record->config);
    value = absl::StrFormat("core={affinity=%u core_selection=%u}", Word32(&core->affinity),
                            core->coreSelection);
  } else if (record->option == QNN_LPAI_GRAPH_SET_CFG_PREPARE_DEFAULT) {
    const auto* prepare = static_cast<const LpaiPrepareRecord*>(record->config);
    value = absl::StrFormat("text={word=%u text=%s}", prepare->word, FormatText(prepare->text));
  } else {
    value = absl::StrCat("value=", FormatHandle(record->config));
  }
  return absl::StrFormat("lpai={option=%u %s}", record->option, value);
}

}  // namespace vantro::sim::internal
