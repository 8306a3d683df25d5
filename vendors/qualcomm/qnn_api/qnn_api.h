// Our own declarations of the part of the QNN interface the plug-in uses:
// entry points, function tables, and the records passed through them. The
// simulated QNN implements exactly these.
#ifndef VANTRO_VENDORS_QUALCOMM_QNN_API_QNN_API_H_
#define VANTRO_VENDORS_QUALCOMM_QNN_API_QNN_API_H_

#include <stdarg.h>
#include <stdbool.h>
#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

// Result word of every QNN call; 0 is success. Callers print the low 16 bits
// where the code is all that matters.
typedef uint32_t QnnResult;
#define QNN_SUCCESS 0u

// The value QNN uses for "not set" in enumerations and option words.
#define QNN_UNDEFINED 0x7FFFFFFFu

typedef struct QnnLogObject* QnnLogHandle;
typedef struct QnnBackendObject* QnnBackendHandle;
typedef struct QnnDeviceObject* QnnDeviceHandle;
typedef struct QnnContextObject* QnnContextHandle;
typedef struct QnnGraphObject* QnnGraphHandle;
typedef struct QnnProfileObject* QnnProfileHandle;
typedef struct QnnSignalObject* QnnSignalHandle;
typedef struct QnnSystemContextObject* QnnSystemContextHandle;
typedef void* QnnMemHandle;
typedef uint64_t QnnProfileEventId;

typedef struct QnnVersion {
  uint32_t major;
  uint32_t minor;
  uint32_t patch;
} QnnVersion;

typedef struct QnnApiVersion {
  QnnVersion core;
  QnnVersion backend;
} QnnApiVersion;

// ---------------------------------------------------------------- logging
// Levels: 1 error, 2 warning, 3 info, 4 verbose, 5 debug.
typedef void (*QnnLogCallback)(const char* format, uint32_t level, uint64_t timestamp,
                               va_list args);

// --------------------------------------------------------- backend configs
// Option 0 is a custom (backend-specific) record.
#define QNN_BACKEND_CONFIG_OPTION_CUSTOM 0u
typedef struct QnnBackendConfig {
  uint32_t option;
  union {
    const void* custom;
    uint64_t value;
  };
} QnnBackendConfig;

// DSP backend custom record: option 2 asks for the signed process domain.
#define QNN_DSP_BACKEND_CONFIG_OPTION_SIGNED_PD 2u
typedef struct QnnDspBackendCustomConfig {
  uint32_t option;
  uint32_t use_signed_process_domain;
} QnnDspBackendCustomConfig;

// LPAI backend custom record: option 0 points at a target record.
typedef struct QnnLpaiTargetRecord {
  uint32_t target;
  uint32_t hardware_version;
} QnnLpaiTargetRecord;
typedef struct QnnLpaiBackendCustomConfig {
  uint32_t option;
  const QnnLpaiTargetRecord* target;
} QnnLpaiBackendCustomConfig;

// ---------------------------------------------------------- device configs
#define QNN_DEVICE_CONFIG_OPTION_CUSTOM 0u
#define QNN_DEVICE_CONFIG_OPTION_PLATFORM_INFO 1u

typedef struct QnnDeviceHardwareInfo {
  uint32_t version;
  uint32_t device_id;
  uint32_t device_type;
  uint32_t num_cores;
} QnnDeviceHardwareInfo;

typedef struct QnnDevicePlatformInfo {
  uint32_t version;  // 1
  uint32_t num_hw_devices;
  const QnnDeviceHardwareInfo* hw_devices;
} QnnDevicePlatformInfo;

typedef struct QnnDeviceConfig {
  uint32_t option;
  union {
    const void* custom;
    const QnnDevicePlatformInfo* platform_info;
    uint64_t value;
  };
} QnnDeviceConfig;

// HTP device custom record: option 2 asks for the signed process domain.
#define QNN_HTP_DEVICE_CONFIG_OPTION_SIGNED_PD 2u
typedef struct QnnHtpDeviceCustomConfig {
  uint32_t option;
  uint32_t device_id;
  bool use_signed_process_domain;
} QnnHtpDeviceCustomConfig;

