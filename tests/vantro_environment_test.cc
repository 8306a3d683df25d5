// The environment seam: what it writes is what the process (and so every
// library loaded later) reads.
#include "cc/internal/vantro_environment.h"

#include <cstdlib>
#include <optional>
#include <string>

#include "gtest/gtest.h"

namespace vantro {
namespace {

constexpr char kName[] = "VANTRO_ENVIRONMENT_TEST_VARIABLE";

TEST(EnvironmentTest, WritesReadsAndRemovesAVariable) {
  ASSERT_TRUE(RemoveEnvironmentVariable(kName));
  EXPECT_EQ(ReadEnvironmentVariable(kName), std::nullopt);

  ASSERT_TRUE(WriteEnvironmentVariable(kName, "D;X"));
  EXPECT_EQ(ReadEnvironmentVariable(kName), std::optional<std::string>("D;X"));
  // The C runtime's own view, which the QNN libraries read.
  ASSERT_NE(std::getenv(kName), nullptr);
  EXPECT_STREQ(std::getenv(kName), "D;X");

  ASSERT_TRUE(WriteEnvironmentVariable(kName, "replaced"));
  EXPECT_EQ(ReadEnvironmentVariable(kName), std::optional<std::string>("replaced"));

  ASSERT_TRUE(RemoveEnvironmentVariable(kName));
  EXPECT_EQ(ReadEnvironmentVariable(kName), std::nullopt);
  EXPECT_EQ(std::getenv(kName), nullptr);
}

TEST(EnvironmentTest, RefusedWritesReportFailure) {
  // setenv refuses a name with "=" in it.
  EXPECT_FALSE(WriteEnvironmentVariable("VANTRO=BROKEN", "x"));
}

}  // namespace
}  // namespace vantro
