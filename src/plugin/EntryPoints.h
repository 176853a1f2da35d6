// The entry points the host calls after loading the plug-in.
#pragma once

#define REPORTAPP_EXPORT __attribute__((visibility("default")))

class CReportAppCallBack;

extern "C" {
// Creates the callback object once, a new application "ReportApp" with its
// commands on every call, and registers them: 1 on success, 3 on failure.
REPORTAPP_EXPORT int InitApp();
// Returns 1; the callback object lives until the library is unloaded.
REPORTAPP_EXPORT int ExitApp();
}

// The process's callback object, or null before the first InitApp.
CReportAppCallBack* GetReportAppCallBack();
