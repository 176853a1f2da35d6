#include "options/Options.h"

#include "diagnostics/Clock.h"
#include "diagnostics/MessageReport.h"
#include "host/AppMgr.h"
#include "host/TclDataObj.h"
#include "options/ProjectForwarding.h"

namespace {

std::string_view WithoutDash(std::string_view name) {
  if (!name.empty() && name.front() == '-') {
    name.remove_prefix(1);
  }
  return name;
}

bool NamesProjectStore(const std::string& storeName) {
  return storeName.find("SetDirective") != std::string::npos ||
         storeName.find("SetProjectOption") != std::string::npos;
}

}  // namespace

// --- COptionRecord -----------------------------------------------------------

COptionRecord::COptionRecord(std::string_view optionName, const char* defaultText,
                             std::string owner, std::string text, bool isReportable, bool whenEmpty,
                             bool first, bool isExcluded)
    : name(optionName),
      value(defaultText ? defaultText : ""),
      ownerName(std::move(owner)),
      defaultValue(defaultText ? defaultText : ""),
      description(std::move(text)),
      excluded(isExcluded),
      hasDefault(defaultText != nullptr),
      isSet(defaultText != nullptr),
      reportable(isReportable),
      writeWhenEmpty(whenEmpty),
      valueFirst(first) {}

void COptionRecord::ResetToDefault() {
  value = defaultValue;
  isSet = hasDefault;
}

void COptionRecord::SetDefault(const char* text) {
  if (text) {
    defaultValue = text;
    hasDefault = true;
    isSet = true;
  }
  value = defaultValue;
}

std::string COptionRecord::GetSettingsLine() const {
  if (!reportable || excluded || (value.empty() && !writeWhenEmpty)) {
    return {};
  }
  CTclDataObj line;
  line.MakeList();
  line.AppendElement(ownerName);
  if (valueFirst) {
    if (!value.empty()) {
      line.AppendElement(value);
    }
    line.AppendElement(name);
  } else {
    line.AppendElement(name);
    if (!value.empty()) {
      line.AppendElement(value);
    }
  }
  return line.GetStringValue();
}

// --- COptions ----------------------------------------------------------------

COptions::COptions(const std::string& name)
    : storeName(name), mirrorToProject(NamesProjectStore(name)) {}

COptions::~COptions() = default;

bool COptions::Clear() {
  options.clear();
  return true;
}

void COptions::AppendReportList(CTclDataObj& out) const {
  for (const auto& [name, record] : options) {
    if (!record->reportable) {
      continue;
    }
    CTclDataObj pair;
    pair.MakeList();
    pair.AppendElement(record->name);
    pair.AppendElement(record->value);
    out.AppendElement(pair);
  }
}

void COptions::AppendSettingsScript(std::string& out) const {
  for (const auto& entry : options) {
    const std::string line = entry.second->GetSettingsLine();
    if (!line.empty()) {
      out += line;
      out += '\n';
    }
  }
}

COptionRecord* COptions::GetOption(std::string_view name) const {
  const auto it = options.find(name);
  return it == options.end() ? nullptr : it->second.get();
}

std::string COptions::GetOptionValue(std::string_view name) const {
  return std::string(GetOptionValueView(name));
}

std::string_view COptions::GetOptionValueView(std::string_view name) const {
  const COptionRecord* record = GetOption(name);
  return record ? std::string_view(record->value) : std::string_view();
}

std::string COptions::GetOptionDescription(std::string_view name) const {
  const COptionRecord* record = GetOption(name);
  return record ? record->description : std::string();
}

bool COptions::IsOptionSet(std::string_view name) const {
  const COptionRecord* record = GetOption(name);
  return record && record->isSet;
}

bool COptions::IsOptionExcluded(std::string_view name) const {
  const COptionRecord* record = GetOption(name);
  return record && record->excluded;
}

bool COptions::AddOption(std::string_view name, const char* defaultValue, bool reportable,
                         bool writeWhenEmpty, bool valueFirst, bool excluded,
                         const std::string& description) {
  if (HasOption(name)) {
    return false;
  }
  std::unique_ptr<COptionRecord> record(new COptionRecord(name, defaultValue, storeName,
                                                          description, reportable, writeWhenEmpty,
                                                          valueFirst, excluded));
  options.emplace(std::string(name), std::move(record));
  return true;
}

