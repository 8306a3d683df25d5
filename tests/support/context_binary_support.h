// Simulated context binaries written in tests: a tensor or an op in one
// line.
#ifndef VANTRO_TESTS_SUPPORT_CONTEXT_BINARY_SUPPORT_H_
#define VANTRO_TESTS_SUPPORT_CONTEXT_BINARY_SUPPORT_H_

#include <cstdint>
#include <utility>
#include <vector>

#include "sim/qnn/context_binary_format.h"

namespace vantro::testing {

// A tensor of QNN tensor type `type`: float32 of four elements unless told.
inline vantro::sim::ContextBinaryTensor SimTensor(uint32_t id, const char* name, uint32_t type,
                                                  std::vector<uint32_t> dimensions = {4},
                                                  uint32_t data_type = QNN_DATATYPE_FLOAT_32) {
  vantro::sim::ContextBinaryTensor tensor;
  tensor.id = id;
  tensor.name = name;
  tensor.type = type;
  tensor.data_type = data_type;
  tensor.dimensions = std::move(dimensions);
  return tensor;
}

inline vantro::sim::ContextBinaryOp SimOp(vantro::sim::OpKind kind, std::vector<uint32_t> inputs,
                                          std::vector<uint32_t> outputs) {
  vantro::sim::ContextBinaryOp op;
  op.kind = kind;
  op.inputs = std::move(inputs);
  op.outputs = std::move(outputs);
  return op;
}

}  // namespace vantro::testing

#endif  // VANTRO_TESTS_SUPPORT_CONTEXT_BINARY_SUPPORT_H_
