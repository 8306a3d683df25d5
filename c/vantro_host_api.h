// The host's table of services and the records it hands over. Offsets and
// layouts are fixed by the host's published table.
#ifndef VANTRO_C_VANTRO_HOST_API_H_
#define VANTRO_C_VANTRO_HOST_API_H_

#include <stddef.h>
#include <stdint.h>

#include "c/vantro_common.h"

#ifdef __cplusplus
extern "C" {
#endif

// Host buffer kinds the plug-in knows.
enum {
  kVantroTensorBufferTypeHostMemory = 1,
  kVantroTensorBufferTypeDmaBuf = 4,
  kVantroTensorBufferTypeFastRpc = 5,
};

// Environment option tags the plug-in reads.
enum {
  kVantroEnvOptionSharedLibraryDir = 1,
  kVantroEnvOptionLogSeverity = 25,
};

// Value record of an environment option: type at byte 0, payload at byte 8.
typedef struct VantroAnyT {
  int32_t type;
  union {
    int64_t int_value;
    const char* str_value;
    const void* ptr_value;
  } value;
} VantroAnyT;

enum { kVantroMaxRank = 8 };

// Tensor layout: bits 0-6 of the first word are the rank, bit 7 says strides
// are present; then eight dimensions and eight strides.
typedef struct VantroLayoutT {
  uint32_t rank_and_flags;
  int32_t dimensions[kVantroMaxRank];
  uint32_t strides[kVantroMaxRank];
} VantroLayoutT;

#define VANTRO_LAYOUT_RANK_MASK 0x7Fu
#define VANTRO_LAYOUT_HAS_STRIDES 0x80u

// Tensor type record: element type code, then the layout (72 bytes).
typedef struct VantroRankedTensorTypeT {
  int32_t element_type;
  VantroLayoutT layout;
} VantroRankedTensorTypeT;

typedef VantroStatus (*VantroCreateTensorBufferRequirementsFn)(
    int32_t num_buffer_types, const int32_t* buffer_types, size_t buffer_size,
    int32_t num_strides, const uint32_t* strides,
    VantroTensorBufferRequirementsT** requirements);
typedef VantroStatus (*VantroGetOpaqueOptionsFn)(VantroOptionsT* options,
                                                VantroOpaqueOptionsT** opaque);
typedef VantroStatus (*VantroFindOpaqueOptionsDataFn)(
    VantroOpaqueOptionsT* opaque, const char* identifier, void** data);
typedef VantroStatus (*VantroGetEnvironmentOptionsFn)(
    VantroEnvironmentT* environment, VantroEnvironmentOptionsT** options);
typedef VantroStatus (*VantroGetEnvironmentOptionFn)(
    VantroEnvironmentOptionsT* options, int32_t tag, VantroAnyT* value);
typedef VantroStatus (*VantroGetTensorBufferTypeFn)(VantroTensorBufferT* buffer,
                                                   int32_t* type);
typedef VantroStatus (*VantroGetTensorBufferTensorTypeFn)(
    VantroTensorBufferT* buffer, VantroRankedTensorTypeT* tensor_type);
typedef VantroStatus (*VantroGetTensorBufferSizeFn)(VantroTensorBufferT* buffer,
                                                   size_t* size);
typedef VantroStatus (*VantroGetTensorBufferOffsetFn)(VantroTensorBufferT* buffer,
                                                     size_t* offset);
typedef VantroStatus (*VantroGetTensorBufferHostMemoryFn)(
    VantroTensorBufferT* buffer, void** host_memory);

// Slots the plug-in does not use are kept as plain pointers so that the
// offsets of the ones it does use stay where the host puts them.
typedef struct VantroHostApiTable {
  void* header;                                                     // 0x00
  VantroCreateTensorBufferRequirementsFn create_tensor_buffer_requirements;  // 0x08
  void* unused_0x10[8];                                             // 0x10-0x48
  VantroGetOpaqueOptionsFn get_opaque_options;                      // 0x50
  VantroFindOpaqueOptionsDataFn find_opaque_options_data;           // 0x58
  void* options_group_0x60;                                         // 0x60
  VantroGetEnvironmentOptionsFn get_environment_options;            // 0x68
  VantroGetEnvironmentOptionFn get_environment_option;              // 0x70
  void* unused_0x78[8];                                             // 0x78-0xB0
  VantroGetTensorBufferTypeFn get_tensor_buffer_type;               // 0xB8
  VantroGetTensorBufferTensorTypeFn get_tensor_buffer_tensor_type;  // 0xC0
  VantroGetTensorBufferSizeFn get_tensor_buffer_size;               // 0xC8
  void* unused_0xd0;                                                // 0xD0
  VantroGetTensorBufferOffsetFn get_tensor_buffer_offset;           // 0xD8
  void* unused_0xe0[2];                                             // 0xE0-0xE8
  VantroGetTensorBufferHostMemoryFn get_tensor_buffer_host_memory;  // 0xF0
} VantroHostApiTable;

#ifdef __cplusplus
}  // extern "C"

static_assert(sizeof(void*) == 8, "the host table holds 64-bit pointers");
static_assert(offsetof(VantroHostApiTable, create_tensor_buffer_requirements) == 0x08, "");
static_assert(offsetof(VantroHostApiTable, get_opaque_options) == 0x50, "");
static_assert(offsetof(VantroHostApiTable, find_opaque_options_data) == 0x58, "");
static_assert(offsetof(VantroHostApiTable, get_environment_options) == 0x68, "");
static_assert(offsetof(VantroHostApiTable, get_environment_option) == 0x70, "");
static_assert(offsetof(VantroHostApiTable, get_tensor_buffer_type) == 0xB8, "");
static_assert(offsetof(VantroHostApiTable, get_tensor_buffer_tensor_type) == 0xC0, "");
static_assert(offsetof(VantroHostApiTable, get_tensor_buffer_size) == 0xC8, "");
static_assert(offsetof(VantroHostApiTable, get_tensor_buffer_offset) == 0xD8, "");
static_assert(offsetof(VantroHostApiTable, get_tensor_buffer_host_memory) == 0xF0, "");
static_assert(offsetof(VantroAnyT, value) == 8 && sizeof(VantroAnyT) == 16, "");
static_assert(sizeof(VantroRankedTensorTypeT) == 72, "");
#endif

#endif  // VANTRO_C_VANTRO_HOST_API_H_
