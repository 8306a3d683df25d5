// The GPU, IR and LPAI backends against the simulated QNN: Init's failures
// and releases, the LPAI backend record, every graph configuration, and the
// LPAI re-configuration after a graph is retrieved.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "GPU/QnnGpuGraph.h"
#include "IR/QnnIrGraph.h"
#include "LPAI/QnnLpaiGraph.h"
#include "absl/strings/str_cat.h"
#include "gmock/gmock.h"
#include "gtest/gtest.h"
#include "sim/qnn/context_binary_format.h"
#include "sim/qnn/sim_qnn.h"
#include "tests/support/sim_backend_support.h"
#include "vendors/qualcomm/backends/gpu_backend.h"
#include "vendors/qualcomm/backends/ir_backend.h"
#include "vendors/qualcomm/backends/lpai_backend.h"
#include "vendors/qualcomm/backends/qnn_log.h"
#include "vendors/qualcomm/backends/qnn_options.h"

namespace qnn {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;
using vantro::sim::Library;
using vantro::testing::CallsAmong;
using vantro::testing::ScopedQnnLogLevel;
using vantro::testing::SimCoreApi;
using vantro::testing::StderrCapture;

const char kLpaiWarning[] =
    "WARNING: [Qnn] LPAI backend: the QAIRT SDK will generate an .eaix file regardless of the "
    "requested output. This is a known limitation and will be fixed in a future version.\n";

std::string DetailAfter(const char* call_name, const char* marker) {
  for (const vantro::sim::Call& call : vantro::sim::Calls()) {
    if (call.name != call_name) continue;
    const size_t at = call.detail.find(marker);
    return at == std::string::npos ? call.detail : call.detail.substr(at + 1);
  }
  return std::string("<no ") + call_name + ">";
}

std::unique_ptr<QnnBackend> NewBackend(Library library) {
  const qnn::QnnApi* api = SimCoreApi(library);
  switch (library) {
    case Library::kGpu: return std::make_unique<GpuBackend>(api);
    case Library::kIr: return std::make_unique<IrBackend>(api);
    default: return std::make_unique<LpaiBackend>(api);
  }
}

SocInfo LpaiSoc(uint32_t hardware_version) {
  SocInfo soc;
  soc.soc_name = "SM8750";
  soc.soc_model = 69;
  soc.lpai_hardware_version = hardware_version;
  return soc;
}

class BackendsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    vantro::sim::Reset();
    live_before_ = vantro::sim::LiveHandleCount();
  }
  ScopedQnnLogLevel log_level_{kQnnLogInfo};
  int live_before_ = 0;
};

// ---------------------------------------------------------------- Init fails

