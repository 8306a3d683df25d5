// Every header of the dsp group: the core's, then the DSP backend's. A translation
// unit of its own: the HTP, DSP and LPAI headers define some of the same
// enumerators and records.
#ifndef VANTRO_TESTS_QNN_LAYOUT_DSP_HEADERS_H_
#define VANTRO_TESTS_QNN_LAYOUT_DSP_HEADERS_H_

#include "DSP/QnnDspBackend.h"
#include "DSP/QnnDspCommon.h"
#include "DSP/QnnDspDevice.h"
#include "DSP/QnnDspGraph.h"
#include "DSP/QnnDspPerfInfrastructure.h"
#include "DSP/QnnDspProperty.h"
#include "core_headers.h"

#endif  // VANTRO_TESTS_QNN_LAYOUT_DSP_HEADERS_H_
