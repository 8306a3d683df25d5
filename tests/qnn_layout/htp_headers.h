// Every header of the htp group: the core's, then the HTP backend's. A translation
// unit of its own: the HTP, DSP and LPAI headers define some of the same
// enumerators and records.
#ifndef VANTRO_TESTS_QNN_LAYOUT_HTP_HEADERS_H_
#define VANTRO_TESTS_QNN_LAYOUT_HTP_HEADERS_H_

#include "HTP/QnnHtpCommon.h"
#include "HTP/QnnHtpContext.h"
#include "HTP/QnnHtpDevice.h"
#include "HTP/QnnHtpGraph.h"
#include "HTP/QnnHtpPerfInfrastructure.h"
#include "HTP/QnnHtpProfile.h"
#include "HTP/QnnHtpProperty.h"
#include "core_headers.h"

#endif  // VANTRO_TESTS_QNN_LAYOUT_HTP_HEADERS_H_
