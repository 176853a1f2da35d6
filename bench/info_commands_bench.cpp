// Set/Get/Report calls per second from a Tcl loop, beside the same
// operations written as plain Tcl procedures over a dict.
//
//   info_commands_bench [CALLS] [--help]
#include <tcl.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "app/Extension.h"

namespace {

constexpr int kRounds = 7;
constexpr long kDefaultCalls = 2000000;

constexpr const char* kUsage =
    "usage: info_commands_bench [CALLS] [--help]\n"
    "  CALLS  calls per operation and side, spread over 7 rounds (default 2000000, at least 7)\n";

// The number of calls from the command line: 0 when the words are not one
// whole number of at least one call per round.
long ParseCalls(int argc, char** argv) {
  if (argc == 1) {
    return kDefaultCalls;
  }
  char* end = nullptr;
  const long calls = argc == 2 ? std::strtol(argv[1], &end, 10) : 0;
  return end != nullptr && end != argv[1] && *end == '\0' && calls >= kRounds ? calls : 0;
}

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

# Calls per second of one command form, looped inside a compiled procedure
# (the loop costs the same for both sides). The two sides alternate over
# several rounds and each keeps its best round, so a busy machine slows both
# alike.
proc rate {ns n call} {
    proc loop {n} "for {set i 0} {\$i < \$n} {incr i} { $ns$call }"
    set t [lindex [time {loop $n} 1] 0]
    return [expr {$n * 1.0e6 / $t}]
}
proc best {n call rounds} {
    set ours 0
    set plain 0
    for {set r 0} {$r < $rounds} {incr r} {
        set ours [expr {max($ours, [rate {} $n $call])}]
        set plain [expr {max($plain, [rate plain:: $n $call])}]
    }
    return [list $ours $plain]
}
proc run {n rounds} {
    lmap call {{SetRTLInfo -latency $i} {GetRTLInfo -latency} {Report -rtl -latency}} {
        best $n $call $rounds
    }
}
)TCL";

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && (std::string_view(argv[1]) == "--help" || std::string_view(argv[1]) == "-h")) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  const long calls = ParseCalls(argc, argv);
  if (calls == 0) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  Tcl_FindExecutable(argv[0]);
  Tcl_Interp* interp = Tcl_CreateInterp();
  if (Tcl_Init(interp) != TCL_OK || Reportapp_Init(interp) != TCL_OK ||
      Tcl_Eval(interp, kScript) != TCL_OK) {
    std::fprintf(stderr, "setup failed: %s\n", Tcl_GetStringResult(interp));
    return 1;
  }
  const std::string n = std::to_string(calls / kRounds);
  Tcl_Eval(interp, "run 10000 1");  // warm up
  if (Tcl_Eval(interp, ("run " + n + " " + std::to_string(kRounds)).c_str()) != TCL_OK) {
    std::fprintf(stderr, "run failed: %s\n", Tcl_GetStringResult(interp));
    return 1;
  }
  Tcl_Obj* result = Tcl_GetObjResult(interp);
  const char* names[] = {"SetRTLInfo -latency $i", "GetRTLInfo -latency", "Report -rtl -latency"};
  std::printf(
      "Information-set commands from a Tcl loop, calls per second "
      "(best of %d rounds of %s calls)\n",
      kRounds, n.c_str());
  std::printf("%-26s %16s %22s %8s\n", "operation", "ReportApp", "plain Tcl over a dict", "ratio");
  for (int i = 0; i < 3; ++i) {
    Tcl_Obj *row = nullptr, *a = nullptr, *b = nullptr;
    Tcl_ListObjIndex(nullptr, result, i, &row);
    Tcl_ListObjIndex(nullptr, row, 0, &a);
    Tcl_ListObjIndex(nullptr, row, 1, &b);
    double ours = 0, plain = 0;
    Tcl_GetDoubleFromObj(nullptr, a, &ours);
    Tcl_GetDoubleFromObj(nullptr, b, &plain);
    std::printf("%-26s %16.0f %22.0f %7.2fx\n", names[i], ours, plain, ours / plain);
  }
  Tcl_DeleteInterp(interp);
  return 0;
}
