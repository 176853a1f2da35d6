#include "host/AppMgr.h"

#include <algorithm>
#include <exception>
#include <iostream>
#include <utility>

#include "host/HostInterp.h"

namespace {

constexpr const char* kHelpSwitch = "-help";

// The applications of one interpreter (or of a thread without one); they
// live as long as the interpreter, whose commands refer to them.
struct Applications {
  std::vector<std::unique_ptr<CKorvelApp>> apps;
};

// Where this thread's messages go when a sink replaces the channels.
thread_local TMessageSink messageSink;

void SetError(Tcl_Interp* interp, const std::string& message, const char* code,
              const std::string& detail) {
  Tcl_SetObjResult(interp, Tcl_NewStringObj(message.data(), static_cast<int>(message.size())));
  Tcl_SetErrorCode(interp, "REPORTAPP", code, detail.c_str(), nullptr);
}

int DispatchCommand(ClientData data, Tcl_Interp* interp, int objc, Tcl_Obj* const objv[]) {
  return static_cast<CAppCommand*>(data)->Invoke(interp, objc, objv);
}

// The text a failed handler leaves: a one-element list is the message itself.
std::string FailureMessage(const CTclResultObj& result) {
  if (result.GetNumElements() == 1) {
    return result.GetElement(0).GetStringValue();
  }
  return result.GetStringValue();
}

const char* SeverityWord(TMsgType type) {
  switch (type) {
    case kMsgInfo:
      return "info";
    case kMsgWarning:
      return "warning";
    default:
      return "error";
  }
}

// A script can take the messages over: ::ReportApp::messageCommand holds a
// command prefix that receives the severity word and the text.
bool SendToScriptHook(Tcl_Interp* interp, TMsgType type, const std::string& text) {
  Tcl_Obj* prefix = Tcl_GetVar2Ex(interp, "::ReportApp::messageCommand", nullptr, TCL_GLOBAL_ONLY);
  int length = 0;
  if (!prefix || Tcl_ListObjLength(nullptr, prefix, &length) != TCL_OK || length == 0) {
    return false;
  }
  CTclEvalObj command(std::string_view(Tcl_GetString(prefix)));
  command.AppendElement(SeverityWord(type));
  command.AppendElement(text);
  command.Evaluate(true);
  return true;
}

}  // namespace

// --- parameters and arguments -----------------------------------------------

CCmdParameter::CCmdParameter(Kind kind, std::string switchName, std::string valueName,
                             std::string description, std::string defaultValue)
    : kind_(kind),
      switchName_(std::move(switchName)),
      valueName_(std::move(valueName)),
      description_(std::move(description)),
      defaultValue_(std::move(defaultValue)) {}

CCmdArgument* CCmdArguments::GetArg(int i) {
  if (i < 0 || i >= GetNumArgs()) {
    return nullptr;
  }
  return &args_[static_cast<std::size_t>(i)];
}

CCmdArgument* CCmdArguments::Find(std::string_view switchName) {
  for (auto it = args_.rbegin(); it != args_.rend(); ++it) {
    if (it->GetParameter()->GetSwitchName() == switchName) {
      return &*it;
    }
  }
  return nullptr;
}

// --- commands ---------------------------------------------------------------

CAppCommand::CAppCommand(std::string name, std::string description, THandler handler)
    : name_(std::move(name)), description_(std::move(description)), handler_(std::move(handler)) {}

CCmdParameter* CAppCommand::NewStringParameter(const std::string& switchName,
                                               const std::string& valueName,
                                               const std::string& description, bool, bool,
                                               const std::string& defaultValue) {
  owned_.push_back(std::make_unique<CCmdParameter>(CCmdParameter::Kind::kString, switchName,
                                                   valueName, description, defaultValue));
  return owned_.back().get();
}

