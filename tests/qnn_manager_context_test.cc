// QnnManager's context operations against the simulated QNN: the context
// configuration list QNN receives, the votes around creation, and the
// owners of system contexts and contexts.
#include <memory>
#include <optional>
#include <regex>
#include <string>
#include <utility>
#include <vector>

#include "absl/strings/str_cat.h"
#include "absl/strings/string_view.h"
#include "gmock/gmock.h"
#include "gtest/gtest.h"
#include "sim/qnn/context_binary_format.h"
#include "sim/qnn/sim_qnn.h"
#include "tests/support/qnn_manager_test_support.h"
#include "vendors/qualcomm/backends/qnn_backend.h"
#include "vendors/qualcomm/backends/qnn_options.h"
#include "vendors/qualcomm/qnn_interface.h"
#include "vendors/qualcomm/qnn_manager.h"

namespace vantro::qualcomm {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;
using testing_support::Containing;
using testing_support::LinesFrom;
using testing_support::SimOptions;

// A backend with real QNN handles that records the votes it is asked for,
// with the number of context creations QNN had seen at that moment.
class VoteRecordingBackend : public qnn::QnnBackend {
 public:
  explicit VoteRecordingBackend(const qnn::QnnApi* api) : QnnBackend(api) {}

  bool Init(const qnn::Options&, std::optional<qnn::SocInfo>) override {
    BackendHandleT backend = CreateBackendHandle(nullptr, nullptr, 0);
    DeviceHandleT device = CreateDeviceHandle(nullptr, nullptr, 0);
    if (!backend || !device) return false;
    CommitHandles(LogHandleT(), std::move(backend), std::move(device));
    return true;
  }
  qnn::GraphConfigs GetGraphConfigs(const qnn::Options&, absl::string_view) override {
    return qnn::GraphConfigs();
  }
  void UpVote() override { Record("UpVote"); }
  void ScheduleUpVote() override { Record("ScheduleUpVote"); }
  void ScheduleDownVote() override { Record("ScheduleDownVote"); }

  std::vector<std::string> events;

 private:
  void Record(const char* vote) {
    events.push_back(
        absl::StrCat(vote, " after ", sim::CountCalls("contextCreateFromBinary"), " creations"));
  }
};

// The configuration list of the last contextCreateFromBinary call, as the
// simulation prints it ("[...]").
std::string LastContextConfigs() {
  std::string detail;
  for (const sim::Call& call : sim::Calls()) {
    if (call.name == "contextCreateFromBinary") detail = call.detail;
  }
  std::smatch match;
  if (!std::regex_search(detail, match, std::regex("configs=(.*) binary_size="))) return detail;
  return match[1];
}

class QnnManagerContextTest : public testing_support::QnnManagerFixture {
 protected:
  void SetUp() override {
    QnnManagerFixture::SetUp();
    binary_ = sim::WriteContextBinary(sim::ContextBinary());
  }

  // A manager and an initialised backend for `options`.
  bool Start(const qnn::Options& options) {
    manager_ = MustCreate(options);
    if (manager_ == nullptr) return false;
    backend_ = std::make_unique<VoteRecordingBackend>(manager_->Api());
    return backend_->Init(options, std::nullopt);
  }

  Expected<QnnContextHolder> CreateContext(const QnnContext_Config_t** configs, size_t count,
                                           Qnn_ProfileHandle_t profile = nullptr) {
    return manager_->CreateContextFromBinary(*backend_, configs, count, binary_.data(),
                                             binary_.size(), profile);
  }

  Expected<QnnContextHolder> CreateContextWithDefaults() {
    const auto [configs, count] = manager_->DefaultContextConfigs();
    return CreateContext(configs, count);
  }

  // Releases the backend, then the manager (and with it the libraries).
  void TearDownManager() {
    backend_.reset();
    manager_.reset();
  }

  void TearDown() override {
    TearDownManager();
    QnnManagerFixture::TearDown();
  }

