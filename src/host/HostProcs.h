// The host procedures a flow script and the plug-in rely on, defined where
// the embedding tool has not defined them: project options, numbered
// messages, memory figures, design-flow registration, installation info.
// Also creates the ::DR and ::Settings namespaces that hold host settings.
#pragma once

#include <tcl.h>

#include <string>

// productDir answers `AppInfo ProductDir`. Returns a Tcl status.
int DefineDefaultHostProcs(Tcl_Interp* interp, const std::string& productDir);
