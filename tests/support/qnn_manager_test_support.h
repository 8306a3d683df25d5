// Helpers for the QNN manager tests: a fixture that resets the simulated QNN
// and keeps ADSP_LIBRARY_PATH as it found it, managers created with the
// standard error stream captured, and log lines with their line numbers
// masked.
#ifndef VANTRO_TESTS_SUPPORT_QNN_MANAGER_TEST_SUPPORT_H_
#define VANTRO_TESTS_SUPPORT_QNN_MANAGER_TEST_SUPPORT_H_

#include <unistd.h>

#include <cstdio>
#include <memory>
#include <optional>
#include <regex>
#include <string>
#include <utility>
#include <vector>

#include "absl/strings/match.h"
#include "absl/strings/str_join.h"
#include "absl/strings/str_split.h"
#include "cc/internal/vantro_environment.h"
#include "cc/vantro_expected.h"
#include "gtest/gtest.h"
#include "sim/qnn/sim_qnn.h"
#include "tests/support/environment_test_support.h"
#include "vendors/qualcomm/backends/qnn_options.h"
#include "vendors/qualcomm/qnn_manager.h"

namespace vantro::qualcomm::testing_support {

inline constexpr char kAdspLibraryPath[] = "ADSP_LIBRARY_PATH";
inline const std::string& SimDir() {
  static const std::string dir = VANTRO_SIM_QNN_DIR;
  return dir;
}

// The lines of `captured` printed from `file`, with "[file:<line>] " masked
// as "[file:N] " so they compare exactly.
inline std::vector<std::string> LinesFrom(const std::string& captured,
                                          const std::string& file = "qnn_manager") {
  const std::regex prefix("\\[" + file + ":[0-9]+\\] ");
  std::vector<std::string> lines;
  for (absl::string_view line : absl::StrSplit(captured, '\n')) {
    std::string text(line);
    if (!std::regex_search(text, prefix)) continue;
    lines.push_back(std::regex_replace(text, prefix, "[" + file + ":N] "));
  }
  return lines;
}

// The lines that contain `needle`.
inline std::vector<std::string> Containing(const std::vector<std::string>& lines,
                                           absl::string_view needle) {
  std::vector<std::string> kept;
  for (const std::string& line : lines) {
    if (absl::StrContains(line, needle)) kept.push_back(line);
  }
  return kept;
}

// Collects what is written to the standard error stream while it lives.
// Unlike gtest's capture it also works inside death-test children.
class StderrCapture {
 public:
  StderrCapture() {
    std::fflush(stderr);
    file_ = std::tmpfile();
    saved_ = dup(2);
    if (file_ != nullptr && saved_ >= 0) dup2(fileno(file_), 2);
  }
  StderrCapture(const StderrCapture&) = delete;
  StderrCapture& operator=(const StderrCapture&) = delete;
  ~StderrCapture() { Finish(); }

  // Restores the stream and returns what was written.
  std::string Finish() {
    if (file_ == nullptr) return text_;
    std::fflush(stderr);
    if (saved_ >= 0) {
      dup2(saved_, 2);
      close(saved_);
    }
    std::rewind(file_);
    char buffer[4096];
    size_t read = 0;
    while ((read = std::fread(buffer, 1, sizeof(buffer), file_)) > 0) text_.append(buffer, read);
    std::fclose(file_);
    file_ = nullptr;
    return text_;
  }

 private:
  std::FILE* file_ = nullptr;
  int saved_ = -1;
  std::string text_;
};

// Options that load the simulated libraries from QnnLibDir.
inline qnn::Options SimOptions(qnn::BackendType type = qnn::BackendType::kHtp) {
  qnn::Options options;
  options.SetBackendType(type);
  options.SetQnnLibDir(SimDir());
  return options;
}

class QnnManagerFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    sim::Reset();
    saved_adsp_ = ReadEnvironmentVariable(kAdspLibraryPath);
    ASSERT_TRUE(RemoveEnvironmentVariable(kAdspLibraryPath));
    ClearPendingError();
  }
  void TearDown() override {
    EXPECT_TRUE(SetOrRemoveEnvironmentVariable(kAdspLibraryPath, saved_adsp_));
    // Every test hands its managers back; nothing may stay loaded.
    EXPECT_TRUE(sim::LoadedLibraries().empty())
        << absl::StrJoin(sim::LoadedLibraries(), ", ");
  }

 public:
  // QnnManager::Create with the standard error stream captured into
  // `lines` (the manager's own lines, masked by LinesFrom).
  static Expected<std::unique_ptr<QnnManager>> CreateCapturing(
      const qnn::Options& options, std::optional<std::string> shared_library_dir,
      std::vector<std::string>* lines, std::string* captured = nullptr) {
    StderrCapture capture;
    Expected<std::unique_ptr<QnnManager>> manager =
        QnnManager::Create(options, std::move(shared_library_dir));
    const std::string text = capture.Finish();
    if (lines != nullptr) *lines = LinesFrom(text);
    if (captured != nullptr) *captured = text;
    return manager;
  }

  // A manager that must set up.
  static std::unique_ptr<QnnManager> MustCreate(const qnn::Options& options,
                                                std::optional<std::string> dir = {}) {
    Expected<std::unique_ptr<QnnManager>> manager = QnnManager::Create(options, std::move(dir));
    EXPECT_TRUE(manager.HasValue()) << manager.GetError().message();
    if (!manager.HasValue()) return nullptr;
    return std::move(manager.Value());
  }

  // A set-up failure: the status, the manager's own text first, and
  // nothing left loaded.
  static void ExpectSetUpFailure(const Expected<std::unique_ptr<QnnManager>>& manager,
                                 Status status) {
    ASSERT_FALSE(manager.HasValue());
    EXPECT_EQ(manager.GetError().status(), status);
    EXPECT_TRUE(std::regex_search(
        manager.GetError().message(),
        std::regex("^ERROR: \\[vendors/qualcomm/qnn_manager:[0-9]+\\]\n\xE2\x94\x94 "
                   "Failed to set up QNN manager")))
        << manager.GetError().message();
    EXPECT_TRUE(sim::LoadedLibraries().empty())
        << absl::StrJoin(sim::LoadedLibraries(), ", ");
  }

 private:
  std::optional<std::string> saved_adsp_;
};

}  // namespace vantro::qualcomm::testing_support

#endif  // VANTRO_TESTS_SUPPORT_QNN_MANAGER_TEST_SUPPORT_H_
