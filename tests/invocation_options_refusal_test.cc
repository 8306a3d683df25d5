// Invocation options when the backend refuses the performance mode: a
// refused mode leaves the options that were in force, a refused reset
// still drops the invocation's own. Built in this process around the
// plug-in's device and invocation contexts with a backend that can be told
// to refuse: the HTP backend over the simulated QNN, once created, accepts
// every valid mode, so a refused reset cannot be reached from outside.
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "gmock/gmock.h"
#include "gtest/gtest.h"
#include "sim/host/sim_host.h"
#include "sim/qnn/sim_qnn.h"
#include "tests/support/plugin_harness.h"
#include "vendors/qualcomm/backends/htp_backend.h"
#include "vendors/qualcomm/backends/qnn_options.h"
#include "vendors/qualcomm/dispatch/dispatch_api.h"
#include "vendors/qualcomm/dispatch/vantro_dispatch_device_context.h"
#include "vendors/qualcomm/dispatch/vantro_dispatch_invocation_context.h"
#include "vendors/qualcomm/qnn_manager.h"

namespace vantro::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::MatchesRegex;
using ::testing::internal::CaptureStderr;
using ::testing::internal::GetCapturedStderr;

// An HTP backend that refuses performance modes on demand, and counts the
// votes scheduled around executions and at destruction.
class RefusingHtpBackend : public qnn::HtpBackend {
 public:
  using HtpBackend::HtpBackend;

  bool SetPerformanceMode(const qnn::Options& options) override {
    asked.push_back(options.GetHtpPerformanceMode());
    return !refuse && HtpBackend::SetPerformanceMode(options);
  }
  void ScheduleUpVote() override {
    ++up_votes;
    HtpBackend::ScheduleUpVote();
  }
  void ScheduleDownVote() override {
    ++down_votes;
    HtpBackend::ScheduleDownVote();
  }

  bool refuse = false;
  std::vector<qnn::HtpPerformanceMode> asked;  // the modes SetPerformanceMode was given
  int up_votes = 0;
  int down_votes = 0;
};

// add_relu bound in a device context of this process, over a manager with
// the default performance mode.
class InvocationOptionsRefusalTest : public ::testing::Test {
 protected:
  void SetUp() override {
    vantro::sim::Reset();
    qnn::Options options;
    options.SetBackendType(qnn::BackendType::kHtp);
    options.SetQnnLibDir(VANTRO_SIM_QNN_DIR);
    options.SetGraphIOTensorMemType(qnn::GraphIOTensorMemType::kRaw);
    CaptureStderr();
    auto manager = vantro::qualcomm::QnnManager::Create(options, std::nullopt);
    GetCapturedStderr();
    ASSERT_TRUE(manager.HasValue()) << manager.GetError().message();
    manager_ = std::move(manager.Value());
    backend_ = std::make_shared<RefusingHtpBackend>(manager_->Api());
    ASSERT_TRUE(backend_->Init(manager_->options(), std::nullopt));
    device_ = std::make_unique<VantroDispatchDeviceContextT>(host_.table(), manager_, backend_);

    bytecode_ = ReadFileBytes(ExampleModelPath("add_relu"));
    VantroMemBufferT record{};
    record.base_addr = bytecode_.data();
    record.size = bytecode_.size();
    CaptureStderr();
    auto created = VantroDispatchInvocationContextT::CreateFromBytecode(*device_, record, nullptr);
    GetCapturedStderr();
    ASSERT_TRUE(created.HasValue()) << created.GetError().message();
    invocation_ = std::move(created.Value());
    for (int i = 0; i < 3; ++i) {
      vantro::sim::TensorBufferSpec spec;
      spec.tensor_type = FloatTensorType({8});
      spec.size = 8 * sizeof(float);
      const VantroTensorBufferHandle handle =
          device_->RegisterTensorBuffer(host_.NewTensorBuffer(spec));
      ASSERT_TRUE(i < 2 ? invocation_->AttachInput(i, handle).HasValue()
                        : invocation_->AttachOutput(0, handle).HasValue());
    }
  }
  void TearDown() override {
    invocation_.reset();
    device_.reset();
    backend_.reset();
    manager_.reset();
  }

