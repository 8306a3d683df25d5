#include "vendors/qualcomm/backends/htp_perf_control.h"

#include <cstring>

#include "HTP/QnnHtpDevice.h"
#include "vendors/qualcomm/backends/qnn_log.h"

namespace qnn {
namespace {

constexpr QnnHtpPerfInfrastructure_PowerMode_t kAdjustUpDown =
    QNN_HTP_PERF_INFRASTRUCTURE_POWERMODE_ADJUST_UP_DOWN;
constexpr QnnHtpPerfInfrastructure_PowerMode_t kPowerSaver =
    QNN_HTP_PERF_INFRASTRUCTURE_POWERMODE_POWER_SAVER_MODE;
constexpr QnnHtpPerfInfrastructure_PowerMode_t kPerformance =
    QNN_HTP_PERF_INFRASTRUCTURE_POWERMODE_PERFORMANCE_MODE;

constexpr QnnHtpPerfInfrastructure_VoltageCorner_t kCornerDisable = DCVS_VOLTAGE_CORNER_DISABLE;
constexpr QnnHtpPerfInfrastructure_VoltageCorner_t kCornerMin =
    DCVS_VOLTAGE_VCORNER_MIN_VOLTAGE_CORNER;
constexpr QnnHtpPerfInfrastructure_VoltageCorner_t kSvs2 = DCVS_VOLTAGE_VCORNER_SVS2;
constexpr QnnHtpPerfInfrastructure_VoltageCorner_t kSvs = DCVS_VOLTAGE_VCORNER_SVS;
constexpr QnnHtpPerfInfrastructure_VoltageCorner_t kSvsPlus = DCVS_VOLTAGE_VCORNER_SVS_PLUS;
constexpr QnnHtpPerfInfrastructure_VoltageCorner_t kNom = DCVS_VOLTAGE_VCORNER_NOM;
constexpr QnnHtpPerfInfrastructure_VoltageCorner_t kNomPlus = DCVS_VOLTAGE_VCORNER_NOM_PLUS;
constexpr QnnHtpPerfInfrastructure_VoltageCorner_t kTurbo = DCVS_VOLTAGE_VCORNER_TURBO;
constexpr QnnHtpPerfInfrastructure_VoltageCorner_t kCornerMax =
    DCVS_VOLTAGE_VCORNER_MAX_VOLTAGE_CORNER;

// One up vote: every "set" flag is on except sleep disable; bus and core
// share one corner value for minimum, target and maximum.
struct UpRow {
  uint32_t dcvs_enable;
  QnnHtpPerfInfrastructure_PowerMode_t power_mode;
  uint32_t sleep_latency;
  QnnHtpPerfInfrastructure_VoltageCorner_t corner;
};

// Indexed by HtpPerformanceMode 1 to 9.
constexpr UpRow kUpRows[] = {
    {0, kAdjustUpDown, 100, kTurbo},          // 1 SustainedHighPerformance
    {0, kAdjustUpDown, 40, kCornerMax},       // 2 Burst
    {0, kAdjustUpDown, 100, kTurbo},          // 3 HighPerformance
    {1, kPerformance, 1000, kSvs},            // 4 PowerSaver
    {1, kPerformance, 1000, kSvs2},           // 5 LowPowerSaver
    {1, kPerformance, 1000, kSvsPlus},        // 6 HighPowerSaver
    {1, kPerformance, 1000, kNom},            // 7 LowBalanced
    {1, kPerformance, 1000, kNomPlus},        // 8 Balanced
    {1, kPerformance, 1000, kCornerDisable},  // 9 ExtremePowerSaver
};

// One down vote: DCVS on, the longest sleep latency, bus and core corners
// alike.
struct DownRow {
  QnnHtpPerfInfrastructure_PowerMode_t power_mode;
  QnnHtpPerfInfrastructure_VoltageCorner_t corner_min;
  QnnHtpPerfInfrastructure_VoltageCorner_t corner_target;
  QnnHtpPerfInfrastructure_VoltageCorner_t corner_max;
};

// Indexed by HtpPerformanceMode 0 to 9.
constexpr DownRow kDownRows[] = {
    {kPowerSaver, kNom, kNom, kNom},                                // 0 Default
    {kAdjustUpDown, kSvs2, kSvs, kSvs},                             // 1 SustainedHighPerformance
    {kAdjustUpDown, kSvs2, kSvs, kSvs},                             // 2 Burst
    {kAdjustUpDown, kSvs2, kSvs, kSvs},                             // 3 HighPerformance
    {kPowerSaver, kCornerMin, kCornerMin, kCornerMin},              // 4 PowerSaver
    {kPowerSaver, kCornerMin, kCornerMin, kCornerMin},              // 5 LowPowerSaver
    {kPowerSaver, kCornerMin, kCornerMin, kCornerMin},              // 6 HighPowerSaver
    {kPowerSaver, kSvs2, kSvs, kSvs},                               // 7 LowBalanced
    {kAdjustUpDown, kSvs2, kSvs, kSvs},                             // 8 Balanced
    {kPowerSaver, kCornerDisable, kCornerDisable, kCornerDisable},  // 9 ExtremePowerSaver
};

constexpr uint32_t kDownSleepLatency = 65535;
constexpr uint32_t kRpcPollingTime = QNN_HTP_PERF_INFRASTRUCTURE_POWER_CONFIG_MAX_RPC_POLLING_TIME;

// A vote record that asks for nothing (every "set" flag off) until a mode
// writes it, so an early vote never carries indeterminate words.
QnnHtpPerfInfrastructure_PowerConfig_t EmptyVoteRecord() {
  QnnHtpPerfInfrastructure_PowerConfig_t record;
  std::memset(&record, 0, sizeof(record));
  record.option = QNN_HTP_PERF_INFRASTRUCTURE_POWER_CONFIGOPTION_DCVS_V3;
  return record;
}

QnnHtpPerfInfrastructure_PowerConfig_t InitialRpcRecord() {
  QnnHtpPerfInfrastructure_PowerConfig_t record;
  std::memset(&record, 0, sizeof(record));
  record.option = QNN_HTP_PERF_INFRASTRUCTURE_POWER_CONFIGOPTION_UNKNOWN;
  return record;
}

// Fills `record` as one DCVS v3 vote for `context_id`: bus and core get the
// same corners.
void WriteDcvsV3Record(QnnHtpPerfInfrastructure_PowerConfig_t& record, uint32_t context_id,
                       uint32_t dcvs_enable, QnnHtpPerfInfrastructure_PowerMode_t power_mode,
                       uint32_t sleep_latency, QnnHtpPerfInfrastructure_VoltageCorner_t corner_min,
                       QnnHtpPerfInfrastructure_VoltageCorner_t corner_target,
                       QnnHtpPerfInfrastructure_VoltageCorner_t corner_max) {
  QnnHtpPerfInfrastructure_DcvsV3_t& dcvs = record.dcvsV3Config;
  record.option = QNN_HTP_PERF_INFRASTRUCTURE_POWER_CONFIGOPTION_DCVS_V3;
  dcvs.contextId = context_id;
  dcvs.setDcvsEnable = 1;
  dcvs.dcvsEnable = dcvs_enable;
  dcvs.powerMode = power_mode;
  dcvs.setSleepLatency = 1;
  dcvs.sleepLatency = sleep_latency;
  dcvs.setSleepDisable = 0;
  dcvs.sleepDisable = 0;
  dcvs.setBusParams = 1;
  dcvs.busVoltageCornerMin = corner_min;
  dcvs.busVoltageCornerTarget = corner_target;
  dcvs.busVoltageCornerMax = corner_max;
  dcvs.setCoreParams = 1;
  dcvs.coreVoltageCornerMin = corner_min;
  dcvs.coreVoltageCornerTarget = corner_target;
  dcvs.coreVoltageCornerMax = corner_max;
}

}  // namespace

HtpBackend::HtpPerfControl::HtpPerfControl(const qnn::QnnApi* api, uint32_t device_id,
                                           VotingThread::Clock::duration down_vote_delay)
    : api_(api),
      device_id_(device_id),
      up_record_(EmptyVoteRecord()),
      down_record_(EmptyVoteRecord()),
      rpc_records_{InitialRpcRecord(), InitialRpcRecord()},
      up_list_{&up_record_, nullptr},
      down_list_{&down_record_, nullptr},
      down_vote_delay_(down_vote_delay) {}

HtpBackend::HtpPerfControl::~HtpPerfControl() {
  // The voting thread goes first: its queued votes still need a live id.
  voting_thread_.Reset();
  if (infrastructure_ == nullptr) return;
  ApplyDownList();
  if (power_config_id_ != 0) infrastructure_->perfInfra.destroyPowerConfigId(power_config_id_);
}

uint32_t HtpBackend::HtpPerfControl::power_config_id() const {
  std::lock_guard<std::mutex> lock(records_mutex_);
  return power_config_id_;
}

bool HtpBackend::HtpPerfControl::has_infrastructure() const {
  std::lock_guard<std::mutex> lock(records_mutex_);
  return infrastructure_ != nullptr;
}

bool HtpBackend::HtpPerfControl::AcquireInfrastructureAndId() {
  // Written only here, so reads under this mutex need no other lock; writes
  // also take the records lock for the voting thread.
  std::lock_guard<std::mutex> acquiring(acquire_mutex_);
  if (infrastructure_ == nullptr) {
    QnnDevice_Infrastructure_t infrastructure = nullptr;
    const Qnn_ErrorHandle_t result = api_->deviceGetInfrastructure(&infrastructure);
    if (result != QNN_SUCCESS) {
      QnnLog(kQnnLogError, "ERROR: [Qnn] HTP backend unable to create device infrastructure. Error %d",
             static_cast<int>(result & 0xFFFF));
      return false;
    }
    if (infrastructure == nullptr) {
      QnnLog(kQnnLogError,
             "ERROR: [Qnn] HTP backend failed to create device infrastructure but reported no "
             "error.");
      return false;
    }
    const uint32_t type = QnnWord(infrastructure->infraType);
    if (type != QNN_HTP_DEVICE_INFRASTRUCTURE_TYPE_PERF) {
      QnnLog(kQnnLogError, "ERROR: [Qnn] HTP infra type = %d, which is not perf infra type.",
             static_cast<int>(type));
      return false;
    }
    std::lock_guard<std::mutex> lock(records_mutex_);
    infrastructure_ = infrastructure;
  }

  if (power_config_id_ == 0) {
    uint32_t id = 0;
    const Qnn_ErrorHandle_t result =
        infrastructure_->perfInfra.createPowerConfigId(device_id_, 0, &id);
    if (result != QNN_SUCCESS) {
      QnnLog(kQnnLogError, "ERROR: [Qnn] HTP backend unable to create power config. Error %d",
             static_cast<int>(result & 0xFFFF));
      return false;
    }
    std::lock_guard<std::mutex> lock(records_mutex_);
    power_config_id_ = id;
  }
  return true;
}

bool HtpBackend::HtpPerfControl::Start(uint32_t mode) {
  if (!AcquireInfrastructureAndId()) return false;

  if (mode < 1 || mode > 9) {
    QnnLog(kQnnLogError,
           "ERROR: [Qnn] Invalid performance profile %d to set power configs during upvote.",
           static_cast<int>(mode));
  }
  if (mode > 9) {
    QnnLog(kQnnLogError,
           "ERROR: [Qnn] Invalid performance profile %d to set power configs during downvote.",
           static_cast<int>(mode));
  }
  {
    std::lock_guard<std::mutex> lock(records_mutex_);
    WriteUpRecord(mode);
    up_list_ = {&up_record_, nullptr};
    WriteDownRecord(mode);
    down_list_ = {&down_record_, nullptr};
  }
  mode_.store(mode, std::memory_order_relaxed);
  return true;
}

void HtpBackend::HtpPerfControl::WriteUpRecord(uint32_t mode) {
  if (mode < 1 || mode > 9) return;  // left as it was
  const UpRow& row = kUpRows[mode - 1];
  WriteDcvsV3Record(up_record_, power_config_id_, row.dcvs_enable, row.power_mode,
                    row.sleep_latency, row.corner, row.corner, row.corner);
}

void HtpBackend::HtpPerfControl::WriteDownRecord(uint32_t mode) {
  if (mode > 9) return;  // left as it was
  const DownRow& row = kDownRows[mode];
  WriteDcvsV3Record(down_record_, power_config_id_, /*dcvs_enable=*/1, row.power_mode,
                    kDownSleepLatency, row.corner_min, row.corner_target, row.corner_max);
}

bool HtpBackend::HtpPerfControl::InitRpcPolling() {
  const uint32_t mode = this->mode();
  {
    std::lock_guard<std::mutex> lock(records_mutex_);
    rpc_records_ = {InitialRpcRecord(), InitialRpcRecord()};
    if (mode >= 1 && mode <= 3) {
      // The fast modes poll instead of sleeping between RPC calls.
      rpc_records_[0].option = QNN_HTP_PERF_INFRASTRUCTURE_POWER_CONFIGOPTION_RPC_POLLING_TIME;
      rpc_records_[0].rpcPollingTimeConfig = kRpcPollingTime;
      rpc_records_[1].option = QNN_HTP_PERF_INFRASTRUCTURE_POWER_CONFIGOPTION_RPC_CONTROL_LATENCY;
      rpc_records_[1].rpcControlLatencyConfig = 0;
      rpc_list_ = {&rpc_records_[0], &rpc_records_[1], nullptr};
    } else if (mode >= 4 && mode <= 9) {
      rpc_records_[0].option = QNN_HTP_PERF_INFRASTRUCTURE_POWER_CONFIGOPTION_RPC_CONTROL_LATENCY;
      rpc_records_[0].rpcControlLatencyConfig = 0;
      rpc_list_ = {&rpc_records_[0], nullptr, nullptr};
    }
  }
  if (mode < 1 || mode > 9) {
    QnnLog(kQnnLogError, "ERROR: [Qnn] Invalid performance profile %d to set power configs",
           static_cast<int>(mode));
    QnnLog(kQnnLogError, "ERROR: [Qnn] Failed to init RPC polling power config.");
    return false;
  }
  Apply(ListKind::kRpc);
  return true;
}

bool HtpBackend::HtpPerfControl::SetPerfModeAndApplyIfManual(const Options& options) {
  const uint32_t new_mode = static_cast<uint32_t>(options.GetHtpPerformanceMode());
  const bool manual = options.GetHtpPerfCtrlMode() == PerfCtrlMode::kManual;
  // Only a mode change that succeeds changes the control.
  const bool was_manual = manual_.load(std::memory_order_relaxed);
  auto succeed = [&] {
    set_manual(manual);
    return true;
  };
  if (new_mode == mode()) {
    QnnLog(kQnnLogDebug, "DEBUG: [Qnn] SetPerfModeAndApplyIfManual: Perf mode doesn't change.");
    // Auto left no vote in force; Manual holds the mode's level from now on.
    if (manual && !was_manual && new_mode != 0) {
      QnnLog(kQnnLogDebug, "DEBUG: [Qnn] SetPerfModeAndApplyIfManual: Work for kManual.");
      ApplyUpList();
    }
    return succeed();
  }

  if (new_mode != 0) {
    QnnLog(kQnnLogDebug, "DEBUG: [Qnn] SetPerfModeAndApplyIfManual: Init new mode.");
    if (!Start(new_mode)) return false;
    if (!InitRpcPolling()) {
      QnnLog(kQnnLogError,
             "ERROR: [Qnn] Failed to set RPC polling in SetPerfModeAndApplyIfManual.");
      return false;
    }
    if (!manual) {
      QnnLog(kQnnLogDebug, "DEBUG: [Qnn] SetPerfModeAndApplyIfManual: Ignore due to kAuto.");
      return succeed();
    }
    QnnLog(kQnnLogDebug, "DEBUG: [Qnn] SetPerfModeAndApplyIfManual: Work for kManual.");
    ApplyUpList();
    return succeed();
  }

  // Back to Default: fall to the Default level once.
  if (has_infrastructure()) {
    {
      std::lock_guard<std::mutex> lock(records_mutex_);
      WriteDownRecord(0);
      down_list_ = {&down_record_, nullptr};
    }
    if (manual) {
      ApplyDownList();
    } else {
      ScheduleDownVote();  // delayed by the mode being left
    }
  }
  mode_.store(0, std::memory_order_relaxed);
  return succeed();
}

VotingThread& HtpBackend::HtpPerfControl::EnsureVotingThread() {
  return *voting_thread_.GetOrCreate([this] {
    return std::make_unique<VotingThread>([this](uint32_t kind) { Vote(kind); }, down_vote_delay_);
  });
}

void HtpBackend::HtpPerfControl::ScheduleUpVote() {
  EnsureVotingThread().Queue(kVoteUp, /*delayed=*/false);
}

void HtpBackend::HtpPerfControl::ScheduleDownVote() {
  const uint32_t mode = this->mode();
  EnsureVotingThread().Queue(kVoteDown, /*delayed=*/mode == 1 || mode == 2);
}

void HtpBackend::HtpPerfControl::ApplyUpList() {
  if (VotingThread* voting_thread = voting_thread_.get()) voting_thread->CancelDelayedDownVote();
  Apply(ListKind::kUp);
}

void HtpBackend::HtpPerfControl::Apply(ListKind kind) {
  QnnDevice_Infrastructure_t infrastructure = nullptr;
  uint32_t id = 0;
  std::array<QnnHtpPerfInfrastructure_PowerConfig_t, 2> records;
  std::array<const QnnHtpPerfInfrastructure_PowerConfig_t*, 3> list{};
  {
    std::lock_guard<std::mutex> lock(records_mutex_);
    if (infrastructure_ == nullptr) return;
    infrastructure = infrastructure_;
    id = power_config_id_;
    const QnnHtpPerfInfrastructure_PowerConfig_t* const* source =
        kind == ListKind::kUp     ? up_list_.data()
        : kind == ListKind::kDown ? down_list_.data()
                                  : rpc_list_.data();
    for (size_t i = 0; i < records.size() && source[i] != nullptr; ++i) {
      records[i] = *source[i];
      list[i] = &records[i];
    }
  }
  infrastructure->perfInfra.setPowerConfig(id, list.data());
}

}  // namespace qnn
