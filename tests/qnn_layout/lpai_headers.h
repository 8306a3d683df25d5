// Every header of the lpai group: the core's, then the LPAI backend's. A translation
// unit of its own: the HTP, DSP and LPAI headers define some of the same
// enumerators and records.
#ifndef VANTRO_TESTS_QNN_LAYOUT_LPAI_HEADERS_H_
#define VANTRO_TESTS_QNN_LAYOUT_LPAI_HEADERS_H_

#include "LPAI/QnnLpaiBackend.h"
#include "LPAI/QnnLpaiCommon.h"
#include "LPAI/QnnLpaiGraph.h"
#include "core_headers.h"

#endif  // VANTRO_TESTS_QNN_LAYOUT_LPAI_HEADERS_H_