CCmdParameter* CAppCommand::NewBooleanParameter(const std::string& switchName,
                                                const std::string& description, bool, bool, bool) {
  owned_.push_back(std::make_unique<CCmdParameter>(CCmdParameter::Kind::kBoolean, switchName, "",
                                                   description, ""));
  return owned_.back().get();
}

void CAppCommand::AddParameter(CCmdParameter* parameter) {
  const bool ours = std::any_of(owned_.begin(), owned_.end(),
                                [parameter](const auto& p) { return p.get() == parameter; });
  if (!ours || std::find(published_.begin(), published_.end(), parameter) != published_.end()) {
    return;
  }
  published_.push_back(parameter);
}

std::size_t CAppCommand::SwitchIndex(Tcl_Obj* word) const {
  // An exact match by plain comparison: Tcl's index cache keys on a table's
  // address, which a later interpreter's command may reuse once this one's is
  // freed, so it is not used.
  int length = 0;
  const char* text = Tcl_GetStringFromObj(word, &length);
  const std::string_view name(text, static_cast<std::size_t>(length));
  for (std::size_t i = 0; i < published_.size(); ++i) {
    if (published_[i]->GetSwitchName() == name) {
      return i;
    }
  }
  return name == kHelpSwitch ? published_.size() : published_.size() + 1;
}

const CCmdParameter* CAppCommand::FindParameter(std::string_view switchName) const {
  for (const CCmdParameter* p : published_) {
    if (p->GetSwitchName() == switchName) {
      return p;
    }
  }
  return nullptr;
}

std::string CAppCommand::Usage() const {
  std::string text = "Usage: " + name_ + " ?switches?\n" + description_ + "\n";
  auto line = [&text](const std::string& left, const std::string& help) {
    text += "  " + left;
    text.append(left.size() < 30 ? 30 - left.size() : 1, ' ');
    text += help + "\n";
  };
  for (const CCmdParameter* p : published_) {
    if (p->IsHidden()) {
      continue;
    }
    std::string left = p->GetSwitchName();
    if (!p->IsBoolean()) {
      left += " <" + p->GetValueName() + ">";
    }
    std::string help = p->GetDescription();
    if (!p->IsBoolean() && !p->GetDefault().empty()) {
      help += " (default \"" + p->GetDefault() + "\")";
    }
    line(left, help);
  }
  if (!FindParameter(kHelpSwitch)) {
    line(kHelpSwitch, "Prints this usage text.");
  }
  return text;
}

int CAppCommand::ParseWords(Tcl_Interp* interp, int objc, Tcl_Obj* const objv[],
                            CCmdArguments& args) {
  const std::size_t helpIndex = published_.size();
  args.Reserve(static_cast<std::size_t>(objc));
  for (int i = 1; i < objc; ++i) {
    const std::size_t index = SwitchIndex(objv[i]);
    if (index > helpIndex) {
      std::string message = "bad option \"" + std::string(Tcl_GetString(objv[i])) + "\": must be ";
      std::vector<std::string> names;
      for (const CCmdParameter* p : published_) {
        if (!p->IsHidden()) {
          names.push_back(p->GetSwitchName());
        }
      }
      names.emplace_back(kHelpSwitch);
      for (std::size_t n = 0; n < names.size(); ++n) {
        message += (n == 0 ? "" : (n + 1 == names.size() ? (n == 1 ? " or " : ", or ") : ", "));
        message += names[n];
      }
      SetError(interp, message, "BADOPTION", Tcl_GetString(objv[i]));
      return TCL_ERROR;
    }
    if (index == helpIndex) {
      const std::string usage = Usage();
      Tcl_SetObjResult(interp, Tcl_NewStringObj(usage.data(), static_cast<int>(usage.size())));
      return TCL_BREAK;
    }
    const CCmdParameter* parameter = published_[index];
    if (parameter->IsBoolean()) {
      args.Add(parameter, Tcl_NewIntObj(1));
    } else if (i + 1 < objc) {
      args.Add(parameter, objv[++i]);
    } else {
      SetError(interp, "missing value for \"" + parameter->GetSwitchName() + "\"", "MISSINGVALUE",
               parameter->GetSwitchName());
      return TCL_ERROR;
    }
  }
  return TCL_OK;
}

