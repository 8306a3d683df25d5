// Tests of the simulated host's service table.
#include "sim/host/sim_host.h"

#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "gmock/gmock.h"
#include "gtest/gtest.h"

namespace vantro::sim {
namespace {

using ::testing::ElementsAre;

class SimHostTest : public ::testing::Test {
 protected:
  Host host_;
  const VantroHostApiTable& table_ = *host_.table();
};

TEST_F(SimHostTest, OptionsAndEnvironmentAnswerByIdentifierAndTag) {
  VantroOptionsT* options = host_.NewOptions();
  host_.SetOpaqueOptionsText(options, "qualcomm", "htp_performance_mode = 2");
  host_.SetOpaqueOptionsPointer(options, "empty", nullptr);
  VantroOpaqueOptionsT* opaque = nullptr;
  ASSERT_EQ(table_.get_opaque_options(options, &opaque), kVantroStatusOk);
  void* data = nullptr;
  ASSERT_EQ(table_.find_opaque_options_data(opaque, "qualcomm", &data), kVantroStatusOk);
  EXPECT_STREQ(static_cast<const char*>(data), "htp_performance_mode = 2");
  data = &data;
  EXPECT_EQ(table_.find_opaque_options_data(opaque, "empty", &data), kVantroStatusOk);
  EXPECT_EQ(data, nullptr);
  EXPECT_EQ(table_.find_opaque_options_data(opaque, "google", &data), kVantroStatusNotFound);

  VantroEnvironmentT* environment = host_.NewEnvironment();
  host_.SetEnvironmentString(environment, kVantroEnvOptionSharedLibraryDir, "/opt/qnn");
  host_.SetEnvironmentInt(environment, kVantroEnvOptionLogSeverity, kVantroLogError);
  VantroEnvironmentOptionsT* environment_options = nullptr;
  ASSERT_EQ(table_.get_environment_options(environment, &environment_options), kVantroStatusOk);
  VantroAnyT value{};
  ASSERT_EQ(
      table_.get_environment_option(environment_options, kVantroEnvOptionSharedLibraryDir, &value),
      kVantroStatusOk);
  EXPECT_EQ(value.type, kVantroAnyTypeString);
  EXPECT_STREQ(value.value.str_value, "/opt/qnn");
  ASSERT_EQ(table_.get_environment_option(environment_options, kVantroEnvOptionLogSeverity, &value),
            kVantroStatusOk);
  EXPECT_EQ(static_cast<int8_t>(value.value.int_value & 0xFF), kVantroLogError);
  EXPECT_EQ(table_.get_environment_option(environment_options, 99, &value), kVantroStatusNotFound);
}

TEST_F(SimHostTest, TensorBuffersReportTheirRecords) {
  TensorBufferSpec spec;
  spec.tensor_type.element_type = 1;
  spec.tensor_type.layout.rank_and_flags = 2;
  spec.tensor_type.layout.dimensions[0] = 2;
  spec.tensor_type.layout.dimensions[1] = 3;
  spec.size = 24;
  spec.offset = 8;
  VantroTensorBufferT* owned = host_.NewTensorBuffer(spec);

  int32_t type = 0;
  VantroRankedTensorTypeT tensor_type{};
  size_t size = 0;
  size_t offset = 0;
  void* memory = nullptr;
  ASSERT_EQ(table_.get_tensor_buffer_type(owned, &type), kVantroStatusOk);
  ASSERT_EQ(table_.get_tensor_buffer_tensor_type(owned, &tensor_type), kVantroStatusOk);
  ASSERT_EQ(table_.get_tensor_buffer_size(owned, &size), kVantroStatusOk);
  ASSERT_EQ(table_.get_tensor_buffer_offset(owned, &offset), kVantroStatusOk);
  ASSERT_EQ(table_.get_tensor_buffer_host_memory(owned, &memory), kVantroStatusOk);
  EXPECT_EQ(type, kVantroTensorBufferTypeHostMemory);
  EXPECT_EQ(std::memcmp(&tensor_type, &spec.tensor_type, sizeof(tensor_type)), 0);
  EXPECT_EQ(size, 24u);
  EXPECT_EQ(offset, 8u);
  ASSERT_NE(memory, nullptr);
  EXPECT_EQ(memory, host_.BufferMemory(owned));
  std::memset(memory, 0x5A, offset + size);  // the host allocated offset + size bytes

  // A buffer over memory the test describes but never allocates.
  unsigned char byte = 0;
  TensorBufferSpec huge;
  huge.buffer_type = kVantroTensorBufferTypeDmaBuf;
  huge.size = size_t{1} << 32;
  huge.memory = &byte;
  VantroTensorBufferT* described = host_.NewTensorBuffer(huge);
  ASSERT_EQ(table_.get_tensor_buffer_size(described, &size), kVantroStatusOk);
  EXPECT_EQ(size, size_t{1} << 32);
  ASSERT_EQ(table_.get_tensor_buffer_host_memory(described, &memory), kVantroStatusOk);
  EXPECT_EQ(memory, &byte);
  ASSERT_EQ(table_.get_tensor_buffer_type(described, &type), kVantroStatusOk);
  EXPECT_EQ(type, kVantroTensorBufferTypeDmaBuf);

  // Null objects and objects of another type are refused.
  VantroOptionsT* options = host_.NewOptions();
  EXPECT_EQ(table_.get_tensor_buffer_type(nullptr, &type), kVantroStatusInvalidArgument);
  EXPECT_EQ(table_.get_tensor_buffer_type(reinterpret_cast<VantroTensorBufferT*>(options), &type),
            kVantroStatusInvalidArgument);
  EXPECT_EQ(table_.get_opaque_options(nullptr, nullptr), kVantroStatusInvalidArgument);
}

TEST_F(SimHostTest, RequirementsAreOwnedByTheHostThatCreatedThem) {
  auto other = std::make_unique<Host>();
  const int32_t types[] = {kVantroTensorBufferTypeFastRpc, kVantroTensorBufferTypeDmaBuf};
  VantroTensorBufferRequirementsT* mine = nullptr;
  VantroTensorBufferRequirementsT* theirs = nullptr;
  ASSERT_EQ(table_.create_tensor_buffer_requirements(2, types, 602112, 0, nullptr, &mine),
            kVantroStatusOk);
  ASSERT_EQ(other->table()->create_tensor_buffer_requirements(1, types, 4, 0, nullptr, &theirs),
            kVantroStatusOk);

  EXPECT_THAT(host_.CreatedRequirements(), ElementsAre(mine));
  const std::optional<TensorBufferRequirements> read = host_.ReadRequirements(mine);
  ASSERT_TRUE(read.has_value());
  EXPECT_THAT(read->buffer_types,
              ElementsAre(kVantroTensorBufferTypeFastRpc, kVantroTensorBufferTypeDmaBuf));
  EXPECT_EQ(read->buffer_size, 602112u);
  EXPECT_TRUE(read->strides.empty());
  EXPECT_FALSE(host_.ReadRequirements(theirs).has_value());
  ASSERT_TRUE(other->ReadRequirements(theirs).has_value());
  EXPECT_EQ(other->ReadRequirements(theirs)->buffer_size, 4u);

  const uint32_t strides[] = {12, 4};
  VantroTensorBufferRequirementsT* strided = nullptr;
  ASSERT_EQ(table_.create_tensor_buffer_requirements(1, types, 8, 2, strides, &strided),
            kVantroStatusOk);
  EXPECT_THAT(host_.ReadRequirements(strided)->strides, ElementsAre(12u, 4u));
  EXPECT_EQ(table_.create_tensor_buffer_requirements(1, nullptr, 8, 0, nullptr, &strided),
            kVantroStatusInvalidArgument);

  // A host made after another is destroyed takes its slot and is served
  // by it; the destroyed host's requirements went with it (leak checkers
  // see this).
  other.reset();
  Host next;
  ASSERT_EQ(next.table()->create_tensor_buffer_requirements(1, types, 16, 0, nullptr, &theirs),
            kVantroStatusOk);
  EXPECT_THAT(next.CreatedRequirements(), ElementsAre(theirs));
  EXPECT_EQ(host_.CreatedRequirements().size(), 2u);
}

TEST_F(SimHostTest, EntriesFailOrVanishOnRequest) {
  VantroOptionsT* options = host_.NewOptions();
  host_.SetOpaqueOptionsText(options, "qualcomm", "");
  VantroOpaqueOptionsT* opaque = nullptr;
  ASSERT_EQ(table_.get_opaque_options(options, &opaque), kVantroStatusOk);
  VantroEnvironmentT* environment = host_.NewEnvironment();
  host_.SetEnvironmentInt(environment, kVantroEnvOptionLogSeverity, 1);
  VantroEnvironmentOptionsT* environment_options = nullptr;
  ASSERT_EQ(table_.get_environment_options(environment, &environment_options), kVantroStatusOk);
  VantroTensorBufferT* buffer = host_.NewTensorBuffer(TensorBufferSpec{});

  struct Case {
    const char* name;
    HostEntry entry;
    std::function<VantroStatus()> call;
    std::function<bool()> slot_present;
  };
  const int32_t types[] = {kVantroTensorBufferTypeHostMemory};
  const Case cases[] = {
      {"0x08", HostEntry::kCreateTensorBufferRequirements,
       [&] {
         VantroTensorBufferRequirementsT* out = nullptr;
         return table_.create_tensor_buffer_requirements(1, types, 4, 0, nullptr, &out);
       },
       [&] { return table_.create_tensor_buffer_requirements != nullptr; }},
      {"0x50", HostEntry::kGetOpaqueOptions,
       [&] {
         VantroOpaqueOptionsT* out = nullptr;
         return table_.get_opaque_options(options, &out);
       },
       [&] { return table_.get_opaque_options != nullptr; }},
      {"0x58", HostEntry::kFindOpaqueOptionsData,
       [&] {
         void* out = nullptr;
         return table_.find_opaque_options_data(opaque, "qualcomm", &out);
       },
       [&] { return table_.find_opaque_options_data != nullptr; }},
      {"0x68", HostEntry::kGetEnvironmentOptions,
       [&] {
         VantroEnvironmentOptionsT* out = nullptr;
         return table_.get_environment_options(environment, &out);
       },
       [&] { return table_.get_environment_options != nullptr; }},
      {"0x70", HostEntry::kGetEnvironmentOption,
       [&] {
         VantroAnyT out{};
         return table_.get_environment_option(environment_options, kVantroEnvOptionLogSeverity,
                                              &out);
       },
       [&] { return table_.get_environment_option != nullptr; }},
      {"0xB8", HostEntry::kGetTensorBufferType,
       [&] {
         int32_t out = 0;
         return table_.get_tensor_buffer_type(buffer, &out);
       },
       [&] { return table_.get_tensor_buffer_type != nullptr; }},
      {"0xC0", HostEntry::kGetTensorBufferTensorType,
       [&] {
         VantroRankedTensorTypeT out{};
         return table_.get_tensor_buffer_tensor_type(buffer, &out);
       },
       [&] { return table_.get_tensor_buffer_tensor_type != nullptr; }},
      {"0xC8", HostEntry::kGetTensorBufferSize,
       [&] {
         size_t out = 0;
         return table_.get_tensor_buffer_size(buffer, &out);
       },
       [&] { return table_.get_tensor_buffer_size != nullptr; }},
      {"0xD8", HostEntry::kGetTensorBufferOffset,
       [&] {
         size_t out = 0;
         return table_.get_tensor_buffer_offset(buffer, &out);
       },
       [&] { return table_.get_tensor_buffer_offset != nullptr; }},
      {"0xF0", HostEntry::kGetTensorBufferHostMemory,
       [&] {
         void* out = nullptr;
         return table_.get_tensor_buffer_host_memory(buffer, &out);
       },
       [&] { return table_.get_tensor_buffer_host_memory != nullptr; }},
  };
  ASSERT_EQ(sizeof(cases) / sizeof(cases[0]), static_cast<size_t>(kHostEntryCount));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const int calls = host_.CallCount(c.entry);
    EXPECT_EQ(c.call(), kVantroStatusOk);
    host_.FailEntry(c.entry, 4242);
    EXPECT_EQ(c.call(), 4242);
    EXPECT_EQ(c.call(), 4242);
    host_.FailEntry(c.entry, kVantroStatusOk);
    EXPECT_EQ(c.call(), kVantroStatusOk);
    EXPECT_EQ(host_.CallCount(c.entry), calls + 4);

    host_.SetEntryPresent(c.entry, false);
    EXPECT_FALSE(c.slot_present());
    host_.SetEntryPresent(c.entry, true);
    EXPECT_TRUE(c.slot_present());
  }
  // The slots the plug-in never uses stay empty.
  EXPECT_EQ(table_.header, nullptr);
  EXPECT_EQ(table_.options_group_0x60, nullptr);
}

// Hosts serve several threads; under ThreadSanitizer this shows the
// objects are guarded.
TEST_F(SimHostTest, EntriesServeSeveralThreads) {
  VantroEnvironmentT* environment = host_.NewEnvironment();
  VantroEnvironmentOptionsT* environment_options = nullptr;
  ASSERT_EQ(table_.get_environment_options(environment, &environment_options), kVantroStatusOk);
  constexpr int kThreads = 4;
  constexpr int kCalls = 100;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      const int32_t types[] = {kVantroTensorBufferTypeHostMemory};
      for (int i = 0; i < kCalls; ++i) {
        VantroTensorBufferRequirementsT* requirements = nullptr;
        table_.create_tensor_buffer_requirements(1, types, static_cast<size_t>(i), 0, nullptr,
                                                 &requirements);
        VantroAnyT value{};
        table_.get_environment_option(environment_options, t, &value);
      }
    });
  }
  for (int i = 0; i < kCalls; ++i) {
    host_.SetEnvironmentInt(environment, i % kThreads, i);
    (void)host_.CreatedRequirements();
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(host_.CreatedRequirements().size(), static_cast<size_t>(kThreads * kCalls));
  EXPECT_EQ(host_.CallCount(HostEntry::kGetEnvironmentOption), kThreads * kCalls);
}

}  // namespace
}  // namespace vantro::sim
