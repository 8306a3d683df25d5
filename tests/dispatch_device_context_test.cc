// Device contexts through the export: buffer handles, unregistration, QNN
// memory registration refused on this platform, and the per-bytecode QNN
// context cache.
#include <string>
#include <vector>

#include "gmock/gmock.h"
#include "gtest/gtest.h"
#include "sim/qnn/sim_qnn.h"
#include "tests/support/plugin_harness.h"

namespace vantro::testing {
namespace {

using ::testing::HasSubstr;
using ::testing::MatchesRegex;
using ::testing::internal::CaptureStderr;
using ::testing::internal::GetCapturedStderr;

class DispatchDeviceContextTest : public ::testing::Test {
 protected:
  void SetUp() override {
    vantro::sim::Reset();
    CaptureStderr();
    ASSERT_EQ(road_.Initialize(PayloadWithSimLibraries()), kVantroStatusOk);
    GetCapturedStderr();
    road_.OpenDevice();
  }

  VantroTensorBufferT* Buffer() {
    vantro::sim::TensorBufferSpec spec;
    spec.tensor_type = FloatTensorType({4});
    spec.size = 16;
    return road_.host().NewTensorBuffer(spec);
  }

  VantroTensorBufferHandle Register(VantroTensorBufferT* buffer) {
    VantroTensorBufferHandle handle = 99;
    EXPECT_EQ(road_.table().register_tensor_buffer(road_.device(), buffer, &handle),
              kVantroStatusOk);
    return handle;
  }

  PluginRoad road_;
};

TEST_F(DispatchDeviceContextTest, HandlesAreReusedForTheSameBufferAndFreedSlots) {
  VantroTensorBufferT* x = Buffer();
  VantroTensorBufferT* y = Buffer();
  VantroTensorBufferT* z = Buffer();
  EXPECT_EQ(Register(x), 0u);
  EXPECT_EQ(Register(y), 1u);
  EXPECT_EQ(Register(x), 0u);
  EXPECT_EQ(road_.table().unregister_tensor_buffer(road_.device(), 0), kVantroStatusOk);
  EXPECT_EQ(Register(z), 0u);
  EXPECT_EQ(Register(y), 1u);
  EXPECT_EQ(Register(x), 2u);
  // Unregistering a slot already free succeeds without effect.
  EXPECT_EQ(road_.table().unregister_tensor_buffer(road_.device(), 1), kVantroStatusOk);
  EXPECT_EQ(road_.table().unregister_tensor_buffer(road_.device(), 1), kVantroStatusOk);
}

TEST_F(DispatchDeviceContextTest, UnregisteringAnUnknownHandleFails) {
  Register(Buffer());
  Register(Buffer());
  CaptureStderr();
  EXPECT_EQ(road_.table().unregister_tensor_buffer(road_.device(), 7), kVantroStatusNotFound);
  EXPECT_THAT(GetCapturedStderr(),
              MatchesRegex("ERROR: \\[dispatch_api:[0-9]+\\] Failed to unregister buffer: ERROR: "
                           "\\[vendors/qualcomm/dispatch/vantro_dispatch_device_context:[0-9]+\\]"
                           "\n\xE2\x94\x94 Unexpected handle\n"));
}

TEST_F(DispatchDeviceContextTest, NullArgumentsAreRefused) {
  VantroTensorBufferHandle handle;
  EXPECT_EQ(road_.table().device_context_destroy(nullptr), kVantroStatusOk);
  EXPECT_EQ(road_.table().register_tensor_buffer(nullptr, Buffer(), &handle),
            kVantroStatusInvalidArgument);
  EXPECT_EQ(road_.table().register_tensor_buffer(road_.device(), Buffer(), nullptr),
            kVantroStatusInvalidArgument);
  EXPECT_EQ(road_.table().unregister_tensor_buffer(nullptr, 0), kVantroStatusInvalidArgument);
  VantroDispatchDeviceContextT* device = nullptr;
  EXPECT_EQ(road_.table().device_context_create(road_.host().table(), nullptr, nullptr),
            kVantroStatusInvalidArgument);
  EXPECT_EQ(road_.table().device_context_create(nullptr, nullptr, &device),
            kVantroStatusInvalidArgument);
}

TEST_F(DispatchDeviceContextTest, ContextsAreCachedByBytecodeAddressAndSize) {
  const std::vector<uint8_t> bytes = ReadFileBytes(ExampleModelPath("add_relu"));
  VantroMemBufferT record{};
  record.base_addr = bytes.data();
  record.size = bytes.size();
  const std::vector<uint8_t> copy = bytes;
  VantroMemBufferT copy_record{};
  copy_record.base_addr = copy.data();
  copy_record.size = copy.size();

  VantroDispatchInvocationContextT* first = nullptr;
  VantroDispatchInvocationContextT* second = nullptr;
  VantroDispatchInvocationContextT* third = nullptr;
  CaptureStderr();
  ASSERT_EQ(road_.table().invocation_context_create(nullptr, road_.device(), 0, &record, nullptr,
                                                    0, 0, &first),
            kVantroStatusOk);
  ASSERT_EQ(road_.table().invocation_context_create(nullptr, road_.device(), 0, &record, nullptr,
                                                    0, 0, &second),
            kVantroStatusOk);
  ASSERT_EQ(road_.table().invocation_context_create(nullptr, road_.device(), 0, &copy_record,
                                                    nullptr, 0, 0, &third),
            kVantroStatusOk);
  const std::string log = GetCapturedStderr();
  auto count = [&log](const std::string& text) {
    size_t n = 0;
    for (size_t at = log.find(text); at != std::string::npos; at = log.find(text, at + 1)) ++n;
    return n;
  };
  EXPECT_EQ(count("] Creating new QNN context for bytecode"), 2u);
  EXPECT_EQ(count("] Reusing cached QNN context for bytecode"), 1u);
  // %p: "0x..." with glibc, bare hex digits on Windows.
  EXPECT_THAT(log, MatchesRegex("(.|\n)*INFO: \\[vantro_dispatch_device_context:[0-9]+\\] Reusing "
                                "cached QNN context for bytecode (0x)?[0-9a-fA-F]+ "
                                "\\(size [0-9]+\\)\n(.|\n)*"));
  EXPECT_EQ(vantro::sim::LiveHandles()["context"], 2);

  road_.table().invocation_context_destroy(first);
  road_.table().invocation_context_destroy(second);
  road_.table().invocation_context_destroy(third);
}

TEST_F(DispatchDeviceContextTest, DestroyingTheDeviceReleasesEveryQnnHandleItCreated) {
  const int before = vantro::sim::LiveHandleCount();
  {
    PluginRoad road;
    road.OpenDevice();
    VantroDispatchInvocationContextT* invocation = nullptr;
    CaptureStderr();
    ASSERT_EQ(road.CreateInvocation(ReadFileBytes(ExampleModelPath("add_relu")), nullptr,
                                    &invocation),
              kVantroStatusOk);
    // A failed creation on a second binary leaves nothing behind either.
    EXPECT_NE(road.CreateInvocation(ReadFileBytes(ExampleModelPath("add_relu")), "no_such_graph",
                                    &invocation),
              kVantroStatusOk);
    GetCapturedStderr();
    EXPECT_GT(vantro::sim::LiveHandleCount(), before);
  }
  EXPECT_EQ(vantro::sim::LiveHandleCount(), before);
}

}  // namespace
}  // namespace vantro::testing
