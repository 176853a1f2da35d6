# Fixed-point model of the two-channel FIR filter (fir2.v, fir2.vhd) and its
# test vectors, quantized with the project's own quantizer:
#
#   reportapp examples/fir/model.tcl OUTDIR
#
# writes, for each test vector N,
#   OUTDIR/vector_N.hex                        per sample "in0 in1 model0 model1" (hex words),
#                                              read by the testbenches
#   OUTDIR/FixedPointM/Korvel_TestVector_N.txt the fixed-point test vector: the quantizer
#                                              header, then the model's inputs and outputs
# and prints one line per vector (samples, saturated outputs).

package require ReportApp

if {[llength $argv] != 1} {
    puts stderr "usage: reportapp model.tcl OUTDIR"
    exit 2
}
set outDir [lindex $argv 0]
file mkdir [file join $outDir FixedPointM]

# Samples and results: signed 16-bit words with 15 fraction bits, rounded to
# nearest and saturated, as the design computes them.
set q [::ReportApp::quantizer new -mode fixed -round nearest -overflow saturate \
           -wordlength 16 -fractionlength 15]
set coefficients {0.5 0.75 0.5 -0.25}

# The filter on reals: every product and sum is exact in a double (the
# samples have 15 fraction bits, the coefficients 2), so the only rounding is
# the quantizer's.
proc filter {samples} {
    global coefficients
    set delay {0.0 0.0 0.0}
    set out {}
    foreach x $samples {
        set taps [linsert $delay 0 $x]
        set sum 0.0
        foreach h $coefficients t $taps {
            set sum [expr {$sum + $h * $t}]
        }
        lappend out $sum
        set delay [lrange $taps 0 2]
    }
    return $out
}

# Test vectors: per vector a list of {channel0 channel1} input lists (reals).
expr {srand(2026)}
proc noise {amplitude} { expr {$amplitude * (2.0 * rand() - 1.0)} }

proc tones {n} {
    set a {}
    set b {}
    for {set i 0} {$i < $n} {incr i} {
        lappend a [expr {0.45 * sin(0.07 * $i) + [noise 0.02]}]
        lappend b [expr {0.3 * cos(0.19 * $i) + 0.2 * sin(0.031 * $i)}]
    }
    list $a $b
}

# Blocks of full-scale samples (both signs) between quiet stretches: the
# filter's gain of 1.5 drives its output into saturation.
proc fullScale {n} {
    set a {}
    set b {}
    for {set i 0} {$i < $n} {incr i} {
        switch [expr {($i / 16) % 4}] {
            0 { set x [noise 0.1] }
            1 { set x 1.0 }
            2 { set x [noise 0.5] }
            3 { set x -1.0 }
        }
        lappend a $x
        lappend b [expr {-$x}]
    }
    list $a $b
}

proc uniform {n} {
    set a {}
    set b {}
    for {set i 0} {$i < $n} {incr i} {
        lappend a [noise 1.0]
        lappend b [noise 0.9]
    }
    list $a $b
}

set vectors [list [tones 256] [fullScale 256] [uniform 256]]
set header [$q header]
set number 0
foreach vector $vectors {
    incr number
    set inputs {}
    set outputs {}
    set saturated 0
    foreach channel $vector {
        # The design's inputs are 16-bit words: quantize, then filter the words.
        set x [$q quantize $channel]
        set y [filter $x]
        lappend inputs [$q hex $x]
        lappend outputs [$q hex $y]
        foreach code [$q codes $y] exact $y {
            if {$code * 2.0 ** -15 != $exact && ($code == 32767 || $code == -32768)} {
                incr saturated
            }
        }
    }
    lassign $inputs in0 in1
    lassign $outputs out0 out1
    set hex [open [file join $outDir vector_$number.hex] w]
    set fixed [open [file join $outDir FixedPointM Korvel_TestVector_$number.txt] w]
    puts $fixed "%$header"
    foreach a $in0 b $in1 c $out0 d $out1 {
        puts $hex "$a $b $c $d"
        puts $fixed "$a $b $c $d"
    }
    close $hex
    close $fixed
    puts "vector $number: [llength $in0] samples per channel, $saturated outputs saturated"
}
$q destroy
