// The HTP performance infrastructure: QnnHtpDevice_Infrastructure_t with
// its power-config functions. This translation unit holds the HTP header
// group, which defines QnnDevice_Infrastructure_t's struct as HTP's.
#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <utility>

#include "HTP/QnnHtpDevice.h"
#include "HTP/QnnHtpPerfInfrastructure.h"
#include "absl/strings/str_format.h"
#include "sim/qnn/sim_config_text.h"
#include "sim/qnn/sim_infrastructures.h"
#include "sim/qnn/sim_internal.h"
#include "sim/qnn/sim_qnn.h"
#include "sim/qnn/sim_record_words.h"

namespace vantro::sim::internal {
namespace {

static_assert(InfrastructureConfig{}.htp_type == QNN_HTP_DEVICE_INFRASTRUCTURE_TYPE_PERF,
              "the default HTP infrastructure is the performance one");

constexpr char kPowerConfigId[] = "power_config_id";

Qnn_ErrorHandle_t CreatePowerConfigId(uint32_t device_id, uint32_t core_id, uint32_t* id) {
  const Qnn_ErrorHandle_t entered = EnterCall("createPowerConfigId", [&] {
    return absl::StrFormat("infrastructure=htp device_id=%u core_id=%u", device_id, core_id);
  });
  if (entered != QNN_SUCCESS) return entered;
  if (id == nullptr) return kSimInvalidArgument;
  *id = NewId(kPowerConfigId);
  return QNN_SUCCESS;
}

Qnn_ErrorHandle_t DestroyHtpPowerConfigId(uint32_t id) { return DestroyPowerConfigId("htp", id); }

Qnn_ErrorHandle_t SetPowerConfig(uint32_t id,
                                 const QnnHtpPerfInfrastructure_PowerConfig_t** configs) {
  const Qnn_ErrorHandle_t entered = EnterCall("setPowerConfig", [&] {
    return absl::StrFormat("infrastructure=htp id=%u configs=%s", id,
                           HtpPowerConfigsText(configs));
  });
  if (entered != QNN_SUCCESS) return entered;
  if (!IsLiveId(kPowerConfigId, id)) return kSimInvalidHandle;
  if (configs == nullptr) return kSimInvalidArgument;
  PowerConfigCall call;
  call.htp = true;
  call.power_config_id = id;
  for (int i = 0; configs[i] != nullptr; ++i) call.htp_configs.push_back(*configs[i]);
  RecordPowerCall(std::move(call));
  return QNN_SUCCESS;
}

}  // namespace

QnnDevice_Infrastructure_t HtpInfrastructureLocked(uint32_t infra_type) {
  // Map nodes never move, so a record handed out stays where it is.
  static auto* records = new std::map<uint32_t, QnnHtpDevice_Infrastructure_t>();
  auto [it, inserted] = records->try_emplace(infra_type);
  QnnHtpDevice_Infrastructure_t& record = it->second;
  if (inserted) {
    std::memset(&record, 0, sizeof(record));
    StoreWord(&record.infraType, infra_type);  // any word, also one QNN does not define
    record.perfInfra.createPowerConfigId = &CreatePowerConfigId;
    record.perfInfra.destroyPowerConfigId = &DestroyHtpPowerConfigId;
    record.perfInfra.setPowerConfig = &SetPowerConfig;
    // No memory settings are simulated: setMemoryConfig stays null.
  }
  return &record;
}

}  // namespace vantro::sim::internal
