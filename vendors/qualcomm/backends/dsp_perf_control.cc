#include "vendors/qualcomm/backends/dsp_perf_control.h"

#include "DSP/QnnDspDevice.h"
#include "vendors/qualcomm/backends/qnn_log.h"

namespace qnn {
namespace {

using Records = DspPerfControl::Records;

// Every member of a record's union is one 32-bit word at the same place, so
// the value is set through the first.
constexpr QnnDspPerfInfrastructure_PowerConfig_t Record(
    QnnDspPerfInfrastructure_PowerConfigOption_t option, uint32_t value) {
  return {option, {value}};
}

// Sleep latency, the DCVS voltage corner three times (minimum, target,
// maximum), DCVS on or off, power mode.
constexpr Records Records6(uint32_t sleep_latency, uint32_t corner_min, uint32_t corner_target,
                           uint32_t corner_max, uint32_t dcvs_enable, uint32_t power_mode) {
  return {
      {Record(QNN_DSP_PERF_INFRASTRUCTURE_POWER_CONFIGOPTION_SLEEP_LATENCY, sleep_latency),
       Record(QNN_DSP_PERF_INFRASTRUCTURE_POWER_CONFIGOPTION_DCVS_VOLTAGE_CORNER, corner_min),
       Record(QNN_DSP_PERF_INFRASTRUCTURE_POWER_CONFIGOPTION_DCVS_VOLTAGE_CORNER, corner_target),
       Record(QNN_DSP_PERF_INFRASTRUCTURE_POWER_CONFIGOPTION_DCVS_VOLTAGE_CORNER, corner_max),
       Record(QNN_DSP_PERF_INFRASTRUCTURE_POWER_CONFIGOPTION_DCVS_ENABLE, dcvs_enable),
       Record(QNN_DSP_PERF_INFRASTRUCTURE_POWER_CONFIGOPTION_DCVS_POWER_MODE, power_mode)}};
}

// Indexed by DspPerformanceMode 1 to 8.
constexpr Records kUpRecords[] = {
    Records6(100, 128, 128, 160, 0, 16),   // 1 SustainedHighPerformance
    Records6(40, 160, 160, 160, 0, 16),    // 2 Burst
    Records6(100, 128, 128, 160, 0, 16),   // 3 HighPerformance
    Records6(1000, 64, 64, 64, 0, 16),     // 4 PowerSaver
    Records6(1000, 48, 48, 48, 0, 16),     // 5 LowPowerSaver
    Records6(1000, 80, 80, 80, 0, 16),     // 6 HighPowerSaver
    Records6(1000, 96, 96, 96, 0, 16),     // 7 LowBalanced
    Records6(1000, 112, 112, 112, 0, 16),  // 8 Balanced
};

// The same for every mode.
constexpr Records kDownRecords = Records6(2000, 48, 64, 64, 1, 4);

}  // namespace

DspPerfControl::DspPerfControl(const qnn::QnnApi* api,
                               VotingThread::Clock::duration down_vote_delay)
    : api_(api),
      up_records_(kDownRecords),
      down_records_(kDownRecords),
      down_vote_delay_(down_vote_delay) {}

DspPerfControl::~DspPerfControl() {
  // The voting thread goes first: its queued votes still need a live id.
  voting_thread_.Reset();
  if (infrastructure_ == nullptr) return;
  ApplyDownList();
  // An id that was never created is not destroyed.
  if (power_config_id_ != 0) infrastructure_->destroyPowerConfigId(power_config_id_);
}

bool DspPerfControl::has_infrastructure() const {
  std::lock_guard<std::mutex> lock(records_mutex_);
  return infrastructure_ != nullptr;
}

bool DspPerfControl::AcquireInfrastructureAndId() {
  // Written only here, so reads under this mutex need no other lock; writes
  // also take the records lock for the voting thread.
  std::lock_guard<std::mutex> acquiring(acquire_mutex_);
  if (infrastructure_ == nullptr) {
    QnnDevice_Infrastructure_t infrastructure = nullptr;
    const Qnn_ErrorHandle_t result = api_->deviceGetInfrastructure(&infrastructure);
    if (result != QNN_SUCCESS) {
      QnnLog(kQnnLogError, "ERROR: [Qnn] DSP backend unable to create device infrastructure. Error %d",
             static_cast<int>(result & 0xFFFF));
      return false;
    }
    if (infrastructure == nullptr) {
      // Nothing to create a power-config id with.
      QnnLog(kQnnLogError,
             "ERROR: [Qnn] DSP backend failed to create device infrastructure but reported no "
             "error.");
      return false;
    }
    std::lock_guard<std::mutex> lock(records_mutex_);
    infrastructure_ = infrastructure;
  }

  if (power_config_id_ == 0) {
    uint32_t id = 0;
    const Qnn_ErrorHandle_t result = infrastructure_->createPowerConfigId(&id);
    if (result != QNN_SUCCESS) {
      QnnLog(kQnnLogError, "ERROR: [Qnn] DSP backend unable to create power config. Error %d",
             static_cast<int>(result & 0xFFFF));
      return false;
    }
    std::lock_guard<std::mutex> lock(records_mutex_);
    power_config_id_ = id;
  }
  return true;
}

bool DspPerfControl::Start(uint32_t mode) {
  if (!AcquireInfrastructureAndId()) return false;

  const bool known_mode = mode >= 1 && mode <= 8;
  if (!known_mode) {
    QnnLog(kQnnLogInfo, "INFO: [Qnn] Unknown perf mode %d, use default.", static_cast<int>(mode));
  }
  {
    std::lock_guard<std::mutex> lock(records_mutex_);
    if (known_mode) up_records_ = kUpRecords[mode - 1];
    down_records_ = kDownRecords;
  }
  mode_.store(mode, std::memory_order_relaxed);
  return true;
}

bool DspPerfControl::SetPerfModeAndApplyIfManual(const Options& options) {
  const uint32_t new_mode = static_cast<uint32_t>(options.GetDspPerformanceMode());
  const bool manual = options.GetDspPerfCtrlMode() == PerfCtrlMode::kManual;
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
    if (!manual) {
      QnnLog(kQnnLogDebug, "DEBUG: [Qnn] SetPerfModeAndApplyIfManual: Ignore due to kAuto.");
      return succeed();
    }
    QnnLog(kQnnLogDebug, "DEBUG: [Qnn] SetPerfModeAndApplyIfManual: Work for kManual.");
    ApplyUpList();
    return succeed();
  }

