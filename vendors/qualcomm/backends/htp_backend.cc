#include "vendors/qualcomm/backends/htp_backend.h"

#include <cstring>
#include <string>
#include <utility>

#include "HTP/QnnHtpDevice.h"
#include "HTP/QnnHtpGraph.h"
#include "HTP/QnnHtpProperty.h"
#include "vendors/qualcomm/backends/htp_perf_control.h"
#include "vendors/qualcomm/backends/qnn_log.h"

namespace qnn {
namespace {

// QNN's initial value of an HTP graph custom record: option and first value
// word "undefined", the rest zero.
QnnHtpGraph_CustomConfig_t InitialGraphRecord() {
  QnnHtpGraph_CustomConfig_t record;
  std::memset(&record, 0, sizeof(record));
  record.option = QNN_HTP_GRAPH_CONFIG_OPTION_UNKNOWN;
  record.optimizationOption.type = QNN_HTP_GRAPH_OPTIMIZATION_TYPE_UNKNOWN;
  return record;
}

// `member` is the record's bool for `option`; a bool replaces only the
// first byte of the value word.
QnnHtpGraph_CustomConfig_t BoolGraphRecord(QnnHtpGraph_ConfigOption_t option,
                                           bool QnnHtpGraph_CustomConfig_t::*member, bool value) {
  QnnHtpGraph_CustomConfig_t record = InitialGraphRecord();
  record.option = option;
  record.*member = value;
  return record;
}

QnnHtpGraph_CustomConfig_t OptimizationRecord(QnnHtpGraph_OptimizationType_t type, float value) {
  QnnHtpGraph_CustomConfig_t record = InitialGraphRecord();
  record.option = QNN_HTP_GRAPH_CONFIG_OPTION_OPTIMIZATION;
  record.optimizationOption.type = type;
  record.optimizationOption.floatValue = value;
  return record;
}

QnnHtpGraph_CustomConfig_t FinalizeRecord(const char* name, int32_t value) {
  QnnHtpGraph_CustomConfig_t record = InitialGraphRecord();
  record.option = QNN_HTP_GRAPH_CONFIG_OPTION_FINALIZE_CONFIG;
  record.finalizeConfig.key = name;
  record.finalizeConfig.value.dataType = QNN_DATATYPE_INT_32;
  record.finalizeConfig.value.int32Value = value;
  return record;
}

float FinalizeOptimizationLevel(OptimizationLevel level) {
  switch (level) {
    case OptimizationLevel::kHtpOptimizeForInferenceO3: return 3.0f;
    case OptimizationLevel::kHtpOptimizeForPrepare: return 1.0f;
    default: return 2.0f;
  }
}

Qnn_Priority_t QnnPriority(GraphPriority priority) {
  switch (priority) {
    case GraphPriority::kDefault: return QNN_PRIORITY_NORMAL;
    case GraphPriority::kLow: return QNN_PRIORITY_LOW;
    case GraphPriority::kNormal: return QNN_PRIORITY_NORMAL;
    case GraphPriority::kNormalHigh: return QNN_PRIORITY_NORMAL_HIGH;
    case GraphPriority::kHigh: return QNN_PRIORITY_HIGH;
    default: return QNN_PRIORITY_UNDEFINED;
  }
}

}  // namespace

// One signed-PD device record, at a stable address the device config
// points at.
struct HtpBackend::PdRecord {
  QnnHtpDevice_CustomConfig_t config;
};

HtpBackend::HtpBackend(const qnn::QnnApi* api, VotingThread::Clock::duration down_vote_delay)
    : QnnBackend(api), down_vote_delay_(down_vote_delay) {}

HtpBackend::~HtpBackend() {
  perf_control_.Reset();
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
    perf_control_.Reset();
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

  std::vector<const QnnDevice_Config_t*> device_configs;
  if (!BuildDeviceConfigs(options, &device_configs)) return fail();

  device = CreateDeviceHandle(log.get(), device_configs.data(), device_configs.size());
  if (!device) {
    QnnLog(kQnnLogError, "ERROR: [Qnn] Failed to create device handle.");
    return fail();
  }

  const uint32_t mode = static_cast<uint32_t>(options.GetHtpPerformanceMode());
  if (mode != 0) {
    QnnLog(kQnnLogInfo, "INFO: [Qnn] Set HTP performance mode: %d", static_cast<int>(mode));
    HtpPerfControl* control =
        perf_control_.GetOrCreate([&] { return NewPerfControl(options.GetHtpDeviceId()); });
    if (!control->Start(mode)) {
      QnnLog(kQnnLogError,
             "ERROR: [Qnn] Failed to initialize HTP performance Control, using default "
             "performance mode.");
      return fail();
    }
    if (!control->InitRpcPolling()) {
      QnnLog(kQnnLogError, "ERROR: [Qnn] Failed to initialize HTP RPC polling.");
      return fail();
    }
    const bool manual = options.GetHtpPerfCtrlMode() == PerfCtrlMode::kManual;
    control->set_manual(manual);
    if (manual) control->ApplyUpList();
  }

  CommitHandles(std::move(log), std::move(backend), std::move(device));
  return true;
}

bool HtpBackend::BuildDeviceConfigs(const Options& options,
                                    std::vector<const QnnDevice_Config_t*>* configs) {
  const uint32_t device_id = options.GetHtpDeviceId();
  if (device_id != 0 && !SelectDevice(device_id, configs)) return false;

  switch (options.GetHtpPdSession()) {
    case PdSession::kSigned:
      AddSignedPdConfig(device_id, configs);
      break;
    case PdSession::kAdaptive: {
      // Without the query QNN cannot tell, and the signed domain is the safe
      // choice.
      const bool signed_pd =
          api()->propertyHasCapability == nullptr ||
          api()->propertyHasCapability(QNN_PROPERTY_CUSTOM_HTP_UNSIGNED_PD_SUPPORT) != 0;
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

bool HtpBackend::SelectDevice(uint32_t device_id, std::vector<const QnnDevice_Config_t*>* configs) {
  const QnnDevice_PlatformInfo_t* raw_info = nullptr;
  const Qnn_ErrorHandle_t result = api()->deviceGetPlatformInfo(nullptr, &raw_info);
  if (result != QNN_SUCCESS) {
    QnnLog(kQnnLogError, "ERROR: [Qnn] failed to get device platform info, %d",
           static_cast<int>(result));
  }
  if (result != QNN_SUCCESS || raw_info == nullptr) {
    QnnLog(kQnnLogError, "ERROR: [Qnn] Cannot select HTP device_id=%u without platform info.",
           device_id);
    return false;
  }
  const qnn::QnnApi* api = this->api();
  PlatformInfoHandle info(raw_info, [api](const QnnDevice_PlatformInfo_t* to_free) {
    return api->deviceFreePlatformInfo(nullptr, to_free);
  });

  const QnnDevice_PlatformInfoV1_t& devices = raw_info->v1;
  if (devices.hwDevices == nullptr) {
    QnnLog(kQnnLogError,
           "ERROR: [Qnn] HTP platform info reports %u devices but has no device array.",
           devices.numHwDevices);
    return false;
  }
  const QnnDevice_HardwareDeviceInfo_t* found = nullptr;
  for (uint32_t i = 0; i < devices.numHwDevices; ++i) {
    if (devices.hwDevices[i].v1.deviceId == device_id) {
      found = &devices.hwDevices[i];
      break;
    }
  }
  if (found == nullptr) {
    QnnLog(kQnnLogError, "ERROR: [Qnn] HTP device_id=%u was not found among %u devices.", device_id,
           devices.numHwDevices);
    return false;
  }

  QnnLog(kQnnLogInfo, "INFO: [Qnn] Using HTP device_id=%u.", device_id);
  platform_info_ = std::move(info);  // kept while the device exists
  QnnDevice_PlatformInfo_t& selection = AddPlatformInfo();
  selection.v1.numHwDevices = 1;
  // QNN only reads the selection; its type has no const.
  selection.v1.hwDevices = const_cast<QnnDevice_HardwareDeviceInfo_t*>(found);
  QnnDevice_Config_t& config = AddDeviceConfig();
  config.option = QNN_DEVICE_CONFIG_OPTION_PLATFORM_INFO;
  config.hardwareInfo = &selection;
  configs->push_back(&config);
  return true;
}

void HtpBackend::AddSignedPdConfig(uint32_t device_id,
                                   std::vector<const QnnDevice_Config_t*>* configs) {
  QnnHtpDevice_CustomConfig_t& record = pd_records_.emplace_back().config;
  std::memset(&record, 0, sizeof(record));
  record.option = QNN_HTP_DEVICE_CONFIG_OPTION_SIGNEDPD;
  record.useSignedProcessDomain.deviceId = device_id;
  record.useSignedProcessDomain.useSignedProcessDomain = true;
  QnnDevice_Config_t& config = AddDeviceConfig();
  config.option = QNN_DEVICE_CONFIG_OPTION_CUSTOM;
  config.customConfig = &record;
  configs->push_back(&config);
}

bool HtpBackend::SetPerformanceMode(const Options& options) {
  // A controller exists once any mode but Default was asked for.
  HtpPerfControl* control =
      options.GetHtpPerformanceMode() != HtpPerformanceMode::kDefault
          ? perf_control_.GetOrCreate([&] { return NewPerfControl(options.GetHtpDeviceId()); })
          : perf_control_.get();
  if (control == nullptr) return true;
  if (!control->SetPerfModeAndApplyIfManual(options)) {
    QnnLog(kQnnLogError, "ERROR: [Qnn] Failed to set HTP performance mode in SetPerformanceMode");
    return false;
  }
  return true;
}

void HtpBackend::UpVote() {
  HtpPerfControl* control = perf_control_.get();
  if (control == nullptr) {
    QnnLog(kQnnLogWarning,
           "WARNING: [Qnn] UpVote called but HTP performance control is not initialized.");
    return;
  }
  control->ApplyUpList();
}

void HtpBackend::ScheduleUpVote() {
  HtpPerfControl* control = perf_control_.get();
  if (control == nullptr) {
    QnnLog(kQnnLogWarning,
           "WARNING: [Qnn] ScheduleUpVote called but HTP performance control is not initialized.");
    return;
  }
  control->ScheduleUpVote();
}

void HtpBackend::ScheduleDownVote() {
  HtpPerfControl* control = perf_control_.get();
  if (control == nullptr) {
    QnnLog(kQnnLogWarning,
           "WARNING: [Qnn] ScheduleDownVote called but HTP performance control is not "
           "initialized.");
    return;
  }
  control->ScheduleDownVote();
}

GraphConfigs HtpBackend::GetGraphConfigs(const Options& options, absl::string_view /*graph_name*/) {
  GraphConfigs configs;
  auto add = [&configs](const QnnHtpGraph_CustomConfig_t& record) {
    configs.AddCustomEntry(configs.AddRecord(record));
  };

  add(OptimizationRecord(QNN_HTP_GRAPH_OPTIMIZATION_TYPE_FINALIZE_OPTIMIZATION_FLAG,
                         FinalizeOptimizationLevel(options.GetOptimizationLevel())));

  QnnHtpGraph_CustomConfig_t vtcm = InitialGraphRecord();
  vtcm.option = QNN_HTP_GRAPH_CONFIG_OPTION_VTCM_SIZE;
  vtcm.vtcmSizeInMB = options.GetVtcmSize();
  add(vtcm);

  add(BoolGraphRecord(QNN_HTP_GRAPH_CONFIG_OPTION_FOLD_RELU_ACTIVATION_INTO_CONV_OFF,
                      &QnnHtpGraph_CustomConfig_t::foldReluActivationIntoConvOff,
                      !options.GetUseFoldReLU()));
  add(BoolGraphRecord(QNN_HTP_GRAPH_CONFIG_OPTION_SHORT_DEPTH_CONV_ON_HMX_OFF,
                      &QnnHtpGraph_CustomConfig_t::shortDepthConvOnHmxOff,
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
    QnnHtpGraph_CustomConfig_t hvx = InitialGraphRecord();
    hvx.option = QNN_HTP_GRAPH_CONFIG_OPTION_NUM_HVX_THREADS;
    hvx.numHvxThreads = options.GetNumHvxThreads();
    add(hvx);
  }
  if (options.GetHtpDlbc()) {
    add(OptimizationRecord(QNN_HTP_GRAPH_OPTIMIZATION_TYPE_ENABLE_DLBC, 1.0f));
  }
  if (options.GetHtpDlbcWeights()) {
    add(OptimizationRecord(QNN_HTP_GRAPH_OPTIMIZATION_TYPE_ENABLE_DLBC_WEIGHTS, 1.0f));
  }

  QnnGraph_Config_t priority{};
  priority.option = QNN_GRAPH_CONFIG_OPTION_PRIORITY;
  priority.priority = QnnPriority(options.GetGraphPriority());
  configs.AddEntry(priority);
  return configs;
}

}  // namespace qnn
