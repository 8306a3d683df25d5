// VantroDispatch_Qualcomm.dll as a Windows host sees it: loaded with
// LoadLibraryA by its drive path, one export found by name, no MinGW runtime
// DLL pulled in, and the road of one inference with the QNN directory given
// as a drive path, automatic Burst votes on the voting thread and a dump
// output written to the dump directory.
#include <windows.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "absl/strings/match.h"
#include "absl/strings/str_cat.h"
#include "absl/strings/str_replace.h"
#include "c/vantro_dispatch.h"
#include "gmock/gmock.h"
#include "gtest/gtest.h"
#include "sim/qnn/sim_qnn.h"
#include "tests/support/plugin_harness.h"
#include "tests/support/sim_backend_support.h"

namespace vantro::testing {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::internal::CaptureStderr;
using ::testing::internal::GetCapturedStderr;

// The example relu_dump: out = max(0, x) over 2x3 floats, and x handed out
// as the dump output x_dump (listed first, as QNN may).
constexpr char kModel[] = "relu_dump";
constexpr char kDumpName[] = "x_dump";
constexpr size_t kElements = 6;
// Bounds only a failing test.
constexpr auto kEventTimeout = std::chrono::seconds(30);

// `path` as the system spells it in full (a drive, backslashes).
std::string FullPath(const std::string& path) {
  char buffer[MAX_PATH];
  const DWORD length = GetFullPathNameA(path.c_str(), MAX_PATH, buffer, nullptr);
  return length == 0 || length >= MAX_PATH ? std::string() : std::string(buffer, length);
}

std::string ReadFile(const std::string& path, std::ios::openmode mode) {
  std::ifstream file(path, mode);
  return std::string(std::istreambuf_iterator<char>(file), {});
}

TEST(WindowsPluginTest, LoadsByDrivePathAndExportsTheQueryByName) {
  const std::string path = FullPath(VANTRO_PLUGIN_PATH);
  ASSERT_TRUE(absl::EndsWith(path, "\\VantroDispatch_Qualcomm.dll")) << path;
  HMODULE plugin = LoadLibraryA(path.c_str());
  ASSERT_NE(plugin, nullptr) << "LoadLibraryA failed: " << GetLastError();

  auto query = reinterpret_cast<VantroDispatchQueryInterfaceFn>(
      reinterpret_cast<void*>(GetProcAddress(plugin, "VantroDispatchQueryInterface")));
  ASSERT_NE(query, nullptr);
  const VantroDispatchOperationTable* table = nullptr;
  ASSERT_EQ(query(0, 1, nullptr, &table), kVantroStatusOk);
  ASSERT_NE(table, nullptr);
  // The harness loads the same file: one module, one table.
  EXPECT_EQ(table, &PluginTable());
  const char* vendor = nullptr;
  ASSERT_EQ(table->get_vendor_id(&vendor), kVantroStatusOk);
  EXPECT_STREQ(vendor, "Qualcomm");
  EXPECT_EQ(table->check_runtime_compatibility(VantroApiVersion{0, 1, 0}), kVantroStatusOk);

  // The MinGW runtime is linked in: a host needs no runtime DLL beside it.
  for (const char* runtime : {"libstdc++-6.dll", "libgcc_s_seh-1.dll", "libwinpthread-1.dll"}) {
    EXPECT_EQ(GetModuleHandleA(runtime), nullptr) << runtime << " is loaded";
  }
  EXPECT_TRUE(FreeLibrary(plugin));
}

// The dump directory has no drive: on Windows it lies on the current drive,
// under Wine (which reads a path that starts with "/" as a Unix path) in the
// Unix root. Other tests use it too; the stage runs those one at a time.
class WindowsPluginRoadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    vantro::sim::Reset();
    qnn_dir_ = absl::StrReplaceAll(FullPath(VANTRO_SIM_QNN_DIR), {{"\\", "/"}});
    RemoveDumps();
  }
  void TearDown() override { RemoveDumps(); }

  static std::string DumpFile(const char* extension) {
    return absl::StrCat(kDumpDirectory, kDumpName, extension);
  }
  static void RemoveDumps() {
    std::error_code ignored;
    std::filesystem::remove(DumpFile(".raw"), ignored);
    std::filesystem::remove(DumpFile(".csv"), ignored);
    // Removed only when empty, so that the run normally creates it.
    std::filesystem::remove(kDumpDirectory, ignored);
  }

  std::string qnn_dir_;  // a drive path with forward slashes
};

