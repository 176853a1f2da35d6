# Loaded by every test file: the extension, exactly as a user loads it.
package require tcltest 2.5
namespace import -force ::tcltest::*
package require ReportApp

# Collects the host's plain messages while a script runs: a list of
# {severity text} pairs.
proc captureMessages {script} {
    set ::capturedMessages {}
    set ::ReportApp::messageCommand {apply {{severity text} {lappend ::capturedMessages [list $severity $text]}}}
    try {
        uplevel 1 $script
    } finally {
        set ::ReportApp::messageCommand {}
    }
    return $::capturedMessages
}

# A script that puts the named keys of information sets back to the values
# they hold now, so that a test can leave the sets as it found them:
#   set restore [savedInfo {RTL -latency -adders} {Gate -period}]
#   ... eval $restore
proc savedInfo {args} {
    set script {}
    foreach spec $args {
        set keys [lassign $spec store]
        set words {}
        foreach key $keys value [Get${store}Info {*}$keys] {
            lappend words $key $value
        }
        append script [list Set${store}Info {*}$words] \n
    }
    return $script
}
