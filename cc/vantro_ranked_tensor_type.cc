#include "cc/vantro_ranked_tensor_type.h"

#include "cc/vantro_layout.h"

namespace vantro {
namespace {
constexpr char kVantroSourcePath[] = "cc/vantro_ranked_tensor_type";
}  // namespace

bool GetElementWidth(int32_t element_type, ElementWidth* width) {
  switch (static_cast<ElementType>(element_type)) {
    case ElementType::kUInt8:
    case ElementType::kBool:
    case ElementType::kInt8:
    case ElementType::kFloat8E4M3FN:
    case ElementType::kFloat8E5M2: *width = {1, 1}; return true;
    case ElementType::kInt16:
    case ElementType::kFloat16:
    case ElementType::kUInt16:
    case ElementType::kBFloat16: *width = {2, 1}; return true;
    case ElementType::kFloat32:
    case ElementType::kInt32:
    case ElementType::kUInt32: *width = {4, 1}; return true;
    case ElementType::kInt64:
    case ElementType::kComplex64:
    case ElementType::kFloat64:
    case ElementType::kUInt64: *width = {8, 1}; return true;
    case ElementType::kInt4:
    case ElementType::kUInt4: *width = {1, 2}; return true;
    case ElementType::kInt2: *width = {1, 4}; return true;
    default: return false;
  }
}

Expected<uint64_t> ByteSize(const VantroRankedTensorTypeT& tensor_type) {
  auto count = NumElements(tensor_type.layout);
  if (!count) {
    return VANTRO_LOCATED_ERROR(count.GetError().status(), count.GetError().message());
  }
  ElementWidth width;
  if (!GetElementWidth(tensor_type.element_type, &width)) {
    return Error(Status::InvalidArgument);
  }
  const uint64_t n = *count;
  if (n > (UINT64_MAX - (width.divisor - 1)) / width.multiplier) {
    return VANTRO_LOCATED_ERROR(Status::InvalidArgument, "Byte size overflows");
  }
  return (n * width.multiplier + width.divisor - 1) / width.divisor;
}

}  // namespace vantro
