// Named stores of text-valued options.
//
// A store declares each option as a switch on a pair of host commands (one
// sets, one gets), keeps the option's value, default, flags and the time it
// was last set, and renders the options as a list of name/value pairs or as a
// settings script whose lines start with the store's name. A store whose name
// contains "SetDirective" or "SetProjectOption" tells the design flow about
// every change.
#pragma once

#include <list>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>

class CAppCommand;
class CTclDataObj;

class COptionRecord {
 public:
  const std::string& GetName() const { return name; }
  void SetName(const std::string& text) { name = text; }
  const std::string& GetValue() const { return value; }
  void SetValue(std::string_view text) { value.assign(text); }
  double GetSetTime() const { return setTime; }
  bool IsSet() const { return isSet; }
  bool IsWarned() const { return warned; }
  const std::string& GetDescription() const { return description; }
  const std::string& GetDefaultValue() const { return defaultValue; }
  bool IsExcluded() const { return excluded; }
  bool IsReportable() const { return reportable; }

  void ResetToDefault();
  // A null text keeps the default; either way the default becomes the value.
  void SetDefault(const char* text);
  // The settings-script line, or "" when this option is not written.
  std::string GetSettingsLine() const;

 private:
  friend class COptions;
  COptionRecord(std::string_view name, const char* defaultValue, std::string owner,
                std::string description, bool reportable, bool writeWhenEmpty, bool valueFirst,
                bool excluded);

  double setTime = 0.0;
  std::string name;
  std::string value;
  std::string ownerName;
  std::string defaultValue;
  std::string description;
  bool excluded = false;
  bool warned = false;
  bool hasDefault = false;
  bool isSet = false;
  bool reportable = true;
  bool writeWhenEmpty = false;
  bool valueFirst = false;
};

class COptions {
 public:
  explicit COptions(const std::string& storeName);
  COptions(const COptions&) = delete;
  COptions& operator=(const COptions&) = delete;
  virtual ~COptions();

  virtual bool Clear();
  virtual void AppendReportList(CTclDataObj& out) const;
  virtual void AppendSettingsScript(std::string& out) const;

  bool HasOption(std::string_view name) const { return options.count(name) != 0; }
  COptionRecord* GetOption(std::string_view name) const;
  std::string GetOptionValue(std::string_view name) const;
  // The value without a copy; "" when absent. Valid until the option changes.
  std::string_view GetOptionValueView(std::string_view name) const;
  std::string GetOptionDescription(std::string_view name) const;
  bool IsOptionSet(std::string_view name) const;
  bool IsOptionExcluded(std::string_view name) const;

  bool AddOption(std::string_view name, const char* defaultValue, bool reportable,
                 bool writeWhenEmpty, bool valueFirst, bool excluded,
                 const std::string& description);
  void AddOptionWithValue(std::string_view name, const char* value, const char* projectName,
                          bool reportable, bool writeWhenEmpty, bool valueFirst, bool excluded,
                          const std::string& description, bool quiet);
  void SetOptionValue(std::string_view name, std::string_view value, bool quiet);
  int ResetOption(std::string_view name);
  int ResetAllOptions();
  int RemoveOption(const std::string& name, const char* projectName, bool quiet);

  double GetLastChangeTime() const { return lastChangeTime; }
  void TouchLastChangeTime();

  void HideOption(const std::string& name);
  bool IsOptionHidden(const std::string& name) const;
  void GetHiddenOptionNames(std::list<std::string>& out) const;

  // Declares the option `-key` and its switch on both commands.
  void AddInfoOption(CAppCommand* setCommand, CAppCommand* getCommand, const std::string& key,
                     const char* defaultValue, bool reportable, bool writeWhenEmpty,
                     bool valueFirst, bool booleanSwitch, const char* description,
                     const char* getHelp, const char* setHelp);

  // The flow's one-time warning per option, and its reset.
  int WarnOptionOnce(const std::string& name);
  int ClearOptionWarning(const std::string& name);
  int ClearAllWarnings();

  const std::string& GetStoreName() const { return storeName; }
  bool MirrorsToProject() const { return mirrorToProject; }

 private:
  COptionRecord* StoreValue(std::string_view name, std::string_view value);

  std::map<std::string, std::unique_ptr<COptionRecord>, std::less<>> options;
  std::set<std::string, std::less<>> hiddenNames;
  double lastChangeTime = 0.0;
  std::string storeName;
  bool mirrorToProject = false;
};
