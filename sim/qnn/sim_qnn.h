// Control interface of the simulated QNN: the back door through which tests
// and tools script it and read what the plug-in asked of it.
//
// The simulation is one shared library (libVantroSimQnn) holding all state.
// Thin shared objects under the file names the plug-in loads (QnnSystem.dll,
// QnnHtp.dll, QnnDsp.dll, libQnnGpu.so, QnnIr.dll, QnnLpai.dll,
// QnnSaver.dll) only forward their entry points to it, so a test that links
// libVantroSimQnn sees the same state as the plug-in that dlopens them. The
// libraries speak QNN's published interface: its entry points, provider
// records, function tables and records.
//
// Everything here is thread-safe: the plug-in's voting threads call QNN too.
#ifndef VANTRO_SIM_QNN_SIM_QNN_H_
#define VANTRO_SIM_QNN_SIM_QNN_H_

#include <cstdint>
#include <map>
#include <string>
#include <vector>

// QNN's published headers, by QNN's names. Of the backend groups only the
// two power-config headers, which hold nothing but prefixed names, may be
// included here: the HTP, DSP and LPAI headers cannot share a translation
// unit, and every test includes this one.
#include "DSP/QnnDspPerfInfrastructure.h"
#include "HTP/QnnHtpPerfInfrastructure.h"
#include "QnnCommon.h"
#include "QnnProfile.h"
#include "QnnProperty.h"
#include "QnnTypes.h"

#if defined(_WIN32)
#if defined(VANTRO_SIM_QNN_BUILDING)
#define VANTRO_SIM_QNN_API __declspec(dllexport)
#else
#define VANTRO_SIM_QNN_API __declspec(dllimport)
#endif
#else
#define VANTRO_SIM_QNN_API __attribute__((visibility("default")))
#endif