  std::vector<uint8_t> binary_;
  std::unique_ptr<QnnManager> manager_;
  std::unique_ptr<VoteRecordingBackend> backend_;
};

// Two caller entries the simulation prints as "{option=5 value=7}" and
// "{option=6 value=9}".
struct CallerLists {
  QnnContext_Config_t first{};
  QnnContext_Config_t second{};
  const QnnContext_Config_t* one[2] = {&first, nullptr};
  // A null inside the list: QNN itself would stop there.
  const QnnContext_Config_t* gap[4] = {&first, nullptr, &second, nullptr};
  const QnnContext_Config_t* empty[1] = {nullptr};

  CallerLists() {
    // Graph enabling and a memory limit: options the manager passes through
    // untouched; the simulation prints their value word.
    first.option = QNN_CONTEXT_CONFIG_ENABLE_GRAPHS;
    first.memoryLimitHint = 7;
    second.option = QNN_CONTEXT_CONFIG_MEMORY_LIMIT_HINT;
    second.memoryLimitHint = 9;
  }
  std::pair<const QnnContext_Config_t**, size_t> Get(absl::string_view which) {
    if (which == "one") return {one, 2};
    if (which == "gap") return {gap, 4};
    return {empty, 1};
  }
};

TEST_F(QnnManagerContextTest, HtpContextsReceiveThePriorityBudgetAndAccelerationConfigs) {
  struct Case {
    const char* name;
    int32_t priority;
    uint32_t budget_mb;
    bool init_acceleration;
    const char* caller_list;
    std::string configs;
  };
  const std::vector<Case> cases = {
      {"nothing to add", 0, 0, false, "empty", "[]"},
      {"nothing to add keeps the caller's list", 0, 0, false, "gap", "[{option=5 value=7}]"},
      {"low", 1, 0, false, "empty", "[{option=1 priority=0}]"},
      {"normal", 2, 0, false, "empty", "[{option=1 priority=100}]"},
      {"normal high", 3, 0, false, "empty", "[{option=1 priority=150}]"},
      {"high", 4, 0, false, "empty", "[{option=1 priority=200}]"},
      {"beyond high", 5, 0, false, "empty", "[{option=1 priority=2147483647}]"},
      {"high behind the caller's entry", 4, 0, false, "one", "[{option=5 value=7}, {option=1 priority=200}]"},
      {"the caller's non-null entries in order", 4, 0, false, "gap",
       "[{option=5 value=7}, {option=6 value=9}, {option=1 priority=200}]"},
      {"read budget", 0, 64, false, "empty",
       "[{option=0 htp={option=3 file_read_memory_budget_mb=64}}]"},
      {"largest read budget", 0, 0xFFFFFFFFu, false, "empty",
       "[{option=0 htp={option=3 file_read_memory_budget_mb=4294967295}}]"},
      {"init acceleration", 0, 0, true, "empty", "[{option=0 htp={option=8 init_acceleration=1}}]"},
      {"all three in order", 2, 512, true, "one",
       "[{option=5 value=7}, {option=1 priority=100}, "
       "{option=0 htp={option=3 file_read_memory_budget_mb=512}}, "
       "{option=0 htp={option=8 init_acceleration=1}}]"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    qnn::Options options = SimOptions(qnn::BackendType::kHtp);
    options.SetGraphPriority(static_cast<qnn::GraphPriority>(c.priority));
    options.SetHtpFileReadMemoryBudgetMB(c.budget_mb);
    options.SetHtpContextInitAcceleration(c.init_acceleration);
    ASSERT_TRUE(Start(options));
    CallerLists lists;
    const auto [configs, count] = lists.Get(c.caller_list);
    {
      Expected<QnnContextHolder> context = CreateContext(configs, count);
      ASSERT_TRUE(context.HasValue()) << context.GetError().message();
      EXPECT_NE(context.Value().context(), nullptr);
    }
    EXPECT_EQ(LastContextConfigs(), c.configs);
    TearDownManager();
  }
}

TEST_F(QnnManagerContextTest, OtherBackendsReceiveTheCallersListUnchanged) {
  for (qnn::BackendType type : {qnn::BackendType::kGpu, qnn::BackendType::kDsp,
                                qnn::BackendType::kIr, qnn::BackendType::kLpai}) {
    SCOPED_TRACE(static_cast<int>(type));
    qnn::Options options = SimOptions(type);
    options.SetGraphPriority(qnn::GraphPriority::kHigh);
    options.SetHtpFileReadMemoryBudgetMB(64);
    options.SetHtpContextInitAcceleration(true);
    ASSERT_TRUE(Start(options));
    CallerLists lists;
    for (const char* which : {"empty", "one", "gap"}) {
      SCOPED_TRACE(which);
      const auto [configs, count] = lists.Get(which);
      Expected<QnnContextHolder> context = CreateContext(configs, count);
      ASSERT_TRUE(context.HasValue()) << context.GetError().message();
      EXPECT_EQ(LastContextConfigs(), absl::string_view(which) == "empty"
                                          ? "[]"
                                          : "[{option=5 value=7}]");
    }
    TearDownManager();
  }
}

TEST_F(QnnManagerContextTest, VotesAroundCreationOnlyUnderAutomaticHtpControl) {
  struct Case {
    const char* name;
    qnn::BackendType type;
    qnn::PerfCtrlMode control;
    qnn::HtpPerformanceMode mode;
    bool creation_fails;
    std::vector<std::string> events;
  };
  const std::vector<std::string> votes = {"UpVote after 0 creations",
                                          "ScheduleDownVote after 1 creations"};
  const std::vector<Case> cases = {
      {"auto burst", qnn::BackendType::kHtp, qnn::PerfCtrlMode::kAuto,
       qnn::HtpPerformanceMode::kBurst, false, votes},
      {"auto burst, creation fails", qnn::BackendType::kHtp, qnn::PerfCtrlMode::kAuto,
       qnn::HtpPerformanceMode::kBurst, true, votes},
      {"auto power saver", qnn::BackendType::kHtp, qnn::PerfCtrlMode::kAuto,
       qnn::HtpPerformanceMode::kPowerSaver, false, votes},
      {"manual burst", qnn::BackendType::kHtp, qnn::PerfCtrlMode::kManual,
       qnn::HtpPerformanceMode::kBurst, false, {}},
      {"auto without a performance mode", qnn::BackendType::kHtp, qnn::PerfCtrlMode::kAuto,
       qnn::HtpPerformanceMode::kDefault, false, {}},
      {"not htp", qnn::BackendType::kDsp, qnn::PerfCtrlMode::kAuto,
       qnn::HtpPerformanceMode::kBurst, false, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    qnn::Options options = SimOptions(c.type);
    options.SetHtpPerfCtrlMode(c.control);
    options.SetHtpPerformanceMode(c.mode);
    ASSERT_TRUE(Start(options));
    sim::ClearCalls();
    if (c.creation_fails) sim::FailCall("contextCreateFromBinary", 0x1234);

    ::testing::internal::CaptureStderr();
    Expected<QnnContextHolder> context = CreateContextWithDefaults();
    const std::vector<std::string> lines = LinesFrom(::testing::internal::GetCapturedStderr());
    EXPECT_THAT(backend_->events, ElementsAreArray(c.events));
    if (c.creation_fails) {
      ASSERT_FALSE(context.HasValue());
      EXPECT_EQ(context.GetError().status(), Status::RuntimeFailure);
      EXPECT_TRUE(std::regex_match(
          context.GetError().message(),
          std::regex("ERROR: \\[vendors/qualcomm/qnn_manager:[0-9]+\\]\n\xE2\x94\x94 Failed "
                     "to create QNN context")))
          << context.GetError().message();
      EXPECT_THAT(lines, ElementsAre("ERROR: [qnn_manager:N] Failed to create QNN context: 4660"));
    } else {
      ASSERT_TRUE(context.HasValue()) << context.GetError().message();
      EXPECT_THAT(lines, IsEmpty());
    }
    TearDownManager();
  }
}

TEST_F(QnnManagerContextTest, TheHolderOwnsTheContextAndTheProfile) {
  ASSERT_TRUE(Start(SimOptions()));
  Qnn_ProfileHandle_t profile = nullptr;
  ASSERT_EQ(manager_->Api()->profileCreate(backend_->BackendHandle(), QNN_PROFILE_LEVEL_BASIC,
                                           &profile),
            QNN_SUCCESS);
  const auto [configs, count] = manager_->DefaultContextConfigs();
  {
    Expected<QnnContextHolder> created = CreateContext(configs, count, profile);
    ASSERT_TRUE(created.HasValue()) << created.GetError().message();
    QnnContextHolder holder = std::move(created.Value());
    EXPECT_EQ(holder.profile(), profile);
    EXPECT_NE(holder.context(), nullptr);
    EXPECT_EQ(created.Value().context(), nullptr);  // moved from
    EXPECT_EQ(sim::LiveHandles()["context"], 1);
    EXPECT_EQ(sim::LiveHandles()["profile"], 1);
    sim::ClearCalls();
  }
  // The profile goes first; the context is then freed without it.
  const std::vector<sim::Call> calls = sim::Calls();
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0].name, "profileFree");
  EXPECT_EQ(calls[1].name, "contextFree");
  EXPECT_THAT(calls[1].detail, ::testing::EndsWith(" profile=null"));
  EXPECT_EQ(sim::LiveHandles()["context"], 0);
  EXPECT_EQ(sim::LiveHandles()["profile"], 0);
}

TEST_F(QnnManagerContextTest, AFailedCreationLeavesTheProfileWithTheCaller) {
  ASSERT_TRUE(Start(SimOptions()));
  Qnn_ProfileHandle_t profile = nullptr;
  ASSERT_EQ(manager_->Api()->profileCreate(backend_->BackendHandle(), QNN_PROFILE_LEVEL_BASIC,
                                           &profile),
            QNN_SUCCESS);
  sim::FailCall("contextCreateFromBinary", 3);
  const auto [configs, count] = manager_->DefaultContextConfigs();
  ::testing::internal::CaptureStderr();
  EXPECT_FALSE(CreateContext(configs, count, profile).HasValue());
  ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(sim::LiveHandles()["profile"], 1);
  EXPECT_EQ(manager_->Api()->profileFree(profile), QNN_SUCCESS);
}

TEST_F(QnnManagerContextTest, MoveAssignmentReleasesTheHeldContextFirst) {
  ASSERT_TRUE(Start(SimOptions()));
  Expected<QnnContextHolder> first = CreateContextWithDefaults();
  Expected<QnnContextHolder> second = CreateContextWithDefaults();
  ASSERT_TRUE(first.HasValue());
  ASSERT_TRUE(second.HasValue());
  EXPECT_EQ(sim::LiveHandles()["context"], 2);
  const Qnn_ContextHandle_t kept = second.Value().context();
  first.Value() = std::move(second.Value());
  EXPECT_EQ(sim::LiveHandles()["context"], 1);
  EXPECT_EQ(first.Value().context(), kept);
  first.Value() = QnnContextHolder();
  EXPECT_EQ(sim::LiveHandles()["context"], 0);
}

TEST_F(QnnManagerContextTest, SystemContextsAreCreatedAndReleased) {
  ASSERT_TRUE(Start(SimOptions()));
  {
    Expected<SystemContextHandle> created = manager_->CreateSystemContext();
    ASSERT_TRUE(created.HasValue()) << created.GetError().message();
    SystemContextHandle handle = std::move(created.Value());
    EXPECT_NE(handle.get(), nullptr);
    EXPECT_EQ(created.Value().get(), nullptr);
    EXPECT_EQ(sim::LiveHandles()["system_context"], 1);

    SystemContextHandle other = std::move(handle);
    EXPECT_EQ(sim::LiveHandles()["system_context"], 1);
    Expected<SystemContextHandle> replacement = manager_->CreateSystemContext();
    ASSERT_TRUE(replacement.HasValue());
    other = std::move(replacement.Value());  // releases the first one
    EXPECT_EQ(sim::LiveHandles()["system_context"], 1);
  }
  EXPECT_EQ(sim::LiveHandles()["system_context"], 0);

  sim::FailCall("systemContextCreate", 9);
  ::testing::internal::CaptureStderr();
  Expected<SystemContextHandle> failed = manager_->CreateSystemContext();
  const std::vector<std::string> lines = LinesFrom(::testing::internal::GetCapturedStderr());
  ASSERT_FALSE(failed.HasValue());
  EXPECT_EQ(failed.GetError().status(), Status::RuntimeFailure);
  EXPECT_TRUE(std::regex_match(
      failed.GetError().message(),
      std::regex("ERROR: \\[vendors/qualcomm/qnn_manager:[0-9]+\\]\n\xE2\x94\x94 Failed to "
                 "create QNN system context")))
      << failed.GetError().message();
  EXPECT_THAT(lines, ElementsAre("ERROR: [qnn_manager:N] Failed to create QNN system context: 9"));
}

// ------------------------------------------------ release, with fake frees

struct FakeFrees {
  static std::vector<std::string>& Calls() {
    static std::vector<std::string> calls;
    return calls;
  }
  static Qnn_ErrorHandle_t& ProfileResult() {
    static Qnn_ErrorHandle_t result = QNN_SUCCESS;
    return result;
  }
  static Qnn_ErrorHandle_t& ContextResult() {
    static Qnn_ErrorHandle_t result = QNN_SUCCESS;
    return result;
  }
  static Qnn_ErrorHandle_t FreeProfile(Qnn_ProfileHandle_t profile) {
    Calls().push_back(profile != nullptr ? "profileFree(profile)" : "profileFree(null)");
    return ProfileResult();
  }
  static Qnn_ErrorHandle_t FreeContext(Qnn_ContextHandle_t context, Qnn_ProfileHandle_t profile) {
    Calls().push_back(absl::StrCat("contextFree(", context != nullptr ? "context" : "null", ", ",
                                   profile != nullptr ? "profile" : "null", ")"));
    return ContextResult();
  }
};

TEST(QnnContextHolderTest, ReleasesTheProfileThenTheContextAndLogsFailures) {
  auto* context = reinterpret_cast<Qnn_ContextHandle_t>(0x1000);
  auto* profile = reinterpret_cast<Qnn_ProfileHandle_t>(0x2000);
  struct Case {
    const char* name;
    Qnn_ContextHandle_t context;
    Qnn_ProfileHandle_t profile;
    bool with_profile_free;
    Qnn_ErrorHandle_t profile_result;
    Qnn_ErrorHandle_t context_result;
    std::vector<std::string> calls;
    std::vector<std::string> lines;
  };
  const std::vector<Case> cases = {
      {"both", context, profile, true, QNN_SUCCESS, QNN_SUCCESS,
       {"profileFree(profile)", "contextFree(context, null)"}, {}},
      {"no profile", context, nullptr, true, QNN_SUCCESS, QNN_SUCCESS,
       {"contextFree(context, null)"}, {}},
      {"profile release fails", context, profile, true, 5, QNN_SUCCESS,
       {"profileFree(profile)", "contextFree(context, null)"},
       {"ERROR: [qnn_manager:N] Failed to free profile handle"}},
      {"context release fails", context, profile, true, QNN_SUCCESS, 6,
       {"profileFree(profile)", "contextFree(context, null)"},
       {"ERROR: [qnn_manager:N] Failed to free context handle"}},
      {"both fail", context, profile, true, 5, 6,
       {"profileFree(profile)", "contextFree(context, null)"},
       {"ERROR: [qnn_manager:N] Failed to free profile handle",
        "ERROR: [qnn_manager:N] Failed to free context handle"}},
      {"no profile release: the context takes the profile", context, profile, false,
       QNN_SUCCESS, QNN_SUCCESS, {"contextFree(context, profile)"}, {}},
      {"no context", nullptr, profile, true, QNN_SUCCESS, QNN_SUCCESS,
       {"profileFree(profile)"}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeFrees::Calls().clear();
    FakeFrees::ProfileResult() = c.profile_result;
    FakeFrees::ContextResult() = c.context_result;
    ::testing::internal::CaptureStderr();
    {
      QnnContextHolder holder(c.context, c.profile, &FakeFrees::FreeContext,
                              c.with_profile_free ? &FakeFrees::FreeProfile : nullptr);
      QnnContextHolder moved(std::move(holder));  // the moved-from one releases nothing
    }
    const std::vector<std::string> lines = LinesFrom(::testing::internal::GetCapturedStderr());
    EXPECT_THAT(FakeFrees::Calls(), ElementsAreArray(c.calls));
    EXPECT_THAT(lines, ElementsAreArray(c.lines));
  }
}

}  // namespace
}  // namespace vantro::qualcomm
