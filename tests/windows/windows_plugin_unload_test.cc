// FreeLibrary of the plug-in DLL right after an invoke under automatic
// voting in Burst, while its voting thread waits out the delayed down vote.
// Windows runs a DLL's static destructors under the loader lock, where the
// thread cannot be joined, so the DLL pins itself when a voting thread
// starts: it stays mapped, and the thread that wakes later runs its code.
// A copy under another file name is loaded, so that FreeLibrary would really
// unload it (the harness keeps the built DLL loaded).
#include <windows.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "c/vantro_dispatch.h"
#include "gtest/gtest.h"
#include "sim/qnn/sim_qnn.h"
#include "tests/support/plugin_harness.h"
#include "vendors/qualcomm/backends/voting_thread.h"

namespace vantro::testing {
namespace {

TEST(WindowsPluginUnloadTest, FreeLibraryWithinTheDownVoteDelayLeavesThePluginMapped) {
  std::filesystem::path copy = std::filesystem::path(VANTRO_PLUGIN_PATH);
  copy.replace_filename("VantroDispatch_Qualcomm_unload.dll");
  // The copy an earlier run left (the pin holds it only while that run
  // lives); MinGW's copy_file does not overwrite.
  std::error_code error;
  std::filesystem::remove(copy, error);
  std::filesystem::copy_file(VANTRO_PLUGIN_PATH, copy, error);
  ASSERT_FALSE(error) << error.message();
  std::string path = copy.string();
  for (char& c : path) {
    if (c == '/') c = '\\';
  }

  vantro::sim::Reset();
  HMODULE plugin = LoadLibraryA(path.c_str());
  ASSERT_NE(plugin, nullptr) << "LoadLibraryA failed: " << GetLastError();
  const VantroDispatchOperationTable* table = QueryTable(
      reinterpret_cast<void*>(GetProcAddress(plugin, "VantroDispatchQueryInterface")));
  ASSERT_NE(table, nullptr);
  ASSERT_TRUE(InvokeOnceInAutoBurst(*table));

  EXPECT_TRUE(FreeLibrary(plugin));
  EXPECT_NE(GetModuleHandleA(path.c_str()), nullptr) << "the plug-in was unloaded";
  // A voting thread left running in unloaded code would fault in this wait
  // and end the test program.
  std::this_thread::sleep_for(4 * qnn::VotingThread::kDownVoteDelay);
}

}  // namespace
}  // namespace vantro::testing
