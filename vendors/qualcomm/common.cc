#include "vendors/qualcomm/common.h"

#include <cstddef>
#include <cstdint>
#include <string>

#include "absl/types/span.h"
#include "c/options/vantro_qualcomm_options.h"
#include "cc/vantro_logging.h"
#include "vendors/qualcomm/backends/qnn_log.h"

namespace vantro {
namespace qualcomm {
namespace {

// Reads one option; a record that exists always answers.
template <typename T>
T Read(const VtrQualcommOptionsT* record, VantroStatus (*get)(const VtrQualcommOptionsT*, T*)) {
  T value{};
  get(record, &value);
  return value;
}

// An enumeration keeps the option's number, known to the table or not.
template <typename Enum>
Enum ReadEnum(const VtrQualcommOptionsT* record,
              VantroStatus (*get)(const VtrQualcommOptionsT*, int32_t*)) {
  return static_cast<Enum>(Read(record, get));
}

}  // namespace

Status ApplyQualcommOptions(qnn::Options& options, const QualcommOptions& qualcomm_options) {
  const VtrQualcommOptionsT* q = qualcomm_options.Get();
  if (q == nullptr) return Status::InvalidArgument;

  options.SetLogLevel(ReadEnum<qnn::LogLevel>(q, &VtrQualcommOptionsGetLogLevel));
  qnn::SetQnnLogLevel(static_cast<uint32_t>(options.GetLogLevel()));
  options.SetProfiling(ReadEnum<qnn::Profiling>(q, &VtrQualcommOptionsGetProfiling));
  options.SetUseInt64BiasAsInt32(Read(q, &VtrQualcommOptionsGetUseInt64BiasAsInt32));
  options.SetBackendType(ReadEnum<qnn::BackendType>(q, &VtrQualcommOptionsGetQnnBackend));
  options.SetEnableWeightSharing(Read(q, &VtrQualcommOptionsGetEnableWeightSharing));
  options.SetEnableJustInTime(Read(q, &VtrQualcommOptionsGetEnableJustInTime));
  options.SetOpNameFormat(ReadEnum<qnn::OpNameFormat>(q, &VtrQualcommOptionsGetOpNameFormat));
  options.SetUseConvHMX(Read(q, &VtrQualcommOptionsGetUseConvHmx));
  options.SetUseFoldReLU(Read(q, &VtrQualcommOptionsGetUseFoldRelu));
  options.SetHtpDlbc(Read(q, &VtrQualcommOptionsGetHtpDlbc));
  options.SetHtpDlbcWeights(Read(q, &VtrQualcommOptionsGetHtpDlbcWeights));
  options.SetHtpPPoint(Read(q, &VtrQualcommOptionsGetHtpPPoint));
  options.SetHtpWeightSharingChannelTileSize(
      Read(q, &VtrQualcommOptionsGetHtpWeightSharingChannelTileSize));
  options.SetHtpPerformanceMode(
      ReadEnum<qnn::HtpPerformanceMode>(q, &VtrQualcommOptionsGetHtpPerformanceMode));
  options.SetDspPerformanceMode(
      ReadEnum<qnn::DspPerformanceMode>(q, &VtrQualcommOptionsGetDspPerformanceMode));
  options.SetHtpPerfCtrlMode(ReadEnum<qnn::PerfCtrlMode>(q, &VtrQualcommOptionsGetHtpPerfCtrlMode));
  options.SetHtpPdSession(ReadEnum<qnn::PdSession>(q, &VtrQualcommOptionsGetHtpPdSession));
  options.SetDspPerfCtrlMode(ReadEnum<qnn::PerfCtrlMode>(q, &VtrQualcommOptionsGetDspPerfCtrlMode));
  options.SetDspPdSession(ReadEnum<qnn::PdSession>(q, &VtrQualcommOptionsGetDspPdSession));
  options.SetDspEncoding(ReadEnum<qnn::DspEncoding>(q, &VtrQualcommOptionsGetDspEncoding));
  options.SetIrJsonDir(Read(q, &VtrQualcommOptionsGetIrJsonDir));
  options.SetDlcDir(Read(q, &VtrQualcommOptionsGetDlcDir));
  options.SetGraphTransform(Read(q, &VtrQualcommOptionsGetGraphTransform));
  options.SetVtcmSize(Read(q, &VtrQualcommOptionsGetVtcmSize));
  options.SetHtpDeviceId(Read(q, &VtrQualcommOptionsGetHtpDeviceId));
  options.SetHtpContextInitAcceleration(Read(q, &VtrQualcommOptionsGetHtpContextInitAcceleration));
  options.SetNumHvxThreads(Read(q, &VtrQualcommOptionsGetNumHvxThreads));
  options.SetHtpFileReadMemoryBudgetMB(Read(q, &VtrQualcommOptionsGetHtpFileReadMemoryBudgetMb));
  options.SetOptimizationLevel(
      ReadEnum<qnn::OptimizationLevel>(q, &VtrQualcommOptionsGetOptimizationLevel));
  options.SetGraphPriority(ReadEnum<qnn::GraphPriority>(q, &VtrQualcommOptionsGetGraphPriority));

  const int32_t* ids = nullptr;
  size_t id_count = 0;
  VtrQualcommOptionsGetDumpTensorIds(q, &ids, &id_count);
  options.SetDumpTensorIds(absl::Span<const int32_t>(ids, id_count));

  options.SetSaverOutputDir(Read(q, &VtrQualcommOptionsGetSaverOutputDir));
  options.SetGraphIOTensorMemType(
      ReadEnum<qnn::GraphIOTensorMemType>(q, &VtrQualcommOptionsGetGraphIoTensorMemType));
  options.SetSchematicDir(Read(q, &VtrQualcommOptionsGetSchematicDir));

  const char* package[5] = {"", "", "", "", ""};
  VtrQualcommOptionsGetCustomOpPackage(q, &package[0], &package[1], &package[2], &package[3],
                                       &package[4]);
  options.SetCustomOpPackage(package[0], package[1], package[2], package[3], package[4]);

  options.SetLpaiTarget(ReadEnum<qnn::LpaiTarget>(q, &VtrQualcommOptionsGetLpaiTarget));
  options.SetLpaiFps(Read(q, &VtrQualcommOptionsGetLpaiFps));
  options.SetLpaiFtrtRatio(Read(q, &VtrQualcommOptionsGetLpaiFtrtRatio));
  options.SetLpaiClientPerfType(
      ReadEnum<qnn::LpaiClientPerfType>(q, &VtrQualcommOptionsGetLpaiClientPerfType));
  options.SetLpaiCoreAffinityType(
      ReadEnum<qnn::LpaiCoreAffinityType>(q, &VtrQualcommOptionsGetLpaiCoreAffinityType));
  options.SetLpaiCoreSelection(Read(q, &VtrQualcommOptionsGetLpaiCoreSelection));
  options.SetQnnLibDir(Read(q, &VtrQualcommOptionsGetQnnLibDir));
  options.SetDspSkelDir(Read(q, &VtrQualcommOptionsGetDspSkelDir));

  // The printout is built only when it would be shown.
  if (ShouldLog(kVantroLogInfo)) {
    const std::string dump = options.Dump();
    VANTRO_LOG_INFO("\n%s", dump.c_str());
  }
  return Status::Ok;
}

}  // namespace qualcomm
}  // namespace vantro
