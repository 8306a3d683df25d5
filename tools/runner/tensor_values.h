// Reading and making tensor contents: the real values a buffer holds,
// decoded by the tensor's data type and quantisation, and seeded contents
// that suit the data type.
#ifndef VANTRO_TOOLS_RUNNER_TENSOR_VALUES_H_
#define VANTRO_TOOLS_RUNNER_TENSOR_VALUES_H_

#include <cstddef>
#include <cstdint>
#include <vector>

#include "absl/types/span.h"
#include "tools/runner/tensor_spec.h"

namespace vantro::runner {

// Bytes one element of a QNN data type occupies; 0 for unknown types.
size_t ElementSize(uint32_t qnn_data_type);

// Whether the data type can be decoded into numbers.
bool IsDecodable(uint32_t qnn_data_type);

// The first `max_count` elements of `bytes` (all of them when max_count is
// larger) as real numbers: floats as they are, integers as their values,
// quantised tensors dequantised (real = scale * (stored + offset)). Stops
// at the last whole element the bytes hold; empty for undecodable types.
std::vector<double> DecodeValues(const TensorSpec& spec, absl::Span<const uint8_t> bytes,
                                 size_t max_count = SIZE_MAX);

// Whether DecodeValues gives dequantised values for this tensor rather than
// the stored numbers.
bool IsQuantized(const TensorSpec& spec);

// `byte_size` bytes of contents for `spec`, the same for the same seed on
// every platform: floats uniform in [-1, 1), fixed-point types uniform over
// the whole stored range (their scale makes them meaningful), plain
// integers uniform in [-100, 100] (unsigned: [0, 100]), bools 0 or 1, and
// random bytes for anything else. `stream` tells tensors of one run apart.
std::vector<uint8_t> GenerateContents(const TensorSpec& spec, uint64_t byte_size, uint64_t seed,
                                      uint64_t stream);

// IEEE half precision, round to nearest even, and back.
uint16_t FloatToHalf(float value);
float HalfToFloat(uint16_t half);

}  // namespace vantro::runner

#endif  // VANTRO_TOOLS_RUNNER_TENSOR_VALUES_H_
