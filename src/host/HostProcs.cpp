#include "host/HostProcs.h"

#include <string>
#include <string_view>

#include "host/AppMgr.h"
#include "host/HostInterp.h"

namespace {

// ::ReportApp::sendMessage info|warning|error text: hands a message to where
// the plain host messages go when something takes them over (the C++ sink
// or ::ReportApp::messageCommand); 1 when it was taken, 0 when the caller is
// to print it itself.
int SendMessageCommand(ClientData, Tcl_Interp* interp, int objc, Tcl_Obj* const objv[]) {
  if (objc != 3) {
    Tcl_WrongNumArgs(interp, 1, objv, "severity text");
    return TCL_ERROR;
  }
  static const char* const kSeverities[] = {"info", "warning", "error", nullptr};
  int index = 0;
  if (Tcl_GetIndexFromObj(interp, objv[1], kSeverities, "severity", TCL_EXACT, &index) != TCL_OK) {
    return TCL_ERROR;
  }
  int length = 0;
  const char* text = Tcl_GetStringFromObj(objv[2], &length);
  CScopedHostInterp caller(interp);
  const bool taken = CAppMgr::SendToHook(static_cast<TMsgType>(index),
                                         std::string(text, static_cast<std::size_t>(length)));
  Tcl_SetObjResult(interp, Tcl_NewBooleanObj(taken));
  return TCL_OK;
}

// Each procedure is defined only where the embedding tool has no command of
// that name, so a real flow's own procedures always win.
constexpr const char* kHostProcs = R"TCL(
namespace eval ::DR {}
namespace eval ::Settings {}
namespace eval ::ReportApp {
    variable messageCommand {}
    proc define {name arguments body} {
        if {[info commands $name] eq ""} {
            uplevel #0 [list proc $name $arguments $body]
        }
    }
}

# --- project options -------------------------------------------------------
namespace eval ::ReportApp::project {
    variable options
    array set options {
        -fixedpointlanguage MATLAB
        -default_overflow_mode saturate
        -default_round_mode floor
        -matlabversion 7
        -quantizer_max_variable_fractional_length -1
        -quantizer_max_constant_fractional_length -1
        -quantizer_max_input_fractional_length -1
        -quantizer_max_port_word_length -1
    }
    proc known {} {
        variable options
        return [lsort [concat [array names options] -directory]]
    }
    proc check {name} {
        if {$name ni [known]} {
            set names [known]
            return -code error -errorcode [list REPORTAPP PROJECTOPTION $name] \
                "unknown project option \"$name\": must be [join [lrange $names 0 end-1] {, }], or [lindex $names end]"
        }
    }
}

::ReportApp::define ::SetProjectOption {args} {
    if {[llength $args] % 2 != 0} {
        return -code error -errorcode {REPORTAPP PROJECTOPTION ARGS} \
            "wrong # args: should be \"SetProjectOption ?-name value ...?\""
    }
    foreach {name value} $args {
        ::ReportApp::project::check $name
    }
    foreach {name value} $args {
        set ::ReportApp::project::options($name) $value
    }
    return
}

::ReportApp::define ::GetProjectOption {name} {
    ::ReportApp::project::check $name
    if {[info exists ::ReportApp::project::options($name)]} {
        return $::ReportApp::project::options($name)
    }
    # -directory: the current directory until a flow sets one.
    return [pwd]
}

::ReportApp::define ::GetMatlabMajorVersionNumber {} {
    return [::GetProjectOption -matlabversion]
}

# --- numbered messages -------------------------------------------------------
namespace eval ::Messaging {
    variable catalogue {
        WRN-0004 {Could not determine the clocks between outputs: the timing file has fewer than two output rows.}
        DIR-0005 {The option "%1" is not supported in this context and is ignored.}
        COMMAND-0001 {The command "%1" failed.}
        QTZ-0040 {The quantizer round mode "round" is taken as "nearest".}
        DIR-0035 {The quantizer lengths "%1" are not integers.}
        DIR-0036 {A quantizer takes at most two lengths: a word length and a fraction length.}
        DIR-0037 {Unrecognised quantizer word "%1".}
        DIR-0038 {Invalid quantizer "%1": the word length must be positive and not below the fraction length, and a signed type needs an integer bit.}
    }
    proc text {id params} {
        variable catalogue
        if {[dict exists $catalogue $id]} {
            set text [dict get $catalogue $id]
        } else {
            set text "Message $id"
            if {[llength $params] > 1} {
                append text ": " [join [lrange $params 1 end] ", "]
            }
        }
        set map {}
        for {set i [expr {[llength $params] - 1}]} {$i >= 1} {incr i -1} {
            lappend map %$i [lindex $params $i]
        }
        return [string map $map $text]
    }
}

::ReportApp::define ::Messaging::Message {args} {
    set stream 1
    set severity info
    set id {}
    set fileinfo {}
    set params {}
    while {[llength $args]} {
        set args [lassign $args word]
        switch -exact -- $word {
            -dontsendtostream { set stream 0 }
            -severity - -msgid - -fileinfo - -params {
                if {![llength $args]} {
                    return -code error -errorcode {REPORTAPP MESSAGE ARGS} \
                        "missing value for \"$word\""
                }
                set args [lassign $args value]
                set [dict get {-severity severity -msgid id -fileinfo fileinfo -params params} $word] $value
            }
            default {
                return -code error -errorcode {REPORTAPP MESSAGE ARGS} \
                    "bad option \"$word\": must be -dontsendtostream, -severity, -msgid, -fileinfo, or -params"
            }
        }
    }
    set text [::Messaging::text $id $params]
    if {$stream} {
        # The same way as every other message of the plug-in: to the hook
        # ::ReportApp::messageCommand (or the C++ sink), else the channels.
        set where {}
        if {[llength $fileinfo] && [lindex $fileinfo 0] ne ""} {
            set where "[join $fileinfo :]: "
        }
        set label [string totitle [lindex [split $severity _] 0]]
        switch -exact -- $severity {
            info - debug { set type info }
            warning { set type warning }
            default { set type error }
        }
        set line "$label: $where$text ($id)"
        if {![::ReportApp::sendMessage $type $line]} {
            puts stderr $line
        }
    }
    return $text
}

# --- memory ------------------------------------------------------------------
namespace eval ::MemoryInfo {}
::ReportApp::define ::MemoryInfo::MemoryInfo {what} {
    set fields {-workingsetsize VmRSS -peakworkingsetsize VmHWM -virtualsize VmSize}
    if {![dict exists $fields $what]} {
        return -code error -errorcode [list REPORTAPP MEMORYINFO $what] \
            "bad option \"$what\": must be -workingsetsize, -peakworkingsetsize, or -virtualsize"
    }
    set chan [open /proc/self/status r]
    set status [read $chan]
    close $chan
    if {![regexp -line "^[dict get $fields $what]:\\s*(\\d+)\\s*kB" $status -> kb]} {
        return -code error -errorcode {REPORTAPP MEMORYINFO UNAVAILABLE} \
            "the process's memory figures are not available"
    }
    return [expr {$kb * 1024}]
}

# --- design flow -------------------------------------------------------------
namespace eval ::DesignFlowMgr {
    # What the flow was told: option name -> how often; option -> stages.
    variable options [dict create]
    variable stages [dict create]
}

::ReportApp::define ::DesignFlowMgr::SetProjectOptionOrDirective {flag name} {
    if {$flag ne "-name"} {
        return -code error -errorcode [list REPORTAPP DESIGNFLOW $flag] \
            "bad option \"$flag\": must be -name"
    }
    dict incr ::DesignFlowMgr::options $name
    return
}

::ReportApp::define ::DesignFlowMgr::RegisterOptionInFlow {args} {
    if {[llength $args] != 4 || [lsort [dict keys $args]] ne {-option -stage}} {
        return -code error -errorcode {REPORTAPP DESIGNFLOW ARGS} \
            "wrong # args: should be \"DesignFlowMgr::RegisterOptionInFlow -option name -stage stage\""
    }
    dict lappend ::DesignFlowMgr::stages [dict get $args -option] [dict get $args -stage]
    return
}

# --- installation ------------------------------------------------------------
::ReportApp::define ::AppInfo {what} {
    if {$what ne "ProductDir"} {
        return -code error -errorcode [list REPORTAPP APPINFO $what] \
            "bad option \"$what\": must be ProductDir"
    }
    return $::ReportApp::productDir
}
)TCL";

}  // namespace

int DefineDefaultHostProcs(Tcl_Interp* interp, const std::string& productDir) {
  Tcl_CreateObjCommand(interp, "::ReportApp::sendMessage", SendMessageCommand, nullptr, nullptr);
  // At global level, whatever namespace the extension is loaded from.
  if (Tcl_EvalEx(interp, kHostProcs, -1, TCL_EVAL_GLOBAL) != TCL_OK) {
    return TCL_ERROR;
  }
  Tcl_Obj* dir = Tcl_NewStringObj(productDir.data(), static_cast<int>(productDir.size()));
  if (!Tcl_SetVar2Ex(interp, "::ReportApp::productDir", nullptr, dir,
                     TCL_GLOBAL_ONLY | TCL_LEAVE_ERR_MSG)) {
    return TCL_ERROR;
  }
  return TCL_OK;
}
