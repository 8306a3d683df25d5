// The plug-in's one export and the operation table it hands the host.
#ifndef VANTRO_C_VANTRO_DISPATCH_H_
#define VANTRO_C_VANTRO_DISPATCH_H_

#include <stddef.h>
#include <stdint.h>

#include "c/vantro_common.h"
#include "c/vantro_host_api.h"

#ifdef __cplusplus
extern "C" {
#endif

// Only the plug-in's own build exports the entry point; a host that includes
// this header sees a plain declaration (it finds the function at run time).
#if defined(VANTRO_DISPATCH_BUILDING) && defined(_WIN32)
#define VANTRO_DISPATCH_EXPORT __declspec(dllexport)
#elif defined(VANTRO_DISPATCH_BUILDING) && defined(__GNUC__)
#define VANTRO_DISPATCH_EXPORT __attribute__((visibility("default")))
#else
#define VANTRO_DISPATCH_EXPORT
#endif

typedef struct VantroDispatchDeviceContextT VantroDispatchDeviceContextT;
typedef struct VantroDispatchInvocationContextT VantroDispatchInvocationContextT;

// Handle of a registered tensor buffer: its slot position.
typedef uint64_t VantroTensorBufferHandle;

// Bytecode kinds: 3 hands over a JIT handle instead of bytes.
enum { kVantroBytecodeKindJitHandle = 3 };

// The host's bytecode record: base address at byte 8, offset at 16, size at
// 24; bytes 0 to 7 are the host's.
typedef struct VantroMemBufferT {
  int64_t host_reserved;
  const void* base_addr;
  uint64_t offset;
  uint64_t size;
} VantroMemBufferT;

enum { kVantroHostRecordSize = 40 };

typedef VantroStatus (*VantroDispatchInitializeFn)(const VantroHostApiTable* host,
                                                  VantroEnvironmentT* environment,
                                                  VantroOptionsT* options);
typedef VantroStatus (*VantroDispatchGetTextFn)(const char** text);
typedef VantroStatus (*VantroDispatchGetCapabilitiesFn)(int32_t* capabilities);
typedef VantroStatus (*VantroDispatchDeviceContextCreateFn)(
    const VantroHostApiTable* host, void* ignored,
    VantroDispatchDeviceContextT** device_context);
typedef VantroStatus (*VantroDispatchDeviceContextDestroyFn)(
    VantroDispatchDeviceContextT* device_context);
typedef VantroStatus (*VantroDispatchGetRequirementsFn)(
    VantroDispatchInvocationContextT* invocation_context, int32_t index,
    const VantroRankedTensorTypeT* tensor_type,
    VantroTensorBufferRequirementsT** requirements);
typedef VantroStatus (*VantroDispatchRegisterTensorBufferFn)(
    VantroDispatchDeviceContextT* device_context, VantroTensorBufferT* buffer,
    VantroTensorBufferHandle* handle);
typedef VantroStatus (*VantroDispatchUnregisterTensorBufferFn)(
    VantroDispatchDeviceContextT* device_context, VantroTensorBufferHandle handle);
typedef VantroStatus (*VantroDispatchInvocationContextCreateFn)(
    void* ignored, VantroDispatchDeviceContextT* device_context,
    int32_t bytecode_kind, const VantroMemBufferT* bytecode,
    const char* function_name, int32_t ignored_num_inputs,
    int32_t ignored_num_outputs,
    VantroDispatchInvocationContextT** invocation_context);
typedef VantroStatus (*VantroDispatchInvocationContextDestroyFn)(
    VantroDispatchInvocationContextT* invocation_context);
typedef VantroStatus (*VantroDispatchSetHostRecordFn)(
    VantroDispatchInvocationContextT* invocation_context, const void* record);
typedef VantroStatus (*VantroDispatchAttachFn)(
    VantroDispatchInvocationContextT* invocation_context, int32_t index,
    VantroTensorBufferHandle handle);
typedef VantroStatus (*VantroDispatchInvokeFn)(
    VantroDispatchInvocationContextT* invocation_context);
typedef VantroStatus (*VantroDispatchCheckRuntimeCompatibilityFn)(
    VantroApiVersion host_version);
typedef VantroStatus (*VantroDispatchSetOptionsFn)(
    VantroDispatchInvocationContextT* invocation_context, VantroOptionsT* options);

// 240 bytes; the header word's low 16 bits are the table's size.
typedef struct VantroDispatchOperationTable {
  uint64_t header;                                                     // 0x00
  VantroDispatchInitializeFn initialize;                               // 0x08
  VantroDispatchGetTextFn get_vendor_id;                               // 0x10
  VantroDispatchGetTextFn get_build_id;                                // 0x18
  VantroDispatchGetCapabilitiesFn get_capabilities;                    // 0x20
  VantroDispatchDeviceContextCreateFn device_context_create;           // 0x28
  VantroDispatchDeviceContextDestroyFn device_context_destroy;         // 0x30
  VantroDispatchGetRequirementsFn get_input_requirements;              // 0x38
  VantroDispatchGetRequirementsFn get_output_requirements;             // 0x40
  VantroDispatchRegisterTensorBufferFn register_tensor_buffer;         // 0x48
  VantroDispatchUnregisterTensorBufferFn unregister_tensor_buffer;     // 0x50
  VantroDispatchInvocationContextCreateFn invocation_context_create;   // 0x58
  VantroDispatchInvocationContextDestroyFn invocation_context_destroy; // 0x60
  VantroDispatchSetHostRecordFn invocation_context_set_host_record;    // 0x68
  VantroDispatchAttachFn attach_input;                                 // 0x70
  VantroDispatchAttachFn attach_output;                                // 0x78
  VantroDispatchAttachFn detach_input;                                 // 0x80
  VantroDispatchAttachFn detach_output;                                // 0x88
  VantroDispatchInvokeFn invoke;                                       // 0x90
  void* not_provided_0x98[5];                                          // 0x98-0xB8
  VantroDispatchCheckRuntimeCompatibilityFn check_runtime_compatibility;  // 0xC0
  VantroDispatchSetOptionsFn invocation_context_set_options;           // 0xC8
  void* not_provided_0xd0[4];                                          // 0xD0-0xE8
} VantroDispatchOperationTable;

#define VANTRO_DISPATCH_TABLE_HEADER UINT64_C(0x000100F0)

// Selector A must be 0 and selector B at least 1; the third argument is
// ignored.
VANTRO_DISPATCH_EXPORT VantroStatus VantroDispatchQueryInterface(
    int32_t selector_a, int32_t selector_b, void* ignored,
    const VantroDispatchOperationTable** table);

typedef VantroStatus (*VantroDispatchQueryInterfaceFn)(
    int32_t, int32_t, void*, const VantroDispatchOperationTable**);

#ifdef __cplusplus
}  // extern "C"

static_assert(sizeof(VantroDispatchOperationTable) == 0xF0, "");
static_assert(offsetof(VantroDispatchOperationTable, invoke) == 0x90, "");
static_assert(offsetof(VantroDispatchOperationTable, check_runtime_compatibility) == 0xC0, "");
static_assert(offsetof(VantroDispatchOperationTable, invocation_context_set_options) == 0xC8, "");
static_assert(offsetof(VantroMemBufferT, base_addr) == 8 &&
                  offsetof(VantroMemBufferT, offset) == 16 &&
                  offsetof(VantroMemBufferT, size) == 24, "");
#endif

#endif  // VANTRO_C_VANTRO_DISPATCH_H_
