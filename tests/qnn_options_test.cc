#include "vendors/qualcomm/backends/qnn_options.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "gmock/gmock.h"
#include "gtest/gtest.h"

namespace qnn {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

// The whole printout of a default record, written out so that any drift in
// banner, order, widths or values shows.
constexpr char kDefaultDump[] =
    "\n"
    "+------------------------------------------+\n"
    "|              ::qnn::Options              |\n"
    "+------------------------------------------+\n"
    "[GENERAL]\n"
    "  LogLevel                 : Info(3)\n"
    "  BackendType              : Htp(2)\n"
    "  Profiling                : Off(0)\n"
    "  QnnLibDir                :\n"
    "  DspSkelDir               :\n"
    "  UseInt64BiasAsInt32      : true\n"
    "  OpNameFormat             : Basic(0)\n"
    "  EnableWeightSharing      : false\n"
    "  EnableJustInTime         : false\n"
    "  GraphPriority            : Default(0)\n"
    "  GraphIOTensorMemType     : MemHandle(1)\n"
    "  CustomOpPackage          :\n"
    "    name                   :\n"
    "    interface_provider     :\n"
    "    compile_package_path   :\n"
    "    dispatch_package_path  :\n"
    "    target                 :\n"
    "    GraphTransform         :\n"
    "[HTP]\n"
    "  UseConvHMX               : true\n"
    "  UseFoldReLU              : true\n"
    "  HtpDlbc                  : false\n"
    "  HtpDlbcWeights           : false\n"
    "  HtpPPoint                : 0\n"
    "  HtpWeightSharingChannelTileSize : 0\n"
    "  HtpPerformanceMode       : Default(0)\n"
    "  HtpPerfCtrlMode          : Manual(0)\n"
    "  HtpPdSession             : Unsigned(0)\n"
    "  VtcmSize                 : 0\n"
    "  HtpDeviceId              : 0\n"
    "  HtpContextInitAcceleration : false\n"
    "  NumHvxThreads            : 0\n"
    "  HtpFileReadMemoryBudgetMB : 0\n"
    "  OptimizationLevel        : HtpOptimizeForInferenceO3(2)\n"
    "[IR]\n"
    "  IrJsonDir                :\n"
    "  DlcDir                   :\n"
    "[SAVER]\n"
    "  SaverOutputDir           :\n"
    "[DSP]\n"
    "  DspPerformanceMode       : Default(0)\n"
    "  DspPerfCtrlMode          : Manual(0)\n"
    "  DspPdSession             : Unsigned(0)\n"
    "  DspEncoding              : Static(0)\n"
    "[GPU]\n"
    "  GpuPerformanceMode       : High(1)\n"
    "  GpuPrecision             : Fp16(2)\n"
    "[LPAI]\n"
    "  LpaiTarget               : Adsp(2)\n"
    "  LpaiFps                  : 1\n"
    "  LpaiFtrtRatio            : 10\n"
    "  LpaiClientPerfType       : Default(0)\n"
    "  LpaiCoreAffinityType     : Default(0)\n"
    "  LpaiCoreSelection        : 0\n"
    "[DEBUG]\n"
    "  DumpTensorIds            :\n"
    "  SchematicDir             :\n";

TEST(QnnOptionsTest, DefaultRecordDumpsTheFixedBlock) { EXPECT_EQ(Options().Dump(), kDefaultDump); }

TEST(QnnOptionsTest, DefaultsMatchTheFieldTable) {
  const Options options;
  EXPECT_EQ(options.GetLogLevel(), LogLevel::kInfo);
  EXPECT_EQ(options.GetBackendType(), BackendType::kHtp);
  EXPECT_EQ(options.GetProfiling(), Profiling::kOff);
  EXPECT_TRUE(options.GetUseInt64BiasAsInt32());
  EXPECT_TRUE(options.GetUseConvHMX());
  EXPECT_TRUE(options.GetUseFoldReLU());
  EXPECT_EQ(options.GetHtpPerformanceMode(), HtpPerformanceMode::kDefault);
  EXPECT_EQ(options.GetHtpPerfCtrlMode(), PerfCtrlMode::kManual);
  EXPECT_EQ(options.GetOptimizationLevel(), OptimizationLevel::kHtpOptimizeForInferenceO3);
  EXPECT_EQ(options.GetGpuPrecision(), GpuPrecision::kFp16);
  EXPECT_EQ(options.GetGpuPerformanceMode(), GpuPerformanceMode::kHigh);
  EXPECT_EQ(options.GetGraphIOTensorMemType(), GraphIOTensorMemType::kMemHandle);
  EXPECT_EQ(options.GetLpaiTarget(), LpaiTarget::kAdsp);
  EXPECT_EQ(options.GetLpaiFps(), 1u);
  EXPECT_EQ(options.GetLpaiFtrtRatio(), 10u);
  EXPECT_TRUE(options.GetDumpTensorIds().empty());
  EXPECT_TRUE(options.GetQnnLibDir().empty());
  EXPECT_TRUE(options.GetCustomOpPackage().name.empty());
}

// Each case changes one field and names the exact row the printout must hold.
TEST(QnnOptionsTest, RowsPrintValuesAndEnumerationNames) {
  struct Case {
    const char* name;
    std::function<void(Options&)> set;
    const char* row;
  };
  const Case cases[] = {
      {"dump ids joined without spaces",
       [](Options& o) {
         o.SetDumpTensorIds({3, 7, 12});
       },
       "\n  DumpTensorIds            : 3,7,12\n"},
      {"negative dump id", [](Options& o) { o.SetDumpTensorIds({-1}); },
       "\n  DumpTensorIds            : -1\n"},
      {"dsp mode 9 is unknown",
       [](Options& o) { o.SetDspPerformanceMode(static_cast<DspPerformanceMode>(9)); },
       "\n  DspPerformanceMode       : Unknown(9)\n"},
      {"dsp mode 8", [](Options& o) { o.SetDspPerformanceMode(DspPerformanceMode::kBalanced); },
       "\n  DspPerformanceMode       : Balanced(8)\n"},
      {"htp mode 9",
       [](Options& o) { o.SetHtpPerformanceMode(HtpPerformanceMode::kExtremePowerSaver); },
       "\n  HtpPerformanceMode       : ExtremePowerSaver(9)\n"},
      {"htp burst", [](Options& o) { o.SetHtpPerformanceMode(HtpPerformanceMode::kBurst); },
       "\n  HtpPerformanceMode       : Burst(2)\n"},
      {"htp mode 10 is unknown",
       [](Options& o) { o.SetHtpPerformanceMode(static_cast<HtpPerformanceMode>(10)); },
       "\n  HtpPerformanceMode       : Unknown(10)\n"},
      {"lpai target 0", [](Options& o) { o.SetLpaiTarget(LpaiTarget::kX86); },
       "\n  LpaiTarget               : X86(0)\n"},
      {"lpai target 7 prints as x86",
       [](Options& o) { o.SetLpaiTarget(static_cast<LpaiTarget>(7)); },
       "\n  LpaiTarget               : X86(7)\n"},
      {"lpai tensilica", [](Options& o) { o.SetLpaiTarget(LpaiTarget::kTensilica); },
       "\n  LpaiTarget               : Tensilica(3)\n"},
      {"negative backend is unknown",
       [](Options& o) { o.SetBackendType(static_cast<BackendType>(-1)); },
       "\n  BackendType              : Unknown(-1)\n"},
      {"backend ir", [](Options& o) { o.SetBackendType(BackendType::kIr); },
       "\n  BackendType              : Ir(4)\n"},
      {"log level off", [](Options& o) { o.SetLogLevel(LogLevel::kOff); },
       "\n  LogLevel                 : Off(0)\n"},
      {"perf ctrl auto", [](Options& o) { o.SetDspPerfCtrlMode(PerfCtrlMode::kAuto); },
       "\n  DspPerfCtrlMode          : Auto(1)\n"},
      {"pd session adaptive", [](Options& o) { o.SetHtpPdSession(PdSession::kAdaptive); },
       "\n  HtpPdSession             : Adaptive(2)\n"},
      {"graph priority normal high",
       [](Options& o) { o.SetGraphPriority(GraphPriority::kNormalHigh); },
       "\n  GraphPriority            : NormalHigh(3)\n"},
      {"gpu hybrid", [](Options& o) { o.SetGpuPrecision(GpuPrecision::kHybrid); },
       "\n  GpuPrecision             : Hybrid(3)\n"},
      {"lpai hard affinity",
       [](Options& o) { o.SetLpaiCoreAffinityType(LpaiCoreAffinityType::kHard); },
       "\n  LpaiCoreAffinityType     : Hard(2)\n"},
      {"p point signed", [](Options& o) { o.SetHtpPPoint(-5); },
       "\n  HtpPPoint                : -5\n"},
      {"vtcm unsigned", [](Options& o) { o.SetVtcmSize(4294967295u); },
       "\n  VtcmSize                 : 4294967295\n"},
      {"bool turned off", [](Options& o) { o.SetUseConvHMX(false); },
       "\n  UseConvHMX               : false\n"},
      {"string as stored", [](Options& o) { o.SetQnnLibDir("/opt/qnn lib"); },
       "\n  QnnLibDir                : /opt/qnn lib\n"},
      {"graph transform nested", [](Options& o) { o.SetGraphTransform("fold"); },
       "\n    GraphTransform         : fold\n"},
      {"package fields nested",
       [](Options& o) { o.SetCustomOpPackage("P", "IfP", "/c.so", "/d.so", "CPU"); },
       "\n  CustomOpPackage          :\n"
       "    name                   : P\n"
       "    interface_provider     : IfP\n"
       "    compile_package_path   : /c.so\n"
       "    dispatch_package_path  : /d.so\n"
       "    target                 : CPU\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Options options;
    c.set(options);
    EXPECT_THAT(options.Dump(), HasSubstr(c.row));
  }
}

TEST(QnnOptionsTest, LongLabelsPushTheColonRight) {
  Options options;
  options.SetHtpWeightSharingChannelTileSize(-3);
  options.SetHtpFileReadMemoryBudgetMB(2048);
  const std::string dump = options.Dump();
  EXPECT_THAT(dump, HasSubstr("\n  HtpWeightSharingChannelTileSize : -3\n"));
  EXPECT_THAT(dump, HasSubstr("\n  HtpContextInitAcceleration : false\n"));
  EXPECT_THAT(dump, HasSubstr("\n  HtpFileReadMemoryBudgetMB : 2048\n"));
}

TEST(QnnOptionsTest, EmptyValuesLeaveNoTrailingBlank) {
  Options options;
  options.SetDumpTensorIds({});
  const std::string dump = options.Dump();
  EXPECT_THAT(dump, Not(HasSubstr(" \n")));
  EXPECT_THAT(dump, HasSubstr("\n  DumpTensorIds            :\n"));
}

TEST(QnnOptionsTest, OutOfTableValuesAreStoredUnchanged) {
  Options options;
  options.SetGraphIOTensorMemType(static_cast<GraphIOTensorMemType>(77));
  options.SetLogLevel(static_cast<LogLevel>(-4));
  EXPECT_EQ(static_cast<int32_t>(options.GetGraphIOTensorMemType()), 77);
  EXPECT_EQ(static_cast<int32_t>(options.GetLogLevel()), -4);
}

TEST(QnnOptionsTest, SettersCopyAndReplace) {
  Options options;
  std::string dir = "/first";
  options.SetDlcDir(dir);
  dir = "/changed";
  EXPECT_EQ(options.GetDlcDir(), "/first");

  std::vector<int32_t> ids = {1, 2, 3};
  options.SetDumpTensorIds(ids);
  options.SetDumpTensorIds({9});
  ids[0] = 100;
  EXPECT_EQ(options.GetDumpTensorIds(), std::vector<int32_t>({9}));

  options.SetCustomOpPackage("P", "I", "C", "D", "T");
  options.SetCustomOpPackage("", "", "/c", "", "CPU");
  const CustomOpPackage& package = options.GetCustomOpPackage();
  EXPECT_EQ(package.name, "");  // no package registered
  EXPECT_EQ(package.interface_provider, "");
  EXPECT_EQ(package.compile_package_path, "/c");
  EXPECT_EQ(package.dispatch_package_path, "");
  EXPECT_EQ(package.target, "CPU");
}

TEST(QnnOptionsTest, CopiesAreIndependent) {
  Options original;
  original.SetSaverOutputDir("/saver");
  original.SetDumpTensorIds({4});
  Options copy = original;
  copy.SetSaverOutputDir("/other");
  copy.SetDumpTensorIds({5, 6});
  EXPECT_EQ(original.GetSaverOutputDir(), "/saver");
  EXPECT_EQ(original.GetDumpTensorIds(), std::vector<int32_t>({4}));
  EXPECT_EQ(copy.Dump().size(), original.Dump().size() + 2);
}

}  // namespace
}  // namespace qnn
