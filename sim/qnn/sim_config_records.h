// Inside the call-log texts: decoders of the backend-defined (custom)
// records a config list points at, and the list form every decoder shares.
// The HTP, DSP and LPAI decoders live in sim_config_text_htp.cc, _dsp.cc
// and _lpai.cc, one translation unit per backend header group; the GPU and
// IR ones, whose headers may go anywhere, in sim_config_text.cc.
#ifndef VANTRO_SIM_QNN_SIM_CONFIG_RECORDS_H_
#define VANTRO_SIM_QNN_SIM_CONFIG_RECORDS_H_

#include <string>
#include <vector>

#include "absl/strings/str_cat.h"
#include "absl/strings/str_join.h"
#include "sim/qnn/sim_record_words.h"

namespace vantro::sim::internal {

// Longer lists are cut: a missing terminator must not run the log away.
inline constexpr int kMaxListEntries = 64;

// A null-terminated list as "[record, record]", or "null".
template <typename T, typename F>
std::string ListText(const T* const* list, F&& record_text) {
  if (list == nullptr) return "null";
  std::vector<std::string> parts;
  for (int i = 0; list[i] != nullptr; ++i) {
    if (i == kMaxListEntries) {
      parts.push_back("...");
      break;
    }
    parts.push_back(record_text(*list[i]));
  }
  return absl::StrCat("[", absl::StrJoin(parts, ", "), "]");
}

// Each decodes a non-null custom record as "<kind>={...}" (the forms are in
// sim_qnn_calls.md).
std::string HtpDeviceCustomText(const void* record);   // QnnHtpDevice_CustomConfig_t
std::string HtpContextCustomText(const void* record);  // QnnHtpContext_CustomConfig_t
std::string HtpGraphCustomText(const void* record);    // QnnHtpGraph_CustomConfig_t
std::string DspBackendCustomText(const void* record);  // QnnDspBackend_CustomConfig_t
std::string DspGraphCustomText(const void* record);    // QnnDspGraph_CustomConfig_t
std::string LpaiBackendCustomText(const void* record);  // QnnLpaiBackend_CustomConfig_t
std::string LpaiGraphCustomText(const void* record);    // QnnLpaiGraph_CustomConfig_t

}  // namespace vantro::sim::internal

#endif  // VANTRO_SIM_QNN_SIM_CONFIG_RECORDS_H_
