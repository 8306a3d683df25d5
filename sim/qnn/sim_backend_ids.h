// The backend ids the simulated libraries' provider records carry. QNN's
// numbers live in each backend's Common header, and the HTP, DSP and LPAI
// headers cannot share a translation unit, so the numbers are written here
// and each is checked against QNN's macro where that header is included.
#ifndef VANTRO_SIM_QNN_SIM_BACKEND_IDS_H_
#define VANTRO_SIM_QNN_SIM_BACKEND_IDS_H_

#include <cstdint>

namespace vantro::sim::internal {

inline constexpr uint32_t kHtpBackendId = 6;    // QNN_BACKEND_ID_HTP
inline constexpr uint32_t kDspBackendId = 5;    // QNN_BACKEND_ID_DSP
inline constexpr uint32_t kGpuBackendId = 4;    // QNN_BACKEND_ID_GPU
inline constexpr uint32_t kIrBackendId = 9;     // QNN_BACKEND_ID_IR
inline constexpr uint32_t kLpaiBackendId = 12;  // QNN_BACKEND_ID_LPAI
// QNN publishes no macro for the saver; its library reports 2.
inline constexpr uint32_t kSaverBackendId = 2;

}  // namespace vantro::sim::internal

#endif  // VANTRO_SIM_QNN_SIM_BACKEND_IDS_H_
