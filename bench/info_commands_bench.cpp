// Set/Get/Report calls per second from a Tcl loop, beside the same
// operations written as plain Tcl procedures over a dict.
#include <tcl.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/Extension.h"

namespace {

constexpr const char* kScript = R"TCL(
namespace eval plain {
    variable rtl [dict create]
    foreach k {adders subtractors multipliers comparators dividers maxthroughput
               minthroughput latency constthroughput constlatency iocount} {
        dict set rtl -$k 0
    }
    proc SetRTLInfo {args} {
        variable rtl
        foreach {k v} $args {
            if {[dict exists $rtl $k]} { dict set rtl $k $v }
        }
    }
    proc GetRTLInfo {args} {
        variable rtl
        set r {}
        foreach k $args {
            if {[dict exists $rtl $k]} { lappend r [dict get $rtl $k] }
        }
        return $r
    }
    proc Report {args} {
        variable rtl
        if {[lindex $args 0] eq "-rtl" && [dict exists $rtl [lindex $args 1]]} {
            return [list [dict get $rtl [lindex $args 1]]]
        }
        return {}
    }
}

# Calls per second of one command form, looped inside a compiled procedure;
# the loop costs the same for both sides.
proc rate {ns n call} {
    proc loop {n} "for {set i 0} {\$i < \$n} {incr i} { $ns$call }"
    set t [lindex [time {loop $n} 1] 0]
    return [expr {$n * 1.0e6 / $t}]
}
proc run {ns n} {
    list [rate $ns $n {SetRTLInfo -latency $i}] \
         [rate $ns $n {GetRTLInfo -latency}] \
         [rate $ns $n {Report -rtl -latency}]
}
)TCL";

}  // namespace

int main(int argc, char** argv) {
  const long calls = argc > 1 ? std::atol(argv[1]) : 2000000;
  Tcl_FindExecutable(argv[0]);
  Tcl_Interp* interp = Tcl_CreateInterp();
  if (Tcl_Init(interp) != TCL_OK || Reportapp_Init(interp) != TCL_OK ||
      Tcl_Eval(interp, kScript) != TCL_OK) {
    std::fprintf(stderr, "setup failed: %s\n", Tcl_GetStringResult(interp));
    return 1;
  }
  const std::string n = std::to_string(calls);
  // Warm up both, then measure.
  Tcl_Eval(interp, "run {} 10000; run plain:: 10000");
  if (Tcl_Eval(interp, ("list [run {} " + n + "] [run plain:: " + n + "]").c_str()) != TCL_OK) {
    std::fprintf(stderr, "run failed: %s\n", Tcl_GetStringResult(interp));
    return 1;
  }
  Tcl_Obj* result = Tcl_GetObjResult(interp);
  const char* names[] = {"SetRTLInfo -latency $i", "GetRTLInfo -latency", "Report -rtl -latency"};
  std::printf("Information-set commands, %ld calls each from a Tcl loop (calls per second)\n",
              calls);
  std::printf("%-26s %16s %22s %8s\n", "operation", "ReportApp", "plain Tcl over a dict", "ratio");
  for (int i = 0; i < 3; ++i) {
    Tcl_Obj *ours = nullptr, *plain = nullptr, *a = nullptr, *b = nullptr;
    Tcl_ListObjIndex(nullptr, result, 0, &ours);
    Tcl_ListObjIndex(nullptr, result, 1, &plain);
    Tcl_ListObjIndex(nullptr, ours, i, &a);
    Tcl_ListObjIndex(nullptr, plain, i, &b);
    double x = 0, y = 0;
    Tcl_GetDoubleFromObj(nullptr, a, &x);
    Tcl_GetDoubleFromObj(nullptr, b, &y);
    std::printf("%-26s %16.0f %22.0f %7.2fx\n", names[i], x, y, x / y);
  }
  Tcl_DeleteInterp(interp);
  return 0;
}
