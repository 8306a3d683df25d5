// The standard logger's filtering and line format, the wrappers' argument
// checks and the "[file:line] " convention.
#include "cc/vantro_logging.h"

#include <string>

#include "gmock/gmock.h"
#include "gtest/gtest.h"

namespace {

using ::testing::internal::CaptureStderr;
using ::testing::internal::GetCapturedStderr;

class LoggingTest : public ::testing::Test {
 protected:
  void TearDown() override { VantroSetMinLoggerSeverity(logger_, kVantroLogInfo); }
  VantroLoggerT* logger_ = VantroGetCurrentLogger();
};

TEST_F(LoggingTest, PrintsSeverityNameAndTextAtOrAboveTheMinimum) {
  struct Case {
    const char* name;
    VantroLogSeverity minimum;
    VantroLogSeverity severity;
    std::string expected;
  };
  const Case cases[] = {
      {"warning at info", kVantroLogInfo, kVantroLogWarning, "WARNING: text 7\n"},
      {"warning at error", kVantroLogError, kVantroLogWarning, ""},
      {"info at info", kVantroLogInfo, kVantroLogInfo, "INFO: text 7\n"},
      {"verbose at verbose", kVantroLogVerbose, kVantroLogVerbose, "VERBOSE: text 7\n"},
      {"debug when negative", kVantroLogDebug, kVantroLogDebug, "<Unknown severity>: text 7\n"},
      {"debug at verbose", kVantroLogVerbose, kVantroLogDebug, ""},
      {"silent line", kVantroLogInfo, kVantroLogSilent, "SILENT: text 7\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_EQ(VantroSetMinLoggerSeverity(logger_, c.minimum), kVantroStatusOk);
    CaptureStderr();
    EXPECT_EQ(VantroLoggerLog(logger_, c.severity, "text %d", 7), kVantroStatusOk);
    EXPECT_EQ(GetCapturedStderr(), c.expected);
  }
}

TEST_F(LoggingTest, WrappersRejectNullArguments) {
  VantroLogSeverity severity;
  EXPECT_EQ(VantroGetMinLoggerSeverity(nullptr, &severity), kVantroStatusInvalidArgument);
  EXPECT_EQ(VantroGetMinLoggerSeverity(logger_, nullptr), kVantroStatusInvalidArgument);
  EXPECT_EQ(VantroSetMinLoggerSeverity(nullptr, kVantroLogInfo), kVantroStatusInvalidArgument);
  EXPECT_EQ(VantroLoggerLog(nullptr, kVantroLogInfo, "x"), kVantroStatusInvalidArgument);
  EXPECT_EQ(VantroLoggerLog(logger_, kVantroLogInfo, nullptr), kVantroStatusInvalidArgument);
}

TEST_F(LoggingTest, MinimumSeverityStartsAtInfoAndIsSharedByAllInstances) {
  VantroLogSeverity severity = 0;
  ASSERT_EQ(VantroGetMinLoggerSeverity(logger_, &severity), kVantroStatusOk);
  EXPECT_EQ(severity, kVantroLogInfo);
  VantroStandardLoggerT other;
  other.SetMinSeverity(kVantroLogError);
  EXPECT_EQ(logger_->GetMinSeverity(), kVantroLogError);
  EXPECT_STREQ(logger_->GetIdentifier(), "VantroDefaultLogger");
  EXPECT_EQ(VantroGetCurrentLogger(), logger_);
}

TEST_F(LoggingTest, LogLinesCarryTheFileNameAndLine) {
  CaptureStderr();
  VANTRO_LOG_WARNING("value %s", "v");
  VANTRO_LOG_DEBUG("hidden");
  EXPECT_THAT(GetCapturedStderr(),
              ::testing::MatchesRegex("WARNING: \\[vantro_logging_test:[0-9]+\\] value v\n"));
}

TEST_F(LoggingTest, FilteredLinesDoNotEvaluateTheirArguments) {
  VantroSetMinLoggerSeverity(logger_, kVantroLogError);
  int evaluations = 0;
  auto count = [&] { return ++evaluations; };
  CaptureStderr();
  VANTRO_LOG_INFO("%d", count());
  EXPECT_EQ(GetCapturedStderr(), "");
  EXPECT_EQ(evaluations, 0);
}

}  // namespace
