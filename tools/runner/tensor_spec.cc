#include "tools/runner/tensor_spec.h"

#include <limits>

#include "absl/strings/str_format.h"
#include "absl/strings/str_join.h"
#include "vendors/qualcomm/qnn_interface.h"

namespace vantro::runner {
namespace {

struct DataTypeEntry {
  uint32_t qnn;
  const char* name;
  int32_t host;  // host element type code
};

// Host codes: 1 FLOAT32, 2 INT32, 3 UINT8, 4 INT64, 6 BOOL, 7 INT16, 9 INT8,
// 10 FLOAT16, 11 FLOAT64, 13 UINT64, 16 UINT32, 17 UINT16.
constexpr DataTypeEntry kDataTypes[] = {
    {QNN_DATATYPE_INT_8, "int8", 9},
    {QNN_DATATYPE_INT_16, "int16", 7},
    {QNN_DATATYPE_INT_32, "int32", 2},
    {QNN_DATATYPE_INT_64, "int64", 4},
    {QNN_DATATYPE_UINT_8, "uint8", 3},
    {QNN_DATATYPE_UINT_16, "uint16", 17},
    {QNN_DATATYPE_UINT_32, "uint32", 16},
    {QNN_DATATYPE_UINT_64, "uint64", 13},
    {QNN_DATATYPE_FLOAT_16, "float16", 10},
    {QNN_DATATYPE_FLOAT_32, "float32", 1},
    {QNN_DATATYPE_FLOAT_64, "float64", 11},
    {QNN_DATATYPE_SFIXED_POINT_8, "sfixed8", 9},
    {QNN_DATATYPE_SFIXED_POINT_16, "sfixed16", 7},
    {QNN_DATATYPE_SFIXED_POINT_32, "sfixed32", 2},
    {QNN_DATATYPE_UFIXED_POINT_8, "ufixed8", 3},
    {QNN_DATATYPE_UFIXED_POINT_16, "ufixed16", 17},
    {QNN_DATATYPE_UFIXED_POINT_32, "ufixed32", 16},
    {QNN_DATATYPE_BOOL_8, "bool8", 6},
};

const DataTypeEntry* FindDataType(uint32_t qnn_data_type) {
  for (const DataTypeEntry& entry : kDataTypes) {
    if (entry.qnn == qnn_data_type) return &entry;
  }
  return nullptr;
}

}  // namespace

std::string DataTypeName(uint32_t qnn_data_type) {
  const DataTypeEntry* entry = FindDataType(qnn_data_type);
  return entry != nullptr ? entry->name : absl::StrFormat("0x%04x", qnn_data_type);
}

int32_t HostElementType(uint32_t qnn_data_type) {
  const DataTypeEntry* entry = FindDataType(qnn_data_type);
  return entry != nullptr ? entry->host : 0;
}

uint64_t ElementCount(const TensorSpec& spec) {
  uint64_t count = 1;
  for (uint32_t d : spec.dimensions) count *= d;
  return count;
}

Expected<VantroRankedTensorTypeT> HostTensorType(const TensorSpec& spec) {
  VantroRankedTensorTypeT type{};
  type.element_type = HostElementType(spec.qnn_data_type);
  if (type.element_type == 0) {
    return Error(Status::Unsupported,
                 absl::StrFormat("tensor \"%s\": data type %s has no host element type", spec.name,
                                 DataTypeName(spec.qnn_data_type)));
  }
  if (spec.dimensions.size() > kVantroMaxRank) {
    return Error(Status::Unsupported,
                 absl::StrFormat("tensor \"%s\": rank %d is above the host's %d", spec.name,
                                 spec.dimensions.size(), kVantroMaxRank));
  }
  type.layout.rank_and_flags = static_cast<uint32_t>(spec.dimensions.size());
  for (size_t i = 0; i < spec.dimensions.size(); ++i) {
    if (spec.dimensions[i] > static_cast<uint32_t>(std::numeric_limits<int32_t>::max())) {
      return Error(Status::Unsupported,
                   absl::StrFormat("tensor \"%s\": dimension %d does not fit the host's record",
                                   spec.name, spec.dimensions[i]));
    }
    type.layout.dimensions[i] = static_cast<int32_t>(spec.dimensions[i]);
  }
  return type;
}

std::string ShapeText(const std::vector<uint32_t>& dimensions) {
  return dimensions.empty() ? "scalar" : absl::StrJoin(dimensions, "x");
}

std::string SafeFileStem(const std::string& tensor_name) {
  std::string stem = tensor_name;
  for (char& c : stem) {
    const bool keep = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                      c == '.' || c == '-' || c == '_';
    if (!keep) c = '_';
  }
  if (stem.empty() || stem == "." || stem == "..") stem.insert(0, "_");
  return stem;
}

}  // namespace vantro::runner
