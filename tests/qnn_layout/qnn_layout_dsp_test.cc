// Our declarations of QNN's DSP interface have the published layout:
// every record, field, constant and function type of dsp_facts.inc is a
// compile-time assertion, so drift fails the build.
#include "gtest/gtest.h"

// The headers, then the macros that turn the facts into assertions on them,
// then the facts: in this order.
// clang-format off
#include "dsp_headers.h"
#include "static_checks.h"
#include "dsp_facts.inc"
// clang-format on

namespace {

TEST(QnnLayoutDsp, DeclarationsHaveThePublishedLayout) { SUCCEED(); }

}  // namespace
