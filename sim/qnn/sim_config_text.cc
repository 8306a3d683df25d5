// Text forms of configuration lists for the call log: the lists and the
// core's records, the GPU and IR custom records, and the dispatch of other
// custom records to their backend's decoder (sim_config_records.h).
#include "sim/qnn/sim_config_text.h"

#include <cstdint>
#include <string>
#include <vector>

#include "GPU/QnnGpuGraph.h"
#include "IR/QnnIrGraph.h"
#include "absl/strings/str_cat.h"
#include "absl/strings/str_format.h"
#include "absl/strings/str_join.h"
#include "sim/qnn/sim_config_records.h"
#include "sim/qnn/sim_internal.h"

namespace vantro::sim::internal {
namespace {

// Each config record is an option word and an 8-byte value union, whose
// word is shown for options without a form of their own.
static_assert(sizeof(QnnBackend_Config_t) >= 16 && sizeof(QnnDevice_Config_t) >= 16 &&
                  sizeof(QnnContext_Config_t) >= 16 && sizeof(QnnGraph_Config_t) >= 16 &&
                  sizeof(QnnSaver_Config_t) >= 16,
              "an option word, then a value union of at least 8 bytes");

using Decoder = std::string (*)(const void*);

std::string CustomText(const void* custom, Decoder decode) {
  if (custom == nullptr) return "custom=null";
  if (decode == nullptr) return absl::StrCat("custom=", FormatHandle(custom));
  return decode(custom);
}

std::string GpuGraphText(const void* custom) {
  const auto* record = static_cast<const QnnGpuGraph_CustomConfig_t*>(custom);
  return absl::StrFormat(
      "gpu={precision=%u disable_memory_optimizations=%u disable_node_optimizations=%u "
      "disable_queue_recording=%u}",
      Word32(&record->precision), record->disableMemoryOptimizations,
      record->disableNodeOptimizations, record->disableQueueRecording);
}

// Only the serialisation option is known; its output path is read for it
// alone.
std::string IrGraphText(const void* custom) {
  const auto* record = static_cast<const QnnIrGraph_CustomConfig_t*>(custom);
  const uint32_t option = Word32(&record->option);
  if (option != QNN_IR_GRAPH_CONFIG_OPTION_SERIALIZATION) {
    return absl::StrFormat("ir={option=%u first_word=%u}", option,
                           Word32(&record->serializationOption));
  }
  const QnnIrGraph_SerializationOption_t& serialization = record->serializationOption;
  return absl::StrFormat("ir={option=%u serialization_type=%u output_path=%s}", option,
                         Word32(&serialization.serializationType),
                         FormatText(serialization.outputPath));
}

}  // namespace

std::string PlatformInfoText(const QnnDevice_PlatformInfo_t* info) {
  if (info == nullptr) return "null";
  const QnnDevice_PlatformInfoV1_t& v1 = info->v1;
  std::string devices = "null";
  if (v1.hwDevices != nullptr) {
    std::vector<std::string> parts;
    for (uint32_t i = 0; i < v1.numHwDevices && i < kMaxListEntries; ++i) {
      const QnnDevice_HardwareDeviceInfo_t& device = v1.hwDevices[i];
      parts.push_back(absl::StrFormat("{version=%u device_id=%u device_type=%u num_cores=%u}",
                                      Word32(&device.version), device.v1.deviceId,
                                      device.v1.deviceType, device.v1.numCores));
    }
    devices = absl::StrCat("[", absl::StrJoin(parts, ", "), "]");
  }
  return absl::StrFormat("{version=%u num_hw_devices=%u hw_devices=%s}", Word32(&info->version),
                         v1.numHwDevices, devices);
}

std::string BackendConfigsText(Library library, const QnnBackend_Config_t* const* configs) {
  return ListText(configs, [library](const QnnBackend_Config_t& config) {
    const uint32_t option = Word32(&config.option);
    if (option != QNN_BACKEND_CONFIG_OPTION_CUSTOM) {
      return absl::StrFormat("{option=%u value=%u}", option, Word64(&config.customConfig));
    }
    Decoder decode = nullptr;
    if (library == Library::kDsp) decode = &DspBackendCustomText;
    if (library == Library::kLpai) decode = &LpaiBackendCustomText;
    return absl::StrFormat("{option=%u %s}", option, CustomText(config.customConfig, decode));
  });
}

std::string DeviceConfigsText(Library library, const QnnDevice_Config_t* const* configs) {
  return ListText(configs, [library](const QnnDevice_Config_t& config) {
    const uint32_t option = Word32(&config.option);
    if (option == QNN_DEVICE_CONFIG_OPTION_PLATFORM_INFO) {
      return absl::StrFormat("{option=%u platform_info=%s}", option,
                             PlatformInfoText(config.hardwareInfo));
    }
    if (option != QNN_DEVICE_CONFIG_OPTION_CUSTOM) {
      return absl::StrFormat("{option=%u value=%u}", option, Word64(&config.customConfig));
    }
    // Only the HTP backend creates devices with custom records; the saver
    // stands in for it then.
    const bool htp = library == Library::kHtp || library == Library::kSaver;
    return absl::StrFormat("{option=%u %s}", option,
                           CustomText(config.customConfig, htp ? &HtpDeviceCustomText : nullptr));
  });
}

std::string GraphConfigsText(Library library, const QnnGraph_Config_t* const* configs) {
  return ListText(configs, [library](const QnnGraph_Config_t& config) {
    const uint32_t option = Word32(&config.option);
    if (option == QNN_GRAPH_CONFIG_OPTION_PRIORITY) {
      return absl::StrFormat("{option=%u priority=%u}", option, Word32(&config.priority));
    }
    if (option != QNN_GRAPH_CONFIG_OPTION_CUSTOM) {
      return absl::StrFormat("{option=%u value=%u}", option, Word64(&config.customConfig));
    }
    Decoder decode = nullptr;
    switch (library) {
      case Library::kHtp:
        decode = &HtpGraphCustomText;
        break;
      case Library::kDsp:
        decode = &DspGraphCustomText;
        break;
      case Library::kGpu:
        decode = &GpuGraphText;
        break;
      case Library::kIr:
        decode = &IrGraphText;
        break;
      case Library::kLpai:
        decode = &LpaiGraphCustomText;
        break;
      case Library::kSaver:  // stands in for any backend: its records are not known
      case Library::kSystem:
        break;
    }
    return absl::StrFormat("{option=%u %s}", option, CustomText(config.customConfig, decode));
  });
}

std::string ContextConfigsText(const QnnContext_Config_t* const* configs) {
  return ListText(configs, [](const QnnContext_Config_t& config) {
    const uint32_t option = Word32(&config.option);
    if (option == QNN_CONTEXT_CONFIG_OPTION_PRIORITY) {
      return absl::StrFormat("{option=%u priority=%u}", option, Word32(&config.priority));
    }
    if (option != QNN_CONTEXT_CONFIG_OPTION_CUSTOM) {
      return absl::StrFormat("{option=%u value=%u}", option, Word64(&config.customConfig));
    }
    // The only context custom records are the HTP backend's.
    return absl::StrFormat("{option=%u %s}", option,
                           CustomText(config.customConfig, &HtpContextCustomText));
  });
}

// Each option is read through its own member: a flag is one byte, so the
// rest of the union may hold anything.
std::string SaverConfigsText(const QnnSaver_Config_t* const* configs) {
  return ListText(configs, [](const QnnSaver_Config_t& config) {
    const uint32_t option = Word32(&config.option);
    switch (option) {
      case QNN_SAVER_CONFIG_OPTION_OUTPUT_DIRECTORY:
        return absl::StrFormat("{option=%u output_directory=%s}", option,
                               FormatText(config.outputDirectory));
      case QNN_SAVER_CONFIG_OPTION_APPEND_TIMESTAMP:
        return absl::StrFormat("{option=%u append_timestamp=%u}", option,
                               FirstByte(&config.appendTimestamp));
      case QNN_SAVER_CONFIG_OPTION_BACKEND_ID:
        return absl::StrFormat("{option=%u backend_id=%u}", option, config.backendId);
      case QNN_SAVER_CONFIG_OPTION_FILE_CONFIG:
        return absl::StrFormat("{option=%u file_config={model_file_name=%s data_file_name=%s}}",
                               option, FormatText(config.fileConfig.modelFileName),
                               FormatText(config.fileConfig.dataFileName));
      case QNN_SAVER_CONFIG_WRITE_OUTPUT_HEADER:
        return absl::StrFormat("{option=%u write_output_header=%u}", option,
                               FirstByte(&config.writeOutputHeader));
      case QNN_SAVER_CONFIG_WRITE_OUTPUT_FOOTER:
        return absl::StrFormat("{option=%u write_output_footer=%u}", option,
                               FirstByte(&config.writeOutputFooter));
      default:
        return absl::StrFormat("{option=%u value=%u}", option, Word64(&config.outputDirectory));
    }
  });
}

}  // namespace vantro::sim::internal
