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
