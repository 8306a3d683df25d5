// The backend base and factory: which class CreateBackend makes, the custom
// op package, handle creation, and the QNN-layer diagnostics (QnnLog and the
// callback handed to QNN).
#include "vendors/qualcomm/backends/qnn_backend.h"

#include <cstdarg>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>

#include "gmock/gmock.h"
#include "gtest/gtest.h"
#include "sim/qnn/sim_qnn.h"
#include "tests/support/sim_backend_support.h"
#include "vendors/qualcomm/backends/dsp_backend.h"
#include "vendors/qualcomm/backends/gpu_backend.h"
#include "vendors/qualcomm/backends/htp_backend.h"
#include "vendors/qualcomm/backends/ir_backend.h"
#include "vendors/qualcomm/backends/lpai_backend.h"
#include "vendors/qualcomm/backends/qnn_log.h"
#include "vendors/qualcomm/backends/qnn_options.h"

namespace qnn {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using vantro::testing::CallsAmong;
using vantro::testing::ScopedQnnLogLevel;
using vantro::testing::SimCoreApi;
using vantro::testing::StderrCapture;
using vantro::sim::Library;

class QnnBackendTest : public ::testing::Test {
 protected:
  void SetUp() override {
    vantro::sim::Reset();
    live_before_ = vantro::sim::LiveHandleCount();
  }
  ScopedQnnLogLevel log_level_{kQnnLogInfo};
  int live_before_ = 0;
};

// ------------------------------------------------------------------ factory

TEST_F(QnnBackendTest, CreateBackendPicksTheClassByType) {
  const struct {
    const char* name;
    BackendType type;
    Library library;
    bool (*is_expected)(QnnBackend*);
  } cases[] = {
      {"Gpu", BackendType::kGpu, Library::kGpu,
       [](QnnBackend* b) { return dynamic_cast<GpuBackend*>(b) != nullptr; }},
      {"Htp", BackendType::kHtp, Library::kHtp,
       [](QnnBackend* b) { return dynamic_cast<HtpBackend*>(b) != nullptr; }},
      {"Dsp", BackendType::kDsp, Library::kDsp,
       [](QnnBackend* b) { return dynamic_cast<DspBackend*>(b) != nullptr; }},
      {"Ir", BackendType::kIr, Library::kIr,
       [](QnnBackend* b) { return dynamic_cast<IrBackend*>(b) != nullptr; }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const qnn::QnnApi* api = SimCoreApi(c.library);
    Options options;
    options.SetBackendType(c.type);
    std::unique_ptr<QnnBackend> backend = CreateBackend(api, options, std::nullopt, false);
    ASSERT_NE(backend, nullptr);
    EXPECT_TRUE(c.is_expected(backend.get()));
    EXPECT_EQ(backend->api(), api);
    EXPECT_NE(backend->BackendHandle(), nullptr);
    EXPECT_NE(backend->LogHandle(), nullptr);
    backend.reset();
    EXPECT_EQ(vantro::sim::LiveHandleCount(), live_before_);
  }
}

TEST_F(QnnBackendTest, CreateBackendMakesAnLpaiBackendWhenTheSocIsKnown) {
  Options options;
  options.SetBackendType(BackendType::kLpai);
  SocInfo soc;
  soc.lpai_hardware_version = 5;
  ScopedQnnLogLevel errors_only(kQnnLogError);
  std::unique_ptr<QnnBackend> backend =
      CreateBackend(SimCoreApi(Library::kLpai), options, soc, false);
  ASSERT_NE(backend, nullptr);
  EXPECT_NE(dynamic_cast<LpaiBackend*>(backend.get()), nullptr);
}

TEST_F(QnnBackendTest, UnknownBackendTypeGivesNullWithoutMessage) {
  for (BackendType type : {BackendType::kUndefined, static_cast<BackendType>(9)}) {
    SCOPED_TRACE(static_cast<int>(type));
    Options options;
    options.SetBackendType(type);
    StderrCapture capture;
    EXPECT_EQ(CreateBackend(SimCoreApi(Library::kHtp), options, std::nullopt, false), nullptr);
    EXPECT_EQ(capture.Text(), "");
    EXPECT_EQ(vantro::sim::CountCalls("logCreate"), 0u);
  }
}

TEST_F(QnnBackendTest, FailedInitGivesNullAndLeavesNoHandle) {
  const qnn::QnnApi* api = SimCoreApi(Library::kGpu);
  vantro::sim::FailCall("backendCreate", 2);
  Options options;
  options.SetBackendType(BackendType::kGpu);
  StderrCapture capture;
  EXPECT_EQ(CreateBackend(api, options, std::nullopt, false), nullptr);
  EXPECT_EQ(capture.Text(),
            "ERROR: [Qnn] failed to call backend create, 2\n"
            "ERROR: [Qnn] Failed to create backend handle.\n");
  EXPECT_EQ(vantro::sim::LiveHandleCount(), live_before_);
}

// ------------------------------------------------------- custom op package

void SetPackage(Options& options, const char* name = "MyOps") {
  options.SetCustomOpPackage(name, "MyOpsInterfaceProvider", "/pkg/libMyOps_cpu.so",
                             "/pkg/libMyOps_htp.so", "HTP");
}

std::string RegisterDetailWithoutBackend() {
  for (const vantro::sim::Call& call : vantro::sim::Calls()) {
    if (call.name != "backendRegisterOpPackage") continue;
    const size_t at = call.detail.find(" package_path=");
    return at == std::string::npos ? call.detail : call.detail.substr(at + 1);
  }
  return "<not registered>";
}

TEST_F(QnnBackendTest, CustomOpPackageIsRegisteredOnHtpWithThePathForTheUse) {
  const struct {
    const char* name;
    bool for_compilation;
    std::string expected;
  } cases[] = {
      {"execution", false,
       "package_path=\"/pkg/libMyOps_htp.so\" interface_provider=\"MyOpsInterfaceProvider\" "
       "target=\"HTP\""},
      {"compilation", true,
       "package_path=\"/pkg/libMyOps_cpu.so\" interface_provider=\"MyOpsInterfaceProvider\" "
       "target=\"CPU\""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const qnn::QnnApi* api = SimCoreApi(Library::kHtp);
    Options options;
    SetPackage(options);
    std::unique_ptr<QnnBackend> backend = CreateBackend(api, options, std::nullopt, c.for_compilation);
    ASSERT_NE(backend, nullptr);
    EXPECT_EQ(RegisterDetailWithoutBackend(), c.expected);
  }
}

TEST_F(QnnBackendTest, CustomOpPackageOnAnotherBackendIsIgnoredWithOneMessage) {
  Options options;
  options.SetBackendType(BackendType::kGpu);
  SetPackage(options);
  StderrCapture capture;
  std::unique_ptr<QnnBackend> backend =
      CreateBackend(SimCoreApi(Library::kGpu), options, std::nullopt, false);
  ASSERT_NE(backend, nullptr);
  EXPECT_EQ(capture.Text(),
            "INFO: [Qnn] Custom op package is only supported on HtpBackend. Ignore.\n");
  EXPECT_EQ(vantro::sim::CountCalls("backendRegisterOpPackage"), 0u);
}

TEST_F(QnnBackendTest, PackageWithoutNameIsNotRegistered) {
  Options options;
  SetPackage(options, "");
  StderrCapture capture;
  EXPECT_NE(CreateBackend(SimCoreApi(Library::kHtp), options, std::nullopt, false), nullptr);
  EXPECT_EQ(capture.Text(), "");
  EXPECT_EQ(vantro::sim::CountCalls("backendRegisterOpPackage"), 0u);
}

TEST_F(QnnBackendTest, FailedRegistrationGivesNullAndReleasesTheHandles) {
  const qnn::QnnApi* api = SimCoreApi(Library::kHtp);
  vantro::sim::FailCall("backendRegisterOpPackage", 5);
  Options options;
  SetPackage(options);
  StderrCapture capture;
  EXPECT_EQ(CreateBackend(api, options, std::nullopt, false), nullptr);
  EXPECT_EQ(capture.Text(), "ERROR: [Qnn] Failed to register op package. Error code: 5\n");
  EXPECT_EQ(vantro::sim::LiveHandleCount(), live_before_);
  EXPECT_THAT(CallsAmong({"deviceFree", "backendFree", "logFree"}),
              ElementsAre("deviceFree", "backendFree", "logFree"));
}

// --------------------------------------------------------- handle creation

TEST_F(QnnBackendTest, LoggerIsCreatedWithTheOptionsLevelAndOurCallback) {
  const qnn::QnnApi* api = SimCoreApi(Library::kGpu);
  Options options;
  options.SetBackendType(BackendType::kGpu);
  options.SetLogLevel(LogLevel::kError);
  std::unique_ptr<QnnBackend> backend = CreateBackend(api, options, std::nullopt, false);
  ASSERT_NE(backend, nullptr);
  const std::vector<vantro::sim::Call> calls = vantro::sim::Calls();
  ASSERT_GE(calls.size(), 2u);
  EXPECT_EQ(calls[0].name, "logCreate");
  EXPECT_EQ(calls[0].detail, "level=1 callback=set");
  EXPECT_EQ(calls[1].name, "backendCreate");
  EXPECT_THAT(calls[1].detail, HasSubstr(" configs=null"));
}

// ------------------------------------------------------------- diagnostics

TEST(QnnLogTest, PrintsOnlyAtOrBelowTheThreshold) {
  const struct {
    const char* name;
    uint32_t threshold;
    uint32_t level;
    bool printed;
  } cases[] = {
      {"info over warning threshold", 2, kQnnLogInfo, false},
      {"error over threshold 0", 0, kQnnLogError, false},
      {"warning at warning threshold", 2, kQnnLogWarning, true},
      {"debug at debug threshold", 5, kQnnLogDebug, true},
      {"debug over the initial threshold", 3, kQnnLogDebug, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ScopedQnnLogLevel threshold(c.threshold);
    StderrCapture capture;
    QnnLog(c.level, "X: [Qnn] value %d", 42);
    EXPECT_EQ(capture.Text(), c.printed ? "X: [Qnn] value 42\n" : "");
  }
}

void CallCallback(uint32_t level, uint64_t timestamp, const char* format, ...) {
  va_list args;
  va_start(args, format);
  QnnLogCallback(format, static_cast<QnnLog_Level_t>(level), timestamp, args);
  va_end(args);
}

std::string CallbackOutput(uint32_t level, uint64_t timestamp, const char* format,
                           const char* argument) {
  std::fflush(stdout);
  ::testing::internal::CaptureStdout();
  CallCallback(level, timestamp, format, argument);
  std::fflush(stdout);
  return ::testing::internal::GetCapturedStdout();
}

TEST(QnnLogCallbackTest, FormatsTimestampAndLevelName) {
  const struct {
    const char* name;
    uint32_t level;
    std::string expected;
  } cases[] = {
      {"error", 1, "  1234.0ms [ ERROR ]  hello\n"},
      {"warning", 2, "  1234.0ms [WARNING]  hello\n"},
      {"info", 3, "  1234.0ms [  INFO ]  hello\n"},
      {"verbose", 4, "  1234.0ms [VERBOSE]  hello\n"},
      {"debug", 5, "  1234.0ms [ DEBUG ]  hello\n"},
      {"level 0 shows as info", 0, "  1234.0ms [  INFO ]  hello\n"},
      {"above debug", 6, "  1234.0ms [UNKNOWN]  hello\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(CallbackOutput(c.level, 1234, "%s\n", "hello"), c.expected);
  }
}

TEST(QnnLogCallbackTest, CutsTheMessageTo254Characters) {
  const std::string long_text(400, 'a');
  const std::string output = CallbackOutput(3, 7, "%s", long_text.c_str());
  EXPECT_EQ(output, "     7.0ms [  INFO ]  " + std::string(254, 'a'));
}

}  // namespace
}  // namespace qnn
