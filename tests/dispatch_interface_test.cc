// The built plug-in, loaded with dlopen exactly as a host loads it: the
// interface query, the table's layout and the informational operations.
#include <dlfcn.h>

#include <cstring>
#include <string>

#include "c/vantro_dispatch.h"
#include "gmock/gmock.h"
#include "gtest/gtest.h"

namespace {

using ::testing::MatchesRegex;
using ::testing::internal::CaptureStderr;
using ::testing::internal::GetCapturedStderr;

class DispatchInterfaceTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    plugin_ = dlopen(VANTRO_PLUGIN_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(plugin_, nullptr) << dlerror();
    query_ = reinterpret_cast<VantroDispatchQueryInterfaceFn>(
        dlsym(plugin_, "VantroDispatchQueryInterface"));
    ASSERT_NE(query_, nullptr);
  }
  // The plug-in stays loaded, as a host keeps it: its logger and
  // process-wide state live until the process ends.

  const VantroDispatchOperationTable* Table() {
    const VantroDispatchOperationTable* table = nullptr;
    EXPECT_EQ(query_(0, 1, nullptr, &table), kVantroStatusOk);
    return table;
  }

  static void* plugin_;
  static VantroDispatchQueryInterfaceFn query_;
};

void* DispatchInterfaceTest::plugin_ = nullptr;
VantroDispatchQueryInterfaceFn DispatchInterfaceTest::query_ = nullptr;

TEST_F(DispatchInterfaceTest, QueryAnswersOnlySelectorZeroWithAPositiveSecond) {
  struct Case {
    const char* name;
    int32_t a, b;
    VantroStatus expected;
  };
  const Case cases[] = {
      {"0,1", 0, 1, kVantroStatusOk},       {"0,7", 0, 7, kVantroStatusOk},
      {"0,0", 0, 0, kVantroStatusUnsupported}, {"1,5", 1, 5, kVantroStatusUnsupported},
      {"0,-1", 0, -1, kVantroStatusUnsupported},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const VantroDispatchOperationTable* sentinel =
        reinterpret_cast<const VantroDispatchOperationTable*>(0x1234);
    const VantroDispatchOperationTable* table = sentinel;
    int ignored = 0;
    EXPECT_EQ(query_(c.a, c.b, &ignored, &table), c.expected);
    if (c.expected == kVantroStatusOk) {
      EXPECT_NE(table, sentinel);
    } else {
      EXPECT_EQ(table, sentinel) << "the out pointer stays untouched";
    }
    EXPECT_EQ(query_(c.a, c.b, nullptr, nullptr), kVantroStatusInvalidArgument);
  }
}

TEST_F(DispatchInterfaceTest, TableHasTheHostLayout) {
  const VantroDispatchOperationTable* table = Table();
  ASSERT_NE(table, nullptr);
  const unsigned char expected_header[8] = {0xF0, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00};
  EXPECT_EQ(std::memcmp(table, expected_header, 8), 0);
  const auto* slots = reinterpret_cast<const void* const*>(table);
  for (size_t offset = 0x98; offset <= 0xB8; offset += 8) {
    EXPECT_EQ(slots[offset / 8], nullptr) << "slot " << offset;
  }
  for (size_t offset = 0xD0; offset <= 0xE8; offset += 8) {
    EXPECT_EQ(slots[offset / 8], nullptr) << "slot " << offset;
  }
  for (size_t offset : {0x10, 0x18, 0x20, 0xC0}) {
    EXPECT_NE(slots[offset / 8], nullptr) << "slot " << offset;
  }
}

TEST_F(DispatchInterfaceTest, InformationalOperations) {
  const VantroDispatchOperationTable* table = Table();
  const char* vendor = nullptr;
  ASSERT_EQ(table->get_vendor_id(&vendor), kVantroStatusOk);
  EXPECT_STREQ(vendor, "Qualcomm");
  int32_t capabilities = 0;
  ASSERT_EQ(table->get_capabilities(&capabilities), kVantroStatusOk);
  EXPECT_EQ(capabilities, 1);
  const char* build_id = nullptr;
  ASSERT_EQ(table->get_build_id(&build_id), kVantroStatusOk);
  EXPECT_STREQ(build_id, "") << "empty before the first initialisation";
}

TEST_F(DispatchInterfaceTest, InformationalOperationsRefuseNullOutPointers) {
  const VantroDispatchOperationTable* table = Table();
  EXPECT_EQ(table->get_vendor_id(nullptr), kVantroStatusInvalidArgument);
  EXPECT_EQ(table->get_build_id(nullptr), kVantroStatusInvalidArgument);
  EXPECT_EQ(table->get_capabilities(nullptr), kVantroStatusInvalidArgument);
}

TEST_F(DispatchInterfaceTest, RuntimeCompatibilityCheck) {
  struct Case {
    const char* name;
    VantroApiVersion host;
    VantroStatus expected;
    std::string log;  // regex; empty means no output
  };
  const Case cases[] = {
      {"equal", {0, 1, 0}, kVantroStatusOk, ""},
      {"older", {0, 0, 9}, kVantroStatusOk,
       "WARNING: \\[dispatch_api:[0-9]+\\] Vantro API version \\(0\\.0\\.9\\) is older than the "
       "dispatch api version \\(0\\.1\\.0\\)\\. An update is recommended\\.\n"},
      {"newer minor", {0, 2, 0}, kVantroStatusIncompatibleVersion,
       "ERROR: \\[dispatch_api:[0-9]+\\] Incompatible dispatch version\\. Found Vantro API "
       "version 0\\.2\\.0, but version <= 0\\.1\\.0 is required\\.\n"},
      {"newer major", {1, 0, 0}, kVantroStatusIncompatibleVersion,
       "ERROR: \\[dispatch_api:[0-9]+\\] Incompatible dispatch version\\. Found Vantro API "
       "version 1\\.0\\.0, but version <= 0\\.1\\.0 is required\\.\n"},
  };
  const VantroDispatchOperationTable* table = Table();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CaptureStderr();
    EXPECT_EQ(table->check_runtime_compatibility(c.host), c.expected);
    const std::string log = GetCapturedStderr();
    if (c.log.empty()) {
      EXPECT_EQ(log, "");
    } else {
      EXPECT_THAT(log, MatchesRegex(c.log));
    }
  }
}

}  // namespace