// Property key of the adaptive protection-domain capability.
#define QNN_PROPERTY_KEY_ADAPTIVE_PD 2002u

// --------------------------------------------------------- context configs
#define QNN_CONTEXT_CONFIG_OPTION_CUSTOM 0u
#define QNN_CONTEXT_CONFIG_OPTION_PRIORITY 1u
typedef struct QnnContextConfig {
  uint32_t option;
  union {
    const void* custom;
    uint32_t priority;
    uint64_t value;
  };
} QnnContextConfig;

#define QNN_HTP_CONTEXT_CONFIG_OPTION_FILE_READ_MEMORY_BUDGET 3u
#define QNN_HTP_CONTEXT_CONFIG_OPTION_INIT_ACCELERATION 8u
typedef struct QnnHtpContextCustomConfig {
  uint32_t option;
  union {
    uint64_t file_read_memory_budget_mb;
    bool init_acceleration;
  };
} QnnHtpContextCustomConfig;

// QNN priority numbers.
#define QNN_PRIORITY_LOW 0u
#define QNN_PRIORITY_NORMAL 100u
#define QNN_PRIORITY_NORMAL_HIGH 150u
#define QNN_PRIORITY_HIGH 200u

// ----------------------------------------------------------- graph configs
#define QNN_GRAPH_CONFIG_OPTION_CUSTOM 0u
#define QNN_GRAPH_CONFIG_OPTION_PRIORITY 3u
typedef struct QnnGraphConfig {
  uint32_t option;
  union {
    const void* custom;
    uint32_t priority;
    uint64_t value;
  };
} QnnGraphConfig;

// Scalar value; data type 50 is a 32-bit signed integer.
#define QNN_DATATYPE_SCALAR_INT32 50u
typedef struct QnnScalar {
  uint32_t data_type;
  union {
    int32_t int32_value;
    uint32_t uint32_value;
    float float_value;
  };
} QnnScalar;

#define QNN_HTP_GRAPH_CONFIG_OPTION_OPTIMIZATION 1u
#define QNN_HTP_GRAPH_CONFIG_OPTION_VTCM_SIZE 3u
#define QNN_HTP_GRAPH_CONFIG_OPTION_FOLD_RELU_OFF 4u
#define QNN_HTP_GRAPH_CONFIG_OPTION_SHORT_DEPTH_CONV_ON_HMX_OFF 5u
#define QNN_HTP_GRAPH_CONFIG_OPTION_NUM_HVX_THREADS 6u
#define QNN_HTP_GRAPH_CONFIG_OPTION_FINALIZE_CONFIG 7u
// Optimisation types: 3 finalize optimisation level, 4 DLBC, 5 DLBC weights.
#define QNN_HTP_OPTIMIZATION_FINALIZE_LEVEL 3u
#define QNN_HTP_OPTIMIZATION_DLBC 4u
#define QNN_HTP_OPTIMIZATION_DLBC_WEIGHTS 5u
typedef struct QnnHtpGraphCustomConfig {
  uint32_t option;
  union {
    struct {
      uint32_t type;
      float value;
    } optimization;
    uint32_t vtcm_size_mb;
    bool fold_relu_off;
    bool short_depth_conv_on_hmx_off;
    uint32_t num_hvx_threads;
    struct {
      const char* name;
      QnnScalar value;
    } finalize;
    uint32_t first_word;
  };
} QnnHtpGraphCustomConfig;

// DSP graph custom record: option 2 sets the encoding (1 dynamic, 2 static).
#define QNN_DSP_GRAPH_CONFIG_OPTION_ENCODING 2u
typedef struct QnnDspGraphCustomConfig {
  uint32_t option;
  uint32_t encoding;
  uint32_t reserved;
} QnnDspGraphCustomConfig;

// GPU graph custom record: precision 0 fp32, 1 fp16, 2 hybrid, 3 user provided.
typedef struct QnnGpuGraphCustomConfig {
  uint32_t precision;
  uint8_t disable_memory_optimizations;
  uint8_t disable_node_optimizations;
  uint8_t disable_queue_recording;
} QnnGpuGraphCustomConfig;

