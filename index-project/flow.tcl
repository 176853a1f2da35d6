# Example flow step: the verification reports of three RTL simulation runs.
#
#   reportapp examples/verify_project/flow.tcl
#   tclsh examples/verify_project/flow.tcl        (with ReportApp on auto_path)
#
# Prints the result lists of GenerateVerifyReport (latency, maximum clocks,
# minimum clocks) and the reports written into the project's Reports folder.

package require ReportApp

set project [file dirname [file normalize [info script]]]
SetProjectOption -directory $project -fixedpointlanguage MATLAB

# Warn when a run has no throughput figures (one output record or none).
set ::DR::950255 1

set timingFiles [lsort [glob -directory [file join $project timing] \
    kv_timing_Korvel_TestVector_*.txt]]

# RTL simulation: values compared and shown as the simulators wrote them.
set rtl [GenerateVerifyReport -timingfiles $timingFiles]
puts "RTL result (latency max min): $rtl"

# Gate-level naming, values shown as reals through each test vector's quantizer.
set ::DR::952688_enable_53_bit_IO 1
set impl [GenerateVerifyReport -impl -timingfiles $timingFiles]
set ::DR::952688_enable_53_bit_IO 0
puts "gate-level result with real values (latency max min): $impl"

puts "reports:"
foreach report [lsort [glob -directory [file join $project Reports] *.htm]] {
    puts "  $report"
}
