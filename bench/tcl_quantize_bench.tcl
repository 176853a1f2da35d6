# `$q quantize LIST` beside a plain Tcl expr loop doing the same arithmetic.
#
#   build/reportapp bench/tcl_quantize_bench.tcl ?-size N? ?-repeat N?
#
# For fixed [16 15] with floor, nearest and convergent rounding, saturate and
# wrap: values per second of ::ReportApp::quantizer's quantize on a list of N
# reals (a million) and of a foreach loop computing each value with expr (its
# own floor, round-half-up or ties-to-even and its own clamp or modulo), the
# ratio beside the bar (>= 10x), and whether both give the same values.
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

proc bestMicroseconds {script repeat} {
    set best {}
    for {set i 0} {$i < $repeat} {incr i} {
        set t [lindex [uplevel 1 [list time $script]] 0]
        if {$best eq {} || $t < $best} {
            set best $t
        }
    }
    return $best
}

expr {srand(2026)}
set values {}
for {set i 0} {$i < $size} {incr i} {
    lappend values [expr {2.5 * rand() - 1.25}]
}

puts [format "fixed \[16 15\], a list of %d reals, best of %d" $size $repeat]
puts [format "%-22s %12s %12s %8s  %-6s %s" mode "quantize M/s" "expr M/s" ratio values "bar (>= 10x)"]
set allMet 1
foreach overflow {saturate wrap} {
    foreach round {floor nearest convergent} {
        set q [::ReportApp::quantizer new -round $round -overflow $overflow]
        $q quantize $values   ;# warms the allocator up, as the loop's first round does
        set ours [bestMicroseconds {set quantized [$q quantize $values]} $repeat]
        set loop [bestMicroseconds {set looped [exprQuantize $values $round $overflow]} 2]
        $q destroy
        set same [expr {$quantized eq $looped ? "same" : "DIFFER"}]
        set ratio [expr {double($loop) / $ours}]
        set met [expr {$ratio >= 10.0}]
        set allMet [expr {$allMet && $met}]
        puts [format "%-22s %12.1f %12.2f %8.1f  %-6s %s" "$round $overflow" \
            [expr {$size / double($ours)}] [expr {$size / double($loop)}] $ratio $same \
            [expr {$met ? "met" : "NOT met"}]]
    }
}
puts [expr {$allMet ? "all bars met" : "some bars NOT met"}]
