// What every binding of the _core module needs: a Tcl interpreter with the
// extension for the calling thread (the product's messages, project settings
// and reports go through one), and failures handed to Python as exceptions.
#pragma once

#include <tcl.h>

#include <stdexcept>
#include <string>

#include "host/HostInterp.h"

// The calling thread's interpreter, made on first use with the extension
// loaded as the reportapp shell loads it; deleted when the thread ends.
// Throws std::runtime_error when Tcl cannot start.
Tcl_Interp* ThreadInterp();
// Deletes the calling thread's interpreter now (the module does it for the
// main thread when Python exits, while Tcl and Python are both still whole).
void ReleaseThreadInterp();

// The thread's interpreter bound for the scope of a call.
class CThreadHost {
 public:
  CThreadHost() : bound_(ThreadInterp()) {}

 private:
  CScopedHostInterp bound_;
};

// Raised as Python's OSError (a file that cannot be opened or read).
class COsError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};
