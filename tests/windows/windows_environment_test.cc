// ADSP_LIBRARY_PATH on Windows: what the environment seam and the QNN
// manager write through _putenv_s must be seen both by the C runtime (getenv)
// and by the process environment of Windows itself, which is what a QNN DLL
// built against another C runtime reads when it is loaded afterwards.
#include <windows.h>

#include <cstdlib>
#include <memory>
#include <optional>
#include <string>

#include "cc/internal/vantro_environment.h"
#include "cc/vantro_expected.h"
#include "gtest/gtest.h"
#include "sim/qnn/sim_qnn.h"
#include "tests/support/environment_test_support.h"
#include "vendors/qualcomm/backends/qnn_options.h"
#include "vendors/qualcomm/qnn_manager.h"

namespace vantro {
namespace {

constexpr char kAdspLibraryPath[] = "ADSP_LIBRARY_PATH";

// The variable as Windows itself holds it; nullopt when it is not set.
std::optional<std::string> ProcessVariable(const char* name) {
  SetLastError(ERROR_SUCCESS);
  const DWORD size = GetEnvironmentVariableA(name, nullptr, 0);
  if (size == 0) {
    // Set but empty reads as 0 too, without ERROR_ENVVAR_NOT_FOUND.
    if (GetLastError() == ERROR_ENVVAR_NOT_FOUND) return std::nullopt;
    return std::string();
  }
  std::string value(size, '\0');
  const DWORD length = GetEnvironmentVariableA(name, value.data(), size);
  value.resize(length);
  return value;
}

// The variable as the C runtime holds it.
std::optional<std::string> RuntimeVariable(const char* name) {
  const char* value = std::getenv(name);
  return value == nullptr ? std::nullopt : std::optional<std::string>(value);
}

// Keeps ADSP_LIBRARY_PATH as it found it and the simulated QNN fresh.
class WindowsEnvironmentTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sim::Reset();
    saved_ = ReadEnvironmentVariable(kAdspLibraryPath);
  }
  void TearDown() override {
    EXPECT_TRUE(SetOrRemoveEnvironmentVariable(kAdspLibraryPath, saved_));
  }

 private:
  std::optional<std::string> saved_;
};

TEST_F(WindowsEnvironmentTest, TheSeamWritesBothTheRuntimeAndTheProcessEnvironment) {
  constexpr char kName[] = "VANTRO_WINDOWS_ENVIRONMENT_TEST";
  const std::string value = "C:\\Qualcomm\\dsp;D:\\with space\\skel";
  ASSERT_TRUE(WriteEnvironmentVariable(kName, value.c_str()));
  EXPECT_EQ(ReadEnvironmentVariable(kName), value);
  EXPECT_EQ(RuntimeVariable(kName), value);
  EXPECT_EQ(ProcessVariable(kName), value);

  ASSERT_TRUE(RemoveEnvironmentVariable(kName));
  EXPECT_EQ(ReadEnvironmentVariable(kName), std::nullopt);
  EXPECT_EQ(RuntimeVariable(kName), std::nullopt);
  EXPECT_EQ(ProcessVariable(kName), std::nullopt);
}

TEST_F(WindowsEnvironmentTest, TheManagerPutsTheDspDirectoryFirstForLaterLibraries) {
  const std::string d = "C:\\Qualcomm\\dsp";
  const std::string x = "D:\\other";
  struct Case {
    const char* name;
    std::optional<std::string> before;
    std::string after;
  };
  const Case cases[] = {
      {"unset becomes D", std::nullopt, d},
      {"X becomes D;X", x, d + ";" + x},
      {"X;D stays", x + ";" + d, x + ";" + d},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(SetOrRemoveEnvironmentVariable(kAdspLibraryPath, c.before));
    qnn::Options options;
    options.SetBackendType(qnn::BackendType::kHtp);
    options.SetQnnLibDir(VANTRO_SIM_QNN_DIR);
    options.SetDspSkelDir(d);
    ::testing::internal::CaptureStderr();
    Expected<std::unique_ptr<qualcomm::QnnManager>> manager =
        qualcomm::QnnManager::Create(options, std::nullopt);
    const std::string log = ::testing::internal::GetCapturedStderr();
    ASSERT_TRUE(manager.HasValue()) << manager.GetError().message() << "\n" << log;
    EXPECT_EQ(RuntimeVariable(kAdspLibraryPath), c.after);
    EXPECT_EQ(ProcessVariable(kAdspLibraryPath), c.after);
  }
}

}  // namespace
}  // namespace vantro
