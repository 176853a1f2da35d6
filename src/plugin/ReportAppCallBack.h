// The plug-in's callback object: its members are the command handlers, and
// it owns the five information sets.
#pragma once

#include <iosfwd>
#include <memory>

#include "host/AppMgr.h"
#include "options/Options.h"

class CReportAppCallBack : public CKorvelAppCallBack {
 public:
  CReportAppCallBack();
  ~CReportAppCallBack() override;

  TAppStatus Report(CCmdArguments* args, CTclResultObj* result);
  TAppStatus GenerateVerifyReport(CCmdArguments* args, CTclResultObj* result);

  TAppStatus SetFixedPointInfo(CCmdArguments* args, CTclResultObj* result);
  TAppStatus GetFixedPointInfo(CCmdArguments* args, CTclResultObj* result);
  TAppStatus SetRTLInfo(CCmdArguments* args, CTclResultObj* result);
  TAppStatus GetRTLInfo(CCmdArguments* args, CTclResultObj* result);
  TAppStatus SetSynthInfo(CCmdArguments* args, CTclResultObj* result);
  TAppStatus GetSynthInfo(CCmdArguments* args, CTclResultObj* result);
  TAppStatus SetGateInfo(CCmdArguments* args, CTclResultObj* result);
  TAppStatus GetGateInfo(CCmdArguments* args, CTclResultObj* result);
  TAppStatus SetVersionInfo(CCmdArguments* args, CTclResultObj* result);
  TAppStatus GetVersionInfo(CCmdArguments* args, CTclResultObj* result);

  // Writes the head of a verification report.
  void WriteReportHead(std::ostream& out);

  // Declares the twelve commands and the keys of the information sets.
  void DeclareCommands(CKorvelApp* app);

  std::unique_ptr<COptions> fixedPointInfo;
  std::unique_ptr<COptions> rtlInfo;
  std::unique_ptr<COptions> gateInfo;
  std::unique_ptr<COptions> synthInfo;
  std::unique_ptr<COptions> versionInfo;
};

// Stores every switch of the call that the store holds, left to right.
TAppStatus SetInfo(COptions& store, CCmdArguments* args);
// One list element per switch given that the store holds, in call order.
TAppStatus GetInfo(const COptions& store, CCmdArguments* args, CTclResultObj* result);
