// The QNN interface the plug-in drives: QNN's core and system headers, and
// the plug-in's names for the two function tables the providers carry.
// The tables' types follow the headers in use (ours or an installed SDK's),
// reached through the version-named member as QNN clients do.
#ifndef VANTRO_VENDORS_QUALCOMM_QNN_INTERFACE_H_
#define VANTRO_VENDORS_QUALCOMM_QNN_INTERFACE_H_

#include <cstdint>
#include <cstring>

#include "QnnInterface.h"
#include "System/QnnSystemInterface.h"

namespace qnn {

// The core function table of a backend (or saver) provider.
using QnnApi = decltype(QnnInterface_t::QNN_INTERFACE_VER_NAME);
// The function table of a system provider.
using QnnSystemApi = decltype(QnnSystemInterface_t::QNN_SYSTEM_INTERFACE_VER_NAME);

// The number a QNN record holds in an enumeration field. QNN's enumerations
// have no fixed underlying type, and a record QNN hands out may hold a
// number they do not name (a newer library, a damaged binary); loading such
// a number as the enumeration is undefined, so it is read as its 32 bits.
template <typename Enum>
uint32_t QnnWord(const Enum& field) {
  static_assert(sizeof(Enum) == sizeof(uint32_t), "a one-word field");
  uint32_t word;
  std::memcpy(&word, &field, sizeof(word));
  return word;
}

}  // namespace qnn

#endif  // VANTRO_VENDORS_QUALCOMM_QNN_INTERFACE_H_
