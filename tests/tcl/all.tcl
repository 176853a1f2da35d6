# Runs the Tcl-level tests against the extension, as a whole or file by file.
#   tclsh all.tcl ?-file pattern? ?tcltest options...?
# REPORTAPP_BUILD_DIR names the build folder holding pkgIndex.tcl and the
# library; without it the package is looked up as a user's tclsh does (an
# installed package, or one found through TCLLIBPATH).
#
# All files run in one interpreter, so each must leave the extension as it
# found it: after every file the state a test can change (information sets,
# project options, settings variables, the message hook, host procedures) is
# compared with the state before it, and a difference fails that file.
package require tcltest 2.5
namespace import ::tcltest::*

if {[info exists ::env(REPORTAPP_BUILD_DIR)]} {
    set ::auto_path [linsert $::auto_path 0 $::env(REPORTAPP_BUILD_DIR)]
}
configure -testdir [file dirname [file normalize [info script]]] -singleproc 1 {*}$argv
package require ReportApp

namespace eval ::reportappSuite {
    variable stores {RTL FixedPoint Synth Gate Version}
    variable projectOptions {-directory -fixedpointlanguage -default_overflow_mode
        -default_round_mode -quantizer_max_port_word_length
        -quantizer_max_constant_fractional_length}
    variable hostNamespaces {:: ::Messaging ::MemoryInfo ::DesignFlowMgr ::DR ::Settings ::ReportApp}
}

# The switches of an information set, read from its Get command's usage text.
proc ::reportappSuite::keys {store} {
    set keys {}
    foreach line [split [Get${store}Info -help] \n] {
        if {[regexp {^\s+(-\S+)} $line -> key] && $key ne "-help"} {
            lappend keys $key
        }
    }
    return $keys
}

# Everything a test file may change, as a dict of name -> value.
proc ::reportappSuite::state {} {
    variable stores
    variable projectOptions
    variable hostNamespaces
    variable globalCommands
    set state [dict create]
    foreach store $stores {
        set keys [keys $store]
        foreach key $keys value [Get${store}Info {*}$keys] {
            dict set state "${store} info $key" $value
        }
    }
    foreach option $projectOptions {
        dict set state "project option $option" [GetProjectOption $option]
    }
    dict set state "MATLAB version" [GetMatlabMajorVersionNumber]
    foreach ns $hostNamespaces {
        if {![namespace exists $ns]} {
            continue
        }
        foreach var [info vars ${ns}::*] {
            if {$ns ne "::" && [info exists $var] && ![array exists $var]} {
                dict set state "variable $var" [set $var]
            }
        }
        # Of the global commands only those present at the start: a test
        # file may add helper procedures of its own there.
        set commands [expr {$ns eq "::" ? $globalCommands : [info commands ${ns}::*]}]
        foreach command $commands {
            dict set state "command $command" [definition $command]
        }
    }
    return $state
}

proc ::reportappSuite::definition {command} {
    if {[info commands $command] eq ""} {
        return "(none)"
    }
    if {[info procs $command] eq ""} {
        return "(built in)"
    }
    return [list [info args $command] [info body $command]]
}

# The differences between two states, one line each.
proc ::reportappSuite::differences {before after} {
    set lines {}
    foreach name [lsort -unique [concat [dict keys $before] [dict keys $after]]] {
        set old [expr {[dict exists $before $name] ? [list [dict get $before $name]] : "(none)"}]
        set new [expr {[dict exists $after $name] ? [list [dict get $after $name]] : "(none)"}]
        if {$old ne $new} {
            lappend lines "  $name: was $old, left $new"
        }
    }
    return $lines
}

set ::reportappSuite::globalCommands [lmap c [info commands ::*] {string cat :: $c}]
set ::reportappSuite::baseline [::reportappSuite::state]
set ::reportappFailed 0

proc ::tcltest::cleanupTestsHook {} {
    variable numTests
    variable currentFailure
    set now [::reportappSuite::state]
    set changes [::reportappSuite::differences $::reportappSuite::baseline $now]
    if {[llength $changes] > 0} {
        puts [outputChannel] "[file tail [info script]] did not restore what it changed:"
        puts [outputChannel] [join $changes \n]
        incr numTests(Total)
        incr numTests(Failed)
        set currentFailure true
        # Report the next file against what this one left, not again for this one.
        set ::reportappSuite::baseline $now
    }
    # tcltest counts across all files when they run in this process.
    if {$numTests(Failed) > 0} {
        set ::reportappFailed 1
    }
}
runAllTests
exit [expr {$::reportappFailed || [llength $::tcltest::failFiles] > 0}]
