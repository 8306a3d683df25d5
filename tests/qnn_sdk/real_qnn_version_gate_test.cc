// The plug-in, loaded like a host loads it, against the SDK's real QNN
// libraries: they are older than what it requires, so initialisation must
// refuse them with their true version numbers, unload them, and leave the
// next initialisation clean.
#include <string>

#include "gmock/gmock.h"
#include "gtest/gtest.h"
#include "sim/qnn/sim_qnn.h"
#include "tests/qnn_sdk/sdk_libraries.h"
#include "tests/support/plugin_harness.h"

namespace vantro::testing {
namespace {

using ::testing::ContainsRegex;
using ::testing::Contains;
using ::testing::Not;
using ::testing::internal::CaptureStderr;
using ::testing::internal::GetCapturedStderr;

std::string SimLibrary(const std::string& file) {
  return std::string(VANTRO_SIM_QNN_DIR) + "/" + file;
}

class RealQnnVersionGateTest : public ::testing::Test {
 protected:
  void SetUp() override {
    LoadSdkRuntime();
    vantro::sim::Reset();
    live_before_ = vantro::sim::LiveHandleCount();
  }

  // After a refused initialisation: nothing of `lib_dir` stays mapped, the
  // simulation holds no more handles than before, and initialising again
  // with the simulated libraries works.
  void ExpectCleanAfterRefusal(const std::string& lib_dir) {
    EXPECT_FALSE(MapsAnythingFrom(lib_dir)) << "a library of " << lib_dir << " stayed loaded";
    EXPECT_EQ(vantro::sim::LiveHandleCount(), live_before_);
    PluginRoad road;
    CaptureStderr();
    EXPECT_EQ(road.Initialize(PayloadWithSimLibraries()), kVantroStatusOk);
    const std::string log = GetCapturedStderr();
    EXPECT_THAT(log, Not(ContainsRegex("mismatched|not supported"))) << log;
    EXPECT_THAT(vantro::sim::LoadedLibraries(), Contains("QnnSystem.dll"));
    EXPECT_THAT(vantro::sim::LoadedLibraries(), Contains("QnnHtp.dll"));
  }

  int live_before_ = 0;
};

TEST_F(RealQnnVersionGateTest, RefusesTheRealSystemLibraryWithItsVersion) {
  const std::string lib_dir =
      LibraryDirWith("real_system", {{"QnnSystem.dll", SdkLibrary("libQnnSystem.so")},
                                     {"QnnHtp.dll", SimLibrary("QnnHtp.dll")}});
  PluginRoad road;
  CaptureStderr();
  EXPECT_NE(road.Initialize("qnn_lib_dir = \"" + lib_dir + "\"\n"), kVantroStatusOk);
  const std::string log = GetCapturedStderr();
  EXPECT_THAT(log, ContainsRegex(
                       "ERROR: \\[qnn_manager:[0-9]+\\] Qnn System library version 1\\.1\\.0 is "
                       "mismatched\\. The minimum supported version is 1\\.16\\.0\\. Please make "
                       "sure you have the correct library version\\.\n"))
      << log;
  ExpectCleanAfterRefusal(lib_dir);
}

TEST_F(RealQnnVersionGateTest, RefusesTheRealSaverWithItsCoreVersion) {
  const std::string lib_dir =
      LibraryDirWith("real_saver", {{"QnnSystem.dll", SimLibrary("QnnSystem.dll")},
                                    {"QnnSaver.dll", SdkLibrary("libQnnSaver.so")}});
  const std::string saver_dir = ScratchDir("real_saver_output");
  PluginRoad road;
  CaptureStderr();
  EXPECT_NE(road.Initialize("qnn_lib_dir = \"" + lib_dir + "\"\nsaver_output_dir = \"" +
                            saver_dir + "\"\n"),
            kVantroStatusOk);
  const std::string log = GetCapturedStderr();
  EXPECT_THAT(log, ContainsRegex(
                       "ERROR: \\[qnn_manager:[0-9]+\\] Qnn library version 2\\.7\\.2 is "
                       "mismatched\\. The minimum supported version is 2\\.41\\.0\\. Please make "
                       "sure you have the correct library version\\.\n"))
      << log;
  ExpectCleanAfterRefusal(lib_dir);
}

}  // namespace
}  // namespace vantro::testing
