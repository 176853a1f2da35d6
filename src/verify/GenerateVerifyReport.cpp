#include "verify/GenerateVerifyReport.h"

#include <stdexcept>
#include <string>

#include "verify/VerifyReportRun.h"

namespace {

// The -timingfiles list; a text that is not a well-formed list is an error
// rather than quietly no files at all.
CTclDataObj TimingFileList(CCmdArguments* args) {
  const CCmdArgument* given = args != nullptr ? args->Find("-timingfiles") : nullptr;
  if (given == nullptr) {
    return CTclDataObj("");
  }
  const CTclDataObj files(*given);
  if (files.GetNumElements() == 0 &&
      files.GetStringView().find_first_not_of(" \t\n\r\v\f") != std::string_view::npos) {
    throw std::runtime_error("-timingfiles \"" + files.GetStringValue() +
                             "\" is not a well-formed Tcl list");
  }
  return files;
}

}  // namespace

TAppStatus RunGenerateVerifyReport(CCmdArguments* args, CTclResultObj* result) {
  try {
    const CTclDataObj files = TimingFileList(args);
    CVerifySettings settings = ReadProjectSettings();
    settings.gateLevel = args != nullptr && args->Find("-impl") != nullptr;

    CVerifyHooks hooks;
    hooks.warn = [](const std::string& message) { CAppMgr::SendMsg(kMsgWarning, message); };
    CVerifyReportRun run(settings, hooks);
    for (int i = 0; i < files.GetNumElements(); ++i) {
      run.RunFile(files.GetElement(i).GetStringValue());
    }

    // The three integers are the elements of the command's result, so a
    // script reads them with lassign rather than unwrapping a nested list.
    result->MakeList();
    result->AppendElement(run.Figures().latency);
    result->AppendElement(run.Figures().maxClocks);
    result->AppendElement(run.Figures().minClocks);
    return kAppOk;
  } catch (const std::runtime_error& e) {
    result->MakeList();
    result->AppendElement(e.what());
    return kAppError;
  }
}
