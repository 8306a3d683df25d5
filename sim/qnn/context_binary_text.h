// Text descriptions of simulated context binaries: what
// vantro_make_context_binary reads. The syntax is described in
// README_context_binary.md.
#ifndef VANTRO_SIM_QNN_CONTEXT_BINARY_TEXT_H_
#define VANTRO_SIM_QNN_CONTEXT_BINARY_TEXT_H_

#include <string>

#include "absl/strings/string_view.h"
#include "sim/qnn/context_binary_format.h"
#include "sim/qnn/sim_qnn.h"

namespace vantro::sim {

// Parses a description into a binary and validates it. On failure returns
// false and sets `error` to "line <n>: <reason>" (or the validation reason).
VANTRO_SIM_QNN_API bool ParseContextBinaryText(absl::string_view text, ContextBinary* binary,
                                               std::string* error);

// The name of a QNN data type in descriptions ("float32", "ufixed8", ...),
// or its code in hexadecimal when it has none.
VANTRO_SIM_QNN_API std::string DataTypeName(uint32_t data_type);

}  // namespace vantro::sim

#endif  // VANTRO_SIM_QNN_CONTEXT_BINARY_TEXT_H_