// IR graph custom record: option 1 serialises the graph (type 1, a .dlc file).
typedef struct QnnIrGraphCustomConfig {
  uint32_t option;
  uint32_t serialization_type;
  const char* output_path;
} QnnIrGraphCustomConfig;

// LPAI graph records.
#define QNN_LPAI_GRAPH_CONFIG_OPTION_PERFORMANCE 201u
#define QNN_LPAI_GRAPH_CONFIG_OPTION_CORE 301u
#define QNN_LPAI_GRAPH_CONFIG_OPTION_TEXT 10001u
typedef struct QnnLpaiGraphCustomConfig {
  uint32_t option;
  const void* value;
} QnnLpaiGraphCustomConfig;
typedef struct QnnLpaiTextRecord {
  uint32_t word;
  const char* text;
} QnnLpaiTextRecord;
typedef struct QnnLpaiPerformanceRecord {
  uint32_t fps;
  uint32_t ftrt_ratio;
  uint32_t client_type;
} QnnLpaiPerformanceRecord;
typedef struct QnnLpaiCoreRecord {
  uint32_t affinity;
  uint32_t core_selection;
} QnnLpaiCoreRecord;

// ----------------------------------------------------------- saver config
#define QNN_SAVER_CONFIG_OPTION_OUTPUT_DIRECTORY 0u
typedef struct QnnSaverConfig {
  uint32_t option;
  const char* output_directory;
} QnnSaverConfig;

// ------------------------------------------------------- power (HTP, DSP)
// Infrastructure type 0 is the performance infrastructure.
#define QNN_HTP_INFRASTRUCTURE_TYPE_PERF 0u
#define QNN_HTP_POWER_CONFIG_OPTION_DCVS_V3 1u
#define QNN_HTP_POWER_CONFIG_OPTION_RPC_CONTROL_LATENCY 2u
#define QNN_HTP_POWER_CONFIG_OPTION_RPC_POLLING_TIME 3u

typedef struct QnnHtpDcvsV3 {
  uint32_t context_id;
  uint32_t set_dcvs_enable;
  uint32_t dcvs_enable;
  uint32_t power_mode;
  uint32_t set_sleep_latency;
  uint32_t sleep_latency;
  uint32_t set_sleep_disable;
  uint32_t sleep_disable;
  uint32_t set_bus_params;
  uint32_t bus_voltage_corner_min;
  uint32_t bus_voltage_corner_target;
  uint32_t bus_voltage_corner_max;
  uint32_t set_core_params;
  uint32_t core_voltage_corner_min;
  uint32_t core_voltage_corner_target;
  uint32_t core_voltage_corner_max;
} QnnHtpDcvsV3;

typedef struct QnnHtpPowerConfig {
  uint32_t option;
  union {
    QnnHtpDcvsV3 dcvs_v3;
    uint32_t rpc_control_latency;
    uint32_t rpc_polling_time;
  };
} QnnHtpPowerConfig;

typedef struct QnnHtpPerfInfrastructure {
  QnnResult (*createPowerConfigId)(uint32_t device_id, uint32_t core_id, uint32_t* id);
  QnnResult (*destroyPowerConfigId)(uint32_t id);
  QnnResult (*setPowerConfig)(uint32_t id, const QnnHtpPowerConfig** configs);
} QnnHtpPerfInfrastructure;

typedef struct QnnHtpDeviceInfrastructure {
  uint32_t type;
  QnnHtpPerfInfrastructure perf;
} QnnHtpDeviceInfrastructure;

typedef struct QnnDspPowerConfig {
  uint32_t option;
  uint32_t value;
} QnnDspPowerConfig;

typedef struct QnnDspPerfInfrastructure {
  QnnResult (*createPowerConfigId)(uint32_t* id);
  QnnResult (*destroyPowerConfigId)(uint32_t id);
  QnnResult (*setPowerConfig)(uint32_t id, const QnnDspPowerConfig** configs);
} QnnDspPerfInfrastructure;

