// The HTP (NPU) backend: the only backend with a QNN device, chosen by id and
// optionally in a signed protection domain; it votes for clock levels through
// its performance controller and defines the HTP graph configuration.
#ifndef VANTRO_VENDORS_QUALCOMM_BACKENDS_HTP_BACKEND_H_
#define VANTRO_VENDORS_QUALCOMM_BACKENDS_HTP_BACKEND_H_

#include <cstdint>
#include <list>
#include <memory>
#include <optional>
#include <vector>

#include "absl/strings/string_view.h"
#include "vendors/qualcomm/backends/created_on_first_use.h"
#include "vendors/qualcomm/backends/qnn_backend.h"
#include "vendors/qualcomm/backends/qnn_handle.h"
#include "vendors/qualcomm/backends/qnn_options.h"
#include "vendors/qualcomm/backends/voting_thread.h"
#include "vendors/qualcomm/qnn_interface.h"

namespace qnn {

class HtpBackend : public QnnBackend {
 public:
  // The HTP performance controller (htp_perf_control.h).
  class HtpPerfControl;

  // `down_vote_delay` is how long the voting thread holds a delayed down
  // vote; only tests change it.
  explicit HtpBackend(const qnn::QnnApi* api,
                      VotingThread::Clock::duration down_vote_delay = VotingThread::kDownVoteDelay);
  // Controller first (its votes need the device), then the PD records and
  // the kept platform info, then the base's handles.
  ~HtpBackend() override;

  bool Init(const Options& options, std::optional<SocInfo> soc_info) override;
  bool SetPerformanceMode(const Options& options) override;
  void UpVote() override;
  void ScheduleUpVote() override;
  void ScheduleDownVote() override;
  GraphConfigs GetGraphConfigs(const Options& options, absl::string_view graph_name) override;

  // The controller, null while HtpPerformanceMode has been Default.
  HtpPerfControl* perf_control() const { return perf_control_.get(); }

 private:
  using PlatformInfoHandle = Handle<const QnnDevice_PlatformInfo_t*>;
  // Defined with the HTP device records, which this header leaves out: they
  // may not meet another backend's device records in one translation unit.
  struct PdRecord;

  // Appends the device configs for `options` to `configs` (selection by id,
  // then protection domain) and null-terminates a non-empty list.
  bool BuildDeviceConfigs(const Options& options, std::vector<const QnnDevice_Config_t*>* configs);
  bool SelectDevice(uint32_t device_id, std::vector<const QnnDevice_Config_t*>* configs);
  void AddSignedPdConfig(uint32_t device_id, std::vector<const QnnDevice_Config_t*>* configs);
  std::unique_ptr<HtpPerfControl> NewPerfControl(uint32_t device_id) const;

  PlatformInfoHandle platform_info_;  // released with deviceFreePlatformInfo
  std::list<PdRecord> pd_records_;
  // Made by Init or by the first SetPerformanceMode with a mode; two host
  // threads may get there at once.
  CreatedOnFirstUse<HtpPerfControl> perf_control_;
  VotingThread::Clock::duration down_vote_delay_;
};

}  // namespace qnn

#endif  // VANTRO_VENDORS_QUALCOMM_BACKENDS_HTP_BACKEND_H_
