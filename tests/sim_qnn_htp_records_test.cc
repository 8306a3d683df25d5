// The simulated HTP library's own records: its device configs and power
// configs are logged and recorded by value, and its infrastructure answers
// as scripted.
#include <cstring>
#include <string>
#include <vector>

#include "HTP/QnnHtpDevice.h"
#include "gtest/gtest.h"
#include "sim/qnn/sim_qnn.h"
#include "tests/support/sim_backend_support.h"

namespace vantro::sim {
namespace {

using vantro::testing::SimCoreApi;

class SimQnnHtpRecordsTest : public ::testing::Test {
 protected:
  void SetUp() override { Reset(); }
  void TearDown() override { Reset(); }
};

TEST_F(SimQnnHtpRecordsTest, DeviceConfigListsAreLoggedByValue) {
  const qnn::QnnApi* htp = SimCoreApi(Library::kHtp);
  ASSERT_NE(htp, nullptr);

  QnnDevice_HardwareDeviceInfo_t hardware;
  std::memset(&hardware, 0, sizeof(hardware));
  hardware.version = QNN_DEVICE_HARDWARE_DEVICE_INFO_VERSION_1;
  hardware.v1.deviceId = 3;
  hardware.v1.numCores = 1;
  QnnDevice_PlatformInfo_t platform;
  std::memset(&platform, 0, sizeof(platform));
  platform.version = QNN_DEVICE_PLATFORM_INFO_VERSION_1;
  platform.v1.numHwDevices = 1;
  platform.v1.hwDevices = &hardware;
  QnnDevice_Config_t platform_config{};
  platform_config.option = QNN_DEVICE_CONFIG_OPTION_PLATFORM_INFO;
  platform_config.hardwareInfo = &platform;
  QnnHtpDevice_CustomConfig_t pd;
  std::memset(&pd, 0, sizeof(pd));
  pd.option = QNN_HTP_DEVICE_CONFIG_OPTION_SIGNEDPD;
  pd.useSignedProcessDomain.deviceId = 3;
  pd.useSignedProcessDomain.useSignedProcessDomain = true;
  QnnDevice_Config_t pd_config{};
  pd_config.option = QNN_DEVICE_CONFIG_OPTION_CUSTOM;
  pd_config.customConfig = &pd;
  const QnnDevice_Config_t* device_configs[] = {&platform_config, &pd_config, nullptr};
  Qnn_DeviceHandle_t device = nullptr;
  ClearCalls();
  ASSERT_EQ(htp->deviceCreate(nullptr, device_configs, &device), QNN_SUCCESS);
  // The records may change after the call; the log keeps what was passed.
  pd.useSignedProcessDomain.deviceId = 9;

  const std::vector<Call> calls = Calls();
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].detail,
            "log=null configs=[{option=1 platform_info={version=1 num_hw_devices=1 "
            "hw_devices=[{version=1 device_id=3 device_type=0 num_cores=1}]}}, "
            "{option=0 htp={option=2 device_id=3 use_signed_process_domain=1}}]");
  EXPECT_EQ(htp->deviceFree(device), QNN_SUCCESS);
}

