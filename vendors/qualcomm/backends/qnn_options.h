// The QNN options record: every setting of the QNN layer with its default,
// one getter and one setter per field, and a fixed-layout printout.
#ifndef VANTRO_VENDORS_QUALCOMM_BACKENDS_QNN_OPTIONS_H_
#define VANTRO_VENDORS_QUALCOMM_BACKENDS_QNN_OPTIONS_H_

#include <cstdint>
#include <string>
#include <vector>

#include "absl/strings/string_view.h"
#include "absl/types/span.h"

namespace qnn {

// Enumerations carry the numbering of the vendor options; a value outside a
// table is stored unchanged and printed as Unknown(<n>).

enum class LogLevel : int32_t {
  kOff = 0,
  kError = 1,
  kWarn = 2,
  kInfo = 3,
  kVerbose = 4,
  kDebug = 5
};

enum class BackendType : int32_t {
  kUndefined = 0,
  kGpu = 1,
  kHtp = 2,
  kDsp = 3,
  kIr = 4,
  kLpai = 5
};

enum class Profiling : int32_t { kOff = 0, kBasic = 1, kDetailed = 2, kLinting = 3, kOptrace = 4 };

enum class OpNameFormat : int32_t { kBasic = 0, kDetailed = 1 };

enum class HtpPerformanceMode : int32_t {
  kDefault = 0,
  kSustainedHighPerformance = 1,
  kBurst = 2,
  kHighPerformance = 3,
  kPowerSaver = 4,
  kLowPowerSaver = 5,
  kHighPowerSaver = 6,
  kLowBalanced = 7,
  kBalanced = 8,
  kExtremePowerSaver = 9,
};

// Same numbering as HtpPerformanceMode, without ExtremePowerSaver.
enum class DspPerformanceMode : int32_t {
  kDefault = 0,
  kSustainedHighPerformance = 1,
  kBurst = 2,
  kHighPerformance = 3,
  kPowerSaver = 4,
  kLowPowerSaver = 5,
  kHighPowerSaver = 6,
  kLowBalanced = 7,
  kBalanced = 8,
};

enum class PerfCtrlMode : int32_t { kManual = 0, kAuto = 1 };

enum class PdSession : int32_t { kUnsigned = 0, kSigned = 1, kAdaptive = 2 };

enum class OptimizationLevel : int32_t {
  kHtpOptimizeForInference = 0,
  kHtpOptimizeForPrepare = 1,
  kHtpOptimizeForInferenceO3 = 2,
};

enum class GraphPriority : int32_t {
  kDefault = 0,
  kLow = 1,
  kNormal = 2,
  kNormalHigh = 3,
  kHigh = 4
};

enum class GraphIOTensorMemType : int32_t { kRaw = 0, kMemHandle = 1 };

enum class DspEncoding : int32_t { kStatic = 0, kDynamic = 1 };

enum class GpuPerformanceMode : int32_t { kDefault = 0, kHigh = 1, kNormal = 2, kLow = 3 };

enum class GpuPrecision : int32_t { kUserProvided = 0, kFp32 = 1, kFp16 = 2, kHybrid = 3 };

enum class LpaiTarget : int32_t { kX86 = 0, kArm = 1, kAdsp = 2, kTensilica = 3 };

enum class LpaiClientPerfType : int32_t { kDefault = 0, kRealTime = 1, kNonRealTime = 2 };

enum class LpaiCoreAffinityType : int32_t { kDefault = 0, kSoft = 1, kHard = 2 };

// The one custom op package to register; present when `name` is not empty.
struct CustomOpPackage {
  std::string name;
  std::string interface_provider;
  std::string compile_package_path;
  std::string dispatch_package_path;
  std::string target;
};

// Plain value record of the QNN layer's settings. Copy it freely; it is not
// shared between threads while it is being written.
class Options {
 public:
  Options() = default;

