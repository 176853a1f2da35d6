#include "verify/GenerateVerifyReport.h"

// Replaced by the report writer; until then the command says so plainly.
TAppStatus RunGenerateVerifyReport(CCmdArguments*, CTclResultObj* result) {
  result->MakeList();
  result->AppendElement("GenerateVerifyReport is not available in this build");
  return kAppError;
}
