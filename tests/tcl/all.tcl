# Runs the Tcl-level tests against the built extension.
#   tclsh all.tcl ?-file pattern? ?tcltest options...?
# REPORTAPP_BUILD_DIR names the build folder holding pkgIndex.tcl and the library.
package require tcltest 2.5
namespace import ::tcltest::*

if {[info exists ::env(REPORTAPP_BUILD_DIR)]} {
    set ::auto_path [linsert $::auto_path 0 $::env(REPORTAPP_BUILD_DIR)]
}
configure -testdir [file dirname [file normalize [info script]]] -singleproc 1 {*}$argv

# tcltest counts across all files when they run in this process.
proc ::tcltest::cleanupTestsHook {} {
    variable numTests
    set ::reportappFailed [expr {$numTests(Failed) > 0}]
}
set ::reportappFailed 0
runAllTests
exit [expr {$::reportappFailed || [llength $::tcltest::failFiles] > 0}]
