// QnnManager set-up against the simulated QNN libraries on disk: where each
// library is searched for, the provider and version checks, the DSP search
// path, the backend table and the build id.
#include "vendors/qualcomm/qnn_manager.h"

#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "absl/strings/match.h"
#include "absl/strings/str_cat.h"
#include "absl/strings/str_join.h"
#include "absl/strings/str_replace.h"
#include "cc/internal/vantro_environment.h"
#include "cc/vantro_logging.h"
#include "gmock/gmock.h"
#include "gtest/gtest.h"
#include "sim/qnn/sim_qnn.h"
#include "tests/support/environment_test_support.h"
#include "tests/support/qnn_manager_test_support.h"
#include "vendors/qualcomm/backends/qnn_options.h"

namespace vantro::qualcomm {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using testing_support::Containing;
using testing_support::kAdspLibraryPath;
using testing_support::LinesFrom;
using testing_support::SimDir;
using testing_support::SimOptions;

constexpr char kMissingDir[] = "/nonexistent-vantro-qnn-dir";
constexpr char kOtherMissingDir[] = "/nonexistent-vantro-shared-dir";

// Replaces $SIM and $MISSING/$OTHER in an expected text.
std::string Expand(const std::string& text) {
  return absl::StrReplaceAll(
      text, {{"$SIM", SimDir()}, {"$MISSING", kMissingDir}, {"$OTHER", kOtherMissingDir}});
}

std::vector<std::string> ExpandAll(const std::vector<std::string>& texts) {
  std::vector<std::string> expanded;
  for (const std::string& text : texts) expanded.push_back(Expand(text));
  return expanded;
}

// The library lines of LoadLib and LoadBackendLib.
std::vector<std::string> LibraryLines(const std::vector<std::string>& lines) {
  std::vector<std::string> kept;
  for (const std::string& line : lines) {
    if (absl::StrContains(line, "qnn shared library") || absl::StrContains(line, "Falling back")) {
      kept.push_back(line);
    }
  }
  return kept;
}

bool IsLoaded(const std::string& file_name) {
  for (const std::string& loaded : sim::LoadedLibraries()) {
    if (loaded == file_name) return true;
  }
  return false;
}

using QnnManagerTest = testing_support::QnnManagerFixture;

// ------------------------------------------------------------ search order

// One search: where the manager is told to look, the library lines it must
// print, and what it must end with.
struct SearchCase {
  const char* name;
  std::string qnn_lib_dir;
  std::optional<std::string> shared_library_dir;
  std::vector<std::string> lines;
  std::string backend_path;  // empty: set-up fails on QnnSystem.dll
};

// Runs one search; "" when everything matched, else what differed.
std::string CheckSearch(const SearchCase& c, const std::string& poisoned_dir = "") {
  qnn::Options options;
  options.SetQnnLibDir(Expand(c.qnn_lib_dir));
  std::optional<std::string> dir;
  if (c.shared_library_dir.has_value()) dir = Expand(*c.shared_library_dir);
  std::vector<std::string> lines;
  auto manager = testing_support::QnnManagerFixture::CreateCapturing(options, dir, &lines);
  std::vector<std::string> expected;
  for (const std::string& line : c.lines) {
    expected.push_back(absl::StrReplaceAll(Expand(line), {{"$POISON", poisoned_dir}}));
  }
  std::string problems;
  if (LibraryLines(lines) != expected) {
    absl::StrAppend(&problems, "lines:\n", absl::StrJoin(LibraryLines(lines), "\n"), "\n");
  }
  if (c.backend_path.empty()) {
    if (manager.HasValue()) {
      absl::StrAppend(&problems, "set-up succeeded\n");
    } else if (manager.GetError().status() != Status::DynamicLoadingFailure ||
               !absl::StrContains(manager.GetError().message(),
                                  "\xE2\x94\x94 Could not load shared library QnnSystem.dll: ")) {
      absl::StrAppend(&problems, "error: ", manager.GetError().message(), "\n");
    }
    if (!sim::LoadedLibraries().empty()) absl::StrAppend(&problems, "libraries left loaded\n");
  } else if (!manager.HasValue()) {
    absl::StrAppend(&problems, "error: ", manager.GetError().message(), "\n");
  } else {
    if (manager.Value()->BackendLibrary().path() != Expand(c.backend_path)) {
      absl::StrAppend(&problems, "backend path: ", manager.Value()->BackendLibrary().path(), "\n");
    }
    if (!IsLoaded("QnnSystem.dll") || !IsLoaded("QnnHtp.dll")) {
      absl::StrAppend(&problems, "not loaded\n");
    }
  }
  return problems;
}

// The platform's own search by bare file name depends on the process: it
// reads LD_LIBRARY_PATH once, at start-up (and under a sanitizer dlopen is
// called from the sanitizer's runtime, whose run path is not ours). These
// searches run in a re-executed copy of this binary with LD_LIBRARY_PATH
// set to `library_path`; the parent publishes it through a marker variable.
class ChildWithLibraryPath {
 public:
  static constexpr char kMarker[] = "VANTRO_TEST_CHILD_LIBRARY_PATH";
  // A file the child writes its findings to (its standard error stream is
  // not shown by the re-executing death test).
  static constexpr char kReport[] = "VANTRO_TEST_CHILD_REPORT";