// What deviceGetInfrastructure hands out: a QnnHtpDeviceInfrastructure for
// the HTP backend, a QnnDspPerfInfrastructure for the DSP backend.
typedef const void* QnnDeviceInfrastructure;

// ---------------------------------------------------------------- tensors
// Tensor types: 0 application-writable (inputs), 1 application-readable
// (outputs), 2 both, 3 native, 4 static.
#define QNN_TENSOR_TYPE_APP_WRITE 0u
#define QNN_TENSOR_TYPE_APP_READ 1u
#define QNN_TENSOR_TYPE_APP_READWRITE 2u
#define QNN_TENSOR_TYPE_NATIVE 3u
#define QNN_TENSOR_TYPE_STATIC 4u

// Memory types of a tensor's data.
#define QNN_TENSORMEMTYPE_RAW 0u
#define QNN_TENSORMEMTYPE_MEMHANDLE 1u

// Data types: high byte the kind, low byte the width in bits as decimal
// digits.
#define QNN_DATATYPE_INT_8 0x0008u
#define QNN_DATATYPE_INT_16 0x0016u
#define QNN_DATATYPE_INT_32 0x0032u
#define QNN_DATATYPE_INT_64 0x0064u
#define QNN_DATATYPE_UINT_8 0x0108u
#define QNN_DATATYPE_UINT_16 0x0116u
#define QNN_DATATYPE_UINT_32 0x0132u
#define QNN_DATATYPE_UINT_64 0x0164u
#define QNN_DATATYPE_FLOAT_16 0x0216u
#define QNN_DATATYPE_FLOAT_32 0x0232u
#define QNN_DATATYPE_FLOAT_64 0x0264u
#define QNN_DATATYPE_SFIXED_POINT_8 0x0308u
#define QNN_DATATYPE_SFIXED_POINT_16 0x0316u
#define QNN_DATATYPE_SFIXED_POINT_32 0x0332u
#define QNN_DATATYPE_UFIXED_POINT_8 0x0408u
#define QNN_DATATYPE_UFIXED_POINT_16 0x0416u
#define QNN_DATATYPE_UFIXED_POINT_32 0x0432u
#define QNN_DATATYPE_BOOL_8 0x0508u

#define QNN_DEFINITION_DEFINED 1u
#define QNN_QUANTIZATION_ENCODING_SCALE_OFFSET 0u
#define QNN_QUANTIZATION_ENCODING_AXIS_SCALE_OFFSET 1u

typedef struct QnnScaleOffset {
  float scale;
  int32_t offset;
} QnnScaleOffset;

typedef struct QnnAxisScaleOffset {
  int32_t axis;
  uint32_t num_scale_offsets;
  QnnScaleOffset* scale_offsets;
} QnnAxisScaleOffset;

typedef struct QnnQuantizeParams {
  uint32_t encoding_definition;
  uint32_t quantization_encoding;
  union {
    QnnScaleOffset scale_offset;
    QnnAxisScaleOffset axis_scale_offset;
  };
} QnnQuantizeParams;

typedef struct QnnClientBuffer {
  void* data;
  uint32_t data_size;
} QnnClientBuffer;

// Version 1 of the tensor record.
typedef struct QnnTensorV1 {
  uint32_t id;
  const char* name;
  uint32_t type;
  uint32_t data_format;
  uint32_t data_type;
  QnnQuantizeParams quantize_params;
  uint32_t rank;
  uint32_t* dimensions;
  uint32_t mem_type;
  union {
    QnnClientBuffer client_buf;
    QnnMemHandle mem_handle;
  };
} QnnTensorV1;

// Version 2 adds dynamic dimensions, sparsity and a produced flag; its
// leading fields lie where version 1 has them.
typedef struct QnnTensorV2 {
  uint32_t id;
  const char* name;
  uint32_t type;
  uint32_t data_format;
  uint32_t data_type;
  QnnQuantizeParams quantize_params;
  uint32_t rank;
  uint32_t* dimensions;
  uint32_t mem_type;
  union {
    QnnClientBuffer client_buf;
    QnnMemHandle mem_handle;
  };
  uint8_t* is_dynamic_dimensions;
  uint32_t sparse_layout;
  uint8_t is_produced;
} QnnTensorV2;

