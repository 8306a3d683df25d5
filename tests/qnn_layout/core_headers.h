// Every header of the core group: QNN's core, system and saver interfaces.
// scripts/gen_qnn_layout_facts.py checks that each header it scans for the
// group is listed here, so the facts it writes all have a declaration.
#ifndef VANTRO_TESTS_QNN_LAYOUT_CORE_HEADERS_H_
#define VANTRO_TESTS_QNN_LAYOUT_CORE_HEADERS_H_

#include "QnnBackend.h"
#include "QnnCommon.h"
#include "QnnContext.h"
#include "QnnDevice.h"
#include "QnnError.h"
#include "QnnGlobalConfig.h"
#include "QnnGraph.h"
#include "QnnInterface.h"
#include "QnnLog.h"
#include "QnnMem.h"
#include "QnnOpPackage.h"
#include "QnnProfile.h"
#include "QnnProperty.h"
#include "QnnSignal.h"
#include "QnnTensor.h"
#include "QnnTypes.h"
#include "Saver/QnnSaver.h"
#include "System/QnnSystemCommon.h"
#include "System/QnnSystemContext.h"
#include "System/QnnSystemDlc.h"
#include "System/QnnSystemInterface.h"
#include "System/QnnSystemLog.h"
#include "System/QnnSystemProfile.h"
#include "System/QnnSystemTensor.h"

#endif  // VANTRO_TESTS_QNN_LAYOUT_CORE_HEADERS_H_