int CAppCommand::Invoke(Tcl_Interp* interp, int objc, Tcl_Obj* const objv[]) {
  CScopedHostInterp caller(interp);
  CCmdArguments args;
  const int parsed = ParseWords(interp, objc, objv, args);
  if (parsed == TCL_BREAK) {
    return TCL_OK;  // -help: the usage text is the result
  }
  if (parsed != TCL_OK) {
    return TCL_ERROR;
  }
  CTclResultObj result;
  TAppStatus status = kAppFailed;
  try {
    status = handler_(&args, &result);
  } catch (const std::exception& e) {
    const std::string what = e.what();
    SetError(interp, what.empty() ? name_ + " failed" : what, "EXCEPTION", name_);
    return TCL_ERROR;
  } catch (...) {
    SetError(interp, name_ + " failed with an unknown exception", "EXCEPTION", name_);
    return TCL_ERROR;
  }
  if (status == kAppOk) {
    Tcl_SetObjResult(interp, result.GetObj());
    return TCL_OK;
  }
  std::string message = FailureMessage(result);
  if (message.empty()) {
    message = name_ + " failed";
  }
  SetError(interp, message, status == kAppError ? "ERROR" : "FAILED", name_);
  return TCL_ERROR;
}

// --- applications -----------------------------------------------------------

CKorvelApp::CKorvelApp(CKorvelAppCallBack* callback, std::string name, std::string description)
    : callback_(callback), name_(std::move(name)), description_(std::move(description)) {}

CAppCommand* CKorvelApp::AddCommand(const std::string& name, const std::string& description,
                                    THandler handler) {
  commands_.push_back(std::make_unique<CAppCommand>(name, description, std::move(handler)));
  return commands_.back().get();
}

CKorvelApp* CAppMgr::NewApp(CKorvelAppCallBack* callback, const std::string& name,
                            const std::string& description, bool, const char*, bool) {
  auto& apps = GetInterpState().Get<Applications>().apps;
  apps.push_back(std::make_unique<CKorvelApp>(callback, name, description));
  return apps.back().get();
}

bool CAppMgr::RegisterCommands(CKorvelApp* app) {
  Tcl_Interp* interp = GetHostInterp();
  if (!app || !interp) {
    return false;
  }
  for (const auto& command : app->GetCommands()) {
    const std::string qualified = "::" + command->GetName();
    if (!Tcl_CreateObjCommand(interp, qualified.c_str(), DispatchCommand, command.get(), nullptr)) {
      return false;
    }
  }
  return true;
}

bool CAppMgr::SendToHook(TMsgType type, const std::string& text) {
  if (messageSink) {
    messageSink(type, text);
    return true;
  }
  Tcl_Interp* interp = GetHostInterp();
  return interp && SendToScriptHook(interp, type, text);
}

void CAppMgr::SendMsg(TMsgType type, const std::string& text) {
  if (SendToHook(type, text)) {
    return;
  }
  const bool lineEnd = !text.empty() && text.back() == '\n';
  Tcl_Interp* interp = GetHostInterp();
  Tcl_Channel channel =
      interp ? Tcl_GetChannel(interp, type == kMsgInfo ? "stdout" : "stderr", nullptr) : nullptr;
  if (!channel) {
    (type == kMsgInfo ? std::cout : std::cerr) << text << (lineEnd ? "" : "\n") << std::flush;
    return;
  }
  Tcl_WriteChars(channel, text.data(), static_cast<int>(text.size()));
  if (!lineEnd) {
    Tcl_WriteChars(channel, "\n", 1);
  }
  Tcl_Flush(channel);
}

TMessageSink CAppMgr::SetMessageSink(TMessageSink sink) {
  return std::exchange(messageSink, std::move(sink));
}