TEST_F(SimQnnHtpRecordsTest, PowerConfigsAreRecordedByValue) {
  const qnn::QnnApi* api = SimCoreApi(Library::kHtp);
  ASSERT_NE(api, nullptr);
  QnnDevice_Infrastructure_t infrastructure = nullptr;
  ASSERT_EQ(api->deviceGetInfrastructure(&infrastructure), QNN_SUCCESS);
  const QnnHtpDevice_Infrastructure_t* htp = infrastructure;
  ASSERT_NE(htp, nullptr);
  EXPECT_EQ(htp->infraType, QNN_HTP_DEVICE_INFRASTRUCTURE_TYPE_PERF);

  uint32_t id = 0;
  ASSERT_EQ(htp->perfInfra.createPowerConfigId(0, 0, &id), QNN_SUCCESS);
  QnnHtpPerfInfrastructure_PowerConfig_t vote;
  std::memset(&vote, 0, sizeof(vote));
  vote.option = QNN_HTP_PERF_INFRASTRUCTURE_POWER_CONFIGOPTION_DCVS_V3;
  vote.dcvsV3Config.contextId = id;
  vote.dcvsV3Config.powerMode = QNN_HTP_PERF_INFRASTRUCTURE_POWERMODE_ADJUST_UP_DOWN;
  vote.dcvsV3Config.busVoltageCornerTarget = DCVS_VOLTAGE_VCORNER_MAX_VOLTAGE_CORNER;
  QnnHtpPerfInfrastructure_PowerConfig_t polling;
  std::memset(&polling, 0, sizeof(polling));
  polling.option = QNN_HTP_PERF_INFRASTRUCTURE_POWER_CONFIGOPTION_RPC_POLLING_TIME;
  polling.rpcPollingTimeConfig = 9999;
  const QnnHtpPerfInfrastructure_PowerConfig_t* list[] = {&vote, &polling, nullptr};
  ASSERT_EQ(htp->perfInfra.setPowerConfig(id, list), QNN_SUCCESS);
  // Recorded by value: the change must not show.
  vote.dcvsV3Config.powerMode = QNN_HTP_PERF_INFRASTRUCTURE_POWERMODE_POWER_SAVER_MODE;

  const std::vector<PowerConfigCall> recorded = PowerConfigCalls();
  ASSERT_EQ(recorded.size(), 1u);
  EXPECT_TRUE(recorded[0].htp);
  EXPECT_EQ(recorded[0].power_config_id, id);
  ASSERT_EQ(recorded[0].htp_configs.size(), 2u);
  EXPECT_EQ(recorded[0].htp_configs[0].dcvsV3Config.powerMode,
            QNN_HTP_PERF_INFRASTRUCTURE_POWERMODE_ADJUST_UP_DOWN);
  EXPECT_EQ(recorded[0].htp_configs[0].dcvsV3Config.busVoltageCornerTarget,
            DCVS_VOLTAGE_VCORNER_MAX_VOLTAGE_CORNER);
  EXPECT_EQ(recorded[0].htp_configs[1].rpcPollingTimeConfig, 9999u);

  EXPECT_EQ(htp->perfInfra.destroyPowerConfigId(id), QNN_SUCCESS);
  EXPECT_EQ(htp->perfInfra.setPowerConfig(id, list), kSimInvalidHandle);
  EXPECT_EQ(PowerConfigCalls().size(), 1u);
}

TEST_F(SimQnnHtpRecordsTest, InfrastructureAnswersAsScripted) {
  const qnn::QnnApi* api = SimCoreApi(Library::kHtp);
  ASSERT_NE(api, nullptr);
  QnnDevice_Infrastructure_t first = nullptr;
  ASSERT_EQ(api->deviceGetInfrastructure(&first), QNN_SUCCESS);
  ASSERT_NE(first, nullptr);

  SetInfrastructureConfig(InfrastructureConfig{false, 5});
  QnnDevice_Infrastructure_t scripted = nullptr;
  ASSERT_EQ(api->deviceGetInfrastructure(&scripted), QNN_SUCCESS);
  ASSERT_NE(scripted, nullptr);
  EXPECT_EQ(static_cast<uint32_t>(scripted->infraType), 5u);
  // Earlier answers stay intact.
  EXPECT_EQ(first->infraType, QNN_HTP_DEVICE_INFRASTRUCTURE_TYPE_PERF);

  SetInfrastructureConfig(InfrastructureConfig{true, 0});
  QnnDevice_Infrastructure_t none = first;
  ASSERT_EQ(api->deviceGetInfrastructure(&none), QNN_SUCCESS);
  EXPECT_EQ(none, nullptr);
}

}  // namespace
}  // namespace vantro::sim
