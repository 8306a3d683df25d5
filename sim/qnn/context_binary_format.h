// The simulated QNN's context-binary format: what a binary holds in memory,
// and its byte layout (writer and reader). The layout is described in
// README_context_binary.md.
//
// The reader never trusts its input: every length and count is checked
// against the bytes that remain, references between tensors and ops are
// resolved, and anything that does not fit is refused with a reason.
#ifndef VANTRO_SIM_QNN_CONTEXT_BINARY_FORMAT_H_
#define VANTRO_SIM_QNN_CONTEXT_BINARY_FORMAT_H_

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "QnnTypes.h"
#include "sim/qnn/sim_qnn.h"

namespace vantro::sim {

// First eight bytes of every simulated context binary.
inline constexpr char kContextBinaryMagic[8] = {'V', 'Q', 'N', 'N', 'C', 'T', 'X', 'B'};
// The layout version this reader and writer speak.
inline constexpr uint32_t kContextBinaryFormatVersion = 1;

// One tensor: what systemContextGetBinaryInfo describes and graphExecute
// reads or writes.
struct ContextBinaryTensor {
  uint32_t id = 0;
  std::string name;
  uint32_t type = QNN_TENSOR_TYPE_NATIVE;  // QNN tensor type (0 app write ... 4 static)
  uint32_t data_format = 0;
  uint32_t data_type = QNN_DATATYPE_FLOAT_32;
  std::vector<uint32_t> dimensions;
  // Quantisation as QNN spells it. Definition 1 with encoding 0 uses
  // `scale`/`offset`, with encoding 1 uses `axis`/`scale_offsets`; any other
  // pair is carried as is (so tests can hand out encodings QNN does not know).
  uint32_t encoding_definition = QNN_DEFINITION_UNDEFINED;
  uint32_t encoding = QNN_QUANTIZATION_ENCODING_UNDEFINED;
  float scale = 0.0f;
  int32_t offset = 0;
  int32_t axis = 0;
  std::vector<Qnn_ScaleOffset_t> scale_offsets;
  // Constant contents (static tensors); empty when there are none.
  std::vector<uint8_t> data;
  // Version of the QNN tensor record handed out for this tensor (1 or 2;
  // other values are passed through for tests). For version 2, a non-empty
  // `dynamic_dimensions` (one flag per dimension) is handed out as the
  // record's dynamic-dimensions array; empty hands out null.
  uint32_t record_version = 1;
  std::vector<uint8_t> dynamic_dimensions;

  bool HasScaleOffset() const {
    return encoding_definition == QNN_DEFINITION_DEFINED &&
           encoding == QNN_QUANTIZATION_ENCODING_SCALE_OFFSET;
  }
  bool HasAxisScaleOffset() const {
    return encoding_definition == QNN_DEFINITION_DEFINED &&
           encoding == QNN_QUANTIZATION_ENCODING_AXIS_SCALE_OFFSET;
  }
};

// The ops graphExecute knows. Numbers are stored in the binary.
enum class OpKind : uint32_t {
  kCopy = 1,            // 1 input, 1 output of the same byte size
  kAdd = 2,             // 2 inputs, 1 output, same element count
  kMul = 3,             // 2 inputs, 1 output, same element count
  kRelu = 4,            // 1 input, 1 output, same element count
  kFullyConnected = 5,  // input [batch, in], weights [out, in], optional bias [out] -> [batch, out]
  kDequantize = 6,      // 1 quantised input, 1 floating-point output, same element count
};

// The op's name in text descriptions ("copy", "add", ...); null when unknown.
VANTRO_SIM_QNN_API const char* OpKindName(OpKind kind);
// The op kind of a name; false when unknown.
VANTRO_SIM_QNN_API bool OpKindFromName(const std::string& name, OpKind* kind);

// One named numeric parameter of an op (carried; no op needs one today).
struct ContextBinaryParam {
  std::string name;
  double value = 0.0;
};

// One op of a graph: tensors by id.
struct ContextBinaryOp {
  OpKind kind = OpKind::kCopy;
  std::vector<uint32_t> inputs;
  std::vector<uint32_t> outputs;
  std::vector<ContextBinaryParam> params;
};

// One graph: all its tensors, which of them are the graph's inputs and
// outputs (in the order QNN reports them), and its ops in execution order.
struct ContextBinaryGraph {
  std::string name;
  std::vector<ContextBinaryTensor> tensors;
  std::vector<uint32_t> inputs;
  std::vector<uint32_t> outputs;
  std::vector<ContextBinaryOp> ops;
  // Version of this graph's graph-info record; 0 follows SetBinaryInfoVersions.
  // Lets a test give one graph of several a version QNN does not know.
  uint32_t info_version = 0;

  // The tensor with `id`, or null.
  VANTRO_SIM_QNN_API const ContextBinaryTensor* FindTensor(uint32_t id) const;
};

// A whole context binary.
struct ContextBinary {
  std::string build_id = "v2.41.0.250101";
  Qnn_ApiVersion_t api_version{{2, 41, 0}, {5, 41, 0}};  // core, then backend
  uint32_t soc_model = 0;
  std::vector<ContextBinaryTensor> context_tensors;
  std::vector<ContextBinaryGraph> graphs;
};

// Bytes a tensor's contents take (element size times element count); 0 for
// a data type without a size. False when the count overflows 64 bits.
VANTRO_SIM_QNN_API bool TensorByteSize(const ContextBinaryTensor& tensor, uint64_t* size);
// Element size of a QNN data type, 0 when unknown.
VANTRO_SIM_QNN_API uint32_t DataTypeByteSize(uint32_t data_type);

// Checks that a binary is one the simulation can load and run: ids unique
// per graph, inputs, outputs and op operands resolve, op arities, element
// counts and data types fit, static data has the tensor's size. Returns an
// empty text when it is, the first reason otherwise.
VANTRO_SIM_QNN_API std::string ValidateContextBinary(const ContextBinary& binary);

// Serialises a binary. The result is read back by ReadContextBinary to an
// equal value.
VANTRO_SIM_QNN_API std::vector<uint8_t> WriteContextBinary(const ContextBinary& binary);

// Parses `size` bytes at `bytes` and validates the result. On failure
// returns false and sets `error` (when given); `binary` is then unspecified.
VANTRO_SIM_QNN_API bool ReadContextBinary(const void* bytes, uint64_t size, ContextBinary* binary,
                                          std::string* error = nullptr);

}  // namespace vantro::sim

#endif  // VANTRO_SIM_QNN_CONTEXT_BINARY_FORMAT_H_
