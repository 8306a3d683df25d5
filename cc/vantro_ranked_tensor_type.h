// Element types of host tensors, their storage widths and the byte size of a
// tensor type.
#ifndef VANTRO_CC_VANTRO_RANKED_TENSOR_TYPE_H_
#define VANTRO_CC_VANTRO_RANKED_TENSOR_TYPE_H_

#include <cstdint>

#include "c/vantro_host_api.h"
#include "cc/vantro_expected.h"

namespace vantro {

// Host element type codes.
enum class ElementType : int32_t {
  kNone = 0,
  kFloat32 = 1,
  kInt32 = 2,
  kUInt8 = 3,
  kInt64 = 4,
  kString = 5,
  kBool = 6,
  kInt16 = 7,
  kComplex64 = 8,
  kInt8 = 9,
  kFloat16 = 10,
  kFloat64 = 11,
  kComplex128 = 12,
  kUInt64 = 13,
  kResource = 14,
  kVariant = 15,
  kUInt32 = 16,
  kUInt16 = 17,
  kInt4 = 18,
  kBFloat16 = 19,
  kInt2 = 20,
  kUInt4 = 21,
  kFloat8E4M3FN = 22,
  kFloat8E5M2 = 23,
};

// Storage width as a multiplier and a power-of-two divisor, so sub-byte
// types round up: bytes(n) = (n * multiplier + divisor - 1) / divisor.
struct ElementWidth {
  uint32_t multiplier;
  uint32_t divisor;
};

// The width of a code, false for types without one.
bool GetElementWidth(int32_t element_type, ElementWidth* width);

// The byte size of a tensor of this type. A bad layout is passed up
// annotated at this file; a type without a width is InvalidArgument with an
// empty message.
Expected<uint64_t> ByteSize(const VantroRankedTensorTypeT& tensor_type);

}  // namespace vantro

#endif  // VANTRO_CC_VANTRO_RANKED_TENSOR_TYPE_H_
