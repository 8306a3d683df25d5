#include "vendors/qualcomm/backends/htp_backend.h"

#include <cstring>
#include <string>
#include <utility>

#include "vendors/qualcomm/backends/htp_perf_control.h"
#include "vendors/qualcomm/backends/qnn_log.h"

namespace qnn {
namespace {

// QNN's initial value of an HTP graph custom record: option and first value
// word "undefined", the rest zero.
QnnHtpGraphCustomConfig InitialGraphRecord() {
  QnnHtpGraphCustomConfig record;
  std::memset(&record, 0, sizeof(record));
  record.option = QNN_UNDEFINED;
  record.first_word = QNN_UNDEFINED;
  return record;
}

QnnHtpGraphCustomConfig BoolGraphRecord(uint32_t option, bool value) {
  QnnHtpGraphCustomConfig record = InitialGraphRecord();
  record.option = option;
  // A bool value replaces only the first byte of the value word.
  const unsigned char byte = value ? 1 : 0;
  std::memcpy(&record.first_word, &byte, 1);
  return record;
}

QnnHtpGraphCustomConfig OptimizationRecord(uint32_t type, float value) {
  QnnHtpGraphCustomConfig record = InitialGraphRecord();
  record.option = QNN_HTP_GRAPH_CONFIG_OPTION_OPTIMIZATION;
  record.optimization.type = type;
  record.optimization.value = value;
  return record;
}

QnnHtpGraphCustomConfig FinalizeRecord(const char* name, int32_t value) {
  QnnHtpGraphCustomConfig record = InitialGraphRecord();
  record.option = QNN_HTP_GRAPH_CONFIG_OPTION_FINALIZE_CONFIG;
  record.finalize.name = name;
  record.finalize.value.data_type = QNN_DATATYPE_SCALAR_INT32;
  record.finalize.value.int32_value = value;
  return record;
}

float FinalizeOptimizationLevel(OptimizationLevel level) {
  switch (level) {
    case OptimizationLevel::kHtpOptimizeForInferenceO3: return 3.0f;
    case OptimizationLevel::kHtpOptimizeForPrepare: return 1.0f;
    default: return 2.0f;
  }
}

uint32_t QnnPriority(GraphPriority priority) {
  switch (priority) {
    case GraphPriority::kDefault: return QNN_PRIORITY_NORMAL;
    case GraphPriority::kLow: return QNN_PRIORITY_LOW;
    case GraphPriority::kNormal: return QNN_PRIORITY_NORMAL;
    case GraphPriority::kNormalHigh: return QNN_PRIORITY_NORMAL_HIGH;
    case GraphPriority::kHigh: return QNN_PRIORITY_HIGH;
    default: return QNN_UNDEFINED;
  }
}

}  // namespace

HtpBackend::HtpBackend(const QnnCoreApi* api, VotingThread::Clock::duration down_vote_delay)
    : QnnBackend(api), down_vote_delay_(down_vote_delay) {}

HtpBackend::~HtpBackend() {
  perf_control_.reset();
  pd_records_.clear();
  platform_info_.Reset();
}

std::unique_ptr<HtpBackend::HtpPerfControl> HtpBackend::NewPerfControl(uint32_t device_id) const {
  return std::make_unique<HtpPerfControl>(api(), device_id, down_vote_delay_);
}

bool HtpBackend::Init(const Options& options, std::optional<SocInfo> soc_info) {
  LogHandleT log;
  BackendHandleT backend;
  DeviceHandleT device;
  // Everything made so far goes in reverse order of creation: the
  // controller's id and final vote while the device still exists, then the
  // device, the kept platform info, the backend and the logger.
  auto fail = [&] {
    perf_control_.reset();
    device.Reset();
    platform_info_.Reset();
    backend.Reset();
    log.Reset();
    return false;
  };

  const uint32_t log_level = static_cast<uint32_t>(options.GetLogLevel());
  log = CreateLogHandle(log_level);
  if (!log && log_level != 0) {
    QnnLog(kQnnLogError, "ERROR: [Qnn] Failed to create log handle.");
    return fail();
  }

  backend = CreateBackendHandle(log.get(), nullptr, 0);
  if (!backend) {
    QnnLog(kQnnLogError, "ERROR: [Qnn] Failed to create backend handle.");
    return fail();
  }

  if (soc_info.has_value()) {
    QnnLog(kQnnLogInfo, "INFO: [Qnn] Using provided SoC info. SoC name: %s.",
           std::string(soc_info->soc_name).c_str());
    SetSocInfo(*soc_info);
  }

  std::vector<const QnnDeviceConfig*> device_configs;
  if (!BuildDeviceConfigs(options, &device_configs)) return fail();

  device = CreateDeviceHandle(log.get(), device_configs.data(), device_configs.size());
  if (!device) {
    QnnLog(kQnnLogError, "ERROR: [Qnn] Failed to create device handle.");
    return fail();
  }

  const uint32_t mode = static_cast<uint32_t>(options.GetHtpPerformanceMode());
  if (mode != 0) {
    QnnLog(kQnnLogInfo, "INFO: [Qnn] Set HTP performance mode: %d", static_cast<int>(mode));
    perf_control_ = NewPerfControl(options.GetHtpDeviceId());
    if (!perf_control_->Start(mode)) {
      QnnLog(kQnnLogError,
             "ERROR: [Qnn] Failed to initialize HTP performance Control, using default "
             "performance mode.");
      return fail();
    }
    if (!perf_control_->InitRpcPolling()) {
      QnnLog(kQnnLogError, "ERROR: [Qnn] Failed to initialize HTP RPC polling.");
      return fail();
    }
    if (options.GetHtpPerfCtrlMode() == PerfCtrlMode::kManual) perf_control_->ApplyUpList();
  }

  CommitHandles(std::move(log), std::move(backend), std::move(device));
  return true;
}

bool HtpBackend::BuildDeviceConfigs(const Options& options,
                                    std::vector<const QnnDeviceConfig*>* configs) {
  const uint32_t device_id = options.GetHtpDeviceId();
  if (device_id != 0 && !SelectDevice(device_id, configs)) return false;

  switch (options.GetHtpPdSession()) {
    case PdSession::kSigned:
      AddSignedPdConfig(device_id, configs);
      break;
    case PdSession::kAdaptive: {
      // Without the query QNN cannot tell, and the signed domain is the safe
      // choice.
      const bool signed_pd = api()->propertyHasCapability == nullptr ||
                             api()->propertyHasCapability(QNN_PROPERTY_KEY_ADAPTIVE_PD) != 0;
      QnnLog(kQnnLogInfo, "INFO: [Qnn] HTP adaptive PD selected %s PD.",
             signed_pd ? "signed" : "unsigned");
      if (signed_pd) AddSignedPdConfig(device_id, configs);
      break;
    }
    default:
      break;
  }

  if (!configs->empty()) configs->push_back(nullptr);
  return true;
}

bool HtpBackend::SelectDevice(uint32_t device_id, std::vector<const QnnDeviceConfig*>* configs) {
  const QnnDevicePlatformInfo* raw_info = nullptr;
  const QnnResult result = api()->deviceGetPlatformInfo(nullptr, &raw_info);
  if (result != QNN_SUCCESS) {
    QnnLog(kQnnLogError, "ERROR: [Qnn] failed to get device platform info, %d",
           static_cast<int>(result));
  }
  if (result != QNN_SUCCESS || raw_info == nullptr) {
    QnnLog(kQnnLogError, "ERROR: [Qnn] Cannot select HTP device_id=%u without platform info.",
           device_id);
    return false;
  }
  const QnnCoreApi* api = this->api();
  PlatformInfoHandle info(raw_info, [api](const QnnDevicePlatformInfo* to_free) {
    return api->deviceFreePlatformInfo(nullptr, to_free);
  });

  if (raw_info->hw_devices == nullptr) {
    QnnLog(kQnnLogError, "ERROR: [Qnn] HTP platform info reports %u devices but has no device array.",
           raw_info->num_hw_devices);
    return false;
  }
  const QnnDeviceHardwareInfo* found = nullptr;
  for (uint32_t i = 0; i < raw_info->num_hw_devices; ++i) {
    if (raw_info->hw_devices[i].device_id == device_id) {
      found = &raw_info->hw_devices[i];
      break;
    }
  }
  if (found == nullptr) {
    QnnLog(kQnnLogError, "ERROR: [Qnn] HTP device_id=%u was not found among %u devices.",
           device_id, raw_info->num_hw_devices);
    return false;
  }

  QnnLog(kQnnLogInfo, "INFO: [Qnn] Using HTP device_id=%u.", device_id);
  platform_info_ = std::move(info);  // kept while the device exists
  QnnDevicePlatformInfo& selection = AddPlatformInfo();
  selection.num_hw_devices = 1;
  selection.hw_devices = found;
  QnnDeviceConfig& config = AddDeviceConfig();
  config.option = QNN_DEVICE_CONFIG_OPTION_PLATFORM_INFO;
  config.platform_info = &selection;
  configs->push_back(&config);
  return true;
}

void HtpBackend::AddSignedPdConfig(uint32_t device_id,
                                   std::vector<const QnnDeviceConfig*>* configs) {
  QnnHtpDeviceCustomConfig& record = pd_records_.emplace_back();
  std::memset(&record, 0, sizeof(record));
  record.option = QNN_HTP_DEVICE_CONFIG_OPTION_SIGNED_PD;
  record.device_id = device_id;
  record.use_signed_process_domain = true;
  QnnDeviceConfig& config = AddDeviceConfig();
  config.option = QNN_DEVICE_CONFIG_OPTION_CUSTOM;
  config.custom = &record;
  configs->push_back(&config);
}

bool HtpBackend::SetPerformanceMode(const Options& options) {
  if (options.GetHtpPerformanceMode() != HtpPerformanceMode::kDefault && !perf_control_) {
    perf_control_ = NewPerfControl(options.GetHtpDeviceId());
  }
  if (!perf_control_) return true;
  if (!perf_control_->SetPerfModeAndApplyIfManual(options)) {
    QnnLog(kQnnLogError, "ERROR: [Qnn] Failed to set HTP performance mode in SetPerformanceMode");
    return false;
  }
  return true;
}

void HtpBackend::UpVote() {
  if (!perf_control_) {
    QnnLog(kQnnLogWarning,
           "WARNING: [Qnn] UpVote called but HTP performance control is not initialized.");
    return;
  }
  perf_control_->ApplyUpList();
}

void HtpBackend::ScheduleUpVote() {
  if (!perf_control_) {
    QnnLog(kQnnLogWarning,
           "WARNING: [Qnn] ScheduleUpVote called but HTP performance control is not initialized.");
    return;
  }
  perf_control_->ScheduleUpVote();
}

void HtpBackend::ScheduleDownVote() {
  if (!perf_control_) {
    QnnLog(kQnnLogWarning,
           "WARNING: [Qnn] ScheduleDownVote called but HTP performance control is not "
           "initialized.");
    return;
  }
  perf_control_->ScheduleDownVote();
}

GraphConfigs HtpBackend::GetGraphConfigs(const Options& options, absl::string_view /*graph_name*/) {
  GraphConfigs configs;
  auto add = [&configs](const QnnHtpGraphCustomConfig& record) {
    configs.AddCustomEntry(configs.AddRecord(record));
  };

  add(OptimizationRecord(QNN_HTP_OPTIMIZATION_FINALIZE_LEVEL,
                         FinalizeOptimizationLevel(options.GetOptimizationLevel())));

  QnnHtpGraphCustomConfig vtcm = InitialGraphRecord();
  vtcm.option = QNN_HTP_GRAPH_CONFIG_OPTION_VTCM_SIZE;
  vtcm.vtcm_size_mb = options.GetVtcmSize();
  add(vtcm);

  add(BoolGraphRecord(QNN_HTP_GRAPH_CONFIG_OPTION_FOLD_RELU_OFF, !options.GetUseFoldReLU()));
  add(BoolGraphRecord(QNN_HTP_GRAPH_CONFIG_OPTION_SHORT_DEPTH_CONV_ON_HMX_OFF,
                      !options.GetUseConvHMX()));

  const int32_t p_point = options.GetHtpPPoint();
  if (p_point > 0) {
    add(FinalizeRecord("P", p_point));
  } else if (p_point < 0) {
    QnnLog(kQnnLogWarning,
           "WARNING: [Qnn] Invalid P point (%d): negative values not supported, skipping P point "
           "config.",
           p_point);
  }

  const int32_t tile_size = options.GetHtpWeightSharingChannelTileSize();
  if (tile_size > 0) {
    add(FinalizeRecord("weight_sharing_channel_tile_size", tile_size));
  } else if (tile_size < 0) {
    QnnLog(kQnnLogWarning,
           "WARNING: [Qnn] Invalid weight sharing channel tile size (%d): negative values not "
           "supported, skipping weight sharing channel tile size config.",
           tile_size);
  }

  if (options.GetNumHvxThreads() != 0) {
    QnnHtpGraphCustomConfig hvx = InitialGraphRecord();
    hvx.option = QNN_HTP_GRAPH_CONFIG_OPTION_NUM_HVX_THREADS;
    hvx.num_hvx_threads = options.GetNumHvxThreads();
    add(hvx);
  }
  if (options.GetHtpDlbc()) add(OptimizationRecord(QNN_HTP_OPTIMIZATION_DLBC, 1.0f));
  if (options.GetHtpDlbcWeights()) {
    add(OptimizationRecord(QNN_HTP_OPTIMIZATION_DLBC_WEIGHTS, 1.0f));
  }

  QnnGraphConfig priority{};
  priority.option = QNN_GRAPH_CONFIG_OPTION_PRIORITY;
  priority.priority = QnnPriority(options.GetGraphPriority());
  configs.AddEntry(priority);
  return configs;
}

}  // namespace qnn
