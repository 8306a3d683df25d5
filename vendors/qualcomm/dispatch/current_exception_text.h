// The text of the exception being handled, for the handlers that turn what
// the plug-in's code throws into a logged failure at the host's boundary.
#ifndef VANTRO_VENDORS_QUALCOMM_DISPATCH_CURRENT_EXCEPTION_TEXT_H_
#define VANTRO_VENDORS_QUALCOMM_DISPATCH_CURRENT_EXCEPTION_TEXT_H_

#include <exception>

namespace vantro::qualcomm {

// What the exception being handled says: its what(), or "unknown exception"
// for one that is no std::exception. Call it only inside a catch block; the
// text lives as long as that block's exception.
inline const char* CurrentExceptionText() noexcept {
  try {
    throw;
  } catch (const std::exception& e) {
    return e.what();
  } catch (...) {
    return "unknown exception";
  }
}

}  // namespace vantro::qualcomm

#endif  // VANTRO_VENDORS_QUALCOMM_DISPATCH_CURRENT_EXCEPTION_TEXT_H_
