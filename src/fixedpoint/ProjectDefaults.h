// The project's quantizer defaults: a cache of the default overflow and round
// modes and of the quantizer length limits, filled from the host's
// GetProjectOption command, and the MATLAB version flag that decides how
// round mode 1 is written.
//
// The cache belongs to the bound interpreter (each has its own project); the
// MATLAB version is asked once per process, safely from any thread. Every
// failure is a std::runtime_error with a fixed text; nothing is caught here.
#pragma once

class CQuantizer;

// Asks the host "GetMatlabMajorVersionNumber" once per process (a failed query
// is not retried). Throws "Invalid MATLAB version" when the command fails.
void QueryMatlabVersion();
// The host reported MATLAB major version 14.
bool IsMatlab14();

// Reloads the cache when it is stale or a reload was forced, then gives q the
// default modes and clears its fromData flag.
void LoadProjectDefaults(CQuantizer& q);
// Forces a reload on the next use when force is set, then loads.
void RefreshProjectDefaults(bool force);

int GetDefaultOverflowMode();
int GetDefaultRoundMode();

// The cached limits (-1: none). These load nothing.
int GetMaxVariableFractionalLength();
int GetMaxInputFractionalLength();
int GetMaxConstantFractionalLength();
int GetMaxPortWordLength();
// Sets all four limits to -1 and returns -1.
int ResetQuantizerLimits();

// Forgets the MATLAB version answer so that the next query asks the host
// again. The system itself never calls it; tests switch versions with it.
void ForgetMatlabVersion();
