// The Tcl extension's init function: `load libReportApp.so ReportApp` or
// `package require ReportApp` calls it.
#pragma once

#include <tcl.h>

#include "plugin/EntryPoints.h"

extern "C" REPORTAPP_EXPORT int Reportapp_Init(Tcl_Interp* interp);
