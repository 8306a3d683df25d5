#include <cstdint>
#include <regex>
#include <string>
#include <vector>

#include "cc/options/vantro_qualcomm_options.h"
#include "gmock/gmock.h"
#include "gtest/gtest.h"
#include "tests/support/options_test_support.h"
#include "vendors/qualcomm/backends/qnn_log.h"
#include "vendors/qualcomm/backends/qnn_options.h"
#include "vendors/qualcomm/common.h"

namespace vantro {
namespace qualcomm {
namespace {

using ::testing::HasSubstr;
using testing_support::ScopedMinSeverity;

class ApplyQualcommOptionsTest : public ::testing::Test {
 protected:
  ApplyQualcommOptionsTest() : saved_qnn_level_(qnn::GetQnnLogLevel()) {}
  ~ApplyQualcommOptionsTest() override { qnn::SetQnnLogLevel(saved_qnn_level_); }

  // Maps `payload` into `options` with logging silenced.
  static void Apply(const char* payload, qnn::Options& options) {
    ScopedMinSeverity quiet(kVantroLogWarning);
    Expected<QualcommOptions> qualcomm = QualcommOptions::Create(payload);
    ASSERT_TRUE(qualcomm.HasValue()) << qualcomm.GetError().message();
    EXPECT_EQ(ApplyQualcommOptions(options, qualcomm.Value()), Status::Ok);
  }

