// Maps the Qualcomm vendor options into the QNN options record.
#ifndef VANTRO_VENDORS_QUALCOMM_COMMON_H_
#define VANTRO_VENDORS_QUALCOMM_COMMON_H_

#include "cc/options/vantro_qualcomm_options.h"
#include "cc/vantro_expected.h"
#include "vendors/qualcomm/backends/qnn_options.h"

namespace vantro {
namespace qualcomm {

// Copies every Qualcomm option (its default when the payload did not give
// it) into `options`, makes its LogLevel the QNN-layer diagnostics threshold
// and logs the resulting record at INFO. Values outside an enumeration pass
// through unchanged; GpuPrecision and GpuPerformanceMode are left alone.
// Returns Ok; InvalidArgument only for a wrapper that holds no record.
[[nodiscard]] Status ApplyQualcommOptions(qnn::Options& options,
                                          const QualcommOptions& qualcomm_options);

}  // namespace qualcomm
}  // namespace vantro

#endif  // VANTRO_VENDORS_QUALCOMM_COMMON_H_
