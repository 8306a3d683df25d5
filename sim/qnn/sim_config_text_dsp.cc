// Call-log texts of the DSP backend's records: its custom backend and graph
// configs and its power configs. This translation unit holds the DSP
// header group.
#include <cstdint>
#include <string>

#include "DSP/QnnDspBackend.h"
#include "DSP/QnnDspCommon.h"
#include "DSP/QnnDspGraph.h"
#include "DSP/QnnDspPerfInfrastructure.h"
#include "absl/strings/str_format.h"
#include "sim/qnn/sim_backend_ids.h"
#include "sim/qnn/sim_config_records.h"
#include "sim/qnn/sim_config_text.h"

namespace vantro::sim::internal {

static_assert(kDspBackendId == QNN_BACKEND_ID_DSP, "the DSP provider's backend id");

std::string DspBackendCustomText(const void* custom) {
  const auto* record = static_cast<const QnnDspBackend_CustomConfig_t*>(custom);
  const uint32_t option = Word32(&record->option);
  std::string value;
  switch (option) {
    case QNN_DSP_BACKEND_CONFIG_OPTION_FOLD_RELU_ACTIVATION_INTO_CONV_OFF:
      value = absl::StrFormat("fold_relu_off=%u",
                              FirstByte(&record->foldReluActivationIntoConvOff));
      break;
    case QNN_DSP_BACKEND_CONFIG_OPTION_SHORT_DEPTH_CONV_ON_HMX_OFF:
      value = absl::StrFormat("short_depth_conv_on_hmx_off=%u",
                              FirstByte(&record->shortDepthConvOnHmxOff));
      break;
    case QNN_DSP_BACKEND_CONFIG_OPTION_USE_SIGNED_PROCESS_DOMAIN:
      value = absl::StrFormat("use_signed_process_domain=%u",
                              FirstByte(&record->useSignedProcessDomain));
      break;
    case QNN_DSP_BACKEND_CONFIG_OPTION_ARCH:
      value = absl::StrFormat("arch=%u", Word32(&record->arch));
      break;
    default:
      value = absl::StrFormat("first_word=%u", Word32(&record->arch));
      break;
  }
  return absl::StrFormat("dsp={option=%u %s}", option, value);
}

// The record's three words whatever the option: the option, the value word
// (the encoding for option 2) and the word after it, which only the
// optimisation option uses.
std::string DspGraphCustomText(const void* custom) {
  const auto* record = static_cast<const QnnDspGraph_CustomConfig_t*>(custom);
  return absl::StrFormat("dsp={option=%u encoding=%u reserved=%u}", Word32(&record->option),
                         Word32(&record->optimizationOption.type),
                         Word32(&record->optimizationOption.floatValue));
}

// Every DSP power config is an option and one word.
std::string DspPowerConfigsText(const QnnDspPerfInfrastructure_PowerConfig_t* const* configs) {
  return ListText(configs, [](const QnnDspPerfInfrastructure_PowerConfig_t& config) {
    return absl::StrFormat("{option=%u value=%u}", Word32(&config.config),
                           Word32(&config.dcvsEnableConfig));
  });
}

}  // namespace vantro::sim::internal
