#include "vendors/qualcomm/backends/lpai_backend.h"

#include <utility>

#include "LPAI/QnnLpaiBackend.h"
#include "LPAI/QnnLpaiGraph.h"
#include "vendors/qualcomm/backends/qnn_log.h"

namespace qnn {
namespace {

// The value record of the graph-preparation option: a word, then the
// text. QNN publishes no declaration of it.
struct LpaiPrepareRecord {
  uint32_t word;
  const char* text;
};

}  // namespace

struct LpaiBackend::BackendRecord {
  QnnLpaiBackend_CustomConfig_t record;
};
struct LpaiBackend::TargetRecord {
  QnnLpaiBackend_CustomConfigHwInfo_t record;
};

LpaiBackend::LpaiBackend(const qnn::QnnApi* api) : QnnBackend(api) {}

LpaiBackend::~LpaiBackend() {
  backend_records_.clear();
  target_records_.clear();
}

bool LpaiBackend::Init(const Options& options, std::optional<SocInfo> soc_info) {
  QnnLog(kQnnLogWarning,
         "WARNING: [Qnn] LPAI backend: the QAIRT SDK will generate an .eaix file regardless of "
         "the requested output. This is a known limitation and will be fixed in a future "
         "version.");

  const uint32_t log_level = static_cast<uint32_t>(options.GetLogLevel());
  LogHandleT log = CreateLogHandle(log_level);
  if (!log && log_level != 0) {
    QnnLog(kQnnLogError, "ERROR: [Qnn] Failed to create log handle.");
    return false;
  }

  if (soc_info.has_value()) SetSocInfo(*soc_info);
  const SocInfo& soc = this->soc_info();
  if (!soc_info.has_value() || soc.lpai_hardware_version == 0) {
    QnnLog(kQnnLogError,
           "ERROR: [Qnn] No LPAI hardware version could be resolved for SoC \"%.*s\" (soc_model "
           "%u); cannot initialize the LPAI backend.",
           static_cast<int>(soc.soc_name.size()), soc.soc_name.data(), soc.soc_model);
    return false;
  }

  const uint32_t target = static_cast<uint32_t>(options.GetLpaiTarget());
  QnnLpaiBackend_CustomConfigHwInfo_t& target_record = target_records_.emplace_back().record;
  target_record.lpaiTarget =
      target < 4 ? static_cast<QnnLpaiBackend_Target_t>(target) : QNN_LPAI_BACKEND_TARGET_ADSP;
  const uint32_t hardware = soc.lpai_hardware_version;
  target_record.hwVersion = hardware == 5 || hardware == 6
                                ? static_cast<QnnLpaiBackend_HwVersion_t>(hardware)
                                : QNN_LPAI_BACKEND_HW_VERSION_UNKNOWN;

  QnnLpaiBackend_CustomConfig_t& record = backend_records_.emplace_back().record;
  record.option = QNN_LPAI_BACKEND_CUSTOM_CFG_HW_INFO;
  record.config = &target_record;
  QnnBackend_Config_t& config = AddBackendConfig();
  config.option = QNN_BACKEND_CONFIG_OPTION_CUSTOM;
  config.customConfig = &record;
  const QnnBackend_Config_t* configs[] = {&config, nullptr};
  BackendHandleT backend = CreateBackendHandle(log.get(), configs, 2);
  if (!backend) {
    QnnLog(kQnnLogError, "ERROR: [Qnn] Failed to create backend handle.");
    return false;
  }

  CommitHandles(std::move(log), std::move(backend), DeviceHandleT());
  return true;
}

GraphConfigs LpaiBackend::GetGraphConfigs(const Options& /*options*/,
                                          absl::string_view /*graph_name*/) {
  GraphConfigs configs;
  LpaiPrepareRecord text{};
  text.word = 0;
  text.text = configs.AddText("0,1");
  QnnLpaiGraph_CustomConfig_t record{};
  record.option = QNN_LPAI_GRAPH_SET_CFG_PREPARE_DEFAULT;
  record.config = configs.AddRecord(text);
  configs.AddCustomEntry(configs.AddRecord(record));
  return configs;
}

bool LpaiBackend::AfterGraphRetrieve(const RetrievedGraph& graph, const Options& options) {
  QnnLpaiGraph_PerfCfg_t performance{};
  performance.fps = options.GetLpaiFps();
  performance.ftrtRatio = options.GetLpaiFtrtRatio();
  performance.clientType = options.GetLpaiClientPerfType() == LpaiClientPerfType::kNonRealTime
                               ? QNN_LPAI_GRAPH_CLIENT_PERF_TYPE_NON_REAL_TIME
                               : QNN_LPAI_GRAPH_CLIENT_PERF_TYPE_REAL_TIME;
  QnnLpaiGraph_CustomConfig_t performance_config{QNN_LPAI_GRAPH_SET_CFG_PERF_CFG, &performance};

  QnnLpaiGraph_CoreAffinity_t core{};
  core.affinity = options.GetLpaiCoreAffinityType() == LpaiCoreAffinityType::kHard
                      ? QNN_LPAI_GRAPH_CORE_AFFINITY_HARD
                      : QNN_LPAI_GRAPH_CORE_AFFINITY_SOFT;
  core.coreSelection = options.GetLpaiCoreSelection();
  QnnLpaiGraph_CustomConfig_t core_config{QNN_LPAI_GRAPH_SET_CFG_CORE_AFFINITY, &core};

  QnnGraph_Config_t entries[2]{};
  entries[0].option = QNN_GRAPH_CONFIG_OPTION_CUSTOM;
  entries[0].customConfig = &performance_config;
  entries[1].option = QNN_GRAPH_CONFIG_OPTION_CUSTOM;
  entries[1].customConfig = &core_config;
  const QnnGraph_Config_t* list[] = {&entries[0], &entries[1], nullptr};

  Qnn_ErrorHandle_t result = api()->graphSetConfig(graph.graph, list);
  if (result != QNN_SUCCESS) {
    QnnLog(kQnnLogError, "ERROR: [Qnn] Failed to set LPAI graph config after retrieve. Error %d",
           static_cast<int>(result & 0xFFFF));
    return false;
  }
  result = api()->graphFinalize(graph.graph, graph.profile, nullptr);
  if (result != QNN_SUCCESS) {
    QnnLog(kQnnLogError, "ERROR: [Qnn] Failed to re-finalize LPAI graph after retrieve. Error %d",
           static_cast<int>(result & 0xFFFF));
    return false;
  }
  return true;
}

}  // namespace qnn