  LogLevel GetLogLevel() const { return log_level_; }
  void SetLogLevel(LogLevel v) { log_level_ = v; }
  BackendType GetBackendType() const { return backend_type_; }
  void SetBackendType(BackendType v) { backend_type_ = v; }
  Profiling GetProfiling() const { return profiling_; }
  void SetProfiling(Profiling v) { profiling_ = v; }
  bool GetUseInt64BiasAsInt32() const { return use_int64_bias_as_int32_; }
  void SetUseInt64BiasAsInt32(bool v) { use_int64_bias_as_int32_ = v; }
  bool GetEnableWeightSharing() const { return enable_weight_sharing_; }
  void SetEnableWeightSharing(bool v) { enable_weight_sharing_ = v; }
  bool GetEnableJustInTime() const { return enable_just_in_time_; }
  void SetEnableJustInTime(bool v) { enable_just_in_time_ = v; }
  OpNameFormat GetOpNameFormat() const { return op_name_format_; }
  void SetOpNameFormat(OpNameFormat v) { op_name_format_ = v; }
  bool GetUseConvHMX() const { return use_conv_hmx_; }
  void SetUseConvHMX(bool v) { use_conv_hmx_ = v; }
  bool GetUseFoldReLU() const { return use_fold_relu_; }
  void SetUseFoldReLU(bool v) { use_fold_relu_ = v; }
  int32_t GetHtpPPoint() const { return htp_p_point_; }
  void SetHtpPPoint(int32_t v) { htp_p_point_ = v; }
  int32_t GetHtpWeightSharingChannelTileSize() const {
    return htp_weight_sharing_channel_tile_size_;
  }
  void SetHtpWeightSharingChannelTileSize(int32_t v) { htp_weight_sharing_channel_tile_size_ = v; }
  bool GetHtpDlbc() const { return htp_dlbc_; }
  void SetHtpDlbc(bool v) { htp_dlbc_ = v; }
  bool GetHtpDlbcWeights() const { return htp_dlbc_weights_; }
  void SetHtpDlbcWeights(bool v) { htp_dlbc_weights_ = v; }
  HtpPerformanceMode GetHtpPerformanceMode() const { return htp_performance_mode_; }
  void SetHtpPerformanceMode(HtpPerformanceMode v) { htp_performance_mode_ = v; }
  DspPerformanceMode GetDspPerformanceMode() const { return dsp_performance_mode_; }
  void SetDspPerformanceMode(DspPerformanceMode v) { dsp_performance_mode_ = v; }
  PerfCtrlMode GetHtpPerfCtrlMode() const { return htp_perf_ctrl_mode_; }
  void SetHtpPerfCtrlMode(PerfCtrlMode v) { htp_perf_ctrl_mode_ = v; }
  PdSession GetHtpPdSession() const { return htp_pd_session_; }
  void SetHtpPdSession(PdSession v) { htp_pd_session_ = v; }
  PerfCtrlMode GetDspPerfCtrlMode() const { return dsp_perf_ctrl_mode_; }
  void SetDspPerfCtrlMode(PerfCtrlMode v) { dsp_perf_ctrl_mode_ = v; }
  PdSession GetDspPdSession() const { return dsp_pd_session_; }
  void SetDspPdSession(PdSession v) { dsp_pd_session_ = v; }
  DspEncoding GetDspEncoding() const { return dsp_encoding_; }
  void SetDspEncoding(DspEncoding v) { dsp_encoding_ = v; }
  const std::vector<int32_t>& GetDumpTensorIds() const { return dump_tensor_ids_; }
  void SetDumpTensorIds(absl::Span<const int32_t> ids) {
    dump_tensor_ids_.assign(ids.begin(), ids.end());
  }
  absl::string_view GetIrJsonDir() const { return ir_json_dir_; }
  void SetIrJsonDir(absl::string_view v) { ir_json_dir_.assign(v.data(), v.size()); }
  absl::string_view GetDlcDir() const { return dlc_dir_; }
  void SetDlcDir(absl::string_view v) { dlc_dir_.assign(v.data(), v.size()); }
  absl::string_view GetGraphTransform() const { return graph_transform_; }
  void SetGraphTransform(absl::string_view v) { graph_transform_.assign(v.data(), v.size()); }
  uint32_t GetVtcmSize() const { return vtcm_size_; }
  void SetVtcmSize(uint32_t v) { vtcm_size_ = v; }
  uint32_t GetHtpDeviceId() const { return htp_device_id_; }
  void SetHtpDeviceId(uint32_t v) { htp_device_id_ = v; }
  bool GetHtpContextInitAcceleration() const { return htp_context_init_acceleration_; }
  void SetHtpContextInitAcceleration(bool v) { htp_context_init_acceleration_ = v; }
  uint32_t GetNumHvxThreads() const { return num_hvx_threads_; }
  void SetNumHvxThreads(uint32_t v) { num_hvx_threads_ = v; }
  uint32_t GetHtpFileReadMemoryBudgetMB() const { return htp_file_read_memory_budget_mb_; }
  void SetHtpFileReadMemoryBudgetMB(uint32_t v) { htp_file_read_memory_budget_mb_ = v; }
  OptimizationLevel GetOptimizationLevel() const { return optimization_level_; }
  void SetOptimizationLevel(OptimizationLevel v) { optimization_level_ = v; }
  GraphPriority GetGraphPriority() const { return graph_priority_; }
  void SetGraphPriority(GraphPriority v) { graph_priority_ = v; }
  GpuPrecision GetGpuPrecision() const { return gpu_precision_; }
  void SetGpuPrecision(GpuPrecision v) { gpu_precision_ = v; }
  GpuPerformanceMode GetGpuPerformanceMode() const { return gpu_performance_mode_; }
  void SetGpuPerformanceMode(GpuPerformanceMode v) { gpu_performance_mode_ = v; }
  absl::string_view GetSaverOutputDir() const { return saver_output_dir_; }
  void SetSaverOutputDir(absl::string_view v) { saver_output_dir_.assign(v.data(), v.size()); }
  GraphIOTensorMemType GetGraphIOTensorMemType() const { return graph_io_tensor_mem_type_; }
  void SetGraphIOTensorMemType(GraphIOTensorMemType v) { graph_io_tensor_mem_type_ = v; }
  absl::string_view GetSchematicDir() const { return schematic_dir_; }
  void SetSchematicDir(absl::string_view v) { schematic_dir_.assign(v.data(), v.size()); }
  const CustomOpPackage& GetCustomOpPackage() const { return custom_op_package_; }
  // Replaces all five fields of the package at once.
  void SetCustomOpPackage(absl::string_view name, absl::string_view interface_provider,
                          absl::string_view compile_package_path,
                          absl::string_view dispatch_package_path, absl::string_view target);
  LpaiTarget GetLpaiTarget() const { return lpai_target_; }
  void SetLpaiTarget(LpaiTarget v) { lpai_target_ = v; }
  uint32_t GetLpaiFps() const { return lpai_fps_; }
  void SetLpaiFps(uint32_t v) { lpai_fps_ = v; }
  uint32_t GetLpaiFtrtRatio() const { return lpai_ftrt_ratio_; }
  void SetLpaiFtrtRatio(uint32_t v) { lpai_ftrt_ratio_ = v; }
  LpaiClientPerfType GetLpaiClientPerfType() const { return lpai_client_perf_type_; }
  void SetLpaiClientPerfType(LpaiClientPerfType v) { lpai_client_perf_type_ = v; }
  LpaiCoreAffinityType GetLpaiCoreAffinityType() const { return lpai_core_affinity_type_; }
  void SetLpaiCoreAffinityType(LpaiCoreAffinityType v) { lpai_core_affinity_type_ = v; }
  uint32_t GetLpaiCoreSelection() const { return lpai_core_selection_; }
  void SetLpaiCoreSelection(uint32_t v) { lpai_core_selection_ = v; }
  absl::string_view GetQnnLibDir() const { return qnn_lib_dir_; }
  void SetQnnLibDir(absl::string_view v) { qnn_lib_dir_.assign(v.data(), v.size()); }
  absl::string_view GetDspSkelDir() const { return dsp_skel_dir_; }
  void SetDspSkelDir(absl::string_view v) { dsp_skel_dir_.assign(v.data(), v.size()); }