typedef struct QnnTensor {
  uint32_t version;
  union {
    QnnTensorV1 v1;
    QnnTensorV2 v2;
  };
} QnnTensor;

// -------------------------------------------------------------- profiling
#define QNN_PROFILE_LEVEL_BASIC 1u
#define QNN_PROFILE_LEVEL_DETAILED 2u
#define QNN_PROFILE_EVENTTYPE_EXECUTE 3003u
#define QNN_PROFILE_EVENTTYPE_NODE 404u
#define QNN_PROFILE_EVENTUNIT_MICROSEC 1u
#define QNN_PROFILE_EVENTUNIT_BYTES 2u
#define QNN_PROFILE_EVENTUNIT_CYCLES 3u
#define QNN_PROFILE_EVENTUNIT_COUNT 4u

typedef struct QnnProfileEventData {
  uint32_t type;
  uint64_t value;
  const char* identifier;
  uint32_t unit;
} QnnProfileEventData;

// ------------------------------------------------------ core function table
typedef struct QnnCoreApi {
  QnnResult (*propertyHasCapability)(uint32_t key);
  QnnResult (*logCreate)(QnnLogCallback callback, uint32_t level, QnnLogHandle* log);
  QnnResult (*logFree)(QnnLogHandle log);
  QnnResult (*backendCreate)(QnnLogHandle log, const QnnBackendConfig** configs,
                             QnnBackendHandle* backend);
  QnnResult (*backendFree)(QnnBackendHandle backend);
  QnnResult (*backendGetApiVersion)(QnnApiVersion* version);
  QnnResult (*backendGetBuildId)(const char** build_id);
  QnnResult (*backendRegisterOpPackage)(QnnBackendHandle backend, const char* package_path,
                                        const char* interface_provider, const char* target);
  QnnResult (*deviceCreate)(QnnLogHandle log, const QnnDeviceConfig** configs,
                            QnnDeviceHandle* device);
  QnnResult (*deviceFree)(QnnDeviceHandle device);
  QnnResult (*deviceGetPlatformInfo)(QnnLogHandle log, const QnnDevicePlatformInfo** info);
  QnnResult (*deviceFreePlatformInfo)(QnnLogHandle log, const QnnDevicePlatformInfo* info);
  QnnResult (*deviceGetInfrastructure)(QnnDeviceInfrastructure* infrastructure);
  QnnResult (*contextCreateFromBinary)(QnnBackendHandle backend, QnnDeviceHandle device,
                                       const QnnContextConfig** configs, const void* binary,
                                       uint64_t binary_size, QnnContextHandle* context,
                                       QnnProfileHandle profile);
  QnnResult (*contextFree)(QnnContextHandle context, QnnProfileHandle profile);
  QnnResult (*graphRetrieve)(QnnContextHandle context, const char* graph_name,
                             QnnGraphHandle* graph);
  QnnResult (*graphSetConfig)(QnnGraphHandle graph, const QnnGraphConfig** configs);
  QnnResult (*graphFinalize)(QnnGraphHandle graph, QnnProfileHandle profile,
                             QnnSignalHandle signal);
  QnnResult (*graphExecute)(QnnGraphHandle graph, const QnnTensor* inputs, uint32_t num_inputs,
                            QnnTensor* outputs, uint32_t num_outputs, QnnProfileHandle profile,
                            QnnSignalHandle signal);
  QnnResult (*profileCreate)(QnnBackendHandle backend, uint32_t level,
                             QnnProfileHandle* profile);
  QnnResult (*profileGetEvents)(QnnProfileHandle profile, const QnnProfileEventId** events,
                                uint32_t* num_events);
  QnnResult (*profileGetSubEvents)(QnnProfileEventId event, const QnnProfileEventId** events,
                                   uint32_t* num_events);
  QnnResult (*profileGetEventData)(QnnProfileEventId event, QnnProfileEventData* data);
  QnnResult (*profileFree)(QnnProfileHandle profile);
  QnnResult (*memDeRegister)(const QnnMemHandle* handles, uint32_t count);
} QnnCoreApi;