TEST_F(BackendsTest, EachFailingInitStepLogsAndReleasesWhatWasMade) {
  const struct {
    const char* name;
    Library library;
    const char* fail_call;
    std::optional<SocInfo> soc;
    std::string expected_stderr;
    std::vector<std::string> expected_releases;
  } cases[] = {
      {"GPU logCreate", Library::kGpu, "logCreate", std::nullopt,
       "ERROR: [Qnn] Failed to create QNN logger: 9\n"
       "ERROR: [Qnn] Failed to create log handle.\n",
       {}},
      {"GPU backendCreate", Library::kGpu, "backendCreate", std::nullopt,
       "ERROR: [Qnn] failed to call backend create, 9\n"
       "ERROR: [Qnn] Failed to create backend handle.\n",
       {"logFree"}},
      {"IR logCreate", Library::kIr, "logCreate", std::nullopt,
       "ERROR: [Qnn] Failed to create QNN logger: 9\n"
       "ERROR: [Qnn] Failed to create log handle!\n",
       {}},
      {"IR backendCreate", Library::kIr, "backendCreate", std::nullopt,
       "ERROR: [Qnn] failed to call backend create, 9\n"
       "ERROR: [Qnn] Failed to create backend handle!\n",
       {"logFree"}},
      {"LPAI logCreate", Library::kLpai, "logCreate", LpaiSoc(5),
       std::string(kLpaiWarning) +
           "ERROR: [Qnn] Failed to create QNN logger: 9\n"
           "ERROR: [Qnn] Failed to create log handle.\n",
       {}},
      {"LPAI without SoC info", Library::kLpai, nullptr, std::nullopt,
       std::string(kLpaiWarning) +
           "ERROR: [Qnn] No LPAI hardware version could be resolved for SoC \"UNKNOWN_SOC\" "
           "(soc_model 0); cannot initialize the LPAI backend.\n",
       {"logFree"}},
      {"LPAI SoC without hardware version", Library::kLpai, nullptr, LpaiSoc(0),
       std::string(kLpaiWarning) +
           "ERROR: [Qnn] No LPAI hardware version could be resolved for SoC \"SM8750\" "
           "(soc_model 69); cannot initialize the LPAI backend.\n",
       {"logFree"}},
      {"LPAI backendCreate", Library::kLpai, "backendCreate", LpaiSoc(6),
       std::string(kLpaiWarning) +
           "ERROR: [Qnn] failed to call backend create, 9\n"
           "ERROR: [Qnn] Failed to create backend handle.\n",
       {"logFree"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    vantro::sim::Reset();
    std::unique_ptr<QnnBackend> backend = NewBackend(c.library);
    if (c.fail_call != nullptr) vantro::sim::FailCall(c.fail_call, 9);
    StderrCapture capture;
    EXPECT_FALSE(backend->Init(Options(), c.soc));
    EXPECT_EQ(capture.Text(), c.expected_stderr);
    EXPECT_EQ(vantro::sim::LiveHandleCount(), live_before_);
    EXPECT_THAT(CallsAmong({"backendFree", "logFree"}), ElementsAreArray(c.expected_releases));
    EXPECT_EQ(vantro::sim::CountCalls("deviceCreate"), 0u);
  }
}

TEST_F(BackendsTest, LogLevelOffStillInitialisesEachBackend) {
  for (Library library : {Library::kGpu, Library::kIr, Library::kLpai}) {
    SCOPED_TRACE(vantro::sim::LibraryFileName(library));
    vantro::sim::Reset();
    std::unique_ptr<QnnBackend> backend = NewBackend(library);
    Options options;
    options.SetLogLevel(LogLevel::kOff);
    ScopedQnnLogLevel errors_only(kQnnLogError);
    ASSERT_TRUE(backend->Init(options, LpaiSoc(5)));
    EXPECT_EQ(vantro::sim::CountCalls("logCreate"), 0u);
    EXPECT_EQ(backend->LogHandle(), nullptr);
    EXPECT_NE(backend->BackendHandle(), nullptr);
    EXPECT_EQ(backend->DeviceHandle(), nullptr);
    EXPECT_EQ(backend->soc_info().soc_name, "SM8750");
    // No performance control: the voting operations are silent no-ops.
    StderrCapture capture;
    EXPECT_TRUE(backend->SetPerformanceMode(options));
    backend->UpVote();
    backend->ScheduleUpVote();
    backend->ScheduleDownVote();
    EXPECT_EQ(capture.Text(), "");
    backend.reset();
    EXPECT_EQ(vantro::sim::LiveHandleCount(), live_before_);
  }
}

// ------------------------------------------------------------------ LPAI Init

TEST_F(BackendsTest, LpaiBackendRecordCarriesTargetAndHardwareVersion) {
  const struct {
    const char* name;
    LpaiTarget target;
    uint32_t hardware_version;
    std::string expected;
  } cases[] = {
      {"defaults, version 5", LpaiTarget::kAdsp, 5,
       "[{option=0 lpai={option=0 target={target=2 hardware_version=5}}}]"},
      {"Arm, version 6", LpaiTarget::kArm, 6,
       "[{option=0 lpai={option=0 target={target=1 hardware_version=6}}}]"},
      {"X86 kept", LpaiTarget::kX86, 5,
       "[{option=0 lpai={option=0 target={target=0 hardware_version=5}}}]"},
      {"target 9 becomes Adsp", static_cast<LpaiTarget>(9), 5,
       "[{option=0 lpai={option=0 target={target=2 hardware_version=5}}}]"},
      {"unknown version 7", LpaiTarget::kTensilica, 7,
       "[{option=0 lpai={option=0 target={target=3 hardware_version=2147483647}}}]"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    vantro::sim::Reset();
    std::unique_ptr<QnnBackend> backend = NewBackend(Library::kLpai);
    Options options;
    options.SetLpaiTarget(c.target);
    StderrCapture capture;
    ASSERT_TRUE(backend->Init(options, LpaiSoc(c.hardware_version)));
    EXPECT_EQ(capture.Text(), kLpaiWarning);
    EXPECT_EQ(DetailAfter("backendCreate", " configs="), "configs=" + c.expected);
  }
}

// ------------------------------------------------------------ graph configs

TEST_F(BackendsTest, GpuGraphConfigsCarryThePrecisionNumber) {
  const struct {
    const char* name;
    GpuPrecision precision;
    uint32_t expected;
  } cases[] = {
      {"UserProvided", GpuPrecision::kUserProvided, 3}, {"Fp32", GpuPrecision::kFp32, 0},
      {"Fp16", GpuPrecision::kFp16, 1},                 {"Hybrid", GpuPrecision::kHybrid, 2},
      {"outside the table", static_cast<GpuPrecision>(8), 1},
  };
  GpuBackend backend(SimCoreApi(Library::kGpu));
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Options options;
    options.SetGpuPrecision(c.precision);
    options.SetGpuPerformanceMode(GpuPerformanceMode::kLow);  // not used
    GraphConfigs configs = backend.GetGraphConfigs(options, "g");
    ASSERT_EQ(configs.entries().size(), 1u);
    EXPECT_EQ(configs.entries()[0].option, QNN_GRAPH_CONFIG_OPTION_CUSTOM);
    const auto* record = static_cast<const QnnGpuGraph_CustomConfig_t*>(configs.entries()[0].customConfig);
    EXPECT_EQ(record->precision, c.expected);
    EXPECT_EQ(record->disableMemoryOptimizations, 0);
    EXPECT_EQ(record->disableNodeOptimizations, 0);
    EXPECT_EQ(record->disableQueueRecording, 0);
  }
}

TEST_F(BackendsTest, IrGraphConfigsNameTheDlcFileWithForwardSlashes) {
  const struct {
    const char* name;
    const char* dlc_dir;
    const char* graph;
    std::string expected;
  } cases[] = {
      {"directory and graph", "out", "g", "out/g.dlc"},
      {"no directory", "", "g", "g.dlc"},
      {"trailing separator", "a/b/", "model", "a/b/model.dlc"},
      {"backslashes become slashes", "c:\\dlc", "g", "c:/dlc/g.dlc"},
  };
  IrBackend backend(SimCoreApi(Library::kIr));
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Options options;
    options.SetDlcDir(c.dlc_dir);
    GraphConfigs configs = backend.GetGraphConfigs(options, c.graph);
    ASSERT_EQ(configs.entries().size(), 1u);
    const auto* record = static_cast<const QnnIrGraph_CustomConfig_t*>(configs.entries()[0].customConfig);
    EXPECT_EQ(record->option, QNN_IR_GRAPH_CONFIG_OPTION_SERIALIZATION);
    EXPECT_EQ(record->serializationOption.serializationType,
              QNN_IR_GRAPH_SERIALIZATION_TYPE_FLAT_BUFFER);
    EXPECT_EQ(std::string(record->serializationOption.outputPath), c.expected);
  }
}

TEST_F(BackendsTest, LpaiGraphConfigsPointAtTheCoreListText) {
  LpaiBackend backend(SimCoreApi(Library::kLpai));
  GraphConfigs configs = backend.GetGraphConfigs(Options(), "g");
  ASSERT_EQ(configs.entries().size(), 1u);
  EXPECT_EQ(configs.entries()[0].option, QNN_GRAPH_CONFIG_OPTION_CUSTOM);
  const auto* record = static_cast<const QnnLpaiGraph_CustomConfig_t*>(configs.entries()[0].customConfig);
  EXPECT_EQ(record->option, 10001u);
  // The preparation option's value record: a word, then the text.
  struct PrepareRecord {
    uint32_t word;
    const char* text;
  };
  const auto* text = static_cast<const PrepareRecord*>(record->config);
  EXPECT_EQ(text->word, 0u);
  EXPECT_EQ(std::string(text->text), "0,1");
}

// ----------------------------------------------- LPAI after graph retrieve

// An LPAI backend with one context holding graph "g", retrieved.
class LpaiRetrievedGraphTest : public BackendsTest {
 protected:
  void SetUp() override {
    BackendsTest::SetUp();
    api_ = SimCoreApi(Library::kLpai);
    backend_ = std::make_unique<LpaiBackend>(api_);
    ScopedQnnLogLevel errors_only(kQnnLogError);
    ASSERT_TRUE(backend_->Init(Options(), LpaiSoc(5)));

    vantro::sim::ContextBinaryGraph graph;
    graph.name = "g";
    vantro::sim::ContextBinaryTensor in;
    in.id = 1;
    in.name = "in";
    in.type = QNN_TENSOR_TYPE_APP_WRITE;
    in.dimensions = {4};
    vantro::sim::ContextBinaryTensor out = in;
    out.id = 2;
    out.name = "out";
    out.type = QNN_TENSOR_TYPE_APP_READ;
    graph.tensors = {in, out};
    graph.inputs = {1};
    graph.outputs = {2};
    graph.ops.push_back(vantro::sim::ContextBinaryOp{vantro::sim::OpKind::kCopy, {1}, {2}, {}});
    vantro::sim::ContextBinary binary;
    binary.graphs.push_back(graph);
    const std::vector<uint8_t> bytes = vantro::sim::WriteContextBinary(binary);
    ASSERT_EQ(api_->contextCreateFromBinary(backend_->BackendHandle(), nullptr, nullptr,
                                            bytes.data(), bytes.size(), &context_, nullptr),
              QNN_SUCCESS);
    ASSERT_EQ(api_->graphRetrieve(context_, "g", &graph_), QNN_SUCCESS);
    vantro::sim::ClearCalls();
  }
  void TearDown() override {
    if (context_ != nullptr) api_->contextFree(context_, nullptr);
    backend_.reset();
  }
  RetrievedGraph Retrieved() const { return RetrievedGraph{graph_, "g", nullptr}; }

  const qnn::QnnApi* api_ = nullptr;
  std::unique_ptr<LpaiBackend> backend_;
  Qnn_ContextHandle_t context_ = nullptr;
  Qnn_GraphHandle_t graph_ = nullptr;
};

TEST_F(LpaiRetrievedGraphTest, SetsPerformanceAndCoreRecordsThenFinalises) {
  const struct {
    const char* name;
    void (*set)(Options&);
    std::string expected;
  } cases[] = {
      {"defaults", [](Options&) {},
       "[{option=0 lpai={option=201 performance={fps=1 ftrt_ratio=10 client_type=1}}}, "
       "{option=0 lpai={option=301 core={affinity=1 core_selection=0}}}]"},
      {"real time and soft are the defaults' numbers", [](Options& o) {
         o.SetLpaiClientPerfType(LpaiClientPerfType::kRealTime);
         o.SetLpaiCoreAffinityType(LpaiCoreAffinityType::kSoft);
       },
       "[{option=0 lpai={option=201 performance={fps=1 ftrt_ratio=10 client_type=1}}}, "
       "{option=0 lpai={option=301 core={affinity=1 core_selection=0}}}]"},
      {"non real time, hard affinity, values", [](Options& o) {
         o.SetLpaiFps(30);
         o.SetLpaiFtrtRatio(4);
         o.SetLpaiClientPerfType(LpaiClientPerfType::kNonRealTime);
         o.SetLpaiCoreAffinityType(LpaiCoreAffinityType::kHard);
         o.SetLpaiCoreSelection(3);
       },
       "[{option=0 lpai={option=201 performance={fps=30 ftrt_ratio=4 client_type=2}}}, "
       "{option=0 lpai={option=301 core={affinity=2 core_selection=3}}}]"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    vantro::sim::ClearCalls();
    Options options;
    c.set(options);
    StderrCapture capture;
    EXPECT_TRUE(backend_->AfterGraphRetrieve(Retrieved(), options));
    EXPECT_EQ(capture.Text(), "");
    EXPECT_THAT(vantro::sim::CallNames(), ElementsAre("graphSetConfig", "graphFinalize"));
    EXPECT_EQ(DetailAfter("graphSetConfig", " configs="), "configs=" + c.expected);
    EXPECT_EQ(DetailAfter("graphFinalize", " profile="), "profile=null signal=null");
  }
}

TEST_F(LpaiRetrievedGraphTest, FinalisesWithTheRetrievedGraphsProfileHandle) {
  Qnn_ProfileHandle_t profile = nullptr;
  ASSERT_EQ(api_->profileCreate(backend_->BackendHandle(), QNN_PROFILE_LEVEL_BASIC, &profile),
            QNN_SUCCESS);
  vantro::sim::ClearCalls();
  StderrCapture capture;
  EXPECT_TRUE(backend_->AfterGraphRetrieve(RetrievedGraph{graph_, "g", profile}, Options()));
  EXPECT_EQ(capture.Text(), "");
  EXPECT_THAT(vantro::sim::CallNames(), ElementsAre("graphSetConfig", "graphFinalize"));
  EXPECT_EQ(DetailAfter("graphFinalize", " profile="),
            absl::StrCat("profile=0x", absl::Hex(reinterpret_cast<uintptr_t>(profile)),
                         " signal=null"));
  EXPECT_EQ(api_->profileFree(profile), QNN_SUCCESS);
}

TEST_F(LpaiRetrievedGraphTest, FailuresAreLoggedWithTheLow16Bits) {
  const struct {
    const char* name;
    const char* fail_call;
    std::string expected_stderr;
    std::vector<std::string> expected_calls;
  } cases[] = {
      {"graphSetConfig", "graphSetConfig",
       "ERROR: [Qnn] Failed to set LPAI graph config after retrieve. Error 7\n",
       {"graphSetConfig"}},
      {"graphFinalize", "graphFinalize",
       "ERROR: [Qnn] Failed to re-finalize LPAI graph after retrieve. Error 7\n",
       {"graphSetConfig", "graphFinalize"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    vantro::sim::ClearCalls();
    vantro::sim::FailCall(c.fail_call, 0x40007);
    StderrCapture capture;
    EXPECT_FALSE(backend_->AfterGraphRetrieve(Retrieved(), Options()));
    EXPECT_EQ(capture.Text(), c.expected_stderr);
    EXPECT_THAT(vantro::sim::CallNames(), ElementsAreArray(c.expected_calls));
  }
}

TEST_F(BackendsTest, GpuAndIrAfterGraphRetrieveDoNothing) {
  for (Library library : {Library::kGpu, Library::kIr}) {
    SCOPED_TRACE(vantro::sim::LibraryFileName(library));
    std::unique_ptr<QnnBackend> backend = NewBackend(library);
    EXPECT_TRUE(backend->AfterGraphRetrieve(RetrievedGraph{}, Options()));
    EXPECT_THAT(vantro::sim::CallNames(), IsEmpty());
  }
}

}  // namespace
}  // namespace qnn
