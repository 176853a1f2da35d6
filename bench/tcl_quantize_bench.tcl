# `$q quantize LIST` beside a plain Tcl expr loop doing the same arithmetic.
#
#   build/reportapp bench/tcl_quantize_bench.tcl ?-size N? ?-repeat N?
#
# For fixed [16 15] with floor, nearest and convergent rounding, saturate and
# wrap: values per second of ::ReportApp::quantizer's quantize on a list of N
# reals (a million) and of a foreach loop computing each value with expr (its
# own floor, round-half-up or ties-to-even and its own clamp or modulo), the
# ratio beside the bar (>= 10x), and whether both give the same values.
# Each contender is timed in CPU time of the process (from /proc/self/stat,
# where there is one) and in wall-clock time, best of -repeat rounds; the bar
# is judged on CPU time, which a machine loaded by other work distorts less.
# The load average is printed with the figures.
package require ReportApp

proc usage {} {
    return "usage: tcl_quantize_bench.tcl ?-size N? ?-repeat N?"
}

set size 1000000
set repeat 3
foreach {option value} $argv {
    switch -- $option {
        -size - -repeat {
            if {![string is integer -strict $value] || $value < 1} {
                puts stderr "[usage]\n$option needs a positive integer, not \"$value\""
                exit 2
            }
            set [string range $option 1 end] $value
        }
        default {
            puts stderr "[usage]\nunknown option \"$option\""
            exit 2
        }
    }
}

# The same arithmetic as the quantizer, written in expr, one value at a time.
proc exprQuantize {values round overflow} {
    set scale 32768.0
    set out {}
    foreach x $values {
        set s [expr {$x * $scale}]
        switch -- $round {
            floor {set c [expr {floor($s)}]}
            nearest {set c [expr {floor(($x + 1.0 / 65536) * $scale)}]}
            convergent {
                set c [expr {floor($s)}]
                set d [expr {$s - $c}]
                if {$d > 0.5 || ($d == 0.5 && fmod($c, 2.0) != 0.0)} {
                    set c [expr {$c + 1.0}]
                }
                if {$c == 0.0 && $s < 0.0} {
                    set c -0.0   ;# a rounding keeps the sign of its input
                }
            }
        }
        if {$overflow eq "saturate"} {
            set c [expr {min(32767.0, max(-32768.0, $c))}]
        } elseif {$c > 32767.0 || $c < -32768.0} {
            set c [expr {fmod(fmod($c + 32768.0, 65536.0) + 65536.0, 65536.0) - 32768.0}]
        }
        lappend out [expr {$c / $scale}]
    }
    return $out
}

# The CPU time of this process in seconds, or {} where /proc does not tell.
proc cpuSeconds {} {
    global ticksPerSecond
    if {[catch {open /proc/self/stat} channel]} {
        return {}
    }
    set line [read $channel]
    close $channel
    # After "pid (name) ": state is the first field, utime the 12th, stime the 13th.
    set fields [split [string range $line [expr {[string last ")" $line] + 2}] end]]
    return [expr {([lindex $fields 11] + [lindex $fields 12]) / double($ticksPerSecond)}]
}
set ticksPerSecond 100
catch {set ticksPerSecond [exec getconf CLK_TCK]}

proc loadAverage {} {
    if {[catch {open /proc/loadavg} channel]} {
        return "unknown"
    }
    set text [lrange [read $channel] 0 2]
    close $channel
    return $text
}

# The best wall-clock and CPU microseconds per run of script over repeat
# rounds of calls runs each (calls > 1 for runs shorter than the CPU clock's
# tick of 10 ms).
proc bestMicroseconds {script repeat calls} {
    set bestWall {}
    set bestCpu {}
    for {set i 0} {$i < $repeat} {incr i} {
        set cpu [cpuSeconds]
        set wall [lindex [uplevel 1 [list time $script $calls]] 0]
        if {$cpu ne {}} {
            set cpu [expr {([cpuSeconds] - $cpu) * 1e6 / $calls}]
        }
        if {$bestWall eq {} || $wall < $bestWall} {
            set bestWall $wall
        }
        if {$cpu ne {} && ($bestCpu eq {} || $cpu < $bestCpu)} {
            set bestCpu $cpu
        }
    }
    return [list $bestWall $bestCpu]
}

expr {srand(2026)}
set values {}
for {set i 0} {$i < $size} {incr i} {
    lappend values [expr {2.5 * rand() - 1.25}]
}

proc rate {size microseconds} {
    if {$microseconds eq {} || $microseconds <= 0} {
        return "-"
    }
    return [format %.2f [expr {$size / double($microseconds)}]]
}

puts [format "fixed \[16 15\], a list of %d reals, best of %d; load average %s" $size $repeat \
    [loadAverage]]
puts [format "%-22s %10s %10s %8s %10s %10s %8s  %-6s %s" mode "cpu M/s" "expr cpu" ratio \
    "wall M/s" "expr wall" ratio values "bar (>= 10x, cpu)"]
set allMet 1
foreach overflow {saturate wrap} {
    foreach round {floor nearest convergent} {
        set q [::ReportApp::quantizer new -round $round -overflow $overflow]
        $q quantize $values   ;# warms the allocator up, as the loop's first round does
        lassign [bestMicroseconds {set quantized [$q quantize $values]} $repeat 10] ourWall ourCpu
        lassign [bestMicroseconds {set looped [exprQuantize $values $round $overflow]} 2 1] \
            loopWall loopCpu
        $q destroy
        set same [expr {$quantized eq $looped ? "same" : "DIFFER"}]
        set wallRatio [expr {double($loopWall) / $ourWall}]
        # Without a CPU clock the bar is judged on wall-clock time.
        set ratio $wallRatio
        set cpuRatio "-"
        if {$ourCpu ne {} && $ourCpu > 0} {
            set ratio [expr {double($loopCpu) / $ourCpu}]
            set cpuRatio [format %.1f $ratio]
        }
        set met [expr {$ratio >= 10.0}]
        set allMet [expr {$allMet && $met}]
        puts [format "%-22s %10s %10s %8s %10s %10s %8.1f  %-6s %s" "$round $overflow" \
            [rate $size $ourCpu] [rate $size $loopCpu] $cpuRatio [rate $size $ourWall] \
            [rate $size $loopWall] $wallRatio $same [expr {$met ? "met" : "NOT met"}]]
    }
}
puts [format "load average %s" [loadAverage]]
puts [expr {$allMet ? "all bars met" : "some bars NOT met"}]
