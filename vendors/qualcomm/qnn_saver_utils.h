// Initialisation of QNN's saver library, which stands in for a backend
// library and records the calls it receives into an output directory.
#ifndef VANTRO_VENDORS_QUALCOMM_QNN_SAVER_UTILS_H_
#define VANTRO_VENDORS_QUALCOMM_QNN_SAVER_UTILS_H_

#include "absl/strings/string_view.h"
#include "cc/vantro_expected.h"

namespace vantro::qualcomm {

class QnnManager;

// Initialises the saver loaded into `manager`'s backend slot with
// `output_dir`. A missing entry point returns DynamicLoadingFailure with its
// text parked as the pending error; a failed initialisation is logged and
// returns DynamicLoadingFailure.
Status InitializeSaver(const QnnManager& manager, absl::string_view output_dir);

}  // namespace vantro::qualcomm

#endif  // VANTRO_VENDORS_QUALCOMM_QNN_SAVER_UTILS_H_