  if (has_infrastructure()) {
    if (manual) {
      ApplyDownList();
    } else {
      ScheduleDownVote();  // delayed by the mode being left
    }
  }
  mode_.store(0, std::memory_order_relaxed);
  return succeed();
}

VotingThread& DspPerfControl::EnsureVotingThread() {
  return *voting_thread_.GetOrCreate([this] {
    return std::make_unique<VotingThread>([this](uint32_t kind) { Apply(kind); }, down_vote_delay_);
  });
}

void DspPerfControl::ScheduleUpVote() { EnsureVotingThread().Queue(kVoteUp, /*delayed=*/false); }

void DspPerfControl::ScheduleDownVote() {
  const uint32_t mode = this->mode();
  EnsureVotingThread().Queue(kVoteDown, /*delayed=*/mode == 1 || mode == 2);
}

void DspPerfControl::ApplyUpList() {
  if (VotingThread* voting_thread = voting_thread_.get()) voting_thread->CancelDelayedDownVote();
  Apply(kVoteUp);
}

void DspPerfControl::Apply(uint32_t kind) {
  QnnDevice_Infrastructure_t infrastructure = nullptr;
  uint32_t id = 0;
  Records records;
  List list{};
  {
    std::lock_guard<std::mutex> lock(records_mutex_);
    if (infrastructure_ == nullptr) return;
    infrastructure = infrastructure_;
    id = power_config_id_;
    records = kind == kVoteUp ? up_records_ : down_records_;
  }
  for (size_t i = 0; i < kRecordCount; ++i) list[i] = &records[i];
  infrastructure->setPowerConfig(id, list.data());
}

}  // namespace qnn