  // In the parent, `make_library_path` makes the directory; in the child the
  // inherited one is used.
  template <typename MakeDir>
  explicit ChildWithLibraryPath(MakeDir make_library_path) {
    if (const char* inherited = std::getenv(kMarker)) {
      library_path_ = inherited;
      return;
    }
    parent_ = true;
    if (const char* path = std::getenv("LD_LIBRARY_PATH")) saved_library_path_ = path;
    library_path_ = make_library_path();
    char report[] = "/tmp/vantro-child-report-XXXXXX";
    const int fd = mkstemp(report);
    if (fd >= 0) close(fd);
    report_ = report;
    setenv(kReport, report_.c_str(), 1);
    setenv(kMarker, library_path_.c_str(), 1);
    setenv("LD_LIBRARY_PATH", library_path_.c_str(), 1);
    saved_style_ = GTEST_FLAG_GET(death_test_style);
    GTEST_FLAG_SET(death_test_style, "threadsafe");  // re-executes the binary
  }
  ~ChildWithLibraryPath() {
    if (!parent_) return;
    GTEST_FLAG_SET(death_test_style, saved_style_);
    std::remove(report_.c_str());
    unsetenv(kReport);
    unsetenv(kMarker);
    if (saved_library_path_.has_value()) {
      setenv("LD_LIBRARY_PATH", saved_library_path_->c_str(), 1);
    } else {
      unsetenv("LD_LIBRARY_PATH");
    }
  }
  const std::string& library_path() const { return library_path_; }

  // What the child reported (in the parent, after the death test).
  std::string Report() const {
    std::string text;
    if (FILE* file = std::fopen(report_.c_str(), "r")) {
      char buffer[4096];
      size_t read = 0;
      while ((read = std::fread(buffer, 1, sizeof(buffer), file)) > 0) text.append(buffer, read);
      std::fclose(file);
    }
    return text;
  }

