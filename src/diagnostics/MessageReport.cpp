#include "diagnostics/MessageReport.h"

#include <stdexcept>

#include "host/TclDataObj.h"

std::string ReportMessage(const char* severity, const char* msgId, const char* fileName, int line,
                          const CTclDataObj* params, bool sendToStream) {
  if (!msgId) {
    return {};
  }
  CTclEvalObj command("::Messaging::Message");
  if (!sendToStream) {
    command.AppendElement("-dontsendtostream");
  }
  command.AppendElement("-severity");
  command.AppendElement(severity);
  command.AppendElement("-msgid");
  command.AppendElement(msgId);
  if (fileName) {
    CTclDataObj fileInfo;
    fileInfo.MakeList();
    fileInfo.AppendElement(fileName);
    if (line != -1) {
      fileInfo.AppendElement(line);
    }
    command.AppendElement("-fileinfo");
    command.AppendElement(fileInfo);
  }
  if (params && params->GetNumElements() > 0) {
    // The host numbers parameters from 1: element 0 is always empty.
    CTclDataObj list;
    list.AppendElement("");
    const int count = params->GetNumElements();
    for (int i = 0; i < count; ++i) {
      list.AppendElement(params->GetElement(i).GetStringView());
    }
    command.AppendElement("-params");
    command.AppendElement(list);
  }
  command.Evaluate(false);
  return command.GetResult().GetStringValue();
}

namespace {

CTclDataObj OneParameter(const char* param) {
  CTclDataObj list("");
  list.AppendElement(param);
  return list;
}

}  // namespace

// Each severity in its four parameter forms; Emit is what happens after the
// message was built (return it, or throw it).
#define REPORTAPP_DEFINE_REPORTER(Name, Ret, Severity, Emit)                             \
  Ret Name(const char* msgId, const char* fileName, int line, const CTclDataObj* params, \
           bool sendToStream) {                                                          \
    Emit(ReportMessage(Severity, msgId, fileName, line, params, sendToStream));          \
  }                                                                                      \
  Ret Name(const char* msgId, const char* fileName, int line, const std::string& param,  \
           bool sendToStream) {                                                          \
    const CTclDataObj list = OneParameter(param.c_str());                                \
    Emit(ReportMessage(Severity, msgId, fileName, line, &list, sendToStream));           \
  }                                                                                      \
  Ret Name(const char* msgId, const char* fileName, int line, const char* param,         \
           bool sendToStream) {                                                          \
    const CTclDataObj list = OneParameter(param);                                        \
    Emit(ReportMessage(Severity, msgId, fileName, line, &list, sendToStream));           \
  }                                                                                      \
  Ret Name(const char* msgId, const char* fileName, int line, bool sendToStream) {       \
    const CTclDataObj none(0);                                                           \
    Emit(ReportMessage(Severity, msgId, fileName, line, &none, sendToStream));           \
  }

#define REPORTAPP_RETURN(text) return text
#define REPORTAPP_THROW(text) throw std::runtime_error(text)

REPORTAPP_DEFINE_REPORTER(ReportInfo, std::string, "info", REPORTAPP_RETURN)
REPORTAPP_DEFINE_REPORTER(ReportWarning, std::string, "warning", REPORTAPP_RETURN)
REPORTAPP_DEFINE_REPORTER(ReportDebug, std::string, "debug", REPORTAPP_RETURN)
REPORTAPP_DEFINE_REPORTER(ReportErrorAndContinue, std::string, "error_and_continue",
                          REPORTAPP_RETURN)
REPORTAPP_DEFINE_REPORTER(ReportError, void, "error", REPORTAPP_THROW)
