// The Qualcomm vendor options: a record created from the TOML payload that
// the host stores under the identifier "qualcomm", read through one getter
// per key (which reports the key's default when the payload did not give
// it), and serialised back into such a payload.
//
// Every function reports by status only; a message that cannot cross waits
// in the calling thread's pending error. Enumerated keys use the numbering of
// the QNN options record and are not range-checked unless noted.
#ifndef VANTRO_C_OPTIONS_VANTRO_QUALCOMM_OPTIONS_H_
#define VANTRO_C_OPTIONS_VANTRO_QUALCOMM_OPTIONS_H_

#include <stdbool.h>
#include <stddef.h>
#include <stdint.h>

#include "c/vantro_common.h"

#ifdef __cplusplus
extern "C" {
#endif

// One set of Qualcomm options; owns its strings and its id list.
typedef struct VtrQualcommOptionsT VtrQualcommOptionsT;

// Releases a payload made by VtrSerializeQualcommOptions; ignores null.
typedef void (*VtrQualcommOptionsPayloadDeleter)(void* payload);

// Creates a record from a NUL-terminated TOML payload (null is the empty
// payload). On failure nothing is left behind and `options` keeps its old
// content; a malformed value leaves its message ("Invalid boolean value",
// ...) in the pending error. Unknown keys are ignored.
VantroStatus VtrCreateQualcommOptionsFromToml(const char* payload, VtrQualcommOptionsT** options);

// Frees a record and everything it owns; null is a no-op.
void VtrDestroyQualcommOptions(VtrQualcommOptionsT* options);

// The identifier under which the payload travels: "qualcomm" (static).
const char* VtrGetQualcommOptionsIdentifier(void);

// Writes one line per given key, in key-table order, into a new
// NUL-terminated payload; `identifier` receives "qualcomm". Release the
// payload only through `payload_deleter`. Fails with InvalidArgument, out
// parameters untouched, when a string value holds a double quote, LF or CR.
VantroStatus VtrSerializeQualcommOptions(const VtrQualcommOptionsT* options,
                                         const char** identifier, void** payload,
                                         VtrQualcommOptionsPayloadDeleter* payload_deleter);

// Accessors, in key-table order. A getter writes the stored value, or the
// key's default when the key was not given; string pointers point into the
// record (or at a static empty string) and live as long as it is unchanged.
// A setter stores a value (strings are copied) and marks the key as given.
// A null record, out pointer or string gives InvalidArgument. A value that
// creation would refuse to read back is refused too, with InvalidArgument
// and a message in the pending error, and the record is left unchanged.

// `log_level` (default 3).
VantroStatus VtrQualcommOptionsGetLogLevel(const VtrQualcommOptionsT* options, int32_t* value);
VantroStatus VtrQualcommOptionsSetLogLevel(VtrQualcommOptionsT* options, int32_t value);

// `profiling` (default 0).
VantroStatus VtrQualcommOptionsGetProfiling(const VtrQualcommOptionsT* options, int32_t* value);
VantroStatus VtrQualcommOptionsSetProfiling(VtrQualcommOptionsT* options, int32_t value);

// `use_htp_preference`: accepted for compatibility; the value is not kept.
VantroStatus VtrQualcommOptionsSetUseHtpPreference(VtrQualcommOptionsT* options, bool value);

// `use_qint16_as_quint16`: accepted for compatibility; the value is not kept.
VantroStatus VtrQualcommOptionsSetUseQint16AsQuint16(VtrQualcommOptionsT* options, bool value);

// `use_int64_bias_as_int32` (default true).
VantroStatus VtrQualcommOptionsGetUseInt64BiasAsInt32(const VtrQualcommOptionsT* options,
                                                      bool* value);
VantroStatus VtrQualcommOptionsSetUseInt64BiasAsInt32(VtrQualcommOptionsT* options, bool value);

// `qnn_backend` (default 2).
VantroStatus VtrQualcommOptionsGetQnnBackend(const VtrQualcommOptionsT* options, int32_t* value);
VantroStatus VtrQualcommOptionsSetQnnBackend(VtrQualcommOptionsT* options, int32_t value);

// `enable_weight_sharing` (default false).
VantroStatus VtrQualcommOptionsGetEnableWeightSharing(const VtrQualcommOptionsT* options,
                                                      bool* value);
VantroStatus VtrQualcommOptionsSetEnableWeightSharing(VtrQualcommOptionsT* options, bool value);

// `enable_just_in_time` (default false).
VantroStatus VtrQualcommOptionsGetEnableJustInTime(const VtrQualcommOptionsT* options, bool* value);
VantroStatus VtrQualcommOptionsSetEnableJustInTime(VtrQualcommOptionsT* options, bool value);

// `op_name_format` (default 0).
VantroStatus VtrQualcommOptionsGetOpNameFormat(const VtrQualcommOptionsT* options, int32_t* value);
VantroStatus VtrQualcommOptionsSetOpNameFormat(VtrQualcommOptionsT* options, int32_t value);

// `use_conv_hmx` (default true).
VantroStatus VtrQualcommOptionsGetUseConvHmx(const VtrQualcommOptionsT* options, bool* value);
VantroStatus VtrQualcommOptionsSetUseConvHmx(VtrQualcommOptionsT* options, bool value);

// `use_fold_relu` (default true).
VantroStatus VtrQualcommOptionsGetUseFoldRelu(const VtrQualcommOptionsT* options, bool* value);
VantroStatus VtrQualcommOptionsSetUseFoldRelu(VtrQualcommOptionsT* options, bool value);

// `htp_dlbc` (default false).
VantroStatus VtrQualcommOptionsGetHtpDlbc(const VtrQualcommOptionsT* options, bool* value);
VantroStatus VtrQualcommOptionsSetHtpDlbc(VtrQualcommOptionsT* options, bool value);

// `htp_dlbc_weights` (default false).
VantroStatus VtrQualcommOptionsGetHtpDlbcWeights(const VtrQualcommOptionsT* options, bool* value);
VantroStatus VtrQualcommOptionsSetHtpDlbcWeights(VtrQualcommOptionsT* options, bool value);

// `htp_p_point` (default 0).
VantroStatus VtrQualcommOptionsGetHtpPPoint(const VtrQualcommOptionsT* options, int32_t* value);
VantroStatus VtrQualcommOptionsSetHtpPPoint(VtrQualcommOptionsT* options, int32_t value);

// `htp_weight_sharing_channel_tile_size` (default 0).
VantroStatus VtrQualcommOptionsGetHtpWeightSharingChannelTileSize(
    const VtrQualcommOptionsT* options, int32_t* value);
VantroStatus VtrQualcommOptionsSetHtpWeightSharingChannelTileSize(VtrQualcommOptionsT* options,
                                                                  int32_t value);

// `htp_performance_mode` (default 0).
VantroStatus VtrQualcommOptionsGetHtpPerformanceMode(const VtrQualcommOptionsT* options,
                                                     int32_t* value);
VantroStatus VtrQualcommOptionsSetHtpPerformanceMode(VtrQualcommOptionsT* options, int32_t value);

// `dsp_performance_mode` (default 0).
VantroStatus VtrQualcommOptionsGetDspPerformanceMode(const VtrQualcommOptionsT* options,
                                                     int32_t* value);
VantroStatus VtrQualcommOptionsSetDspPerformanceMode(VtrQualcommOptionsT* options, int32_t value);

// `htp_perf_ctrl_mode` (default 0).
VantroStatus VtrQualcommOptionsGetHtpPerfCtrlMode(const VtrQualcommOptionsT* options,
                                                  int32_t* value);
VantroStatus VtrQualcommOptionsSetHtpPerfCtrlMode(VtrQualcommOptionsT* options, int32_t value);

// `htp_pd_session` (default 0; 0, 1 or 2).
VantroStatus VtrQualcommOptionsGetHtpPdSession(const VtrQualcommOptionsT* options, int32_t* value);
VantroStatus VtrQualcommOptionsSetHtpPdSession(VtrQualcommOptionsT* options, int32_t value);

// `dsp_perf_ctrl_mode` (default 0).
VantroStatus VtrQualcommOptionsGetDspPerfCtrlMode(const VtrQualcommOptionsT* options,
                                                  int32_t* value);
VantroStatus VtrQualcommOptionsSetDspPerfCtrlMode(VtrQualcommOptionsT* options, int32_t value);

// `dsp_pd_session` (default 0; 0, 1 or 2).
VantroStatus VtrQualcommOptionsGetDspPdSession(const VtrQualcommOptionsT* options, int32_t* value);
VantroStatus VtrQualcommOptionsSetDspPdSession(VtrQualcommOptionsT* options, int32_t value);

// `dsp_encoding` (default 0; 0 or 1).
VantroStatus VtrQualcommOptionsGetDspEncoding(const VtrQualcommOptionsT* options, int32_t* value);
VantroStatus VtrQualcommOptionsSetDspEncoding(VtrQualcommOptionsT* options, int32_t value);

// `dump_tensor_ids` (default: no ids, data null). The setter copies `count`
// ids; a null `ids` fails even with a count of 0, and a count of 0 leaves no
// ids, the default, as if the key had not been given (a payload cannot
// carry an empty list).
VantroStatus VtrQualcommOptionsGetDumpTensorIds(const VtrQualcommOptionsT* options,
                                                const int32_t** ids, size_t* count);
VantroStatus VtrQualcommOptionsSetDumpTensorIds(VtrQualcommOptionsT* options, const int32_t* ids,
                                                size_t count);

// `ir_json_dir` (default empty).
VantroStatus VtrQualcommOptionsGetIrJsonDir(const VtrQualcommOptionsT* options, const char** value);
VantroStatus VtrQualcommOptionsSetIrJsonDir(VtrQualcommOptionsT* options, const char* value);

// `dlc_dir` (default empty).
VantroStatus VtrQualcommOptionsGetDlcDir(const VtrQualcommOptionsT* options, const char** value);
VantroStatus VtrQualcommOptionsSetDlcDir(VtrQualcommOptionsT* options, const char* value);

// `graph_transform` (default empty).
VantroStatus VtrQualcommOptionsGetGraphTransform(const VtrQualcommOptionsT* options,
                                                 const char** value);
VantroStatus VtrQualcommOptionsSetGraphTransform(VtrQualcommOptionsT* options, const char* value);

// `vtcm_size` (default 0).
VantroStatus VtrQualcommOptionsGetVtcmSize(const VtrQualcommOptionsT* options, uint32_t* value);
VantroStatus VtrQualcommOptionsSetVtcmSize(VtrQualcommOptionsT* options, uint32_t value);

// `htp_device_id` (default 0).
VantroStatus VtrQualcommOptionsGetHtpDeviceId(const VtrQualcommOptionsT* options, uint32_t* value);
VantroStatus VtrQualcommOptionsSetHtpDeviceId(VtrQualcommOptionsT* options, uint32_t value);

// `htp_context_init_acceleration` (default false).
VantroStatus VtrQualcommOptionsGetHtpContextInitAcceleration(const VtrQualcommOptionsT* options,
                                                             bool* value);
VantroStatus VtrQualcommOptionsSetHtpContextInitAcceleration(VtrQualcommOptionsT* options,
                                                             bool value);

// `num_hvx_threads` (default 0).
VantroStatus VtrQualcommOptionsGetNumHvxThreads(const VtrQualcommOptionsT* options,
                                                uint32_t* value);
VantroStatus VtrQualcommOptionsSetNumHvxThreads(VtrQualcommOptionsT* options, uint32_t value);

// `htp_file_read_memory_budget_mb` (default 0).
VantroStatus VtrQualcommOptionsGetHtpFileReadMemoryBudgetMb(const VtrQualcommOptionsT* options,
                                                            uint32_t* value);
VantroStatus VtrQualcommOptionsSetHtpFileReadMemoryBudgetMb(VtrQualcommOptionsT* options,
                                                            uint32_t value);

// `optimization_level` (default 2).
VantroStatus VtrQualcommOptionsGetOptimizationLevel(const VtrQualcommOptionsT* options,
                                                    int32_t* value);
VantroStatus VtrQualcommOptionsSetOptimizationLevel(VtrQualcommOptionsT* options, int32_t value);

// `graph_priority` (default 0).
VantroStatus VtrQualcommOptionsGetGraphPriority(const VtrQualcommOptionsT* options, int32_t* value);
VantroStatus VtrQualcommOptionsSetGraphPriority(VtrQualcommOptionsT* options, int32_t value);

// `saver_output_dir` (default empty).
VantroStatus VtrQualcommOptionsGetSaverOutputDir(const VtrQualcommOptionsT* options,
                                                 const char** value);
VantroStatus VtrQualcommOptionsSetSaverOutputDir(VtrQualcommOptionsT* options, const char* value);

// `schematic_dir` (default empty).
VantroStatus VtrQualcommOptionsGetSchematicDir(const VtrQualcommOptionsT* options,
                                               const char** value);
VantroStatus VtrQualcommOptionsSetSchematicDir(VtrQualcommOptionsT* options, const char* value);

// `graph_io_tensor_mem_type` (default 1; 0 or 1).
VantroStatus VtrQualcommOptionsGetGraphIoTensorMemType(const VtrQualcommOptionsT* options,
                                                       int32_t* value);
VantroStatus VtrQualcommOptionsSetGraphIoTensorMemType(VtrQualcommOptionsT* options, int32_t value);

// `custom_op_package`: the five package fields, each empty by default. In
// the payload the value reads "name:<n>;interface_provider:<i>;
// compile_package_path:<c>;dispatch_package_path:<d>;target:<t>;" (any
// order, any subset). The setter replaces all five fields; none may be null
// or hold a ';'.
VantroStatus VtrQualcommOptionsGetCustomOpPackage(
    const VtrQualcommOptionsT* options, const char** name, const char** interface_provider,
    const char** compile_package_path, const char** dispatch_package_path, const char** target);
VantroStatus VtrQualcommOptionsSetCustomOpPackage(VtrQualcommOptionsT* options, const char* name,
                                                  const char* interface_provider,
                                                  const char* compile_package_path,
                                                  const char* dispatch_package_path,
                                                  const char* target);

// `lpai_target` (default 2).
VantroStatus VtrQualcommOptionsGetLpaiTarget(const VtrQualcommOptionsT* options, int32_t* value);
VantroStatus VtrQualcommOptionsSetLpaiTarget(VtrQualcommOptionsT* options, int32_t value);

// `lpai_fps` (default 1).
VantroStatus VtrQualcommOptionsGetLpaiFps(const VtrQualcommOptionsT* options, uint32_t* value);
VantroStatus VtrQualcommOptionsSetLpaiFps(VtrQualcommOptionsT* options, uint32_t value);

// `lpai_ftrt_ratio` (default 10).
VantroStatus VtrQualcommOptionsGetLpaiFtrtRatio(const VtrQualcommOptionsT* options,
                                                uint32_t* value);
VantroStatus VtrQualcommOptionsSetLpaiFtrtRatio(VtrQualcommOptionsT* options, uint32_t value);

// `lpai_client_perf_type` (default 0).
VantroStatus VtrQualcommOptionsGetLpaiClientPerfType(const VtrQualcommOptionsT* options,
                                                     int32_t* value);
VantroStatus VtrQualcommOptionsSetLpaiClientPerfType(VtrQualcommOptionsT* options, int32_t value);

// `lpai_core_affinity_type` (default 0).
VantroStatus VtrQualcommOptionsGetLpaiCoreAffinityType(const VtrQualcommOptionsT* options,
                                                       int32_t* value);
VantroStatus VtrQualcommOptionsSetLpaiCoreAffinityType(VtrQualcommOptionsT* options, int32_t value);

// `lpai_core_selection` (default 0).
VantroStatus VtrQualcommOptionsGetLpaiCoreSelection(const VtrQualcommOptionsT* options,
                                                    uint32_t* value);
VantroStatus VtrQualcommOptionsSetLpaiCoreSelection(VtrQualcommOptionsT* options, uint32_t value);

// `qnn_lib_dir` (default empty).
VantroStatus VtrQualcommOptionsGetQnnLibDir(const VtrQualcommOptionsT* options, const char** value);
VantroStatus VtrQualcommOptionsSetQnnLibDir(VtrQualcommOptionsT* options, const char* value);

// `dsp_skel_dir` (default empty).
VantroStatus VtrQualcommOptionsGetDspSkelDir(const VtrQualcommOptionsT* options,
                                             const char** value);
VantroStatus VtrQualcommOptionsSetDspSkelDir(VtrQualcommOptionsT* options, const char* value);

#ifdef __cplusplus
}  // extern "C"
#endif

#endif  // VANTRO_C_OPTIONS_VANTRO_QUALCOMM_OPTIONS_H_