TEST_F(WindowsPluginRoadTest, OneInferenceWithDrivePathsVotesAndADump) {
  // The QNN directory as a Windows host would give it: a drive path, here
  // with forward slashes, which the loader opens as an absolute path.
  const std::string& qnn_dir = qnn_dir_;
  ASSERT_EQ(qnn_dir.substr(1, 2), ":/") << qnn_dir;
  PluginRoad road;
  CaptureStderr();
  const VantroStatus initialized = road.Initialize(absl::StrCat(
      "qnn_lib_dir = \"", qnn_dir, "\"\n",
      "htp_performance_mode = 2\n"  // Burst: down votes are delayed
      "htp_perf_ctrl_mode = 1\n"));  // Auto: votes around each execution
  const std::string init_log = GetCapturedStderr();
  ASSERT_EQ(initialized, kVantroStatusOk) << init_log;
  EXPECT_TRUE(absl::StrContains(
      init_log, absl::StrCat("Loading qnn shared library from \"", qnn_dir, "/QnnSystem.dll\"")))
      << init_log;
  EXPECT_THAT(vantro::sim::LoadedLibraries(), Contains("QnnSystem.dll"));
  EXPECT_THAT(vantro::sim::LoadedLibraries(), Contains("QnnHtp.dll"));

  ASSERT_NE(road.OpenDevice(), nullptr);
  VantroDispatchInvocationContextT* invocation = nullptr;
  CaptureStderr();
  const VantroStatus created =
      road.CreateInvocation(ReadFileBytes(ExampleModelPath(kModel)), nullptr, &invocation);
  const std::string create_log = GetCapturedStderr();
  ASSERT_EQ(created, kVantroStatusOk) << create_log;

  VantroTensorBufferT* in = nullptr;
  VantroTensorBufferT* out = nullptr;
  const VantroTensorBufferHandle in_handle = road.NewFloatBuffer(kElements, &in);
  const VantroTensorBufferHandle out_handle = road.NewFloatBuffer(kElements, &out);
  const float values[kElements] = {1.5f, -2.0f, 3.0f, -0.25f, 0.5f, -4.0f};
  std::memcpy(road.FloatData(in), values, sizeof(values));
  ASSERT_EQ(road.table().attach_input(invocation, 0, in_handle), kVantroStatusOk);
  ASSERT_EQ(road.table().attach_output(invocation, 0, out_handle), kVantroStatusOk);

  const size_t votes_before = vantro::sim::PowerConfigCalls().size();
  CaptureStderr();
  const VantroStatus invoked = road.table().invoke(invocation);
  const std::string invoke_log = GetCapturedStderr();
  ASSERT_EQ(invoked, kVantroStatusOk) << invoke_log;

  const float* result = road.FloatData(out);
  EXPECT_THAT(std::vector<float>(result, result + kElements),
              ElementsAre(1.5f, 0.0f, 3.0f, 0.0f, 0.5f, 0.0f));

  // The up vote, then the delayed down vote once nothing followed. The
  // down vote queued when the context was created is delayed too; on a slow
  // machine it may land just before the run, and it is not the run's.
  const auto run_corners = [votes_before] {
    std::vector<uint32_t> corners;
    const std::vector<vantro::sim::PowerConfigCall> votes = vantro::sim::PowerConfigCalls();
    for (size_t i = votes_before; i < votes.size(); ++i) {
      if (votes[i].htp_configs.empty()) continue;
      corners.push_back(static_cast<uint32_t>(
          votes[i].htp_configs[0].dcvsV3Config.coreVoltageCornerTarget));
    }
    if (!corners.empty() && corners.front() == 64u) corners.erase(corners.begin());
    return corners;
  };
  ASSERT_TRUE(vantro::testing::WaitUntil([&] { return run_corners().size() >= 2; },
                                         kEventTimeout));
  EXPECT_THAT(run_corners(), ElementsAre(160u, 64u));

  // The dump directory is created on the current drive and gets both files:
  // the raw bytes untranslated, the scale line as a text line (CR LF on disk).
  EXPECT_EQ(ReadFile(DumpFile(".raw"), std::ios::binary),
            std::string(reinterpret_cast<const char*>(values), sizeof(values)))
      << invoke_log;
  EXPECT_EQ(ReadFile(DumpFile(".csv"), std::ios::in), "1,0\n");
}

}  // namespace
}  // namespace vantro::testing