namespace vantro::sim {

// The simulated libraries, one per file name the plug-in may load.
enum class Library { kSystem, kHtp, kDsp, kGpu, kIr, kLpai, kSaver };

// The file name a library is built under ("QnnHtp.dll", "libQnnGpu.so", ...).
VANTRO_SIM_QNN_API const char* LibraryFileName(Library library);

// What one library reports to the plug-in. For kSystem, `core` is the
// system API version and `backend` is unused.
struct LibraryConfig {
  Qnn_Version_t core{2, 41, 0};
  Qnn_Version_t backend{0, 0, 0};  // defaults per library: the versions the plug-in needs
  std::string build_id = "v2.41.0.250101";
  bool null_build_id = false;     // backendGetBuildId succeeds with a null text
  uint32_t provider_count = 1;    // 0, 1 or 2 providers in the list
  bool null_provider = false;     // the first list entry is null
  Qnn_ErrorHandle_t get_providers_result = QNN_SUCCESS;
  Qnn_ErrorHandle_t saver_initialize_result = QNN_SUCCESS;  // kSaver only
};

// Results the simulation answers with when it refuses a call on its own
// (injected failures return whatever the test asked for).
inline constexpr Qnn_ErrorHandle_t kSimInvalidHandle = 0x5101;    // unknown or released handle
inline constexpr Qnn_ErrorHandle_t kSimInvalidArgument = 0x5102;  // null out pointer, bad list
inline constexpr Qnn_ErrorHandle_t kSimUnsupported = 0x5103;      // not offered by this library

// Puts every setting back to its default and clears failures, the call log,
// recorded power configs and profiling events. Live handles are kept (they
// belong to whoever created them); tests check LiveHandleCount() instead.
VANTRO_SIM_QNN_API void Reset();

// Reads and changes one library's configuration; takes effect on the next
// provider query.
VANTRO_SIM_QNN_API LibraryConfig GetLibraryConfig(Library library);
VANTRO_SIM_QNN_API void SetLibraryConfig(Library library, const LibraryConfig& config);

// Makes the `occurrence`-th call (1-based, counted from now) of the table
// function or entry point `call` (e.g. "graphExecute", "logCreate",
// "QnnSaver_initialize") return `result`; occurrence 0 fails every call.
// Several failures may be armed at once.
VANTRO_SIM_QNN_API void FailCall(const std::string& call, Qnn_ErrorHandle_t result,
                                 uint32_t occurrence = 1);
VANTRO_SIM_QNN_API void ClearFailures();

// One call received, with its arguments by value as text. The text forms are
// listed beside each function in sim_qnn_calls.md.
struct Call {
  std::string name;
  std::string detail;
};
VANTRO_SIM_QNN_API void SetCallLogEnabled(bool enabled);
VANTRO_SIM_QNN_API std::vector<Call> Calls();
VANTRO_SIM_QNN_API std::vector<std::string> CallNames();
VANTRO_SIM_QNN_API uint32_t CountCalls(const std::string& name);
VANTRO_SIM_QNN_API void ClearCalls();

// Handles alive now, by kind ("log", "backend", "device", "context",
// "graph", "profile", "system_context", "platform_info", "power_config_id").
VANTRO_SIM_QNN_API std::map<std::string, int> LiveHandles();
VANTRO_SIM_QNN_API int LiveHandleCount();

// The simulated libraries currently loaded in the process, by file name.
VANTRO_SIM_QNN_API std::vector<std::string> LoadedLibraries();

// Platform info answered by deviceGetPlatformInfo: one hardware device per
// id. With `null_info` the call succeeds but hands out null; with
// `no_device_array` the count is kept but the array pointer is null.
struct PlatformConfig {
  std::vector<uint32_t> device_ids{0};
  bool null_info = false;
  bool no_device_array = false;
};
VANTRO_SIM_QNN_API void SetPlatformConfig(const PlatformConfig& config);

// The property-capability query: whether the table offers it at all, and
// what it answers per key (unlisted keys answer 0). The plug-in asks key
// 2002, QNN_PROPERTY_CUSTOM_HTP_UNSIGNED_PD_SUPPORT on HTP and
// QNN_PROPERTY_CUSTOM_DSP_UNSIGNED_PD_SUPPORT on DSP.
VANTRO_SIM_QNN_API void SetCapabilityQueryAvailable(bool available);
VANTRO_SIM_QNN_API void SetCapability(QnnProperty_Key_t key, Qnn_ErrorHandle_t answer);

// The performance infrastructure handed out by deviceGetInfrastructure.
// `htp_type` is the HTP record's infraType word; its default is
// QNN_HTP_DEVICE_INFRASTRUCTURE_TYPE_PERF (HTP/QnnHtpDevice.h, which this
// header may not include; sim_infrastructure_htp.cc checks the value).
struct InfrastructureConfig {
  bool null_infrastructure = false;  // success with a null pointer
  uint32_t htp_type = 0;
};
VANTRO_SIM_QNN_API void SetInfrastructureConfig(const InfrastructureConfig& config);

// One setPowerConfig call, with the records by value. `htp` tells which
// infrastructure received it (and so which list is filled); `elapsed_ms` is
// measured from Reset().
struct PowerConfigCall {
  bool htp = true;
  uint32_t power_config_id = 0;
  std::vector<QnnHtpPerfInfrastructure_PowerConfig_t> htp_configs;
  std::vector<QnnDspPerfInfrastructure_PowerConfig_t> dsp_configs;
  double elapsed_ms = 0;
};
VANTRO_SIM_QNN_API std::vector<PowerConfigCall> PowerConfigCalls();

// Profiling events every live profile handle reports, as they stand at
// each profileGetEvents.
struct ProfileEvent {
  std::string identifier;
  QnnProfile_EventType_t type = 0;
  QnnProfile_EventUnit_t unit = QNN_PROFILE_EVENTUNIT_MICROSEC;
  uint64_t value = 0;
  std::vector<ProfileEvent> sub_events;
};
VANTRO_SIM_QNN_API void SetProfileEvents(const std::vector<ProfileEvent>& events);

// The output directory the last successful QnnSaver_initialize was given
// ("" when none since Reset()).
VANTRO_SIM_QNN_API std::string SaverOutputDirectory();

// Which record versions systemContextGetBinaryInfo answers in (1, 2 or 3
// for the binary info; 1, 2 or 3 for its graph infos; other values are
// passed through so that tests can see them refused).
VANTRO_SIM_QNN_API void SetBinaryInfoVersions(uint32_t binary_info_version,
                                              uint32_t graph_info_version);

// With execution off, graphExecute checks its arguments and returns without
// running the ops (the floor in benchmarks).
VANTRO_SIM_QNN_API void SetExecutionEnabled(bool enabled);

}  // namespace vantro::sim

#endif  // VANTRO_SIM_QNN_SIM_QNN_H_