  // The record as a fixed-layout text block (banner, sections, one row per
  // field) for the log.
  std::string Dump() const;

 private:
  LogLevel log_level_ = LogLevel::kInfo;
  BackendType backend_type_ = BackendType::kHtp;
  Profiling profiling_ = Profiling::kOff;
  bool use_int64_bias_as_int32_ = true;
  bool enable_weight_sharing_ = false;
  bool enable_just_in_time_ = false;
  OpNameFormat op_name_format_ = OpNameFormat::kBasic;
  bool use_conv_hmx_ = true;
  bool use_fold_relu_ = true;
  int32_t htp_p_point_ = 0;
  int32_t htp_weight_sharing_channel_tile_size_ = 0;
  bool htp_dlbc_ = false;
  bool htp_dlbc_weights_ = false;
  HtpPerformanceMode htp_performance_mode_ = HtpPerformanceMode::kDefault;
  DspPerformanceMode dsp_performance_mode_ = DspPerformanceMode::kDefault;
  PerfCtrlMode htp_perf_ctrl_mode_ = PerfCtrlMode::kManual;
  PdSession htp_pd_session_ = PdSession::kUnsigned;
  PerfCtrlMode dsp_perf_ctrl_mode_ = PerfCtrlMode::kManual;
  PdSession dsp_pd_session_ = PdSession::kUnsigned;
  DspEncoding dsp_encoding_ = DspEncoding::kStatic;
  std::vector<int32_t> dump_tensor_ids_;
  std::string ir_json_dir_;
  std::string dlc_dir_;
  std::string graph_transform_;
  uint32_t vtcm_size_ = 0;
  uint32_t htp_device_id_ = 0;
  bool htp_context_init_acceleration_ = false;
  uint32_t num_hvx_threads_ = 0;
  uint32_t htp_file_read_memory_budget_mb_ = 0;
  OptimizationLevel optimization_level_ = OptimizationLevel::kHtpOptimizeForInferenceO3;
  GraphPriority graph_priority_ = GraphPriority::kDefault;
  GpuPrecision gpu_precision_ = GpuPrecision::kFp16;
  GpuPerformanceMode gpu_performance_mode_ = GpuPerformanceMode::kHigh;
  std::string saver_output_dir_;
  GraphIOTensorMemType graph_io_tensor_mem_type_ = GraphIOTensorMemType::kMemHandle;
  std::string schematic_dir_;
  CustomOpPackage custom_op_package_;
  LpaiTarget lpai_target_ = LpaiTarget::kAdsp;
  uint32_t lpai_fps_ = 1;
  uint32_t lpai_ftrt_ratio_ = 10;
  LpaiClientPerfType lpai_client_perf_type_ = LpaiClientPerfType::kDefault;
  LpaiCoreAffinityType lpai_core_affinity_type_ = LpaiCoreAffinityType::kDefault;
  uint32_t lpai_core_selection_ = 0;
  std::string qnn_lib_dir_;
  std::string dsp_skel_dir_;
};

}  // namespace qnn

#endif  // VANTRO_VENDORS_QUALCOMM_BACKENDS_QNN_OPTIONS_H_
