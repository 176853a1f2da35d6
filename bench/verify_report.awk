# A straightforward awk version of the verification report of one timing
# file, the baseline of verify_throughput_bench (values as text, no escaping).
#   awk -f verify_report.awk timing.txt > report.htm
BEGIN {
    printf "%s", "<html xmlns:fo=\"http://www.w3.org/1999/XSL/Format\">\n"
    printf "%s", "<head><title>KorvelDSP Summary Report</title><style>\n"
    printf "%s", "BODY {\n\tfont-family:\t\t'Arial';\n}\n\n"
    printf "%s", ".title {\n\tfont-size:\t\t\t\tlarge;\n\tcolor:\t\t\t\t\t#000000;\n"
    printf "%s", "\ttext-decoration:\t\t\tnone;\n\ttext-align:\t\t\t\tleft;\n"
    printf "%s", "\tfont-weight:\t\t\t\tbold;\n}\n\n"
    printf "%s", ".table_header_center {\n\tfont-size:\t\t\t\tx-small;\n"
    printf "%s", "\tfont-weight:\t\t\t\tbold;\n\ttext-align:\t\t\t\tcenter;\n"
    printf "%s", "\tbackground-color:\t\t\t#6b7ba3;\n\tcolor:\t\t\t\t\t#eddeaf;\n"
    printf "%s", "\ttext-decoration:\t\t\tnone;\n\tborder-color:\t\t\t\t#ffffff;\n"
    printf "%s", "\tborder-width:\t\t\t\t1px;\n\tpadding-left:\t\t\t\t1em;\n"
    printf "%s", "\tpadding-right:\t\t\t1em;\n}\n\n"
    printf "%s", ".table_data_center {\n\tfont-size:\t\t\t\tx-small;\n"
    printf "%s", "\ttext-align:\t\t\t\tcenter;\n\tbackground-color:\t\t\t#dadada;\n"
    printf "%s", "\tcolor:\t\t\t\t\t#000000;\n\ttext-decoration:\t\t\tnone;\n"
    printf "%s", "\tborder-color: \t\t\t#ffffff;\n\tborder-width: \t\t\t1px;\n"
    printf "%s", "\tpadding-left:\t\t\t\t1em;\n\tpadding-right:\t\t\t1em;\n}\n"
    printf "%s", "</style>\n</head><body>\n"
    printf "%s", "<span class=\"title\"></span><br><br><center><table width=\"70%\">\n<tr>\n"
    printf "%s", "<td class=\"table_header_center\">Time (ns)</td><td class=\"table_header_center\"># of Clocks Since Last Output</td><td class=\"table_header_center\">Fixed Point Simulation Values</td><td class=\"table_header_center\">RTL Simulation Values</td>\n</tr>"
    td = "\t<td class=\"table_data_center\">"
    first = 1
}
NF >= 3 {
    if (first) {
        printf "<tr>\n%s%s</td>\n%s%s</td>\n%s&nbsp;</td>\n%s&nbsp;</td>\n</tr>\n", td, $1, td, $3, td, td
        first = 0
        next
    }
    fx = ""; rt = ""; n = 0
    for (k = 4; k <= NF; k += 2) {
        if (n > 0 && n % 5 == 0) { fx = fx "<br>"; rt = rt "<br>" }
        n++
        if (k < NF && $k == $(k + 1)) {
            fx = fx "&nbsp;" $k; rt = rt "&nbsp;" $(k + 1)
        } else {
            fx = fx "&nbsp;<font color=\"red\">" $k "</font>"
            rt = rt "&nbsp;<font color=\"red\">" (k < NF ? $(k + 1) : "") "</font>"
        }
    }
    printf "<tr>\n%s%s</td>\n%s%s</td>\n%s%s</td>\n%s%s</td>\n</tr>\n", td, $1, td, $3, td, fx, td, rt
}
END { printf "%s", "</table>\n</center>\n<br>\n</body></html>\n" }
