// The DSP performance infrastructure: QnnDspDevice_Infrastructure_t with
// its power-config functions. This translation unit holds the DSP header
// group, which defines QnnDevice_Infrastructure_t's struct as DSP's.
#include <cstdint>
#include <cstring>
#include <string>
#include <utility>

#include "DSP/QnnDspDevice.h"
#include "DSP/QnnDspPerfInfrastructure.h"
#include "absl/strings/str_format.h"
#include "sim/qnn/sim_config_text.h"
#include "sim/qnn/sim_infrastructures.h"
#include "sim/qnn/sim_internal.h"
#include "sim/qnn/sim_qnn.h"

namespace vantro::sim::internal {
namespace {

constexpr char kPowerConfigId[] = "power_config_id";

Qnn_ErrorHandle_t CreatePowerConfigId(uint32_t* id) {
  const Qnn_ErrorHandle_t entered =
      EnterCall("createPowerConfigId", [] { return std::string("infrastructure=dsp"); });
  if (entered != QNN_SUCCESS) return entered;
  if (id == nullptr) return kSimInvalidArgument;
  *id = NewId(kPowerConfigId);
  return QNN_SUCCESS;
}

Qnn_ErrorHandle_t DestroyDspPowerConfigId(uint32_t id) { return DestroyPowerConfigId("dsp", id); }

Qnn_ErrorHandle_t SetPowerConfig(uint32_t id,
                                 const QnnDspPerfInfrastructure_PowerConfig_t** configs) {
  const Qnn_ErrorHandle_t entered = EnterCall("setPowerConfig", [&] {
    return absl::StrFormat("infrastructure=dsp id=%u configs=%s", id,
                           DspPowerConfigsText(configs));
  });
  if (entered != QNN_SUCCESS) return entered;
  if (!IsLiveId(kPowerConfigId, id)) return kSimInvalidHandle;
  if (configs == nullptr) return kSimInvalidArgument;
  PowerConfigCall call;
  call.htp = false;
  call.power_config_id = id;
  for (int i = 0; configs[i] != nullptr; ++i) call.dsp_configs.push_back(*configs[i]);
  RecordPowerCall(std::move(call));
  return QNN_SUCCESS;
}

QnnDspDevice_Infrastructure_t MakeRecord() {
  QnnDspDevice_Infrastructure_t record;
  std::memset(&record, 0, sizeof(record));
  record.createPowerConfigId = &CreatePowerConfigId;
  record.destroyPowerConfigId = &DestroyDspPowerConfigId;
  record.setPowerConfig = &SetPowerConfig;
  // No memory or thread settings are simulated: setMemoryConfig and
  // setThreadConfig stay null.
  return record;
}

}  // namespace

QnnDevice_Infrastructure_t DspInfrastructure() {
  static QnnDspDevice_Infrastructure_t record = MakeRecord();
  return &record;
}

}  // namespace vantro::sim::internal