typedef struct QnnInterfaceProvider {
  const char* provider_name;
  QnnApiVersion api_version;
  QnnCoreApi api;
} QnnInterfaceProvider;

// ---------------------------------------------------- system function table
typedef struct QnnSystemGraphInfoV1 {
  const char* graph_name;
  uint32_t num_inputs;
  QnnTensor* inputs;
  uint32_t num_outputs;
  QnnTensor* outputs;
} QnnSystemGraphInfoV1;

// Versions 1, 2 and 3 of a graph-info record keep name, inputs and outputs
// in the same places; later versions only add fields behind them.
typedef struct QnnSystemGraphInfoV3 {
  const char* graph_name;
  uint32_t num_inputs;
  QnnTensor* inputs;
  uint32_t num_outputs;
  QnnTensor* outputs;
  uint32_t num_updateable_tensors;
  QnnTensor* updateable_tensors;
} QnnSystemGraphInfoV3;

typedef struct QnnSystemGraphInfo {
  uint32_t version;
  union {
    QnnSystemGraphInfoV1 v1;
    QnnSystemGraphInfoV1 v2;
    QnnSystemGraphInfoV3 v3;
  };
} QnnSystemGraphInfo;

// Layout of binary-info versions 1 and 2.
typedef struct QnnSystemBinaryInfoV1 {
  QnnApiVersion api_version;
  const char* build_id;
  uint32_t num_context_tensors;
  QnnTensor* context_tensors;
  uint32_t num_graphs;
  QnnSystemGraphInfo* graphs;
} QnnSystemBinaryInfoV1;

// Layout of binary-info version 3: more header fields first.
typedef struct QnnSystemBinaryInfoV3 {
  QnnApiVersion api_version;
  uint64_t context_blob_size;
  uint32_t soc_model;
  const char* build_id;
  uint32_t num_graphs;
  QnnSystemGraphInfo* graphs;
  uint32_t num_context_tensors;
  QnnTensor* context_tensors;
} QnnSystemBinaryInfoV3;

typedef struct QnnSystemBinaryInfo {
  uint32_t version;
  union {
    QnnSystemBinaryInfoV1 v1;
    QnnSystemBinaryInfoV1 v2;
    QnnSystemBinaryInfoV3 v3;
  };
} QnnSystemBinaryInfo;

typedef struct QnnSystemApi {
  QnnResult (*systemContextCreate)(QnnSystemContextHandle* context);
  QnnResult (*systemContextGetBinaryInfo)(QnnSystemContextHandle context, const void* binary,
                                          uint64_t binary_size,
                                          const QnnSystemBinaryInfo** info,
                                          uint32_t* info_size);
  QnnResult (*systemContextFree)(QnnSystemContextHandle context);
} QnnSystemApi;

typedef struct QnnSystemInterfaceProvider {
  const char* provider_name;
  QnnVersion system_api_version;
  QnnSystemApi api;
} QnnSystemInterfaceProvider;

// ----------------------------------------------------------- entry points
typedef QnnResult (*QnnInterfaceGetProvidersFn)(const QnnInterfaceProvider*** providers,
                                                uint32_t* num_providers);
typedef QnnResult (*QnnSystemInterfaceGetProvidersFn)(
    const QnnSystemInterfaceProvider*** providers, uint32_t* num_providers);
typedef QnnResult (*QnnSaverInitializeFn)(const QnnSaverConfig** configs);

#define QNN_INTERFACE_GET_PROVIDERS_NAME "QnnInterface_getProviders"
#define QNN_SYSTEM_INTERFACE_GET_PROVIDERS_NAME "QnnSystemInterface_getProviders"
#define QNN_SAVER_INITIALIZE_NAME "QnnSaver_initialize"

#ifdef __cplusplus
}  // extern "C"
#endif

#endif  // VANTRO_VENDORS_QUALCOMM_QNN_API_QNN_API_H_
