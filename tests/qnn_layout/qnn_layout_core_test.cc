// Our declarations of QNN's core, system and saver interfaces have the published layout:
// every record, field, constant and function type of core_facts.inc is a
// compile-time assertion, so drift fails the build.
#include "gtest/gtest.h"

// The headers, then the macros that turn the facts into assertions on them,
// then the facts: in this order.
// clang-format off
#include "core_headers.h"
#include "static_checks.h"
#include "core_facts.inc"
// clang-format on

namespace {

TEST(QnnLayoutCore, DeclarationsHaveThePublishedLayout) { SUCCEED(); }

}  // namespace