COptionRecord* COptions::StoreValue(std::string_view name, std::string_view value) {
  COptionRecord* record = GetOption(name);
  if (!record) {
    return nullptr;
  }
  record->isSet = true;
  record->value.assign(value);
  record->setTime = WallClockMs();
  lastChangeTime = record->setTime;
  return record;
}

void COptions::AddOptionWithValue(std::string_view name, const char* value, const char* projectName,
                                  bool reportable, bool writeWhenEmpty, bool valueFirst,
                                  bool excluded, const std::string& description, bool quiet) {
  AddOption(name, value, reportable, writeWhenEmpty, valueFirst, excluded, description);
  StoreValue(name, value ? value : "");
  if (!excluded && !quiet) {
    ForwardOptionToProject(projectName, false);
  }
}

void COptions::SetOptionValue(std::string_view name, std::string_view value, bool quiet) {
  if (!StoreValue(name, value)) {
    return;
  }
  if (mirrorToProject && !quiet) {
    const std::string key(name);
    ForwardOptionToProject(key.c_str(), false);
  }
}

int COptions::ResetOption(std::string_view name) {
  if (COptionRecord* record = GetOption(name)) {
    record->ResetToDefault();
  }
  return 1;
}

int COptions::ResetAllOptions() {
  for (auto& entry : options) {
    entry.second->ResetToDefault();
  }
  return 1;
}

int COptions::RemoveOption(const std::string& name, const char* projectName, bool quiet) {
  const auto it = options.find(name);
  if (it == options.end()) {
    return 3;
  }
  options.erase(it);
  if (mirrorToProject && !quiet) {
    ForwardOptionToProject(projectName, false);
  }
  return 1;
}

void COptions::TouchLastChangeTime() {
  lastChangeTime = WallClockMs();
}

void COptions::HideOption(const std::string& name) {
  if (!name.empty()) {
    hiddenNames.emplace(WithoutDash(name));
  }
}

bool COptions::IsOptionHidden(const std::string& name) const {
  return !name.empty() && hiddenNames.count(WithoutDash(name)) != 0;
}

void COptions::GetHiddenOptionNames(std::list<std::string>& out) const {
  out.insert(out.end(), hiddenNames.begin(), hiddenNames.end());
}

void COptions::AddInfoOption(CAppCommand* setCommand, CAppCommand* getCommand,
                             const std::string& key, const char* defaultValue, bool reportable,
                             bool writeWhenEmpty, bool valueFirst, bool booleanSwitch,
                             const char* description, const char* getHelp, const char* setHelp) {
  const std::string switchName = "-" + key;
  const bool hidden = IsOptionHidden(switchName);
  const std::string getText =
      getHelp ? getHelp : (description ? "Get " + std::string(description) : std::string());
  const std::string setText =
      setHelp ? setHelp : (description ? "Set " + std::string(description) : std::string());
  // A key declared before keeps its record.
  if (!hidden) {
    AddOption(switchName, defaultValue, reportable, writeWhenEmpty, valueFirst, false, "");
  }
  // Each command gets the switch once however often the key is declared; a
  // new application's commands do not have it yet.
  const bool hide = hidden || !reportable;
  if (!setCommand->FindParameter(switchName)) {
    CCmdParameter* setSwitch =
        booleanSwitch ? setCommand->NewBooleanParameter(switchName, setText, false, false, false)
                      : setCommand->NewStringParameter(switchName, key, setText, false, false, "");
    setSwitch->SetIsHidden(hide);
    setCommand->AddParameter(setSwitch);
  }
  if (!getCommand->FindParameter(switchName)) {
    CCmdParameter* getSwitch =
        getCommand->NewBooleanParameter(switchName, getText, false, false, false);
    getSwitch->SetIsHidden(hide);
    getCommand->AddParameter(getSwitch);
  }
}

int COptions::WarnOptionOnce(const std::string& name) {
  COptionRecord* record = GetOption(name);
  if (!record || record->warned) {
    return 1;
  }
  record->warned = true;
  ReportWarning("DIR-0005", "", -1, name.c_str(), true);
  return 1;
}

int COptions::ClearOptionWarning(const std::string& name) {
  if (COptionRecord* record = GetOption(name)) {
    record->warned = false;
  }
  return 1;
}

int COptions::ClearAllWarnings() {
  for (auto& entry : options) {
    entry.second->warned = false;
  }
  return 1;
}
