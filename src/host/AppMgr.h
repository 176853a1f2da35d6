// The application-manager framework as the plug-in sees it: applications,
// their commands and switches, parsed arguments, and plain host messages.
//
// Every declared command becomes one Tcl command in the bound interpreter
// (HostInterp.h). The dispatcher parses the words against the declared
// switches, calls the handler and maps its status to a Tcl result.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "host/TclDataObj.h"

enum TAppStatus { kAppOk = 1, kAppError = 2, kAppFailed = 3 };

enum TMsgType { kMsgInfo = 0, kMsgWarning = 1, kMsgError = 2 };

class CAppCommand;

// One declared switch of a command.
class CCmdParameter {
 public:
  enum class Kind { kString, kBoolean };

  CCmdParameter(Kind kind, std::string switchName, std::string valueName, std::string description,
                std::string defaultValue);

  const std::string& GetSwitchName() const { return switchName_; }  // with its leading "-"
  const std::string& GetValueName() const { return valueName_; }
  const std::string& GetDescription() const { return description_; }
  const std::string& GetDefault() const { return defaultValue_; }
  bool IsBoolean() const { return kind_ == Kind::kBoolean; }
  bool IsHidden() const { return hidden_; }
  void SetIsHidden(bool hidden) { hidden_ = hidden; }

 private:
  Kind kind_;
  std::string switchName_;
  std::string valueName_;
  std::string description_;
  std::string defaultValue_;
  bool hidden_ = false;
};

// One switch as it was used: the switch's parameter and its value word ("1"
// for a boolean switch).
class CCmdArgument : public CTclDataObj {
 public:
  CCmdArgument(const CCmdParameter* parameter, Tcl_Obj* value)
      : CTclDataObj(value), parameter_(parameter) {}
  const CCmdParameter* GetParameter() const { return parameter_; }

 private:
  const CCmdParameter* parameter_;
};

// The switches of one command call, in command-line order.
class CCmdArguments {
 public:
  int GetNumArgs() const { return static_cast<int>(args_.size()); }
  CCmdArgument* GetArg(int i);  // null when out of range
  // The last use of the switch, or null when it was not given.
  CCmdArgument* Find(std::string_view switchName);
  void Add(const CCmdParameter* parameter, Tcl_Obj* value) { args_.emplace_back(parameter, value); }
  void Reserve(std::size_t n) { args_.reserve(n); }

 private:
  std::vector<CCmdArgument> args_;
};

// Base of a plug-in's callback object; its members are the command handlers.
class CKorvelAppCallBack {
 public:
  CKorvelAppCallBack() = default;
  CKorvelAppCallBack(const CKorvelAppCallBack&) = delete;
  CKorvelAppCallBack& operator=(const CKorvelAppCallBack&) = delete;
  virtual ~CKorvelAppCallBack() = default;
};

using THandler = std::function<TAppStatus(CCmdArguments*, CTclResultObj*)>;

class CAppCommand {
 public:
  CAppCommand(std::string name, std::string description, THandler handler);

  void SetIsGlobalCommand() { global_ = true; }
  void SetNotGlobalCommand() { global_ = false; }
  bool IsGlobalCommand() const { return global_; }

  // The flags are accepted for the framework's signature and not interpreted.
  CCmdParameter* NewStringParameter(const std::string& switchName, const std::string& valueName,
                                    const std::string& description, bool required, bool flag2,
                                    const std::string& defaultValue);
  CCmdParameter* NewBooleanParameter(const std::string& switchName, const std::string& description,
                                     bool required, bool flag2, bool flag3);
  // Publishes a parameter made by NewStringParameter/NewBooleanParameter.
  void AddParameter(CCmdParameter* parameter);

  const std::string& GetName() const { return name_; }
  const std::string& GetDescription() const { return description_; }
  const std::vector<CCmdParameter*>& GetParameters() const { return published_; }
  const CCmdParameter* FindParameter(std::string_view switchName) const;
  std::string Usage() const;  // the -help text: visible switches only

  // Runs the handler; every exception becomes a Tcl error. Used by the dispatcher.
  int Invoke(Tcl_Interp* interp, int objc, Tcl_Obj* const objv[]);

 private:
  int ParseWords(Tcl_Interp* interp, int objc, Tcl_Obj* const objv[], CCmdArguments& args);
  // The published switch the word names; their count for "-help", more when
  // it names none.
  std::size_t SwitchIndex(Tcl_Obj* word) const;

  std::string name_;
  std::string description_;
  THandler handler_;
  bool global_ = false;
  std::vector<std::unique_ptr<CCmdParameter>> owned_;
  std::vector<CCmdParameter*> published_;
};

class CKorvelApp {
 public:
  CKorvelApp(CKorvelAppCallBack* callback, std::string name, std::string description);

  // handler is a member of the callback object's class.
  template <class T>
  CAppCommand* AddCommand(const std::string& name, const std::string& description,
                          TAppStatus (T::*handler)(CCmdArguments*, CTclResultObj*)) {
    T* target = static_cast<T*>(callback_);
    return AddCommand(name, description, [target, handler](CCmdArguments* a, CTclResultObj* r) {
      return (target->*handler)(a, r);
    });
  }
  CAppCommand* AddCommand(const std::string& name, const std::string& description,
                          THandler handler);

  const std::string& GetName() const { return name_; }
  const std::vector<std::unique_ptr<CAppCommand>>& GetCommands() const { return commands_; }

 private:
  CKorvelAppCallBack* callback_;
  std::string name_;
  std::string description_;
  std::vector<std::unique_ptr<CAppCommand>> commands_;
};

using TMessageSink = std::function<void(TMsgType, const std::string&)>;

class CAppMgr {
 public:
  // The manager keeps the application as long as the bound interpreter (or,
  // with none bound, the calling thread).
  static CKorvelApp* NewApp(CKorvelAppCallBack* callback, const std::string& name,
                            const std::string& description, bool flag1, const char* helpFile,
                            bool flag2);
  // Creates one Tcl command per declared command in the bound interpreter.
  // False when no interpreter is bound or a command cannot be created.
  static bool RegisterCommands(CKorvelApp* app);

  // Plain un-numbered message: info to the interpreter's stdout channel,
  // warnings and errors to its stderr channel (a line end is added when missing).
  static void SendMsg(TMsgType type, const std::string& text);
  // The first half of SendMsg: hands the message to the C++ sink or to the
  // script hook ::ReportApp::messageCommand, whichever is set (the sink
  // first). False when neither is, and nothing was sent.
  static bool SendToHook(TMsgType type, const std::string& text);
  // Replaces where the calling thread's messages go (tests, workers); an
  // empty sink restores the channels. Returns the sink that was in place.
  static TMessageSink SetMessageSink(TMessageSink sink);
};
