# A plain Tcl version of the verification report of one timing file, the
# baseline of verify_throughput_bench (values as text, no escaping).
#   tclsh verify_report.tcl timing.txt report.htm
lassign $argv inPath outPath
set in [open $inPath r]
fconfigure $in -buffersize 1048576 -translation auto
set out [open $outPath w]
fconfigure $out -buffersize 1048576 -translation lf

set head "<html xmlns:fo=\"http://www.w3.org/1999/XSL/Format\">\n"
append head "<head><title>KorvelDSP Summary Report</title><style>\n"
append head "BODY \{\n\tfont-family:\t\t'Arial';\n\}\n\n"
append head ".title \{\n\tfont-size:\t\t\t\tlarge;\n\tcolor:\t\t\t\t\t#000000;\n"
append head "\ttext-decoration:\t\t\tnone;\n\ttext-align:\t\t\t\tleft;\n"
append head "\tfont-weight:\t\t\t\tbold;\n\}\n\n"
append head ".table_header_center \{\n\tfont-size:\t\t\t\tx-small;\n"
append head "\tfont-weight:\t\t\t\tbold;\n\ttext-align:\t\t\t\tcenter;\n"
append head "\tbackground-color:\t\t\t#6b7ba3;\n\tcolor:\t\t\t\t\t#eddeaf;\n"
append head "\ttext-decoration:\t\t\tnone;\n\tborder-color:\t\t\t\t#ffffff;\n"
append head "\tborder-width:\t\t\t\t1px;\n\tpadding-left:\t\t\t\t1em;\n"
append head "\tpadding-right:\t\t\t1em;\n\}\n\n"
append head ".table_data_center \{\n\tfont-size:\t\t\t\tx-small;\n"
append head "\ttext-align:\t\t\t\tcenter;\n\tbackground-color:\t\t\t#dadada;\n"
append head "\tcolor:\t\t\t\t\t#000000;\n\ttext-decoration:\t\t\tnone;\n"
append head "\tborder-color: \t\t\t#ffffff;\n\tborder-width: \t\t\t1px;\n"
append head "\tpadding-left:\t\t\t\t1em;\n\tpadding-right:\t\t\t1em;\n\}\n"
append head "</style>\n</head><body>\n"
append head "<span class=\"title\"></span><br><br><center><table width=\"70%\">\n<tr>\n"
append head "<td class=\"table_header_center\">Time (ns)</td>"
append head "<td class=\"table_header_center\"># of Clocks Since Last Output</td>"
append head "<td class=\"table_header_center\">Fixed Point Simulation Values</td>"
append head "<td class=\"table_header_center\">RTL Simulation Values</td>\n</tr>"
puts -nonewline $out $head

set td "\t<td class=\"table_data_center\">"
set first 1
while {[gets $in line] >= 0} {
    set tokens [regexp -all -inline {[^ \t\r\v\f]+} $line]
    if {[llength $tokens] < 3} {
        continue
    }
    lassign $tokens time - clocks
    if {$first} {
        puts -nonewline $out "<tr>\n$td$time</td>\n$td$clocks</td>\n$td&nbsp;</td>\n$td&nbsp;</td>\n</tr>\n"
        set first 0
        continue
    }
    set fx ""
    set rt ""
    set n 0
    foreach {f r} [lrange $tokens 3 end] {
        if {$n > 0 && $n % 5 == 0} {
            append fx <br>
            append rt <br>
        }
        incr n
        if {$f eq $r && [llength $tokens] > 3 + 2 * $n - 1} {
            append fx "&nbsp;$f"
            append rt "&nbsp;$r"
        } else {
            append fx "&nbsp;<font color=\"red\">$f</font>"
            append rt "&nbsp;<font color=\"red\">$r</font>"
        }
    }
    puts -nonewline $out "<tr>\n$td$time</td>\n$td$clocks</td>\n$td$fx</td>\n$td$rt</td>\n</tr>\n"
}
puts -nonewline $out "</table>\n</center>\n<br>\n</body></html>\n"
close $out
close $in
