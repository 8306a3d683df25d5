#include "vendors/qualcomm/backends/qnn_options.h"

#include <cstddef>

#include "absl/strings/str_cat.h"
#include "absl/strings/str_format.h"
#include "absl/strings/str_join.h"
#include "absl/strings/str_replace.h"

namespace qnn {
namespace {

// Printed names, indexed by enumerator value.
constexpr const char* kLogLevelNames[] = {"Off", "Error", "Warn", "Info", "Verbose", "Debug"};
constexpr const char* kBackendTypeNames[] = {"Undefined", "Gpu", "Htp", "Dsp", "Ir", "Lpai"};
constexpr const char* kProfilingNames[] = {"Off", "Basic", "Detailed", "Linting", "Optrace"};
constexpr const char* kOpNameFormatNames[] = {"Basic", "Detailed"};
constexpr const char* kPerformanceModeNames[] = {"Default",        "SustainedHighPerformance",
                                                 "Burst",          "HighPerformance",
                                                 "PowerSaver",     "LowPowerSaver",
                                                 "HighPowerSaver", "LowBalanced",
                                                 "Balanced",       "ExtremePowerSaver"};
constexpr const char* kPerfCtrlModeNames[] = {"Manual", "Auto"};
constexpr const char* kPdSessionNames[] = {"Unsigned", "Signed", "Adaptive"};
constexpr const char* kOptimizationLevelNames[] = {
    "HtpOptimizeForInference", "HtpOptimizeForPrepare", "HtpOptimizeForInferenceO3"};
constexpr const char* kGraphPriorityNames[] = {"Default", "Low", "Normal", "NormalHigh", "High"};
constexpr const char* kGraphIOTensorMemTypeNames[] = {"Raw", "MemHandle"};
constexpr const char* kDspEncodingNames[] = {"Static", "Dynamic"};
constexpr const char* kGpuPerformanceModeNames[] = {"Default", "High", "Normal", "Low"};
constexpr const char* kGpuPrecisionNames[] = {"UserProvided", "Fp32", "Fp16", "Hybrid"};
constexpr const char* kLpaiClientPerfTypeNames[] = {"Default", "RealTime", "NonRealTime"};
constexpr const char* kLpaiCoreAffinityTypeNames[] = {"Default", "Soft", "Hard"};

// "<name>(<value>)", with "Unknown" for a value outside the first `count`
// names.
template <typename Enum>
std::string EnumText(Enum value, const char* const* names, size_t count) {
  const int32_t number = static_cast<int32_t>(value);
  const char* name =
      (number >= 0 && static_cast<size_t>(number) < count) ? names[number] : "Unknown";
  return absl::StrFormat("%s(%d)", name, number);
}

template <typename Enum, size_t N>
std::string EnumText(Enum value, const char* const (&names)[N]) {
  return EnumText(value, names, N);
}

// LpaiTarget has no Unknown: anything but Arm, Adsp and Tensilica is X86.
std::string LpaiTargetText(LpaiTarget value) {
  const int32_t number = static_cast<int32_t>(value);
  const char* name = "X86";
  if (number == 1) name = "Arm";
  if (number == 2) name = "Adsp";
  if (number == 3) name = "Tensilica";
  return absl::StrFormat("%s(%d)", name, number);
}

const char* BoolText(bool value) { return value ? "true" : "false"; }

// Appends one row: indent, the label left-aligned in `width` columns, " : ",
// the value.
void AppendRow(std::string* out, absl::string_view label, absl::string_view value, int indent = 2,
               int width = 24) {
  absl::StrAppendFormat(out, "%*s%-*s : %s\n", indent, "", width, label, value);
}

void AppendNestedRow(std::string* out, absl::string_view label, absl::string_view value) {
  AppendRow(out, label, value, 4, 22);
}

}  // namespace

void Options::SetCustomOpPackage(absl::string_view name, absl::string_view interface_provider,
                                 absl::string_view compile_package_path,
                                 absl::string_view dispatch_package_path,
                                 absl::string_view target) {
  custom_op_package_.name.assign(name.data(), name.size());
  custom_op_package_.interface_provider.assign(interface_provider.data(),
                                               interface_provider.size());
  custom_op_package_.compile_package_path.assign(compile_package_path.data(),
                                                 compile_package_path.size());
  custom_op_package_.dispatch_package_path.assign(dispatch_package_path.data(),
                                                  dispatch_package_path.size());
  custom_op_package_.target.assign(target.data(), target.size());
}

std::string Options::Dump() const {
  constexpr absl::string_view kRule = "+------------------------------------------+\n";
  std::string out =
      absl::StrCat("\n", kRule, "|              ::qnn::Options              |\n", kRule);

  out += "[GENERAL]\n";
  AppendRow(&out, "LogLevel", EnumText(log_level_, kLogLevelNames));
  AppendRow(&out, "BackendType", EnumText(backend_type_, kBackendTypeNames));
  AppendRow(&out, "Profiling", EnumText(profiling_, kProfilingNames));
  AppendRow(&out, "QnnLibDir", qnn_lib_dir_);
  AppendRow(&out, "DspSkelDir", dsp_skel_dir_);
  AppendRow(&out, "UseInt64BiasAsInt32", BoolText(use_int64_bias_as_int32_));
  AppendRow(&out, "OpNameFormat", EnumText(op_name_format_, kOpNameFormatNames));
  AppendRow(&out, "EnableWeightSharing", BoolText(enable_weight_sharing_));
  AppendRow(&out, "EnableJustInTime", BoolText(enable_just_in_time_));
  AppendRow(&out, "GraphPriority", EnumText(graph_priority_, kGraphPriorityNames));
  AppendRow(&out, "GraphIOTensorMemType",
            EnumText(graph_io_tensor_mem_type_, kGraphIOTensorMemTypeNames));
  AppendRow(&out, "CustomOpPackage", "");
  AppendNestedRow(&out, "name", custom_op_package_.name);
  AppendNestedRow(&out, "interface_provider", custom_op_package_.interface_provider);
  AppendNestedRow(&out, "compile_package_path", custom_op_package_.compile_package_path);
  AppendNestedRow(&out, "dispatch_package_path", custom_op_package_.dispatch_package_path);
  AppendNestedRow(&out, "target", custom_op_package_.target);
  AppendNestedRow(&out, "GraphTransform", graph_transform_);

  out += "[HTP]\n";
  AppendRow(&out, "UseConvHMX", BoolText(use_conv_hmx_));
  AppendRow(&out, "UseFoldReLU", BoolText(use_fold_relu_));
  AppendRow(&out, "HtpDlbc", BoolText(htp_dlbc_));
  AppendRow(&out, "HtpDlbcWeights", BoolText(htp_dlbc_weights_));
  AppendRow(&out, "HtpPPoint", absl::StrCat(htp_p_point_));
  AppendRow(&out, "HtpWeightSharingChannelTileSize",
            absl::StrCat(htp_weight_sharing_channel_tile_size_));
  AppendRow(&out, "HtpPerformanceMode", EnumText(htp_performance_mode_, kPerformanceModeNames));
  AppendRow(&out, "HtpPerfCtrlMode", EnumText(htp_perf_ctrl_mode_, kPerfCtrlModeNames));
  AppendRow(&out, "HtpPdSession", EnumText(htp_pd_session_, kPdSessionNames));
  AppendRow(&out, "VtcmSize", absl::StrCat(vtcm_size_));
  AppendRow(&out, "HtpDeviceId", absl::StrCat(htp_device_id_));
  AppendRow(&out, "HtpContextInitAcceleration", BoolText(htp_context_init_acceleration_));
  AppendRow(&out, "NumHvxThreads", absl::StrCat(num_hvx_threads_));
  AppendRow(&out, "HtpFileReadMemoryBudgetMB", absl::StrCat(htp_file_read_memory_budget_mb_));
  AppendRow(&out, "OptimizationLevel", EnumText(optimization_level_, kOptimizationLevelNames));

  out += "[IR]\n";
  AppendRow(&out, "IrJsonDir", ir_json_dir_);
  AppendRow(&out, "DlcDir", dlc_dir_);

  out += "[SAVER]\n";
  AppendRow(&out, "SaverOutputDir", saver_output_dir_);

  out += "[DSP]\n";
  // The DSP has no ExtremePowerSaver: only the first nine names apply.
  AppendRow(&out, "DspPerformanceMode", EnumText(dsp_performance_mode_, kPerformanceModeNames, 9));
  AppendRow(&out, "DspPerfCtrlMode", EnumText(dsp_perf_ctrl_mode_, kPerfCtrlModeNames));
  AppendRow(&out, "DspPdSession", EnumText(dsp_pd_session_, kPdSessionNames));
  AppendRow(&out, "DspEncoding", EnumText(dsp_encoding_, kDspEncodingNames));

  out += "[GPU]\n";
  AppendRow(&out, "GpuPerformanceMode", EnumText(gpu_performance_mode_, kGpuPerformanceModeNames));
  AppendRow(&out, "GpuPrecision", EnumText(gpu_precision_, kGpuPrecisionNames));

  out += "[LPAI]\n";
  AppendRow(&out, "LpaiTarget", LpaiTargetText(lpai_target_));
  AppendRow(&out, "LpaiFps", absl::StrCat(lpai_fps_));
  AppendRow(&out, "LpaiFtrtRatio", absl::StrCat(lpai_ftrt_ratio_));
  AppendRow(&out, "LpaiClientPerfType", EnumText(lpai_client_perf_type_, kLpaiClientPerfTypeNames));
  AppendRow(&out, "LpaiCoreAffinityType",
            EnumText(lpai_core_affinity_type_, kLpaiCoreAffinityTypeNames));
  AppendRow(&out, "LpaiCoreSelection", absl::StrCat(lpai_core_selection_));

  out += "[DEBUG]\n";
  AppendRow(&out, "DumpTensorIds", absl::StrJoin(dump_tensor_ids_, ","));
  AppendRow(&out, "SchematicDir", schematic_dir_);

  // Rows with an empty value end in " :" rather than a trailing blank.
  return absl::StrReplaceAll(out, {{" \n", "\n"}});
}

}  // namespace qnn
