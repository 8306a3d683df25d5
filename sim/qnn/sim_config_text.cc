// Text forms of configuration lists for the call log. Bool fields are read
// as their first byte: the plug-in may leave the rest of a record at QNN's
// initial value, and a bool load of such a byte would be undefined.
#include "sim/qnn/sim_config_text.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "absl/strings/str_cat.h"
#include "absl/strings/str_format.h"
#include "absl/strings/str_join.h"
#include "sim/qnn/sim_internal.h"

namespace vantro::sim::internal {
namespace {

// Longer lists are cut: a missing terminator must not run the log away.
constexpr int kMaxListEntries = 64;

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

unsigned FirstByte(const void* field) {
  uint8_t byte = 0;
  std::memcpy(&byte, field, 1);
  return byte;
}

bool IsHtpLike(Library library) { return library == Library::kHtp; }

std::string DspBackendText(const void* custom) {
  const auto* record = static_cast<const QnnDspBackendCustomConfig*>(custom);
  return absl::StrFormat("dsp={option=%u use_signed_process_domain=%u}", record->option,
                         record->use_signed_process_domain);
}

std::string LpaiBackendText(const void* custom) {
  const auto* record = static_cast<const QnnLpaiBackendCustomConfig*>(custom);
  std::string target = "null";
  if (record->target != nullptr) {
    target = absl::StrFormat("{target=%u hardware_version=%u}", record->target->target,
                             record->target->hardware_version);
  }
  return absl::StrFormat("lpai={option=%u target=%s}", record->option, target);
}

std::string HtpDeviceText(const void* custom) {
  const auto* record = static_cast<const QnnHtpDeviceCustomConfig*>(custom);
  return absl::StrFormat("htp={option=%u device_id=%u use_signed_process_domain=%u}",
                         record->option, record->device_id,
                         FirstByte(&record->use_signed_process_domain));
}

std::string HtpGraphText(const void* custom) {
  const auto* record = static_cast<const QnnHtpGraphCustomConfig*>(custom);
  std::string value;
  switch (record->option) {
    case QNN_HTP_GRAPH_CONFIG_OPTION_OPTIMIZATION:
      value = absl::StrFormat("optimization={type=%u value=%g}", record->optimization.type,
                              record->optimization.value);
      break;
    case QNN_HTP_GRAPH_CONFIG_OPTION_VTCM_SIZE:
      value = absl::StrFormat("vtcm_size_mb=%u", record->vtcm_size_mb);
      break;
    case QNN_HTP_GRAPH_CONFIG_OPTION_FOLD_RELU_OFF:
      value = absl::StrFormat("fold_relu_off=%u", FirstByte(&record->fold_relu_off));
      break;
    case QNN_HTP_GRAPH_CONFIG_OPTION_SHORT_DEPTH_CONV_ON_HMX_OFF:
      value = absl::StrFormat("short_depth_conv_on_hmx_off=%u",
                              FirstByte(&record->short_depth_conv_on_hmx_off));
      break;
    case QNN_HTP_GRAPH_CONFIG_OPTION_NUM_HVX_THREADS:
      value = absl::StrFormat("num_hvx_threads=%u", record->num_hvx_threads);
      break;
    case QNN_HTP_GRAPH_CONFIG_OPTION_FINALIZE_CONFIG:
      value = absl::StrFormat("finalize={name=%s data_type=%u value=%d}",
                              FormatText(record->finalize.name),
                              record->finalize.value.data_type,
                              record->finalize.value.int32_value);
      break;
    default:
      value = absl::StrFormat("first_word=%u", record->first_word);
      break;
  }
  return absl::StrFormat("htp={option=%u %s}", record->option, value);
}

std::string DspGraphText(const void* custom) {
  const auto* record = static_cast<const QnnDspGraphCustomConfig*>(custom);
  return absl::StrFormat("dsp={option=%u encoding=%u reserved=%u}", record->option,
                         record->encoding, record->reserved);
}

std::string GpuGraphText(const void* custom) {
  const auto* record = static_cast<const QnnGpuGraphCustomConfig*>(custom);
  return absl::StrFormat(
      "gpu={precision=%u disable_memory_optimizations=%u disable_node_optimizations=%u "
      "disable_queue_recording=%u}",
      record->precision, record->disable_memory_optimizations,
      record->disable_node_optimizations, record->disable_queue_recording);
}

std::string IrGraphText(const void* custom) {
  const auto* record = static_cast<const QnnIrGraphCustomConfig*>(custom);
  return absl::StrFormat("ir={option=%u serialization_type=%u output_path=%s}", record->option,
                         record->serialization_type, FormatText(record->output_path));
}

std::string LpaiGraphText(const void* custom) {
  const auto* record = static_cast<const QnnLpaiGraphCustomConfig*>(custom);
  std::string value;
  if (record->value == nullptr) {
    value = "value=null";
  } else if (record->option == QNN_LPAI_GRAPH_CONFIG_OPTION_PERFORMANCE) {
    const auto* performance = static_cast<const QnnLpaiPerformanceRecord*>(record->value);
    value = absl::StrFormat("performance={fps=%u ftrt_ratio=%u client_type=%u}",
                            performance->fps, performance->ftrt_ratio,
                            performance->client_type);
  } else if (record->option == QNN_LPAI_GRAPH_CONFIG_OPTION_CORE) {
    const auto* core = static_cast<const QnnLpaiCoreRecord*>(record->value);
    value = absl::StrFormat("core={affinity=%u core_selection=%u}", core->affinity,
                            core->core_selection);
  } else if (record->option == QNN_LPAI_GRAPH_CONFIG_OPTION_TEXT) {
    const auto* text = static_cast<const QnnLpaiTextRecord*>(record->value);
    value = absl::StrFormat("text={word=%u text=%s}", text->word, FormatText(text->text));
  } else {
    value = absl::StrCat("value=", FormatHandle(record->value));
  }
  return absl::StrFormat("lpai={option=%u %s}", record->option, value);
}

std::string CustomText(const void* custom, std::string (*decode)(const void*)) {
  if (custom == nullptr) return "custom=null";
  if (decode == nullptr) return absl::StrCat("custom=", FormatHandle(custom));
  return decode(custom);
}

}  // namespace

std::string PlatformInfoText(const QnnDevicePlatformInfo* info) {
  if (info == nullptr) return "null";
  std::string devices = "null";
  if (info->hw_devices != nullptr) {
    std::vector<std::string> parts;
    for (uint32_t i = 0; i < info->num_hw_devices && i < kMaxListEntries; ++i) {
      const QnnDeviceHardwareInfo& device = info->hw_devices[i];
      parts.push_back(absl::StrFormat("{version=%u device_id=%u device_type=%u num_cores=%u}",
                                      device.version, device.device_id, device.device_type,
                                      device.num_cores));
    }
    devices = absl::StrCat("[", absl::StrJoin(parts, ", "), "]");
  }
  return absl::StrFormat("{version=%u num_hw_devices=%u hw_devices=%s}", info->version,
                         info->num_hw_devices, devices);
}

std::string BackendConfigsText(Library library, const QnnBackendConfig* const* configs) {
  return ListText(configs, [library](const QnnBackendConfig& config) {
    if (config.option != QNN_BACKEND_CONFIG_OPTION_CUSTOM) {
      return absl::StrFormat("{option=%u value=%u}", config.option, config.value);
    }
    std::string (*decode)(const void*) = nullptr;
    if (library == Library::kDsp) decode = &DspBackendText;
    if (library == Library::kLpai) decode = &LpaiBackendText;
    return absl::StrFormat("{option=%u %s}", config.option, CustomText(config.custom, decode));
  });
}

std::string DeviceConfigsText(Library library, const QnnDeviceConfig* const* configs) {
  return ListText(configs, [library](const QnnDeviceConfig& config) {
    if (config.option == QNN_DEVICE_CONFIG_OPTION_PLATFORM_INFO) {
      return absl::StrFormat("{option=%u platform_info=%s}", config.option,
                             PlatformInfoText(config.platform_info));
    }
    if (config.option != QNN_DEVICE_CONFIG_OPTION_CUSTOM) {
      return absl::StrFormat("{option=%u value=%u}", config.option, config.value);
    }
    // Only the HTP backend creates devices with custom records; the saver
    // stands in for it then.
    const bool htp = IsHtpLike(library) || library == Library::kSaver;
    return absl::StrFormat("{option=%u %s}", config.option,
                           CustomText(config.custom, htp ? &HtpDeviceText : nullptr));
  });
}

std::string GraphConfigsText(Library library, const QnnGraphConfig* const* configs) {
  return ListText(configs, [library](const QnnGraphConfig& config) {
    if (config.option == QNN_GRAPH_CONFIG_OPTION_PRIORITY) {
      return absl::StrFormat("{option=%u priority=%u}", config.option, config.priority);
    }
    if (config.option != QNN_GRAPH_CONFIG_OPTION_CUSTOM) {
      return absl::StrFormat("{option=%u value=%u}", config.option, config.value);
    }
    std::string (*decode)(const void*) = nullptr;
    switch (library) {
      case Library::kHtp:
        decode = &HtpGraphText;
        break;
      case Library::kDsp:
        decode = &DspGraphText;
        break;
      case Library::kGpu:
        decode = &GpuGraphText;
        break;
      case Library::kIr:
        decode = &IrGraphText;
        break;
      case Library::kLpai:
        decode = &LpaiGraphText;
        break;
      case Library::kSaver:  // stands in for any backend: its records are not known
      case Library::kSystem:
        break;
    }
    return absl::StrFormat("{option=%u %s}", config.option, CustomText(config.custom, decode));
  });
}

std::string HtpPowerConfigsText(const QnnHtpPowerConfig* const* configs) {
  return ListText(configs, [](const QnnHtpPowerConfig& config) {
    switch (config.option) {
      case QNN_HTP_POWER_CONFIG_OPTION_DCVS_V3: {
        const QnnHtpDcvsV3& d = config.dcvs_v3;
        return absl::StrFormat(
            "{option=%u dcvs_v3={context_id=%u set_dcvs_enable=%u dcvs_enable=%u "
            "power_mode=%u set_sleep_latency=%u sleep_latency=%u set_sleep_disable=%u "
            "sleep_disable=%u set_bus_params=%u bus_voltage_corner_min=%u "
            "bus_voltage_corner_target=%u bus_voltage_corner_max=%u set_core_params=%u "
            "core_voltage_corner_min=%u core_voltage_corner_target=%u "
            "core_voltage_corner_max=%u}}",
            config.option, d.context_id, d.set_dcvs_enable, d.dcvs_enable, d.power_mode,
            d.set_sleep_latency, d.sleep_latency, d.set_sleep_disable, d.sleep_disable,
            d.set_bus_params, d.bus_voltage_corner_min, d.bus_voltage_corner_target,
            d.bus_voltage_corner_max, d.set_core_params, d.core_voltage_corner_min,
            d.core_voltage_corner_target, d.core_voltage_corner_max);
      }
      case QNN_HTP_POWER_CONFIG_OPTION_RPC_CONTROL_LATENCY:
        return absl::StrFormat("{option=%u rpc_control_latency=%u}", config.option,
                               config.rpc_control_latency);
      case QNN_HTP_POWER_CONFIG_OPTION_RPC_POLLING_TIME:
        return absl::StrFormat("{option=%u rpc_polling_time=%u}", config.option,
                               config.rpc_polling_time);
      default:
        return absl::StrFormat("{option=%u first_word=%u}", config.option,
                               config.rpc_control_latency);
    }
  });
}

std::string DspPowerConfigsText(const QnnDspPowerConfig* const* configs) {
  return ListText(configs, [](const QnnDspPowerConfig& config) {
    return absl::StrFormat("{option=%u value=%u}", config.option, config.value);
  });
}

std::string SaverConfigsText(const QnnSaverConfig* const* configs) {
  return ListText(configs, [](const QnnSaverConfig& config) {
    return absl::StrFormat("{option=%u output_directory=%s}", config.option,
                           FormatText(config.output_directory));
  });
}

}  // namespace vantro::sim::internal
