#include "fixedpoint/FixedPointTestHost.h"

#include <tcl.h>

#include "fixedpoint/ProjectDefaults.h"
#include "fixedpoint/Quantizer.h"
#include "support/TestSupport.h"

namespace {

// The quoting of one word for a Tcl script.
std::string Word(const std::string& text) {
  Tcl_Obj* obj = Tcl_NewStringObj(text.data(), static_cast<int>(text.size()));
  Tcl_Obj* list = Tcl_NewListObj(1, &obj);
  Tcl_IncrRefCount(list);
  std::string quoted = Tcl_GetString(list);
  Tcl_DecrRefCount(list);
  return quoted;
}

std::vector<std::string> ListElements(const std::string& list) {
  std::vector<std::string> elements;
  const int count = std::stoi(Tcl("llength " + Word(list)));
  for (int i = 0; i < count; ++i) {
    elements.push_back(Tcl("lindex " + Word(list) + " " + std::to_string(i)));
  }
  return elements;
}

constexpr const char* kInstallProjectHost = R"tcl(
namespace eval ::fptest {
    variable answers [dict create \
        -default_overflow_mode saturate \
        -default_round_mode floor \
        -quantizer_max_variable_fractional_length -1 \
        -quantizer_max_constant_fractional_length -1 \
        -quantizer_max_port_word_length -1 \
        -quantizer_max_input_fractional_length -1]
    variable failing {}
    variable version 7
    variable versionFails 0
    variable queries [dict create]
    variable versionQueries 0
    # The settings the quantizer defaults read; cleared on the way in and out.
    variable settings {
        Settings::IsAfterVerifyFixedPoint
        Settings::quantizer_max_variable_fractional_length
        Settings::quantizer_max_port_word_length
        DR::952723
        DR::951871
    }
    proc clearSettings {} {
        variable settings
        foreach key $settings {
            unset -nocomplain ::$key
        }
    }
}
rename ::GetProjectOption ::fptest::HostGetProjectOption
rename ::GetMatlabMajorVersionNumber ::fptest::HostGetMatlabMajorVersionNumber
proc ::GetProjectOption {name} {
    dict incr ::fptest::queries $name
    if {$name in $::fptest::failing} {
        return -code error "project option $name is not available"
    }
    if {[dict exists $::fptest::answers $name]} {
        return [dict get $::fptest::answers $name]
    }
    return [::fptest::HostGetProjectOption $name]
}
proc ::GetMatlabMajorVersionNumber {} {
    incr ::fptest::versionQueries
    if {$::fptest::versionFails} {
        return -code error "no MATLAB"
    }
    return $::fptest::version
}
::fptest::clearSettings
)tcl";

constexpr const char* kRemoveProjectHost = R"tcl(
rename ::GetProjectOption {}
rename ::GetMatlabMajorVersionNumber {}
rename ::fptest::HostGetProjectOption ::GetProjectOption
rename ::fptest::HostGetMatlabMajorVersionNumber ::GetMatlabMajorVersionNumber
::fptest::clearSettings
namespace delete ::fptest
)tcl";

constexpr const char* kInstallMessageLog = R"tcl(
namespace eval ::fptestlog { variable calls {} }
rename ::Messaging::Message ::fptestlog::HostMessage
proc ::Messaging::Message {args} {
    lappend ::fptestlog::calls $args
    return [::fptestlog::HostMessage -dontsendtostream {*}$args]
}
proc ::fptestlog::record {i} {
    set record [dict create -severity {} -msgid {}]
    set words [lindex $::fptestlog::calls $i]
    while {[llength $words]} {
        set words [lassign $words word]
        if {$word eq "-dontsendtostream"} continue
        set words [lassign $words value]
        dict set record $word $value
    }
    return $record
}
)tcl";

constexpr const char* kRemoveMessageLog = R"tcl(
rename ::Messaging::Message {}
rename ::fptestlog::HostMessage ::Messaging::Message
namespace delete ::fptestlog
)tcl";

}  // namespace

ProjectHost::ProjectHost() {
  Tcl(kInstallProjectHost);
}

ProjectHost::~ProjectHost() {
  try {
    Tcl(kRemoveProjectHost);
  } catch (...) {
    // Leave the interpreter as it is; the next test reports the damage.
  }
}

void ProjectHost::Set(const std::string& name, const std::string& value) {
  Tcl("dict set ::fptest::answers " + Word(name) + " " + Word(value));
}

void ProjectHost::Fail(const std::string& name) {
  Tcl("lappend ::fptest::failing " + Word(name));
}

void ProjectHost::SetVersion(const std::string& version) {
  Tcl("set ::fptest::version " + Word(version) + "; set ::fptest::versionFails 0");
}

void ProjectHost::FailVersion() {
  Tcl("set ::fptest::versionFails 1");
}

int ProjectHost::Queries(const std::string& name) const {
  return std::stoi(Tcl("expr {[dict exists $::fptest::queries " + Word(name) +
                       "] ? [dict get $::fptest::queries " + Word(name) + "] : 0}"));
}

int ProjectHost::VersionQueries() const {
  return std::stoi(Tcl("set ::fptest::versionQueries"));
}

void ProjectHost::ResetCounts() {
  Tcl("set ::fptest::queries [dict create]; set ::fptest::versionQueries 0");
}

void ProjectHost::SetSetting(const std::string& key, bool on) {
  Tcl("set ::" + key + " " + (on ? "1" : "0"));
}

MessageLog::MessageLog() {
  Tcl(kInstallMessageLog);
}

MessageLog::~MessageLog() {
  try {
    Tcl(kRemoveMessageLog);
  } catch (...) {
  }
}

std::vector<LoggedMessage> MessageLog::Messages() const {
  std::vector<LoggedMessage> messages;
  const int count = std::stoi(Tcl("llength $::fptestlog::calls"));
  for (int i = 0; i < count; ++i) {
    const std::string record = Tcl("::fptestlog::record " + std::to_string(i));
    LoggedMessage m;
    m.severity = Tcl("dict get " + Word(record) + " -severity");
    m.msgId = Tcl("dict get " + Word(record) + " -msgid");
    m.hasFileInfo = Tcl("dict exists " + Word(record) + " -fileinfo") == "1";
    if (m.hasFileInfo) {
      m.fileInfo = ListElements(Tcl("dict get " + Word(record) + " -fileinfo"));
    }
    m.hasParams = Tcl("dict exists " + Word(record) + " -params") == "1";
    if (m.hasParams) {
      m.params = ListElements(Tcl("dict get " + Word(record) + " -params"));
    }
    messages.push_back(std::move(m));
  }
  return messages;
}

int MessageLog::Count(const std::string& msgId) const {
  int count = 0;
  for (const LoggedMessage& m : Messages()) {
    count += m.msgId == msgId ? 1 : 0;
  }
  return count;
}

void QuantizerHostTest::SetUp() {
  ForgetMatlabVersion();
  ForgetRoundWordWarning();
  RefreshProjectDefaults(true);
  host.ResetCounts();
}
