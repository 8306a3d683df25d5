// The abstract QNN backend: owns the log, backend and device handles and the
// config records they were created with, and offers the one virtual contract
// through which the plug-in drives power votes and per-graph set-up.
#ifndef VANTRO_VENDORS_QUALCOMM_BACKENDS_QNN_BACKEND_H_
#define VANTRO_VENDORS_QUALCOMM_BACKENDS_QNN_BACKEND_H_

#include <cstdint>
#include <list>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "absl/strings/string_view.h"
#include "vendors/qualcomm/backends/qnn_handle.h"
#include "vendors/qualcomm/backends/qnn_options.h"
#include "vendors/qualcomm/qnn_interface.h"

namespace qnn {

// Description of the SoC, optionally given to Init.
struct SocInfo {
  absl::string_view soc_name = "UNKNOWN_SOC";
  uint32_t soc_model = 0;
  uint32_t lpai_hardware_version = 0;  // 0 when unknown
};

// Graph configuration produced by GetGraphConfigs: owned records at stable
// addresses plus the QNN entries that point at them. Hand QNN Pointers();
// the holder must outlive that call.
class GraphConfigs {
 public:
  GraphConfigs() = default;
  GraphConfigs(const GraphConfigs&) = delete;
  GraphConfigs& operator=(const GraphConfigs&) = delete;
  GraphConfigs(GraphConfigs&&) = default;
  GraphConfigs& operator=(GraphConfigs&&) = default;

  // Stores a record and returns its stable address.
  template <typename Record>
  Record* AddRecord(const Record& record) {
    auto holder = std::make_unique<RecordHolder<Record>>(record);
    Record* address = &holder->record;
    records_.push_back(std::move(holder));
    return address;
  }
  // Stores a text and returns its stable, NUL-terminated copy.
  const char* AddText(std::string text);
  // Appends an entry of option 0 pointing at an owned record.
  void AddCustomEntry(const void* record);
  // Appends a plain entry (e.g. option 3, the priority).
  void AddEntry(const QnnGraph_Config_t& entry);

  const std::vector<QnnGraph_Config_t>& entries() const { return entries_; }
  // A null-terminated array of pointers to the entries.
  const QnnGraph_Config_t** Pointers();

 private:
  struct RecordBase {
    virtual ~RecordBase() = default;
  };
  template <typename Record>
  struct RecordHolder : RecordBase {
    explicit RecordHolder(const Record& r) : record(r) {}
    Record record;
  };

  std::list<std::unique_ptr<RecordBase>> records_;
  std::list<std::string> texts_;
  std::vector<QnnGraph_Config_t> entries_;
  std::vector<const QnnGraph_Config_t*> pointers_;
};

// What AfterGraphRetrieve receives about a graph just retrieved.
struct RetrievedGraph {
  Qnn_GraphHandle_t graph = nullptr;
  absl::string_view graph_name;
  Qnn_ProfileHandle_t profile = nullptr;
};

class QnnBackend {
 public:
  explicit QnnBackend(const qnn::QnnApi* api);
  QnnBackend(const QnnBackend&) = delete;
  QnnBackend& operator=(const QnnBackend&) = delete;

  // Slot 0: the derived teardown runs first, then the device, backend and
  // log handles are released, then the config lists.
  virtual ~QnnBackend();
  // Slot 1: creates the handles; false after logging why.
  virtual bool Init(const Options& options, std::optional<SocInfo> soc_info) = 0;
  // Slot 2: applies a new performance mode.
  virtual bool SetPerformanceMode(const Options& /*options*/) { return true; }
  // Slots 3 to 5: power votes (no-ops unless the backend votes).
  virtual void UpVote() {}
  virtual void ScheduleUpVote() {}
  virtual void ScheduleDownVote() {}
  // Slot 6: configuration for creating and finalising graphs.
  virtual GraphConfigs GetGraphConfigs(const Options& options, absl::string_view graph_name) = 0;
  // Slot 7: per-graph set-up after retrieval from a context binary.
  virtual bool AfterGraphRetrieve(const RetrievedGraph& /*graph*/, const Options& /*options*/) {
    return true;
  }

  const qnn::QnnApi* api() const { return api_; }
  Qnn_BackendHandle_t BackendHandle() const { return backend_handle_.get(); }
  Qnn_DeviceHandle_t DeviceHandle() const { return device_handle_.get(); }
  Qnn_LogHandle_t LogHandle() const { return log_handle_.get(); }
  const SocInfo& soc_info() const { return soc_info_; }

 protected:
  using LogHandleT = Handle<Qnn_LogHandle_t>;
  using BackendHandleT = Handle<Qnn_BackendHandle_t>;
  using DeviceHandleT = Handle<Qnn_DeviceHandle_t>;

  // A QNN logger at `level`, or an empty handle (level 0, or logCreate failed).
  LogHandleT CreateLogHandle(uint32_t level);
  // `configs` is null-terminated; it is passed only with at least one config.
  BackendHandleT CreateBackendHandle(Qnn_LogHandle_t log, const QnnBackend_Config_t** configs,
                                     size_t count);
  DeviceHandleT CreateDeviceHandle(Qnn_LogHandle_t log, const QnnDevice_Config_t** configs,
                                   size_t count);

  // New records at stable addresses, initialised as QNN's "undefined".
  QnnBackend_Config_t& AddBackendConfig();
  QnnDevice_Config_t& AddDeviceConfig();
  QnnDevice_PlatformInfo_t& AddPlatformInfo();

  // Moves the new handles into the fields (log, then backend, then device).
  void CommitHandles(LogHandleT log, BackendHandleT backend, DeviceHandleT device);
  void SetSocInfo(const SocInfo& soc_info) { soc_info_ = soc_info; }

 private:
  const qnn::QnnApi* api_;
  std::list<QnnBackend_Config_t> backend_configs_;
  std::list<QnnDevice_Config_t> device_configs_;
  std::list<QnnDevice_PlatformInfo_t> platform_infos_;
  SocInfo soc_info_;
  LogHandleT log_handle_;
  BackendHandleT backend_handle_;
  DeviceHandleT device_handle_;
};

// Creates, initialises and equips a backend for options.GetBackendType();
// null when the type is unknown or Init or the op-package registration
// failed (the backend has logged why). `for_compilation` picks the compile
// package path of a custom op package instead of the dispatch one.
std::unique_ptr<QnnBackend> CreateBackend(const qnn::QnnApi* api, const Options& options,
                                          std::optional<SocInfo> soc_info, bool for_compilation);

}  // namespace qnn

#endif  // VANTRO_VENDORS_QUALCOMM_BACKENDS_QNN_BACKEND_H_
