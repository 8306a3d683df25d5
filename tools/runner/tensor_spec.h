// What the runner knows of one graph tensor, taken from the context binary's
// metadata: enough to ask the plug-in for its buffer, fill it, decode it and
// name its file. Plain values only, so that nothing outlives the QNN
// libraries the metadata was read with.
#ifndef VANTRO_TOOLS_RUNNER_TENSOR_SPEC_H_
#define VANTRO_TOOLS_RUNNER_TENSOR_SPEC_H_

#include <cstdint>
#include <string>
#include <vector>

#include "c/vantro_host_api.h"
#include "cc/vantro_expected.h"

namespace vantro::runner {

// A tensor's quantisation: real = scale * (stored + offset), with one pair
// for the whole tensor or one per index along `axis`.
struct Quantization {
  enum class Kind { kNone, kScaleOffset, kAxisScaleOffset };
  Kind kind = Kind::kNone;
  int32_t axis = 0;
  std::vector<float> scales;
  std::vector<int32_t> offsets;
};

struct TensorSpec {
  std::string name;
  uint32_t qnn_data_type = 0;
  uint32_t qnn_tensor_type = 0;
  std::vector<uint32_t> dimensions;
  Quantization quantization;
  // The size QNN gives the tensor (0 when its data type has no size).
  uint64_t byte_size = 0;
  // An output the plug-in writes to its dump directory instead of the
  // host's buffer (see model_metadata.h).
  bool is_dump_output = false;
};

// The short name of a QNN data type ("float32", "ufixed8", or "0x%04x").
std::string DataTypeName(uint32_t qnn_data_type);

// The host element type code whose storage matches a QNN data type: plain
// types map to their own kind, fixed-point types to the integer type that
// stores them. 0 (NOTYPE) for a type the host has no code for.
int32_t HostElementType(uint32_t qnn_data_type);

// The number of elements (1 for rank 0).
uint64_t ElementCount(const TensorSpec& spec);

// The host's tensor type record for `spec`; fails when the tensor has no
// host element type, more than 8 dimensions or a dimension beyond int32.
[[nodiscard]] Expected<VantroRankedTensorTypeT> HostTensorType(const TensorSpec& spec);

// "1x8" style shape text ("scalar" for rank 0).
std::string ShapeText(const std::vector<uint32_t>& dimensions);

// A file name for a tensor's bytes: the name with every character other
// than letters, digits, '.', '-' and '_' replaced by '_', so a name taken
// from the model cannot leave the output directory; names that would still
// mean a directory ("", ".", "..") get a leading '_'.
std::string SafeFileStem(const std::string& tensor_name);

}  // namespace vantro::runner

#endif  // VANTRO_TOOLS_RUNNER_TENSOR_SPEC_H_
