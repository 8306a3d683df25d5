#include "vendors/qualcomm/backends/dsp_backend.h"

#include <cstring>
#include <utility>

#include "DSP/QnnDspBackend.h"
#include "DSP/QnnDspGraph.h"
#include "DSP/QnnDspProperty.h"
#include "vendors/qualcomm/backends/dsp_perf_control.h"
#include "vendors/qualcomm/backends/qnn_log.h"

namespace qnn {

// One signed-PD backend record, at a stable address the backend config
// points at.
struct DspBackend::PdRecord {
  QnnDspBackend_CustomConfig_t config;
};

DspBackend::DspBackend(const qnn::QnnApi* api, VotingThread::Clock::duration down_vote_delay)
    : QnnBackend(api), down_vote_delay_(down_vote_delay) {}

DspBackend::~DspBackend() {
  perf_control_.Reset();
  pd_records_.clear();
}

std::unique_ptr<DspPerfControl> DspBackend::NewPerfControl() const {
  return std::make_unique<DspPerfControl>(api(), down_vote_delay_);
}

bool DspBackend::Init(const Options& options, std::optional<SocInfo> soc_info) {
  const uint32_t log_level = static_cast<uint32_t>(options.GetLogLevel());
  LogHandleT log = CreateLogHandle(log_level);
  if (!log && log_level != 0) {
    QnnLog(kQnnLogError, "ERROR: [Qnn] Failed to create log handle.");
    return false;
  }

  std::vector<const QnnBackend_Config_t*> configs = BuildPdConfigs(options.GetDspPdSession());
  BackendHandleT backend = CreateBackendHandle(log.get(), configs.data(), configs.size());
  if (!backend) {
    QnnLog(kQnnLogError, "ERROR: [Qnn] Failed to create backend handle.");
    return false;
  }

  if (soc_info.has_value()) SetSocInfo(*soc_info);

  const uint32_t mode = static_cast<uint32_t>(options.GetDspPerformanceMode());
  if (mode != 0) {
    DspPerfControl* control = perf_control_.GetOrCreate([this] { return NewPerfControl(); });
    if (!control->Start(mode)) {
      QnnLog(kQnnLogError, "ERROR: [Qnn] Failed to initialize DSP performance Control.");
      // Reverse order of creation: the controller's id before the backend.
      perf_control_.Reset();
      return false;
    }
    const bool manual = options.GetDspPerfCtrlMode() == PerfCtrlMode::kManual;
    control->set_manual(manual);
    if (manual) control->ApplyUpList();
  }

  CommitHandles(std::move(log), std::move(backend), DeviceHandleT());
  return true;
}

std::vector<const QnnBackend_Config_t*> DspBackend::BuildPdConfigs(PdSession session) {
  bool signed_pd = false;
  if (session == PdSession::kSigned) {
    signed_pd = true;
  } else if (session == PdSession::kAdaptive) {
    // Without the query QNN cannot tell, and the signed domain is the safe
    // choice.
    signed_pd = api()->propertyHasCapability == nullptr ||
                api()->propertyHasCapability(QNN_PROPERTY_CUSTOM_DSP_UNSIGNED_PD_SUPPORT) != 0;
    QnnLog(kQnnLogInfo, "INFO: [Qnn] DSP adaptive PD selected %s PD.",
           signed_pd ? "signed" : "unsigned");
  }
  if (!signed_pd) return {};

  QnnDspBackend_CustomConfig_t& record = pd_records_.emplace_back().config;
  std::memset(&record, 0, sizeof(record));
  record.option = QNN_DSP_BACKEND_CONFIG_OPTION_USE_SIGNED_PROCESS_DOMAIN;
  record.useSignedProcessDomain = true;
  QnnBackend_Config_t& config = AddBackendConfig();
  config.option = QNN_BACKEND_CONFIG_OPTION_CUSTOM;
  config.customConfig = &record;
  return {&config, nullptr};
}

bool DspBackend::SetPerformanceMode(const Options& options) {
  // A controller exists once any mode but Default was asked for.
  DspPerfControl* control = options.GetDspPerformanceMode() != DspPerformanceMode::kDefault
                                ? perf_control_.GetOrCreate([this] { return NewPerfControl(); })
                                : perf_control_.get();
  if (control == nullptr) return true;
  if (!control->SetPerfModeAndApplyIfManual(options)) {
    QnnLog(kQnnLogError, "ERROR: [Qnn] Failed to set DSP performance mode in SetPerformanceMode");
    return false;
  }
  return true;
}

void DspBackend::ScheduleUpVote() {
  DspPerfControl* control = perf_control_.get();
  if (control == nullptr) {
    QnnLog(kQnnLogWarning,
           "WARNING: [Qnn] ScheduleUpVote called but DSP performance control is not initialized.");
    return;
  }
  control->ScheduleUpVote();
}

void DspBackend::ScheduleDownVote() {
  DspPerfControl* control = perf_control_.get();
  if (control == nullptr) {
    QnnLog(kQnnLogWarning,
           "WARNING: [Qnn] ScheduleDownVote called but DSP performance control is not "
           "initialized.");
    return;
  }
  control->ScheduleDownVote();
}

GraphConfigs DspBackend::GetGraphConfigs(const Options& options, absl::string_view /*graph_name*/) {
  GraphConfigs configs;
  // Three words: option, encoding, and a zero the encoding leaves unused.
  QnnDspGraph_CustomConfig_t record;
  std::memset(&record, 0, sizeof(record));
  record.option = QNN_DSP_GRAPH_CONFIG_OPTION_ENCODING;
  record.encoding = options.GetDspEncoding() == DspEncoding::kDynamic
                        ? QNN_DSP_GRAPH_ENCODING_DYNAMIC
                        : QNN_DSP_GRAPH_ENCODING_STATIC;
  configs.AddCustomEntry(configs.AddRecord(record));
  return configs;
}

}  // namespace qnn
