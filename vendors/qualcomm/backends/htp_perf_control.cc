#include "vendors/qualcomm/backends/htp_perf_control.h"

#include <cstring>

#include "vendors/qualcomm/backends/qnn_log.h"

namespace qnn {
namespace {

// One up vote: every "set" flag is on except sleep disable; bus and core
// share one corner value for minimum, target and maximum.
struct UpRow {
  uint32_t dcvs_enable;
  uint32_t power_mode;
  uint32_t sleep_latency;
  uint32_t corner;
};

// Indexed by HtpPerformanceMode 1 to 9.
constexpr UpRow kUpRows[] = {
    {0, 1, 100, 128},    // 1 SustainedHighPerformance
    {0, 1, 40, 160},     // 2 Burst
    {0, 1, 100, 128},    // 3 HighPerformance
    {1, 16, 1000, 64},   // 4 PowerSaver
    {1, 16, 1000, 48},   // 5 LowPowerSaver
    {1, 16, 1000, 80},   // 6 HighPowerSaver
    {1, 16, 1000, 96},   // 7 LowBalanced
    {1, 16, 1000, 112},  // 8 Balanced
    {1, 16, 1000, 16},   // 9 ExtremePowerSaver
};

// One down vote: DCVS on, the longest sleep latency, bus and core corners
// alike.
struct DownRow {
  uint32_t power_mode;
  uint32_t corner_min;
  uint32_t corner_target;
  uint32_t corner_max;
};

// Indexed by HtpPerformanceMode 0 to 9.
constexpr DownRow kDownRows[] = {
    {4, 96, 96, 96},  // 0 Default
    {1, 48, 64, 64},  // 1 SustainedHighPerformance
    {1, 48, 64, 64},  // 2 Burst
    {1, 48, 64, 64},  // 3 HighPerformance
    {4, 32, 32, 32},  // 4 PowerSaver
    {4, 32, 32, 32},  // 5 LowPowerSaver
    {4, 32, 32, 32},  // 6 HighPowerSaver
    {4, 48, 64, 64},  // 7 LowBalanced
    {1, 48, 64, 64},  // 8 Balanced
    {4, 16, 16, 16},  // 9 ExtremePowerSaver
};

constexpr uint32_t kDownSleepLatency = 65535;
constexpr uint32_t kRpcPollingTime = 9999;

// A vote record that asks for nothing (every "set" flag off) until a mode
// writes it, so an early vote never carries indeterminate words.
QnnHtpPowerConfig EmptyVoteRecord() {
  QnnHtpPowerConfig record;
  std::memset(&record, 0, sizeof(record));
  record.option = QNN_HTP_POWER_CONFIG_OPTION_DCVS_V3;
  return record;
}

QnnHtpPowerConfig InitialRpcRecord() {
  QnnHtpPowerConfig record;
  std::memset(&record, 0, sizeof(record));
  record.option = QNN_UNDEFINED;
  return record;
}

}  // namespace

HtpBackend::HtpPerfControl::HtpPerfControl(const QnnCoreApi* api, uint32_t device_id,
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
  voting_thread_.reset();
  if (infrastructure_ == nullptr) return;
  ApplyDownList();
  if (power_config_id_ != 0) infrastructure_->perf.destroyPowerConfigId(power_config_id_);
}

uint32_t HtpBackend::HtpPerfControl::power_config_id() const {
  std::lock_guard<std::mutex> lock(records_mutex_);
  return power_config_id_;
}

bool HtpBackend::HtpPerfControl::Start(uint32_t mode) {
  // Only the host's (serialised) calls write the infrastructure and the id,
  // so reading them here needs no lock; writes take it for the voting thread.
  if (infrastructure_ == nullptr) {
    QnnDeviceInfrastructure infrastructure = nullptr;
    const QnnResult result = api_->deviceGetInfrastructure(&infrastructure);
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
    const auto* htp = static_cast<const QnnHtpDeviceInfrastructure*>(infrastructure);
    if (htp->type != QNN_HTP_INFRASTRUCTURE_TYPE_PERF) {
      QnnLog(kQnnLogError, "ERROR: [Qnn] HTP infra type = %d, which is not perf infra type.",
             static_cast<int>(htp->type));
      return false;
    }
    std::lock_guard<std::mutex> lock(records_mutex_);
    infrastructure_ = htp;
  }

  if (power_config_id_ == 0) {
    uint32_t id = 0;
    const QnnResult result = infrastructure_->perf.createPowerConfigId(device_id_, 0, &id);
    if (result != QNN_SUCCESS) {
      QnnLog(kQnnLogError, "ERROR: [Qnn] HTP backend unable to create power config. Error %d",
             static_cast<int>(result & 0xFFFF));
      return false;
    }
    std::lock_guard<std::mutex> lock(records_mutex_);
    power_config_id_ = id;
  }

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
  QnnHtpDcvsV3& dcvs = up_record_.dcvs_v3;
  up_record_.option = QNN_HTP_POWER_CONFIG_OPTION_DCVS_V3;
  dcvs.context_id = power_config_id_;
  dcvs.set_dcvs_enable = 1;
  dcvs.dcvs_enable = row.dcvs_enable;
  dcvs.power_mode = row.power_mode;
  dcvs.set_sleep_latency = 1;
  dcvs.sleep_latency = row.sleep_latency;
  dcvs.set_sleep_disable = 0;
  dcvs.sleep_disable = 0;
  dcvs.set_bus_params = 1;
  dcvs.bus_voltage_corner_min = row.corner;
  dcvs.bus_voltage_corner_target = row.corner;
  dcvs.bus_voltage_corner_max = row.corner;
  dcvs.set_core_params = 1;
  dcvs.core_voltage_corner_min = row.corner;
  dcvs.core_voltage_corner_target = row.corner;
  dcvs.core_voltage_corner_max = row.corner;
}

void HtpBackend::HtpPerfControl::WriteDownRecord(uint32_t mode) {
  if (mode > 9) return;  // left as it was
  const DownRow& row = kDownRows[mode];
  QnnHtpDcvsV3& dcvs = down_record_.dcvs_v3;
  down_record_.option = QNN_HTP_POWER_CONFIG_OPTION_DCVS_V3;
  dcvs.context_id = power_config_id_;
  dcvs.set_dcvs_enable = 1;
  dcvs.dcvs_enable = 1;
  dcvs.power_mode = row.power_mode;
  dcvs.set_sleep_latency = 1;
  dcvs.sleep_latency = kDownSleepLatency;
  dcvs.set_sleep_disable = 0;
  dcvs.sleep_disable = 0;
  dcvs.set_bus_params = 1;
  dcvs.bus_voltage_corner_min = row.corner_min;
  dcvs.bus_voltage_corner_target = row.corner_target;
  dcvs.bus_voltage_corner_max = row.corner_max;
  dcvs.set_core_params = 1;
  dcvs.core_voltage_corner_min = row.corner_min;
  dcvs.core_voltage_corner_target = row.corner_target;
  dcvs.core_voltage_corner_max = row.corner_max;
}

bool HtpBackend::HtpPerfControl::InitRpcPolling() {
  const uint32_t mode = this->mode();
  {
    std::lock_guard<std::mutex> lock(records_mutex_);
    rpc_records_ = {InitialRpcRecord(), InitialRpcRecord()};
    if (mode >= 1 && mode <= 3) {
      // The fast modes poll instead of sleeping between RPC calls.
      rpc_records_[0].option = QNN_HTP_POWER_CONFIG_OPTION_RPC_POLLING_TIME;
      rpc_records_[0].rpc_polling_time = kRpcPollingTime;
      rpc_records_[1].option = QNN_HTP_POWER_CONFIG_OPTION_RPC_CONTROL_LATENCY;
      rpc_records_[1].rpc_control_latency = 0;
      rpc_list_ = {&rpc_records_[0], &rpc_records_[1], nullptr};
    } else if (mode >= 4 && mode <= 9) {
      rpc_records_[0].option = QNN_HTP_POWER_CONFIG_OPTION_RPC_CONTROL_LATENCY;
      rpc_records_[0].rpc_control_latency = 0;
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
  if (new_mode == mode()) {
    QnnLog(kQnnLogDebug, "DEBUG: [Qnn] SetPerfModeAndApplyIfManual: Perf mode doesn't change.");
    return true;
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
      return true;
    }
    QnnLog(kQnnLogDebug, "DEBUG: [Qnn] SetPerfModeAndApplyIfManual: Work for kManual.");
    ApplyUpList();
    return true;
  }

  // Back to Default: fall to the Default level once.
  if (infrastructure_ != nullptr) {
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
  return true;
}

void HtpBackend::HtpPerfControl::EnsureVotingThread() {
  if (voting_thread_ != nullptr) return;
  voting_thread_ =
      std::make_unique<VotingThread>([this](uint32_t kind) { Vote(kind); }, down_vote_delay_);
}

void HtpBackend::HtpPerfControl::ScheduleUpVote() {
  EnsureVotingThread();
  voting_thread_->Queue(kVoteUp, /*delayed=*/false);
}

void HtpBackend::HtpPerfControl::ScheduleDownVote() {
  EnsureVotingThread();
  const uint32_t mode = this->mode();
  voting_thread_->Queue(kVoteDown, /*delayed=*/mode == 1 || mode == 2);
}

void HtpBackend::HtpPerfControl::Apply(ListKind kind) {
  const QnnHtpDeviceInfrastructure* infrastructure = nullptr;
  uint32_t id = 0;
  std::array<QnnHtpPowerConfig, 2> records;
  std::array<const QnnHtpPowerConfig*, 3> list{};
  {
    std::lock_guard<std::mutex> lock(records_mutex_);
    if (infrastructure_ == nullptr) return;
    infrastructure = infrastructure_;
    id = power_config_id_;
    const QnnHtpPowerConfig* const* source = kind == ListKind::kUp     ? up_list_.data()
                                             : kind == ListKind::kDown ? down_list_.data()
                                                                       : rpc_list_.data();
    for (size_t i = 0; i < records.size() && source[i] != nullptr; ++i) {
      records[i] = *source[i];
      list[i] = &records[i];
    }
  }
  infrastructure->perf.setPowerConfig(id, list.data());
}

}  // namespace qnn
