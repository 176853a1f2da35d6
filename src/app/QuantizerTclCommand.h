// ::ReportApp::quantizer: the fixed-point quantizer as a Tcl object command.
//
//   set q [::ReportApp::quantizer new ?-mode fixed|ufixed? ?-round MODE?
//          ?-overflow wrap|saturate? ?-wordlength N? ?-fractionlength N?]
//   set q [::ReportApp::quantizer new -header {fixed saturate nearest [16 15]}]
//   $q quantize LIST     the quantized values of a list of reals
//   $q codes LIST        their integer codes (value times 2^fraction length)
//   $q hex LIST          their timing-file tokens (two's complement, lower case)
//   $q header            the header line of a test-vector file, without '%'
//   $q configure ?-option ?value? ...?
//   $q cget -option
//   $q destroy
//
// The defaults are fixed, floor, saturate, 16 and 15 bits. Each object is a
// command of the interpreter that made it (::ReportApp::quantizer1, ...) and
// goes with it. Errors carry the error code {REPORTAPP QUANTIZER <what>},
// where <what> is the product's message id (DIR-0037, DIR-0038) or OPTION,
// VALUE, ARGS. `-help` on the command or on an object prints the usage.
#pragma once

#include <tcl.h>

// Creates ::ReportApp::quantizer in interp.
void CreateQuantizerTclCommand(Tcl_Interp* interp);
