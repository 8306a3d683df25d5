// The simulated DSP library's own records: its backend configs and power
// configs are logged and recorded by value.
#include <cstring>
#include <string>
#include <vector>

#include "DSP/QnnDspBackend.h"
#include "DSP/QnnDspDevice.h"
#include "gtest/gtest.h"
#include "sim/qnn/sim_qnn.h"
#include "tests/support/sim_backend_support.h"

namespace vantro::sim {
namespace {

using vantro::testing::SimCoreApi;

class SimQnnDspRecordsTest : public ::testing::Test {
 protected:
  void SetUp() override { Reset(); }
  void TearDown() override { Reset(); }
};

TEST_F(SimQnnDspRecordsTest, BackendConfigListsAreLoggedByValue) {
  const qnn::QnnApi* dsp = SimCoreApi(Library::kDsp);
  ASSERT_NE(dsp, nullptr);
  QnnDspBackend_CustomConfig_t pd;
  std::memset(&pd, 0, sizeof(pd));
  pd.option = QNN_DSP_BACKEND_CONFIG_OPTION_USE_SIGNED_PROCESS_DOMAIN;
  pd.useSignedProcessDomain = true;
  QnnBackend_Config_t config{};
  config.option = QNN_BACKEND_CONFIG_OPTION_CUSTOM;
  config.customConfig = &pd;
  const QnnBackend_Config_t* configs[] = {&config, nullptr};
  ClearCalls();
  Qnn_BackendHandle_t backend = nullptr;
  ASSERT_EQ(dsp->backendCreate(nullptr, configs, &backend), QNN_SUCCESS);
  Qnn_BackendHandle_t bare = nullptr;
  ASSERT_EQ(dsp->backendCreate(nullptr, nullptr, &bare), QNN_SUCCESS);

  const std::vector<Call> calls = Calls();
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0].detail,
            "log=null configs=[{option=0 dsp={option=2 use_signed_process_domain=1}}]");
  EXPECT_EQ(calls[1].detail, "log=null configs=null");
  EXPECT_EQ(dsp->backendFree(backend), QNN_SUCCESS);
  EXPECT_EQ(dsp->backendFree(bare), QNN_SUCCESS);
}

TEST_F(SimQnnDspRecordsTest, PowerConfigsAreRecordedByValue) {
  const qnn::QnnApi* api = SimCoreApi(Library::kDsp);
  ASSERT_NE(api, nullptr);
  QnnDevice_Infrastructure_t infrastructure = nullptr;
  ASSERT_EQ(api->deviceGetInfrastructure(&infrastructure), QNN_SUCCESS);
  const QnnDspDevice_Infrastructure_t* dsp = infrastructure;
  ASSERT_NE(dsp, nullptr);

  uint32_t id = 0;
  ASSERT_EQ(dsp->createPowerConfigId(&id), QNN_SUCCESS);
  QnnDspPerfInfrastructure_PowerConfig_t sleep;
  std::memset(&sleep, 0, sizeof(sleep));
  sleep.config = QNN_DSP_PERF_INFRASTRUCTURE_POWER_CONFIGOPTION_SLEEP_LATENCY;
  sleep.sleepLatencyConfig = 40;
  const QnnDspPerfInfrastructure_PowerConfig_t* list[] = {&sleep, nullptr};
  ClearCalls();
  ASSERT_EQ(dsp->setPowerConfig(id, list), QNN_SUCCESS);
  sleep.sleepLatencyConfig = 41;  // recorded by value: the change must not show

  const std::vector<PowerConfigCall> recorded = PowerConfigCalls();
  ASSERT_EQ(recorded.size(), 1u);
  EXPECT_FALSE(recorded[0].htp);
  EXPECT_EQ(recorded[0].power_config_id, id);
  ASSERT_EQ(recorded[0].dsp_configs.size(), 1u);
  EXPECT_EQ(recorded[0].dsp_configs[0].sleepLatencyConfig, 40u);
  EXPECT_EQ(Calls().back().detail,
            "infrastructure=dsp id=" + std::to_string(id) + " configs=[{option=2 value=40}]");

  EXPECT_EQ(dsp->destroyPowerConfigId(id), QNN_SUCCESS);
  EXPECT_EQ(dsp->setPowerConfig(id, list), kSimInvalidHandle);
  EXPECT_EQ(PowerConfigCalls().size(), 1u);
}

}  // namespace
}  // namespace vantro::sim
