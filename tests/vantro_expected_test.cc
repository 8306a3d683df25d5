// Error chaining through the per-thread pending error, LocatedError
// annotation and the Expected accessors.
#include "cc/vantro_expected.h"

#include <string>
#include <thread>

#include "cc/vantro_logging.h"
#include "gmock/gmock.h"
#include "gtest/gtest.h"

namespace vantro {
namespace {

constexpr char kVantroSourcePath[] = "vendors/qualcomm/dispatch/dispatch_api";

class ExpectedTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ClearPendingError();
    VantroSetMinLoggerSeverity(VantroGetCurrentLogger(), kVantroLogInfo);
  }
  void TearDown() override {
    ClearPendingError();
    VantroSetMinLoggerSeverity(VantroGetCurrentLogger(), kVantroLogInfo);
  }
};

const std::string kSep = "\n\xE2\x94\x94 ";

TEST_F(ExpectedTest, ChainsThePendingErrorOfTheSameStatusAndDropsOthers) {
  struct Case {
    const char* name;
    Status pending_status;
    std::string pending;
    Status status;
    std::string message;
    std::string expected;
  };
  const Case cases[] = {
      {"same status chains", Status::RuntimeFailure, "A", Status::RuntimeFailure, "M", "M" + kSep + "A"},
      {"other status drops", Status::RuntimeFailure, "A", Status::NotFound, "M", "M"},
      {"empty message takes pending", Status::RuntimeFailure, "A", Status::RuntimeFailure, "", "A"},
      {"containing message not extended", Status::RuntimeFailure, "A", Status::RuntimeFailure,
       "xAy", "xAy"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ClearPendingError();
    ToStatus(Error(c.pending_status, c.pending));
    Error error(c.status, c.message);
    EXPECT_EQ(error.status(), c.status);
    EXPECT_EQ(error.message(), c.expected);
    EXPECT_FALSE(PeekPendingError(nullptr, nullptr)) << "the pending error is consumed";
  }
}

TEST_F(ExpectedTest, ToStatusParksOnlyNonEmptyMessages) {
  EXPECT_EQ(ToStatus(Error(Status::RuntimeFailure, "A")), Status::RuntimeFailure);
  EXPECT_EQ(ToStatus(Status::NotFound, ""), Status::NotFound);
  Status status;
  std::string message;
  ASSERT_TRUE(PeekPendingError(&status, &message));
  EXPECT_EQ(status, Status::RuntimeFailure);
  EXPECT_EQ(message, "A");
}

TEST_F(ExpectedTest, PendingErrorsArePerThread) {
  ToStatus(Error(Status::RuntimeFailure, "main"));
  std::string other_message;
  std::thread([&] {
    ToStatus(Error(Status::RuntimeFailure, "other"));
    other_message = Error(Status::RuntimeFailure, "outer").message();
  }).join();
  EXPECT_EQ(other_message, "outer" + kSep + "other");
  EXPECT_EQ(Error(Status::RuntimeFailure, "outer").message(), "outer" + kSep + "main");
}

TEST_F(ExpectedTest, LocatedErrorIsAnnotatedWithItsPlace) {
  Error empty = LocatedError(Status::InvalidArgument, "", "cc/vantro_layout", 140);
  EXPECT_EQ(empty.status(), Status::InvalidArgument);
  EXPECT_EQ(empty.message(), "ERROR: [cc/vantro_layout:140]");

  Error with_message = LocatedError(Status::InvalidArgument, "M", "cc/vantro_layout", 140);
  EXPECT_EQ(with_message.message(), "ERROR: [cc/vantro_layout:140]" + kSep + "M");
  EXPECT_FALSE(PeekPendingError(nullptr, nullptr));
}

TEST_F(ExpectedTest, LocatedErrorUnderSilentKeepsOnlyItsMessage) {
  VantroSetMinLoggerSeverity(VantroGetCurrentLogger(), kVantroLogSilent);
  Error error = LocatedError(Status::RuntimeFailure, "M", "cc/vantro_layout", 7);
  EXPECT_EQ(error.message(), "M");
}

TEST_F(ExpectedTest, LocatedErrorChainsAnOlderCauseOfItsStatus) {
  ToStatus(Error(Status::RuntimeFailure, "cause"));
  Error error = VANTRO_LOCATED_ERROR(Status::RuntimeFailure, "");
  EXPECT_THAT(error.message(),
              ::testing::MatchesRegex("ERROR: \\[vendors/qualcomm/dispatch/dispatch_api:[0-9]+\\]"
                                      "\n\xE2\x94\x94 cause"));
}

Expected<int> Half(int value) {
  if (value % 2 != 0) return Error(Status::InvalidArgument, "odd");
  return value / 2;
}

Expected<void> Quarter(int value, int* out) {
  auto half = Half(value);
  if (!half.HasValue()) return half.GetError();
  auto quarter = Half(*half);
  if (!quarter) return quarter.GetError();
  *out = quarter.Value();
  return {};
}

TEST_F(ExpectedTest, CarriesValuesAndErrors) {
  int out = 0;
  EXPECT_TRUE(Quarter(8, &out).HasValue());
  EXPECT_EQ(out, 2);
  auto failed = Quarter(6, &out);
  ASSERT_FALSE(failed.HasValue());
  EXPECT_EQ(failed.GetError().message(), "odd");

  Expected<std::string> text = std::string("abc");
  Expected<std::string> moved = std::move(text);
  EXPECT_EQ(*moved, "abc");
}

// Only errors take over the pending error: successes, their copies and
// assignments leave it for the next error of its status.
TEST_F(ExpectedTest, SuccessLeavesThePendingErrorAlone) {
  Expected<void> assigned = Error(Status::NotFound, "gone");
  ToStatus(Error(Status::RuntimeFailure, "A"));
  Expected<void> ok;
  Expected<void> copy = ok;
  assigned = copy;
  EXPECT_TRUE(ok.HasValue());
  EXPECT_TRUE(assigned.HasValue());
  int out = 0;
  EXPECT_TRUE(Quarter(8, &out).HasValue());
  EXPECT_EQ(Error(Status::RuntimeFailure, "M").message(), "M" + kSep + "A");

  Expected<void> failed = Error(Status::InvalidArgument, "E");
  Expected<void> failed_copy = failed;
  Expected<void> moved = std::move(failed_copy);
  ASSERT_FALSE(moved.HasValue());
  EXPECT_EQ(moved.GetError().status(), Status::InvalidArgument);
  EXPECT_EQ(moved.GetError().message(), "E");
}

TEST_F(ExpectedTest, ReadingTheWrongAlternativeIsFatal) {
  EXPECT_DEATH(
      {
        Expected<int> failed = Error(Status::RuntimeFailure, "x");
        (void)failed.Value();
      },
      "Vantro check failed: HasValue\\(\\) at cc/vantro_expected:[0-9]+");
  EXPECT_DEATH(
      {
        Expected<int> value = 1;
        (void)value.GetError();
      },
      "Vantro check failed: !HasValue\\(\\) at cc/vantro_expected:[0-9]+");
}

}  // namespace
}  // namespace vantro
