// The entry points the host calls after loading the plug-in.
#pragma once

#define REPORTAPP_EXPORT __attribute__((visibility("default")))

class CReportAppCallBack;

extern "C" {
// Creates the bound interpreter's callback object once, a new application
// "ReportApp" with its commands on every call, and registers them in that
// interpreter: 1 on success, 3 on failure.
REPORTAPP_EXPORT int InitApp();
// Returns 1; each callback object lives as long as its interpreter.
REPORTAPP_EXPORT int ExitApp();
}

// The bound interpreter's callback object (the calling thread's own when no
// interpreter is bound), or null before its first InitApp.
CReportAppCallBack* GetReportAppCallBack();