 private:
  uint32_t saved_qnn_level_;
};

TEST_F(ApplyQualcommOptionsTest, EmptyPayloadGivesTheDefaultRecord) {
  qnn::SetQnnLogLevel(0);
  qnn::Options options;
  Apply("", options);
  EXPECT_EQ(options.Dump(), qnn::Options().Dump());
  EXPECT_EQ(qnn::GetQnnLogLevel(), 3u);
}

TEST_F(ApplyQualcommOptionsTest, OverwritesEveryMappedFieldButKeepsTheGpuOnes) {
  qnn::Options options;
  Apply(
      "log_level = 1\nprofiling = 2\nqnn_backend = 3\nuse_int64_bias_as_int32 = false\n"
      "enable_weight_sharing = true\nenable_just_in_time = true\nop_name_format = 1\n"
      "use_conv_hmx = false\nuse_fold_relu = false\nhtp_dlbc = true\nhtp_dlbc_weights = true\n"
      "htp_p_point = -7\nhtp_weight_sharing_channel_tile_size = 8\nhtp_performance_mode = 9\n"
      "dsp_performance_mode = 9\nhtp_perf_ctrl_mode = 1\nhtp_pd_session = 2\n"
      "dsp_perf_ctrl_mode = 1\ndsp_pd_session = 1\ndsp_encoding = 1\n"
      "dump_tensor_ids = ['4']\nir_json_dir = /ir\ndlc_dir = /dlc\ngraph_transform = gt\n"
      "vtcm_size = 4294967295\nhtp_device_id = 11\nhtp_context_init_acceleration = true\n"
      "num_hvx_threads = 12\nhtp_file_read_memory_budget_mb = 13\noptimization_level = 0\n"
      "graph_priority = 4\nsaver_output_dir = /saver\ngraph_io_tensor_mem_type = 0\n"
      "schematic_dir = /schematic\n"
      "custom_op_package = name:N;interface_provider:I;compile_package_path:C;"
      "dispatch_package_path:D;target:T\n"
      "lpai_target = 3\nlpai_fps = 14\nlpai_ftrt_ratio = 15\nlpai_client_perf_type = 2\n"
      "lpai_core_affinity_type = 1\nlpai_core_selection = 16\nqnn_lib_dir = /lib\n"
      "dsp_skel_dir = /skel\n",
      options);
  options.SetGpuPrecision(qnn::GpuPrecision::kHybrid);
  options.SetGpuPerformanceMode(qnn::GpuPerformanceMode::kLow);

  // Mapping an empty payload into the same record must reset every mapped
  // field to its default, so first check the filled record, then the reset.
  EXPECT_EQ(options.GetLogLevel(), qnn::LogLevel::kError);
  EXPECT_EQ(options.GetProfiling(), qnn::Profiling::kDetailed);
  EXPECT_EQ(options.GetBackendType(), qnn::BackendType::kDsp);
  EXPECT_FALSE(options.GetUseInt64BiasAsInt32());
  EXPECT_TRUE(options.GetEnableWeightSharing());
  EXPECT_TRUE(options.GetEnableJustInTime());
  EXPECT_EQ(options.GetOpNameFormat(), qnn::OpNameFormat::kDetailed);
  EXPECT_FALSE(options.GetUseConvHMX());
  EXPECT_FALSE(options.GetUseFoldReLU());
  EXPECT_TRUE(options.GetHtpDlbc());
  EXPECT_TRUE(options.GetHtpDlbcWeights());
  EXPECT_EQ(options.GetHtpPPoint(), -7);
  EXPECT_EQ(options.GetHtpWeightSharingChannelTileSize(), 8);
  EXPECT_EQ(options.GetHtpPerformanceMode(), qnn::HtpPerformanceMode::kExtremePowerSaver);
  EXPECT_EQ(static_cast<int32_t>(options.GetDspPerformanceMode()), 9);
  EXPECT_EQ(options.GetHtpPerfCtrlMode(), qnn::PerfCtrlMode::kAuto);
  EXPECT_EQ(options.GetHtpPdSession(), qnn::PdSession::kAdaptive);
  EXPECT_EQ(options.GetDspPerfCtrlMode(), qnn::PerfCtrlMode::kAuto);
  EXPECT_EQ(options.GetDspPdSession(), qnn::PdSession::kSigned);
  EXPECT_EQ(options.GetDspEncoding(), qnn::DspEncoding::kDynamic);
  EXPECT_EQ(options.GetDumpTensorIds(), std::vector<int32_t>({4}));
  EXPECT_EQ(options.GetIrJsonDir(), "/ir");
  EXPECT_EQ(options.GetDlcDir(), "/dlc");
  EXPECT_EQ(options.GetGraphTransform(), "gt");
  EXPECT_EQ(options.GetVtcmSize(), 4294967295u);
  EXPECT_EQ(options.GetHtpDeviceId(), 11u);
  EXPECT_TRUE(options.GetHtpContextInitAcceleration());
  EXPECT_EQ(options.GetNumHvxThreads(), 12u);
  EXPECT_EQ(options.GetHtpFileReadMemoryBudgetMB(), 13u);
  EXPECT_EQ(options.GetOptimizationLevel(), qnn::OptimizationLevel::kHtpOptimizeForInference);
  EXPECT_EQ(options.GetGraphPriority(), qnn::GraphPriority::kHigh);
  EXPECT_EQ(options.GetSaverOutputDir(), "/saver");
  EXPECT_EQ(options.GetGraphIOTensorMemType(), qnn::GraphIOTensorMemType::kRaw);
  EXPECT_EQ(options.GetSchematicDir(), "/schematic");
  const qnn::CustomOpPackage& package = options.GetCustomOpPackage();
  EXPECT_EQ(package.name, "N");
  EXPECT_EQ(package.interface_provider, "I");
  EXPECT_EQ(package.compile_package_path, "C");
  EXPECT_EQ(package.dispatch_package_path, "D");
  EXPECT_EQ(package.target, "T");
  EXPECT_EQ(options.GetLpaiTarget(), qnn::LpaiTarget::kTensilica);
  EXPECT_EQ(options.GetLpaiFps(), 14u);
  EXPECT_EQ(options.GetLpaiFtrtRatio(), 15u);
  EXPECT_EQ(options.GetLpaiClientPerfType(), qnn::LpaiClientPerfType::kNonRealTime);
  EXPECT_EQ(options.GetLpaiCoreAffinityType(), qnn::LpaiCoreAffinityType::kSoft);
  EXPECT_EQ(options.GetLpaiCoreSelection(), 16u);
  EXPECT_EQ(options.GetQnnLibDir(), "/lib");
  EXPECT_EQ(options.GetDspSkelDir(), "/skel");
  EXPECT_EQ(qnn::GetQnnLogLevel(), 1u);

  Apply("", options);
  qnn::Options expected;
  expected.SetGpuPrecision(qnn::GpuPrecision::kHybrid);
  expected.SetGpuPerformanceMode(qnn::GpuPerformanceMode::kLow);
  EXPECT_EQ(options.Dump(), expected.Dump());
}

TEST_F(ApplyQualcommOptionsTest, SelectedValuesReachTheRecord) {
  struct Case {
    const char* name;
    const char* payload;
    const char* row;  // as the printout shows it
  };
  const Case cases[] = {
      {"backend ir", "qnn_backend = 4", "\n  BackendType              : Ir(4)\n"},
      {"unknown backend passes through", "qnn_backend = 9",
       "\n  BackendType              : Unknown(9)\n"},
      {"ids joined", "dump_tensor_ids = [\"5\", \"9\"]", "\n  DumpTensorIds            : 5,9\n"},
      {"package without name", "custom_op_package = target:CPU",
       "    name                   :\n"
       "    interface_provider     :\n"
       "    compile_package_path   :\n"
       "    dispatch_package_path  :\n"
       "    target                 : CPU\n"},
      {"memory handle kept", "graph_io_tensor_mem_type = 1",
       "\n  GraphIOTensorMemType     : MemHandle(1)\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    qnn::Options options;
    Apply(c.payload, options);
    EXPECT_THAT(options.Dump(), HasSubstr(c.row));
  }
}

TEST_F(ApplyQualcommOptionsTest, LogLevelOffSilencesTheQnnLayer) {
  qnn::Options options;
  Apply("log_level = 0", options);
  EXPECT_EQ(options.GetLogLevel(), qnn::LogLevel::kOff);
  EXPECT_EQ(qnn::GetQnnLogLevel(), 0u);
  ::testing::internal::CaptureStderr();
  qnn::QnnLog(qnn::kQnnLogError, "ERROR: [Qnn] must not show");
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
}

TEST_F(ApplyQualcommOptionsTest, LogsTheRecordAtInfoOnly) {
  Expected<QualcommOptions> qualcomm = QualcommOptions::Create("qnn_backend = 1");
  ASSERT_TRUE(qualcomm.HasValue());
  struct Case {
    const char* name;
    VantroLogSeverity minimum;
    bool logged;
  };
  const Case cases[] = {
      {"verbose", kVantroLogVerbose, true},
      {"info", kVantroLogInfo, true},
      {"warning", kVantroLogWarning, false},
      {"silent", kVantroLogSilent, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    qnn::Options options;
    std::string log;
    {
      ScopedMinSeverity minimum(c.minimum);
      ::testing::internal::CaptureStderr();
      EXPECT_EQ(ApplyQualcommOptions(options, qualcomm.Value()), Status::Ok);
      log = ::testing::internal::GetCapturedStderr();
    }
    if (!c.logged) {
      EXPECT_EQ(log, "");
      continue;
    }
    std::smatch match;
    ASSERT_TRUE(std::regex_search(log, match, std::regex("^INFO: \\[common:[0-9]+\\] "))) << log;
    // The format adds a line feed of its own before the printout.
    EXPECT_EQ(log.substr(match.length()), "\n" + options.Dump() + "\n");
    EXPECT_THAT(log, HasSubstr("BackendType              : Gpu(1)"));
  }
}

TEST_F(ApplyQualcommOptionsTest, AnEmptyWrapperIsRefusedWithoutTouchingTheRecord) {
  qnn::Options options;
  options.SetDlcDir("/kept");
  EXPECT_EQ(ApplyQualcommOptions(options, QualcommOptions()), Status::InvalidArgument);
  EXPECT_EQ(options.GetDlcDir(), "/kept");
}

}  // namespace
}  // namespace qualcomm
}  // namespace vantro
