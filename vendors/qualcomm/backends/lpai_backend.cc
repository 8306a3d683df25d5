#include "vendors/qualcomm/backends/lpai_backend.h"

#include <utility>

#include "vendors/qualcomm/backends/qnn_log.h"

namespace qnn {
namespace {

constexpr uint32_t kLpaiTargetAdsp = 2;
constexpr uint32_t kLpaiClientRealTime = 1;
constexpr uint32_t kLpaiClientNonRealTime = 2;
constexpr uint32_t kLpaiAffinitySoft = 1;
constexpr uint32_t kLpaiAffinityHard = 2;

}  // namespace

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
  QnnLpaiTargetRecord& target_record = target_records_.emplace_back();
  target_record.target = target < 4 ? target : kLpaiTargetAdsp;
  target_record.hardware_version =
      soc.lpai_hardware_version == 5 || soc.lpai_hardware_version == 6 ? soc.lpai_hardware_version
                                                                       : QNN_UNDEFINED;

  QnnLpaiBackendCustomConfig& record = backend_records_.emplace_back();
  record.option = 0;
  record.target = &target_record;
  QnnBackendConfig& config = AddBackendConfig();
  config.option = QNN_BACKEND_CONFIG_OPTION_CUSTOM;
  config.custom = &record;
  const QnnBackendConfig* configs[] = {&config, nullptr};
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
  QnnLpaiTextRecord text{};
  text.word = 0;
  text.text = configs.AddText("0,1");
  QnnLpaiGraphCustomConfig record{};
  record.option = QNN_LPAI_GRAPH_CONFIG_OPTION_TEXT;
  record.value = configs.AddRecord(text);
  configs.AddCustomEntry(configs.AddRecord(record));
  return configs;
}

bool LpaiBackend::AfterGraphRetrieve(const RetrievedGraph& graph, const Options& options) {
  QnnLpaiPerformanceRecord performance{};
  performance.fps = options.GetLpaiFps();
  performance.ftrt_ratio = options.GetLpaiFtrtRatio();
  performance.client_type = options.GetLpaiClientPerfType() == LpaiClientPerfType::kNonRealTime
                                ? kLpaiClientNonRealTime
                                : kLpaiClientRealTime;
  QnnLpaiGraphCustomConfig performance_config{QNN_LPAI_GRAPH_CONFIG_OPTION_PERFORMANCE,
                                              &performance};

  QnnLpaiCoreRecord core{};
  core.affinity = options.GetLpaiCoreAffinityType() == LpaiCoreAffinityType::kHard
                      ? kLpaiAffinityHard
                      : kLpaiAffinitySoft;
  core.core_selection = options.GetLpaiCoreSelection();
  QnnLpaiGraphCustomConfig core_config{QNN_LPAI_GRAPH_CONFIG_OPTION_CORE, &core};

  QnnGraphConfig entries[2]{};
  entries[0].option = QNN_GRAPH_CONFIG_OPTION_CUSTOM;
  entries[0].custom = &performance_config;
  entries[1].option = QNN_GRAPH_CONFIG_OPTION_CUSTOM;
  entries[1].custom = &core_config;
  const QnnGraphConfig* list[] = {&entries[0], &entries[1], nullptr};

  QnnResult result = api()->graphSetConfig(graph.graph, list);
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
