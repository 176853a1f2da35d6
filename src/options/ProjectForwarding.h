// Telling the design flow about project options and directives.
#pragma once

// Evaluates `DesignFlowMgr::SetProjectOptionOrDirective -name <name>` (one
// leading "-" removed). A null or empty name does nothing. Unless quiet, a
// failed evaluation raises "COMMAND-0001", which throws.
void ForwardOptionToProject(const char* name, bool quiet);

// Evaluates `DesignFlowMgr::RegisterOptionInFlow -option <option> -stage
// <stage>`. Returns whether it succeeded; unless quiet, a failure raises
// "COMMAND-0001", which throws.
bool RegisterOptionInFlowStage(const char* option, const char* stage, bool quiet);
