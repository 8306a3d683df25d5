// The SDK's real system library read through our declarations of QNN's
// published interface: its provider, a system context, and its refusal of
// bytes that are no context binary.
#include <cstdint>
#include <vector>

#include "System/QnnSystemInterface.h"
#include "cc/internal/vantro_shared_library.h"
#include "gtest/gtest.h"
#include "tests/qnn_sdk/sdk_libraries.h"

namespace vantro::testing {
namespace {

class RealQnnSystemTest : public ::testing::Test {
 protected:
  void SetUp() override {
    LoadSdkRuntime();
    auto library = SharedLibrary::Load(SdkLibrary("libQnnSystem.so"), kRtldLazy);
    ASSERT_TRUE(library.HasValue()) << library.GetError().message();
    library_ = std::move(library).Value();
    auto get_providers = library_.LookupSymbol<decltype(&QnnSystemInterface_getProviders)>(
        "QnnSystemInterface_getProviders");
    ASSERT_TRUE(get_providers.HasValue()) << get_providers.GetError().message();
    const QnnSystemInterface_t** providers = nullptr;
    uint32_t count = 0;
    ASSERT_EQ(get_providers.Value()(&providers, &count), QNN_SUCCESS);
    ASSERT_EQ(count, 1u);
    ASSERT_NE(providers, nullptr);
    provider_ = providers[0];
    ASSERT_NE(provider_, nullptr);
  }

  // The library offers system API 1.1, whose table holds the first four
  // members of today's, in the same places.
  const QnnSystemInterface_ImplementationV1_7_t& Table() const {
    return provider_->QNN_SYSTEM_INTERFACE_VER_NAME;
  }

  SharedLibrary library_;
  const QnnSystemInterface_t* provider_ = nullptr;
};

TEST_F(RealQnnSystemTest, ProviderCarriesTheSystemApiVersionWhereWeReadIt) {
  EXPECT_EQ(provider_->systemApiVersion.major, 1u);
  EXPECT_EQ(provider_->systemApiVersion.minor, 1u);
  EXPECT_EQ(provider_->systemApiVersion.patch, 0u);
  ASSERT_NE(provider_->providerName, nullptr);
  EXPECT_STREQ(provider_->providerName, "SYSTEM_QTI_AISW");
}

TEST_F(RealQnnSystemTest, CreatesAndFreesASystemContext) {
  ASSERT_NE(Table().systemContextCreate, nullptr);
  ASSERT_NE(Table().systemContextFree, nullptr);
  QnnSystemContext_Handle_t context = nullptr;
  ASSERT_EQ(Table().systemContextCreate(&context), QNN_SUCCESS);
  EXPECT_NE(context, nullptr);
  EXPECT_EQ(Table().systemContextFree(context), QNN_SUCCESS);
}

TEST_F(RealQnnSystemTest, RefusesBytesThatAreNoContextBinary) {
  QnnSystemContext_Handle_t context = nullptr;
  ASSERT_EQ(Table().systemContextCreate(&context), QNN_SUCCESS);
  // Our own (simulated) context binaries are not QNN's format either.
  std::vector<uint8_t> bytes(256);
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i * 7 + 1);
  const QnnSystemContext_BinaryInfo_t* info = nullptr;
  Qnn_ContextBinarySize_t info_size = 0;
  const Qnn_ErrorHandle_t result =
      Table().systemContextGetBinaryInfo(context, bytes.data(), bytes.size(), &info, &info_size);
  EXPECT_NE(result, QNN_SUCCESS);
  EXPECT_EQ(Table().systemContextFree(context), QNN_SUCCESS);
}

}  // namespace
}  // namespace vantro::testing
