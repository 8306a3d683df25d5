// The saver standing in for the backend library, against the simulated QNN.
#include "vendors/qualcomm/qnn_saver_utils.h"

#include <algorithm>
#include <string>
#include <vector>

#include "absl/strings/match.h"
#include "absl/strings/str_cat.h"
#include "gmock/gmock.h"
#include "gtest/gtest.h"
#include "sim/qnn/sim_qnn.h"
#include "tests/support/qnn_manager_test_support.h"
#include "vendors/qualcomm/backends/qnn_options.h"
#include "vendors/qualcomm/qnn_manager.h"

namespace vantro::qualcomm {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::UnorderedElementsAre;
using testing_support::Containing;
using testing_support::LinesFrom;
using testing_support::SimDir;
using testing_support::SimOptions;

constexpr char kSaverDir[] = "/tmp/vantro saver \"out\"";

size_t IndexOf(const std::vector<std::string>& names, const std::string& name) {
  return static_cast<size_t>(std::find(names.begin(), names.end(), name) - names.begin());
}

using SaverTest = testing_support::QnnManagerFixture;

TEST_F(SaverTest, TheSaverStandsInForEveryBackendLibrary) {
  struct Case {
    qnn::BackendType type;
    const char* backend_file;
  };
  const std::vector<Case> cases = {
      {qnn::BackendType::kGpu, "libQnnGpu.so"}, {qnn::BackendType::kHtp, "QnnHtp.dll"},
      {qnn::BackendType::kDsp, "QnnDsp.dll"},   {qnn::BackendType::kIr, "QnnIr.dll"},
      {qnn::BackendType::kLpai, "QnnLpai.dll"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.backend_file);
    sim::Reset();
    qnn::Options options = SimOptions(c.type);
    options.SetSaverOutputDir(kSaverDir);
    std::vector<std::string> lines;
    auto manager = CreateCapturing(options, std::nullopt, &lines);
    ASSERT_TRUE(manager.HasValue()) << manager.GetError().message();

    EXPECT_THAT(sim::LoadedLibraries(), UnorderedElementsAre("QnnSystem.dll", "QnnSaver.dll"));
    EXPECT_EQ(manager.Value()->BackendLibrary().path(), SimDir() + "/QnnSaver.dll");
    EXPECT_THAT(Containing(lines, c.backend_file), IsEmpty());
    EXPECT_THAT(Containing(lines, "QnnSaver.dll"),
                ElementsAre(absl::StrCat("INFO: [qnn_manager:N] Loading qnn shared library from \"",
                                         SimDir(), "/QnnSaver.dll\"")));

    // Initialised once, with the directory, before its providers are read.
    EXPECT_EQ(sim::SaverOutputDirectory(), kSaverDir);
    EXPECT_EQ(sim::CountCalls("QnnSaver_initialize"), 1u);
    for (const sim::Call& call : sim::Calls()) {
      if (call.name == "QnnSaver_initialize") {
        EXPECT_EQ(call.detail,
                  "configs=[{option=0 output_directory=\"/tmp/vantro saver \\\"out\\\"\"}]");
      }
    }
    const std::vector<std::string> names = sim::CallNames();
    EXPECT_LT(IndexOf(names, "QnnSaver_initialize"), IndexOf(names, "QnnInterface_getProviders"));
    ASSERT_NE(manager.Value()->Api(), nullptr);
  }
}

TEST_F(SaverTest, AFailedInitialisationEndsSetUpWithTheLowSixteenBitsLogged) {
  sim::LibraryConfig config = sim::GetLibraryConfig(sim::Library::kSaver);
  config.saver_initialize_result = 0x10005;
  sim::SetLibraryConfig(sim::Library::kSaver, config);
  qnn::Options options = SimOptions(qnn::BackendType::kGpu);
  options.SetSaverOutputDir(kSaverDir);
  std::string captured;
  auto manager = CreateCapturing(options, std::nullopt, nullptr, &captured);
  ExpectSetUpFailure(manager, Status::DynamicLoadingFailure);
  EXPECT_THAT(LinesFrom(captured, "qnn_saver_utils"),
              ElementsAre("ERROR: [qnn_saver_utils:N] Qnn saver backend failed to initialize. "
                          "Error code: 5."));
  EXPECT_THAT(Containing(LinesFrom(captured), "Loaded qnn shared library"), IsEmpty());
  EXPECT_EQ(sim::CountCalls("QnnInterface_getProviders"), 0u);
}

TEST_F(SaverTest, NoSaverWithoutAnOutputDirectory) {
  auto manager = MustCreate(SimOptions(qnn::BackendType::kHtp));
  ASSERT_NE(manager, nullptr);
  EXPECT_THAT(sim::LoadedLibraries(), UnorderedElementsAre("QnnSystem.dll", "QnnHtp.dll"));
  EXPECT_EQ(sim::CountCalls("QnnSaver_initialize"), 0u);
}

TEST_F(SaverTest, AnUnsupportedBackendTypeIsRefusedBeforeTheSaverLoads) {
  qnn::Options options = SimOptions(qnn::BackendType::kUndefined);
  options.SetSaverOutputDir(kSaverDir);
  std::vector<std::string> lines;
  auto manager = CreateCapturing(options, std::nullopt, &lines);
  ExpectSetUpFailure(manager, Status::RuntimeFailure);
  EXPECT_THAT(Containing(lines, "QnnSaver.dll"), IsEmpty());
  EXPECT_EQ(sim::CountCalls("QnnSaver_initialize"), 0u);
}

TEST_F(SaverTest, ALibraryWithoutTheEntryPointReportsTheMissingSymbol) {
  auto manager = MustCreate(SimOptions(qnn::BackendType::kHtp));
  ASSERT_NE(manager, nullptr);
  ClearPendingError();
  EXPECT_EQ(InitializeSaver(*manager, kSaverDir), Status::DynamicLoadingFailure);
  Status pending_status = Status::Ok;
  std::string pending;
  ASSERT_TRUE(PeekPendingError(&pending_status, &pending));
  EXPECT_EQ(pending_status, Status::DynamicLoadingFailure);
  EXPECT_THAT(pending, HasSubstr("ERROR: [cc/internal/vantro_shared_library:"));
  EXPECT_THAT(pending, HasSubstr("Could not load symbol QnnSaver_initialize: "));
  EXPECT_EQ(sim::CountCalls("QnnSaver_initialize"), 0u);
  ClearPendingError();
}

}  // namespace
}  // namespace vantro::qualcomm
