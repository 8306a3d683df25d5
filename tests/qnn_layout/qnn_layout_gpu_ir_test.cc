// Our declarations of QNN's GPU and IR interfaces have the published layout:
// every record, field, constant and function type of gpu_ir_facts.inc is a
// compile-time assertion, so drift fails the build.
#include "gtest/gtest.h"

// The headers, then the macros that turn the facts into assertions on them,
// then the facts: in this order.
// clang-format off
#include "gpu_ir_headers.h"
#include "static_checks.h"
#include "gpu_ir_facts.inc"
// clang-format on

namespace {

TEST(QnnLayoutGpuIr, DeclarationsHaveThePublishedLayout) { SUCCEED(); }

}  // namespace
