#include "verify/GenerateVerifyReport.h"

#include <stdexcept>
#include <string>
#include <vector>

#include "host/TclListText.h"
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
  if (!files.ReadsSafelyAsList()) {
    const std::string_view text = files.GetStringView();
    throw std::runtime_error(
        "-timingfiles: the text has a backslash before bytes that are not UTF-8 (at byte " +
        std::to_string(*BackslashBeforeNonUtf8(text)) +
        "), which Tcl's list reading cannot take; give the file names as a list, for "
        "example with [list ...]");
  }
  if (files.GetNumElements() == 0 &&
      files.GetStringView().find_first_not_of(" \t\n\r\v\f") != std::string_view::npos) {
    throw std::runtime_error("-timingfiles \"" + files.GetStringValue() +
                             "\" is not a well-formed Tcl list");
  }
  return files;
}

// Two files of one call that map to one report name: the later report
// replaces the earlier one, as it always has; the warning names both files.
void WarnOfReportCollisions(const CVerifyReportRun& run, const std::vector<std::string>& paths) {
  for (const auto& [earlier, later] : run.ReportCollisions(paths)) {
    CAppMgr::SendMsg(kMsgWarning, "timing files \"" + paths[earlier] + "\" and \"" + paths[later] +
                                      "\" both have the report \"" +
                                      run.ReportPathFor(paths[later]) +
                                      "\"; the report of the later one is kept");
  }
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
    std::vector<std::string> paths;
    for (int i = 0; i < files.GetNumElements(); ++i) {
      paths.push_back(files.GetElement(i).GetStringValue());
    }
    WarnOfReportCollisions(run, paths);
    for (const std::string& path : paths) {
      run.RunFile(path);
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