  // Sets the invocation's options to `payload`, or resets them (null),
  // through the table's handler; `log` receives what it printed.
  VantroStatus SetOptions(const char* payload, std::string* log) {
    VantroOptionsT* options = nullptr;
    if (payload != nullptr) {
      options = host_.NewOptions();
      host_.SetOpaqueOptionsText(options, "qualcomm", payload);
    }
    CaptureStderr();
    const VantroStatus status = vantro::qualcomm::OperationTable().invocation_context_set_options(
        invocation_.get(), options);
    *log = GetCapturedStderr();
    return status;
  }

  void Invoke() {
    CaptureStderr();
    EXPECT_TRUE(invocation_->Invoke().HasValue());
    GetCapturedStderr();
  }

  vantro::sim::Host host_;
  std::shared_ptr<vantro::qualcomm::QnnManager> manager_;
  std::shared_ptr<RefusingHtpBackend> backend_;
  std::unique_ptr<VantroDispatchDeviceContextT> device_;
  std::vector<uint8_t> bytecode_;
  VantroDispatchInvocationContextT::Ptr invocation_;
};

constexpr char kHighPerformanceAuto[] = "htp_performance_mode = 3\nhtp_perf_ctrl_mode = 1\n";

TEST_F(InvocationOptionsRefusalTest, ARefusedModeKeepsTheOptionsInForce) {
  std::string log;
  ASSERT_EQ(SetOptions(kHighPerformanceAuto, &log), kVantroStatusOk) << log;
  backend_->refuse = true;
  EXPECT_EQ(SetOptions("htp_performance_mode = 2\nhtp_perf_ctrl_mode = 0\n", &log),
            kVantroStatusRuntimeFailure);
  // After the options' printout, which mapping them logs.
  EXPECT_THAT(log, MatchesRegex("(.|\n)*\nERROR: \\[dispatch_api:[0-9]+\\] Failed to set "
                                "invocation context options: Failed to set performance mode\\.\n"));
  EXPECT_EQ(invocation_->EffectiveOptions().GetHtpPerformanceMode(),
            qnn::HtpPerformanceMode::kHighPerformance);
  EXPECT_EQ(invocation_->EffectiveOptions().GetHtpPerfCtrlMode(), qnn::PerfCtrlMode::kAuto);

  // HighPerformance under Auto still votes around each execution and at the end.
  Invoke();
  EXPECT_EQ(backend_->up_votes, 1);
  EXPECT_EQ(backend_->down_votes, 1);
  invocation_.reset();
  EXPECT_EQ(backend_->down_votes, 2);
}

TEST_F(InvocationOptionsRefusalTest, ARefusedResetStillDropsTheInvocationsOptions) {
  std::string log;
  // A context that never had options asks for the manager's mode too.
  ASSERT_EQ(SetOptions(nullptr, &log), kVantroStatusOk) << log;
  EXPECT_THAT(backend_->asked, ElementsAre(qnn::HtpPerformanceMode::kDefault));

  ASSERT_EQ(SetOptions(kHighPerformanceAuto, &log), kVantroStatusOk) << log;
  backend_->refuse = true;
  backend_->asked.clear();
  EXPECT_EQ(SetOptions(nullptr, &log), kVantroStatusRuntimeFailure);
  EXPECT_THAT(log, MatchesRegex("ERROR: \\[dispatch_api:[0-9]+\\] Failed to set invocation context "
                                "options: Failed to reset performance mode\\.\n"));
  EXPECT_THAT(backend_->asked, ElementsAre(qnn::HtpPerformanceMode::kDefault))
      << "the manager's options were asked for";
  EXPECT_EQ(&invocation_->EffectiveOptions(), &manager_->options());

  // The manager's default mode: no votes around executions or at the end.
  Invoke();
  invocation_.reset();
  EXPECT_EQ(backend_->up_votes, 0);
  EXPECT_EQ(backend_->down_votes, 0);
}

}  // namespace
}  // namespace vantro::testing
