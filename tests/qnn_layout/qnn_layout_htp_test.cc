// Our declarations of QNN's HTP interface have the published layout:
// every record, field, constant and function type of htp_facts.inc is a
// compile-time assertion, so drift fails the build.
#include "gtest/gtest.h"

// The headers, then the macros that turn the facts into assertions on them,
// then the facts: in this order.
// clang-format off
#include "htp_headers.h"
#include "static_checks.h"
#include "htp_facts.inc"
// clang-format on

namespace {

TEST(QnnLayoutHtp, DeclarationsHaveThePublishedLayout) { SUCCEED(); }

}  // namespace
