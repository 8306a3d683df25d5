// Unloading the plug-in right after an invoke under automatic voting in
// Burst, while its voting thread waits out the delayed down vote: nothing of
// the plug-in may run after its code is unmapped. The plug-in is loaded from
// a copy under a path of its own, so that dlclose really unmaps it (the
// harness keeps the built one loaded for the whole process). POSIX only.
#include <dlfcn.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>

#include "absl/strings/str_cat.h"
#include "gtest/gtest.h"
#include "sim/qnn/sim_qnn.h"
#include "tests/support/plugin_harness.h"
#include "vendors/qualcomm/backends/voting_thread.h"

namespace vantro::testing {
namespace {

// Exit codes of the child that loads, invokes and unloads.
enum : int { kUnloadedCleanly = 0, kSetUpFailed = 2, kStillMapped = 3 };

// The child's whole run: load the copy, invoke, unload at once, then stay
// alive well past the down vote's delay. A voting thread left running wakes
// into unmapped code and kills the child.
[[noreturn]] void LoadInvokeUnloadAndWait(const std::string& path) {
  void* plugin = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  const VantroDispatchOperationTable* table =
      plugin == nullptr ? nullptr : QueryTable(dlsym(plugin, "VantroDispatchQueryInterface"));
  if (table == nullptr || !InvokeOnceInAutoBurst(*table)) {
    std::fprintf(stderr, "set-up failed\n");
    _exit(kSetUpFailed);
  }
  dlclose(plugin);
  if (dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD) != nullptr) {
    std::fprintf(stderr, "the copy stayed mapped after dlclose\n");
    _exit(kStillMapped);
  }
  std::fprintf(stderr, "unmapped\n");
  std::this_thread::sleep_for(4 * qnn::VotingThread::kDownVoteDelay);
  // No exit handlers: the unloaded copy's process-wide objects are gone
  // with it, and a leak check would only report them.
  _exit(kUnloadedCleanly);
}

TEST(PluginUnloadTest, UnloadingWithinTheDownVoteDelayLeavesNoVotingThreadRunning) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  const std::filesystem::path copy =
      std::filesystem::path(::testing::TempDir()) /
      absl::StrCat("VantroDispatch_Qualcomm_unload_", getpid(), ".so");
  std::filesystem::copy_file(VANTRO_PLUGIN_PATH, copy,
                             std::filesystem::copy_options::overwrite_existing);
  vantro::sim::Reset();
  EXPECT_EXIT(LoadInvokeUnloadAndWait(copy.string()), ::testing::ExitedWithCode(kUnloadedCleanly),
              "unmapped");
  std::filesystem::remove(copy);
}

}  // namespace
}  // namespace vantro::testing