 private:
  bool parent_ = false;
  std::string report_;
  std::string library_path_;
  std::optional<std::string> saved_library_path_;
  std::string saved_style_;
};

// Runs every case in the child; exits 0 when all matched.
[[noreturn]] void RunSearchesAndExit(const std::vector<SearchCase>& cases,
                                     const std::string& poisoned_dir) {
  std::string report;
  for (const SearchCase& c : cases) {
    const std::string problems = CheckSearch(c, poisoned_dir);
    if (!problems.empty()) absl::StrAppend(&report, "case \"", c.name, "\":\n", problems);
  }
  if (const char* path = std::getenv(ChildWithLibraryPath::kReport)) {
    if (FILE* file = std::fopen(path, "w")) {
      std::fputs(report.c_str(), file);
      std::fclose(file);
    }
  }
  std::exit(report.empty() ? 0 : 1);
}

TEST_F(QnnManagerTest, SearchesQnnLibDirThenSharedLibraryDir) {
  const std::vector<SearchCase> cases = {
      {"qnn_lib_dir first",
       "$SIM",
       std::nullopt,
       {"INFO: [qnn_manager:N] Loading qnn shared library from \"$SIM/QnnSystem.dll\"",
        "INFO: [qnn_manager:N] Loading qnn shared library from \"$SIM/QnnHtp.dll\"",
        "INFO: [qnn_manager:N] Loaded qnn shared library"},
       "$SIM/QnnHtp.dll"},
      {"trailing separator joins cleanly",
       "$SIM/",
       std::nullopt,
       {"INFO: [qnn_manager:N] Loading qnn shared library from \"$SIM/QnnSystem.dll\"",
        "INFO: [qnn_manager:N] Loading qnn shared library from \"$SIM/QnnHtp.dll\"",
        "INFO: [qnn_manager:N] Loaded qnn shared library"},
       "$SIM/QnnHtp.dll"},
      {"qnn_lib_dir wins over the shared-library dir",
       "$SIM",
       "$MISSING",
       {"INFO: [qnn_manager:N] Loading qnn shared library from \"$SIM/QnnSystem.dll\"",
        "INFO: [qnn_manager:N] Loading qnn shared library from \"$SIM/QnnHtp.dll\"",
        "INFO: [qnn_manager:N] Loaded qnn shared library"},
       "$SIM/QnnHtp.dll"},
      {"falls back to the shared-library dir",
       "$MISSING",
       "$SIM",
       {"INFO: [qnn_manager:N] Loading qnn shared library from \"$MISSING/QnnSystem.dll\"",
        "INFO: [qnn_manager:N] Falling back from qnn_lib_dir to loading \"QnnSystem.dll\"",
        "INFO: [qnn_manager:N] Loading qnn shared library from \"$SIM/QnnSystem.dll\"",
        "INFO: [qnn_manager:N] Loading qnn shared library from \"$MISSING/QnnHtp.dll\"",
        "INFO: [qnn_manager:N] Falling back from qnn_lib_dir to loading \"QnnHtp.dll\"",
        "INFO: [qnn_manager:N] Loading qnn shared library from \"$SIM/QnnHtp.dll\"",
        "INFO: [qnn_manager:N] Loaded qnn shared library"},
       "$SIM/QnnHtp.dll"},
      {"shared-library dir alone",
       "",
       "$SIM",
       {"INFO: [qnn_manager:N] Loading qnn shared library from \"$SIM/QnnSystem.dll\"",
        "INFO: [qnn_manager:N] Loading qnn shared library from \"$SIM/QnnHtp.dll\"",
        "INFO: [qnn_manager:N] Loaded qnn shared library"},
       "$SIM/QnnHtp.dll"},
  };
  for (const SearchCase& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(CheckSearch(c), "");
  }
}

TEST_F(QnnManagerTest, SearchesByBareFileNameLast) {
  ChildWithLibraryPath child([] { return SimDir(); });
  const std::vector<SearchCase> cases = {
      {"equal dirs are tried once",
       "$MISSING",
       "$MISSING",
       {"INFO: [qnn_manager:N] Loading qnn shared library from \"$MISSING/QnnSystem.dll\"",
        "INFO: [qnn_manager:N] Falling back from qnn_lib_dir to loading \"QnnSystem.dll\"",
        "INFO: [qnn_manager:N] Loading qnn shared library from \"QnnSystem.dll\"",
        "INFO: [qnn_manager:N] Loading qnn shared library from \"$MISSING/QnnHtp.dll\"",
        "INFO: [qnn_manager:N] Falling back from qnn_lib_dir to loading \"QnnHtp.dll\"",
        "INFO: [qnn_manager:N] Loading qnn shared library from \"QnnHtp.dll\"",
        "INFO: [qnn_manager:N] Loaded qnn shared library"},
       "QnnHtp.dll"},
      {"both dirs missing",
       "$MISSING",
       "$OTHER",
       {"INFO: [qnn_manager:N] Loading qnn shared library from \"$MISSING/QnnSystem.dll\"",
        "INFO: [qnn_manager:N] Falling back from qnn_lib_dir to loading \"QnnSystem.dll\"",
        "INFO: [qnn_manager:N] Loading qnn shared library from \"$OTHER/QnnSystem.dll\"",
        "INFO: [qnn_manager:N] Falling back from shared_library_dir to loading "
        "\"QnnSystem.dll\"",
        "INFO: [qnn_manager:N] Loading qnn shared library from \"QnnSystem.dll\"",
        "INFO: [qnn_manager:N] Loading qnn shared library from \"$MISSING/QnnHtp.dll\"",
        "INFO: [qnn_manager:N] Falling back from qnn_lib_dir to loading \"QnnHtp.dll\"",
        "INFO: [qnn_manager:N] Loading qnn shared library from \"$OTHER/QnnHtp.dll\"",
        "INFO: [qnn_manager:N] Falling back from shared_library_dir to loading "
        "\"QnnHtp.dll\"",
        "INFO: [qnn_manager:N] Loading qnn shared library from \"QnnHtp.dll\"",
        "INFO: [qnn_manager:N] Loaded qnn shared library"},
       "QnnHtp.dll"},
      {"nothing configured: one attempt by name",
       "",
       std::nullopt,
       {"INFO: [qnn_manager:N] Loading qnn shared library from \"QnnSystem.dll\"",
        "INFO: [qnn_manager:N] Loading qnn shared library from \"QnnHtp.dll\"",
        "INFO: [qnn_manager:N] Loaded qnn shared library"},
       "QnnHtp.dll"},
      {"empty shared-library dir counts as none",
       "",
       "",
       {"INFO: [qnn_manager:N] Loading qnn shared library from \"QnnSystem.dll\"",
        "INFO: [qnn_manager:N] Loading qnn shared library from \"QnnHtp.dll\"",
        "INFO: [qnn_manager:N] Loaded qnn shared library"},
       "QnnHtp.dll"},
  };
  EXPECT_EXIT(RunSearchesAndExit(cases, ""), ::testing::ExitedWithCode(0), "");
  EXPECT_EQ(child.Report(), "");
}

TEST(JoinLibraryPathTest, AppendsAsPathsThenUsesForwardSlashes) {
  EXPECT_EQ(JoinLibraryPath("/opt/qnn", "QnnHtp.dll"), "/opt/qnn/QnnHtp.dll");
  EXPECT_EQ(JoinLibraryPath("/opt/qnn/", "QnnHtp.dll"), "/opt/qnn/QnnHtp.dll");
  EXPECT_EQ(JoinLibraryPath("relative", "QnnHtp.dll"), "relative/QnnHtp.dll");
  // An absolute second part replaces the first.
  EXPECT_EQ(JoinLibraryPath("/opt/qnn", "/elsewhere/QnnHtp.dll"), "/elsewhere/QnnHtp.dll");
  // Backslashes become "/" after the join.
  EXPECT_EQ(JoinLibraryPath("C:\\qnn\\lib", "QnnHtp.dll"), "C:/qnn/lib/QnnHtp.dll");
}

// A library found nowhere: the platform's search meets an unloadable file
// of that name first.
TEST_F(QnnManagerTest, ReportsALibraryFoundNowhere) {
  std::string made;
  ChildWithLibraryPath child([&made] {
    char pattern[] = "/tmp/vantro-poisoned-qnn-XXXXXX";
    if (mkdtemp(pattern) == nullptr) return std::string("/nonexistent");
    made = pattern;
    if (FILE* file = std::fopen((made + "/QnnSystem.dll").c_str(), "w")) std::fclose(file);
    return made;
  });
  const std::vector<SearchCase> cases = {
      {"nothing configured",
       "",
       std::nullopt,
       {"INFO: [qnn_manager:N] Loading qnn shared library from \"QnnSystem.dll\"",
        "ERROR: [qnn_manager:N] Failed to load qnn shared library from \"QnnSystem.dll\": "
        "$POISON/QnnSystem.dll: file too short"},
       ""},
      {"equal dirs are tried once",
       "$MISSING",
       "$MISSING",
       {"INFO: [qnn_manager:N] Loading qnn shared library from \"$MISSING/QnnSystem.dll\"",
        "INFO: [qnn_manager:N] Falling back from qnn_lib_dir to loading \"QnnSystem.dll\"",
        "INFO: [qnn_manager:N] Loading qnn shared library from \"QnnSystem.dll\"",
        "ERROR: [qnn_manager:N] Failed to load qnn shared library from \"QnnSystem.dll\": "
        "$POISON/QnnSystem.dll: file too short"},
       ""},
  };
  EXPECT_EXIT(RunSearchesAndExit(cases, child.library_path()), ::testing::ExitedWithCode(0),
              "");
  EXPECT_EQ(child.Report(), "");
  if (!made.empty()) {
    std::remove((made + "/QnnSystem.dll").c_str());
    rmdir(made.c_str());
  }
}

// ------------------------------------------------------------------ modes

TEST_F(QnnManagerTest, LibrariesOpenDeepBoundUnlessACustomOpPackageIsNamed) {
  qnn::Options options = SimOptions();
  EXPECT_EQ(QnnManager::LibraryOpenMode(options), 0x9);
  options.SetCustomOpPackage("", "provider", "/compile", "/dispatch", "CPU");
  EXPECT_EQ(QnnManager::LibraryOpenMode(options), 0x9);
  options.SetCustomOpPackage("MyOps", "", "", "", "");
  EXPECT_EQ(QnnManager::LibraryOpenMode(options), 0x101);
}

TEST_F(QnnManagerTest, ACustomOpPackageMakesTheLibrariesGlobal) {
  {
    auto manager = MustCreate(SimOptions());
    ASSERT_NE(manager, nullptr);
    EXPECT_EQ(dlsym(RTLD_DEFAULT, "QnnSystemInterface_getProviders"), nullptr);
  }
  qnn::Options options = SimOptions();
  options.SetCustomOpPackage("MyOps", "MyOpsInterfaceProvider", "", "", "");
  auto manager = MustCreate(options);
  ASSERT_NE(manager, nullptr);
  // The package's kernels resolve QNN's symbols from the global scope. A
  // symbol found that way pins its library for the rest of the process, so
  // look in a forked child.
  EXPECT_EXIT(std::exit(dlsym(RTLD_DEFAULT, "QnnSystemInterface_getProviders") != nullptr &&
                                dlsym(RTLD_DEFAULT, "QnnInterface_getProviders") != nullptr
                            ? 0
                            : 1),
              ::testing::ExitedWithCode(0), "");
}

// ------------------------------------------------------- versions, providers

TEST_F(QnnManagerTest, ChecksEveryLibrarysVersions) {
  enum class Outcome { kSilent, kWarning, kFailure };
  struct Case {
    const char* name;
    sim::Library library;
    bool core;  // the core version (else the backend or system version)
    Qnn_Version_t version;
    bool saver;
    Outcome outcome;
    std::string line;  // the WARNING or ERROR line
  };
  const char* kTail = " Please make sure you have the correct library version.";
  auto error = [&](const std::string& text) {
    return absl::StrCat("ERROR: [qnn_manager:N] ", text, kTail);
  };
  auto warning = [](const std::string& text) {
    return absl::StrCat("WARNING: [qnn_manager:N] ", text);
  };
  const std::vector<Case> cases = {
      {"core 2.41.x silent", sim::Library::kHtp, true, {2, 41, 9}, false, Outcome::kSilent, ""},
      {"core 2.42.0 warns", sim::Library::kHtp, true, {2, 42, 0}, false, Outcome::kWarning,
       warning("Qnn library version 2.42.0 is used. The version Vantro using is 2.41.0.")},
      {"core 2.40.9 mismatched", sim::Library::kHtp, true, {2, 40, 9}, false,
       Outcome::kFailure,
       error("Qnn library version 2.40.9 is mismatched. The minimum supported version is "
             "2.41.0.")},
      {"core 3.0.0 not supported", sim::Library::kHtp, true, {3, 0, 0}, false,
       Outcome::kFailure,
       error("Qnn library version 3.0.0 is not supported. The minimum supported version is "
             "2.41.0.")},
      {"core 1.99.0 not supported", sim::Library::kHtp, true, {1, 99, 0}, false,
       Outcome::kFailure,
       error("Qnn library version 1.99.0 is not supported. The minimum supported version is "
             "2.41.0.")},
      {"htp 5.52.7 silent", sim::Library::kHtp, false, {5, 52, 7}, false, Outcome::kSilent, ""},
      {"htp 5.53.0 warns", sim::Library::kHtp, false, {5, 53, 0}, false, Outcome::kWarning,
       warning("Qnn backend library version 5.53.0 is used. The version Vantro using is "
               "5.52.0.")},
      {"htp 5.51.0 mismatched", sim::Library::kHtp, false, {5, 51, 0}, false, Outcome::kFailure,
       error("Qnn backend library version 5.51.0 is mismatched. The minimum supported version "
             "is 5.52.0.")},
      {"htp 6.0.0 not supported", sim::Library::kHtp, false, {6, 0, 0}, false,
       Outcome::kFailure,
       error("Qnn backend library version 6.0.0 is not supported. The minimum supported "
             "version is 5.52.0.")},
      {"saver 1.1.0 silent", sim::Library::kSaver, false, {1, 1, 0}, true, Outcome::kSilent,
       ""},
      {"saver 1.2.3 warns", sim::Library::kSaver, false, {1, 2, 3}, true, Outcome::kWarning,
       warning("Qnn backend library version 1.2.3 is used. The version Vantro using is "
               "1.1.0.")},
      {"saver 1.0.9 mismatched", sim::Library::kSaver, false, {1, 0, 9}, true,
       Outcome::kFailure,
       error("Qnn backend library version 1.0.9 is mismatched. The minimum supported version "
             "is 1.1.0.")},
      {"saver does not accept the htp version", sim::Library::kSaver, false, {5, 52, 0}, true,
       Outcome::kFailure,
       error("Qnn backend library version 5.52.0 is not supported. The minimum supported "
             "version is 1.1.0.")},
      {"saver core 2.40.0 mismatched", sim::Library::kSaver, true, {2, 40, 0}, true,
       Outcome::kFailure,
       error("Qnn library version 2.40.0 is mismatched. The minimum supported version is "
             "2.41.0.")},
      {"system 1.16.4 silent", sim::Library::kSystem, true, {1, 16, 4}, false,
       Outcome::kSilent, ""},
      {"system 1.17.0 warns", sim::Library::kSystem, true, {1, 17, 0}, false,
       Outcome::kWarning,
       warning("Qnn System library version 1.17.0 is used. The version Vantro using is "
               "1.16.0.")},
      {"system 1.15.9 mismatched", sim::Library::kSystem, true, {1, 15, 9}, false,
       Outcome::kFailure,
       error("Qnn System library version 1.15.9 is mismatched. The minimum supported version "
             "is 1.16.0.")},
      {"system 2.16.0 not supported", sim::Library::kSystem, true, {2, 16, 0}, false,
       Outcome::kFailure,
       error("Qnn System library version 2.16.0 is not supported. The minimum supported "
             "version is 1.16.0.")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    sim::Reset();
    sim::LibraryConfig config = sim::GetLibraryConfig(c.library);
    (c.core ? config.core : config.backend) = c.version;
    sim::SetLibraryConfig(c.library, config);
    qnn::Options options = SimOptions();
    if (c.saver) options.SetSaverOutputDir("/tmp/vantro-saver-out");

    std::vector<std::string> lines;
    auto manager = CreateCapturing(options, std::nullopt, &lines);
    std::vector<std::string> verdicts = Containing(lines, "version");
    if (c.outcome == Outcome::kFailure) {
      ExpectSetUpFailure(manager, Status::DynamicLoadingFailure);
      EXPECT_THAT(verdicts, ElementsAre(c.line));
      continue;
    }
    ASSERT_TRUE(manager.HasValue()) << manager.GetError().message();
    ASSERT_NE(manager.Value()->Api(), nullptr);
    ASSERT_NE(manager.Value()->SystemApi(), nullptr);
    if (c.outcome == Outcome::kWarning) {
      EXPECT_THAT(verdicts, ElementsAre(c.line));
    } else {
      EXPECT_THAT(verdicts, IsEmpty());
    }
  }
}

TEST_F(QnnManagerTest, BindsEachBackendTypesLibraryAndVersion) {
  struct Case {
    qnn::BackendType type;
    sim::Library library;
    const char* file_name;
    Qnn_Version_t accepted;  // patch differs from the required version
    Qnn_Version_t refused;
    std::string refusal;
  };
  const std::vector<Case> cases = {
      {qnn::BackendType::kGpu, sim::Library::kGpu, "libQnnGpu.so", {3, 16, 5}, {3, 15, 0},
       "Qnn backend library version 3.15.0 is mismatched. The minimum supported version is "
       "3.16.0."},
      {qnn::BackendType::kHtp, sim::Library::kHtp, "QnnHtp.dll", {5, 52, 1}, {4, 52, 0},
       "Qnn backend library version 4.52.0 is not supported. The minimum supported version "
       "is 5.52.0."},
      {qnn::BackendType::kDsp, sim::Library::kDsp, "QnnDsp.dll", {5, 0, 0}, {6, 0, 1},
       "Qnn backend library version 6.0.1 is not supported. The minimum supported version is "
       "5.0.1."},
      {qnn::BackendType::kIr, sim::Library::kIr, "QnnIr.dll", {0, 1, 7}, {0, 0, 9},
       "Qnn backend library version 0.0.9 is mismatched. The minimum supported version is "
       "0.1.0."},
      {qnn::BackendType::kLpai, sim::Library::kLpai, "QnnLpai.dll", {2, 37, 2}, {2, 36, 0},
       "Qnn backend library version 2.36.0 is mismatched. The minimum supported version is "
       "2.37.0."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file_name);
    sim::Reset();
    sim::LibraryConfig config = sim::GetLibraryConfig(c.library);
    config.backend = c.accepted;
    sim::SetLibraryConfig(c.library, config);
    {
      std::vector<std::string> lines;
      auto manager = CreateCapturing(SimOptions(c.type), std::nullopt, &lines);
      ASSERT_TRUE(manager.HasValue()) << manager.GetError().message();
      EXPECT_EQ(manager.Value()->BackendLibrary().path(), SimDir() + "/" + c.file_name);
      EXPECT_THAT(sim::LoadedLibraries(),
                  ::testing::UnorderedElementsAre("QnnSystem.dll", c.file_name));
      EXPECT_THAT(Containing(lines, "version"), IsEmpty());
    }
    config.backend = c.refused;
    sim::SetLibraryConfig(c.library, config);
    std::vector<std::string> lines;
    auto manager = CreateCapturing(SimOptions(c.type), std::nullopt, &lines);
    ExpectSetUpFailure(manager, Status::DynamicLoadingFailure);
    EXPECT_THAT(Containing(lines, "version"),
                ElementsAre(absl::StrCat("ERROR: [qnn_manager:N] ", c.refusal,
                                         " Please make sure you have the correct library "
                                         "version.")));
  }
}

TEST_F(QnnManagerTest, AcceptsExactlyOneNonNullProvider) {
  struct Case {
    const char* name;
    sim::Library library;
    uint32_t provider_count;
    bool null_provider;
    Qnn_ErrorHandle_t get_providers_result;
    Status status;
    std::vector<std::string> lines;
    std::string cause;  // expected behind the set-up text, when not empty
  };
  const std::vector<Case> cases = {
      {"two providers", sim::Library::kHtp, 2, false, QNN_SUCCESS,
       Status::DynamicLoadingFailure, {"ERROR: [qnn_manager:N] Found 2 providers, expected 1"},
       ""},
      {"no provider", sim::Library::kHtp, 0, false, QNN_SUCCESS, Status::DynamicLoadingFailure,
       {"ERROR: [qnn_manager:N] Found 0 providers, expected 1"}, ""},
      {"null provider", sim::Library::kHtp, 1, true, QNN_SUCCESS,
       Status::DynamicLoadingFailure, {"ERROR: [qnn_manager:N] No valid interface was provided"},
       ""},
      {"query fails", sim::Library::kHtp, 1, false, 0x1234, Status::RuntimeFailure,
       {"ERROR: [qnn_manager:N] Failed to load providers from library: Failed to get "
        "providers"},
       "Failed to get providers"},
      {"two system providers", sim::Library::kSystem, 2, false, QNN_SUCCESS,
       Status::DynamicLoadingFailure,
       {"ERROR: [qnn_manager:N] Found 2 system providers, expected 1"}, ""},
      {"null system provider", sim::Library::kSystem, 1, true, QNN_SUCCESS,
       Status::DynamicLoadingFailure,
       {"ERROR: [qnn_manager:N] No valid system interface was provided"}, ""},
      {"system query fails", sim::Library::kSystem, 1, false, 7, Status::RuntimeFailure,
       {"ERROR: [qnn_manager:N] Failed to load system providers: Failed to get system "
        "providers"},
       "Failed to get system providers"},
      {"saver's providers are checked too", sim::Library::kSaver, 2, false, QNN_SUCCESS,
       Status::DynamicLoadingFailure, {"ERROR: [qnn_manager:N] Found 2 providers, expected 1"},
       ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    sim::Reset();
    sim::LibraryConfig config = sim::GetLibraryConfig(c.library);
    config.provider_count = c.provider_count;
    config.null_provider = c.null_provider;
    config.get_providers_result = c.get_providers_result;
    sim::SetLibraryConfig(c.library, config);
    qnn::Options options = SimOptions();
    if (c.library == sim::Library::kSaver) options.SetSaverOutputDir("/tmp/vantro-saver-out");

    std::string captured;
    std::vector<std::string> lines;
    auto manager = CreateCapturing(options, std::nullopt, &lines, &captured);
    ExpectSetUpFailure(manager, c.status);
    EXPECT_THAT(Containing(lines, "ERROR"), ElementsAreArray(c.lines));
    if (!c.cause.empty()) {
      EXPECT_TRUE(absl::EndsWith(manager.GetError().message(),
                                 absl::StrCat("Failed to set up QNN manager\n\xE2\x94\x94 ",
                                              c.cause)))
          << manager.GetError().message();
    }
    if (c.null_provider) {
      // The message itself ends in a line feed, so the line is followed by
      // an empty one.
      EXPECT_THAT(captured, HasSubstr("was provided\n\n"));
    }
  }
}

// ------------------------------------------------------------ set-up steps

TEST_F(QnnManagerTest, RefusesAnUnsupportedBackendTypeAfterTheSystemLibrary) {
  for (int32_t type : {0, 9, -1}) {
    SCOPED_TRACE(type);
    sim::ClearCalls();
    std::vector<std::string> lines;
    auto manager =
        CreateCapturing(SimOptions(static_cast<qnn::BackendType>(type)), std::nullopt, &lines);
    ExpectSetUpFailure(manager, Status::RuntimeFailure);
    EXPECT_THAT(Containing(lines, "ERROR"),
                ElementsAre(absl::StrCat("ERROR: [qnn_manager:N] Unsupported backend type: ",
                                         type)));
    EXPECT_THAT(LibraryLines(lines),
                ElementsAre(Expand("INFO: [qnn_manager:N] Loading qnn shared library from "
                                   "\"$SIM/QnnSystem.dll\"")));
    EXPECT_EQ(sim::CountCalls("QnnSystemInterface_getProviders"), 1u);
  }
}

TEST_F(QnnManagerTest, ParsesTheSdkVersionFromTheBuildId) {
  struct Case {
    const char* build_id;  // null: the backend hands out a null text
    bool parses;
    QnnSdkVersion version;
  };
  const std::vector<Case> cases = {
      {"v2.41.0.250101", true, {2, 41, 0}},
      {"v2.41.0", true, {2, 41, 0}},
      {"v3.7.12-rc1", true, {3, 7, 12}},
      {"v2147483647.0.1", true, {2147483647u, 0, 1}},
      {"v-1.2.3", true, {0xFFFFFFFFu, 2, 3}},
      {"2.41.0.250101", false, {}},
      {"v2.41", false, {}},
      {"v2.41.", false, {}},
      {"v2..0", false, {}},
      {"v 2.41.0", false, {}},
      {"v+2.41.0", false, {}},
      {"V2.41.0", false, {}},
      {"v2147483648.0.0", false, {}},
      {"v2.41.99999999999", false, {}},
      {"", false, {}},
      {nullptr, false, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.build_id == nullptr ? "null" : c.build_id);
    sim::Reset();
    sim::LibraryConfig config = sim::GetLibraryConfig(sim::Library::kHtp);
    if (c.build_id == nullptr) {
      config.null_build_id = true;
    } else {
      config.build_id = c.build_id;
    }
    sim::SetLibraryConfig(sim::Library::kHtp, config);
    std::vector<std::string> lines;
    auto manager = CreateCapturing(SimOptions(), std::nullopt, &lines);
    if (!c.parses) {
      ExpectSetUpFailure(manager, Status::RuntimeFailure);
      EXPECT_THAT(Containing(lines, "ERROR"),
                  ElementsAre("ERROR: [qnn_manager:N] Failed to parse build ID"));
      continue;
    }
    ASSERT_TRUE(manager.HasValue()) << manager.GetError().message();
    const QnnSdkVersion version = manager.Value()->SdkVersion();
    EXPECT_EQ(version.major, c.version.major);
    EXPECT_EQ(version.minor, c.version.minor);
    EXPECT_EQ(version.patch, c.version.patch);
  }
}

TEST_F(QnnManagerTest, KeepsACopyOfTheOptionsAndHandsOutAnEmptyDefaultConfigList) {
  qnn::Options options = SimOptions();
  options.SetGraphPriority(qnn::GraphPriority::kHigh);
  auto manager = MustCreate(options);
  ASSERT_NE(manager, nullptr);
  options.SetGraphPriority(qnn::GraphPriority::kLow);
  EXPECT_EQ(manager->options().GetGraphPriority(), qnn::GraphPriority::kHigh);

  const auto [configs, count] = manager->DefaultContextConfigs();
  ASSERT_NE(configs, nullptr);
  EXPECT_EQ(count, 1u);
  EXPECT_EQ(configs[0], nullptr);
}

// ------------------------------------------------------ ADSP_LIBRARY_PATH

TEST_F(QnnManagerTest, PutsTheDspDirectoryFirstOnTheAdspLibraryPath) {
  struct Case {
    const char* name;
    std::optional<std::string> before;
    std::string after;
  };
  const std::string d = "/opt/dsp/skel";
  const std::vector<Case> cases = {
      {"unset becomes D", std::nullopt, d},
      {"empty becomes D", "", d},
      {"X becomes D;X", "/x", d + ";/x"},
      {"X;D stays", "/x;" + d, "/x;" + d},
      {"D;X stays", d + ";/x", d + ";/x"},
      {"only whole pieces count", "/opt/dsp/skel2;/x", d + ";/opt/dsp/skel2;/x"},
      {"a piece with a trailing separator is another piece", d + "/", d + ";" + d + "/"},
      {"empty pieces are kept", "/x;;/y", d + ";/x;;/y"},
      {"a trailing empty piece is kept", "/x;", d + ";/x;"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(SetOrRemoveEnvironmentVariable(kAdspLibraryPath, c.before));
    qnn::Options options = SimOptions();
    options.SetDspSkelDir(d);
    std::vector<std::string> lines;
    auto manager = CreateCapturing(options, std::nullopt, &lines);
    ASSERT_TRUE(manager.HasValue()) << manager.GetError().message();
    EXPECT_EQ(ReadEnvironmentVariable(kAdspLibraryPath), std::optional<std::string>(c.after));
    EXPECT_THAT(Containing(lines, "ADSP_LIBRARY_PATH"),
                ElementsAre("INFO: [qnn_manager:N] Configuring ADSP_LIBRARY_PATH with dir: " + d));
  }
}

TEST_F(QnnManagerTest, ChoosesTheAdspDirectoryBySkelThenQnnLibThenSharedDir) {
  struct Case {
    const char* name;
    std::string dsp_skel_dir;
    std::string qnn_lib_dir;
    std::optional<std::string> shared_library_dir;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {"skel dir first", "/skel", SimDir(), SimDir() + "/", "/skel"},
      {"then qnn_lib_dir", "", SimDir(), "/shared", SimDir()},
      {"then the shared-library dir", "", "", SimDir(), SimDir()},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(RemoveEnvironmentVariable(kAdspLibraryPath));
    qnn::Options options;
    options.SetDspSkelDir(c.dsp_skel_dir);
    options.SetQnnLibDir(c.qnn_lib_dir);
    auto manager = MustCreate(options, c.shared_library_dir);
    EXPECT_EQ(ReadEnvironmentVariable(kAdspLibraryPath),
              std::optional<std::string>(c.expected));
  }
}

TEST_F(QnnManagerTest, LeavesTheAdspLibraryPathAloneWithoutADirectory) {
  for (const std::optional<std::string>& dir :
       {std::optional<std::string>(), std::optional<std::string>("")}) {
    SCOPED_TRACE(dir.has_value() ? "empty dir" : "no dir");
    ASSERT_TRUE(WriteEnvironmentVariable(kAdspLibraryPath, "/untouched"));
    std::vector<std::string> lines;
    // Set-up searches by bare name here and may not find the libraries;
    // the variable is settled before any library is looked for.
    (void)CreateCapturing(qnn::Options(), dir, &lines);
    EXPECT_EQ(ReadEnvironmentVariable(kAdspLibraryPath),
              std::optional<std::string>("/untouched"));
    EXPECT_THAT(Containing(lines, "ADSP_LIBRARY_PATH"), IsEmpty());

    ASSERT_TRUE(RemoveEnvironmentVariable(kAdspLibraryPath));
    (void)CreateCapturing(qnn::Options(), dir, &lines);
    EXPECT_EQ(ReadEnvironmentVariable(kAdspLibraryPath), std::nullopt);
  }
}

TEST_F(QnnManagerTest, LogsTheAdspLibraryPathAtDebug) {
  ASSERT_TRUE(WriteEnvironmentVariable(kAdspLibraryPath, "/x"));
  VantroLogSeverity saved = kVantroLogInfo;
  ASSERT_EQ(VantroGetMinLoggerSeverity(VantroGetCurrentLogger(), &saved), kVantroStatusOk);
  ASSERT_EQ(VantroSetMinLoggerSeverity(VantroGetCurrentLogger(), kVantroLogDebug),
            kVantroStatusOk);
  qnn::Options options = SimOptions();
  options.SetDspSkelDir("/skel");
  std::vector<std::string> lines;
  auto manager = CreateCapturing(options, std::nullopt, &lines);
  ASSERT_EQ(VantroSetMinLoggerSeverity(VantroGetCurrentLogger(), saved), kVantroStatusOk);
  ASSERT_TRUE(manager.HasValue()) << manager.GetError().message();
  // The standard logger has no name for DEBUG.
  EXPECT_THAT(Containing(lines, "ADSP_LIBRARY_PATH"),
              ElementsAre("INFO: [qnn_manager:N] Configuring ADSP_LIBRARY_PATH with dir: /skel",
                          "<Unknown severity>: [qnn_manager:N] ADSP_LIBRARY_PATH: /skel;/x"));
}

TEST_F(QnnManagerTest, ConfiguresTheAdspLibraryPathEvenWhenLoadingFails) {
  sim::LibraryConfig config = sim::GetLibraryConfig(sim::Library::kSystem);
  config.core = {1, 15, 0};
  sim::SetLibraryConfig(sim::Library::kSystem, config);
  qnn::Options options = SimOptions(qnn::BackendType::kGpu);
  options.SetDspSkelDir("/skel");
  std::vector<std::string> lines;
  auto manager = CreateCapturing(options, std::nullopt, &lines);
  ExpectSetUpFailure(manager, Status::DynamicLoadingFailure);
  EXPECT_EQ(ReadEnvironmentVariable(kAdspLibraryPath), std::optional<std::string>("/skel"));
}

}  // namespace
}  // namespace vantro::qualcomm
