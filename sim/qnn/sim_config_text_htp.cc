// Call-log texts of the HTP backend's records: its custom device, context
// and graph configs and its power configs. This translation unit holds the
// HTP header group.
#include <cstdint>
#include <string>

#include "HTP/QnnHtpCommon.h"
#include "HTP/QnnHtpContext.h"
#include "HTP/QnnHtpDevice.h"
#include "HTP/QnnHtpGraph.h"
#include "HTP/QnnHtpPerfInfrastructure.h"
#include "absl/strings/str_cat.h"
#include "absl/strings/str_format.h"
#include "sim/qnn/sim_backend_ids.h"
#include "sim/qnn/sim_config_records.h"
#include "sim/qnn/sim_config_text.h"
#include "sim/qnn/sim_internal.h"

namespace vantro::sim::internal {

static_assert(kHtpBackendId == QNN_BACKEND_ID_HTP, "the HTP provider's backend id");

// Every option is shown as the signed-PD record: the others keep their
// words in the same places (a device id, then a second word).
std::string HtpDeviceCustomText(const void* custom) {
  const auto* record = static_cast<const QnnHtpDevice_CustomConfig_t*>(custom);
  const QnnHtpDevice_UseSignedProcessDomain_t& pd = record->useSignedProcessDomain;
  return absl::StrFormat("htp={option=%u device_id=%u use_signed_process_domain=%u}",
                         Word32(&record->option), pd.deviceId,
                         FirstByte(&pd.useSignedProcessDomain));
}

std::string HtpContextCustomText(const void* custom) {
  const auto* record = static_cast<const QnnHtpContext_CustomConfig_t*>(custom);
  const uint32_t option = Word32(&record->option);
  std::string value;
  switch (option) {
    case QNN_HTP_CONTEXT_CONFIG_OPTION_FILE_READ_MEMORY_BUDGET:
      value = absl::StrCat("file_read_memory_budget_mb=", record->fileReadMemoryBudgetInMb);
      break;
    case QNN_HTP_CONTEXT_CONFIG_OPTION_INIT_ACCELERATION:
      value = absl::StrCat("init_acceleration=", FirstByte(&record->initAcceleration));
      break;
    default:
      value = absl::StrCat("first_word=", Word32(&record->fileReadMemoryBudgetInMb));
      break;
  }
  return absl::StrCat("htp={option=", option, " ", value, "}");
}

std::string HtpGraphCustomText(const void* custom) {
  const auto* record = static_cast<const QnnHtpGraph_CustomConfig_t*>(custom);
  const uint32_t option = Word32(&record->option);
  std::string value;
  switch (option) {
    case QNN_HTP_GRAPH_CONFIG_OPTION_OPTIMIZATION:
      value = absl::StrFormat("optimization={type=%u value=%g}",
                              Word32(&record->optimizationOption.type),
                              record->optimizationOption.floatValue);
      break;
    case QNN_HTP_GRAPH_CONFIG_OPTION_VTCM_SIZE_IN_MB:
      value = absl::StrFormat("vtcm_size_mb=%u", record->vtcmSizeInMB);
      break;
    case QNN_HTP_GRAPH_CONFIG_OPTION_FOLD_RELU_ACTIVATION_INTO_CONV_OFF:
      value = absl::StrFormat("fold_relu_off=%u",
                              FirstByte(&record->foldReluActivationIntoConvOff));
      break;
    case QNN_HTP_GRAPH_CONFIG_OPTION_SHORT_DEPTH_CONV_ON_HMX_OFF:
      value = absl::StrFormat("short_depth_conv_on_hmx_off=%u",
                              FirstByte(&record->shortDepthConvOnHmxOff));
      break;
    case QNN_HTP_GRAPH_CONFIG_OPTION_NUM_HVX_THREADS:
      value = absl::StrFormat("num_hvx_threads=%u", record->numHvxThreads);
      break;
    case QNN_HTP_GRAPH_CONFIG_OPTION_FINALIZE_CONFIG: {
      const QnnHtpGraph_FinalizeConfig_t& finalize = record->finalizeConfig;
      value = absl::StrFormat("finalize={name=%s data_type=%u value=%d}",
                              FormatText(finalize.key), Word32(&finalize.value.dataType),
                              finalize.value.int32Value);
      break;
    }
    default:
      value = absl::StrFormat("first_word=%u", Word32(&record->optimizationOption));
      break;
  }
  return absl::StrFormat("htp={option=%u %s}", option, value);
}

std::string HtpPowerConfigsText(const QnnHtpPerfInfrastructure_PowerConfig_t* const* configs) {
  return ListText(configs, [](const QnnHtpPerfInfrastructure_PowerConfig_t& config) {
    const uint32_t option = Word32(&config.option);
    switch (option) {
      case QNN_HTP_PERF_INFRASTRUCTURE_POWER_CONFIGOPTION_DCVS_V3: {
        const QnnHtpPerfInfrastructure_DcvsV3_t& d = config.dcvsV3Config;
        return absl::StrFormat(
            "{option=%u dcvs_v3={context_id=%u set_dcvs_enable=%u dcvs_enable=%u "
            "power_mode=%u set_sleep_latency=%u sleep_latency=%u set_sleep_disable=%u "
            "sleep_disable=%u set_bus_params=%u bus_voltage_corner_min=%u "
            "bus_voltage_corner_target=%u bus_voltage_corner_max=%u set_core_params=%u "
            "core_voltage_corner_min=%u core_voltage_corner_target=%u "
            "core_voltage_corner_max=%u}}",
            option, d.contextId, d.setDcvsEnable, d.dcvsEnable, Word32(&d.powerMode),
            d.setSleepLatency, d.sleepLatency, d.setSleepDisable, d.sleepDisable,
            d.setBusParams, Word32(&d.busVoltageCornerMin), Word32(&d.busVoltageCornerTarget),
            Word32(&d.busVoltageCornerMax), d.setCoreParams, Word32(&d.coreVoltageCornerMin),
            Word32(&d.coreVoltageCornerTarget), Word32(&d.coreVoltageCornerMax));
      }
      case QNN_HTP_PERF_INFRASTRUCTURE_POWER_CONFIGOPTION_RPC_CONTROL_LATENCY:
        return absl::StrFormat("{option=%u rpc_control_latency=%u}", option,
                               config.rpcControlLatencyConfig);
      case QNN_HTP_PERF_INFRASTRUCTURE_POWER_CONFIGOPTION_RPC_POLLING_TIME:
        return absl::StrFormat("{option=%u rpc_polling_time=%u}", option,
                               config.rpcPollingTimeConfig);
      default:
        return absl::StrFormat("{option=%u first_word=%u}", option,
                               Word32(&config.dcvsV3Config));
    }
  });
}

}  // namespace vantro::sim::internal
