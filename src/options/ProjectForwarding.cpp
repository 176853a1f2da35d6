#include "options/ProjectForwarding.h"

#include <string>

#include "diagnostics/MessageReport.h"
#include "host/TclDataObj.h"

void ForwardOptionToProject(const char* name, bool quiet) {
  if (!name || !*name) {
    return;
  }
  if (*name == '-') {
    ++name;
  }
  CTclEvalObj command("::DesignFlowMgr::SetProjectOptionOrDirective -name");
  command.AppendElement(name);
  const std::string text = command.GetStringValue();
  if (!command.Evaluate(false) && !quiet) {
    ReportError("COMMAND-0001", "", 0, text, true);
  }
}

bool RegisterOptionInFlowStage(const char* option, const char* stage, bool quiet) {
  CTclEvalObj command("::DesignFlowMgr::RegisterOptionInFlow");
  command.AppendElement("-option");
  command.AppendElement(option);
  command.AppendElement("-stage");
  command.AppendElement(stage);
  const bool ok = command.Evaluate(false);
  if (!ok && !quiet) {
    ReportError("COMMAND-0001", "", 0, command.GetStringValue(), true);
  }
  return ok;
}
