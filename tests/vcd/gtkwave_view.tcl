# Run by `gtkwave -S gtkwave_view.tcl file.vcd`: every channel of the
# waveform in the viewer (model, RTL, error, agree), model and RTL as analog
# steps, the error too, all as signed numbers, zoomed to show the
# whole run.
set names [list]
for {set i 0} {$i < [gtkwave::getNumFacs]} {incr i} {
    lappend names [gtkwave::getFacName $i]
}
set order {model rtl error agree}
set shown [lsort -command {apply {{a b} {
    upvar 1 order order
    regexp {\.ch(\d+)\.(\w+)} $a -> channelA signalA
    regexp {\.ch(\d+)\.(\w+)} $b -> channelB signalB
    if {$channelA != $channelB} { return [expr {$channelA - $channelB}] }
    return [expr {[lsearch $order $signalA] - [lsearch $order $signalB]}]
}}} $names]
set channel ""
foreach name $shown {
    regexp {\.(ch\d+)\.} $name -> nameChannel
    if {$nameChannel ne $channel} {
        set channel $nameChannel
        gtkwave::addCommentTracesFromList [list "$channel: model, RTL, error in LSBs, agree"]
    }
    gtkwave::/Edit/UnHighlight_All
    # A trace just added is the one highlighted.
    gtkwave::addSignalsFromList [list $name]
    switch -glob -- $name {
        *.model* - *.rtl* {
            gtkwave::/Edit/Data_Format/Signed_Decimal
            gtkwave::/Edit/Data_Format/Analog/Step
            gtkwave::/Edit/Insert_Analog_Height_Extension
            gtkwave::/Edit/Insert_Analog_Height_Extension
        }
        *.error* {
            gtkwave::/Edit/Data_Format/Signed_Decimal
            gtkwave::/Edit/Data_Format/Analog/Step
            gtkwave::/Edit/Insert_Analog_Height_Extension
        }
    }
}
gtkwave::/Edit/UnHighlight_All
gtkwave::/Time/Zoom/Zoom_Full
puts "gtkwave_view: [llength $shown] signals shown"
