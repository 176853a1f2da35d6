// Feeds arbitrary option names and values through an option store and checks
// what it reports against a plain model of the same operations.
//
// Input: records of a flag byte, a name and a value (texts end at NUL bytes).
// The flag byte chooses add, set, reset or remove and the option's flags.
//
// Oracles: every value read back is the model's; the report list and every
// settings-script line are Tcl lists whose elements are exactly the store's
// name, the option's name and its value, whatever bytes they hold.
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "host/TclDataObj.h"
#include "options/Options.h"
#include "support/FuzzSupport.h"

namespace {

struct CModelOption {
  std::string value;
  std::string defaultValue;
  bool reportable = true;
  bool writeWhenEmpty = false;
  bool valueFirst = false;
  bool excluded = false;
};

std::vector<std::string> Elements(const std::string& list) {
  const CTclDataObj obj(list);
  std::vector<std::string> out;
  for (int i = 0; i < obj.GetNumElements(); ++i) {
    out.push_back(obj.GetElement(i).GetStringValue());
  }
  return out;
}

void CheckLine(const COptions& store, const std::string& name, const CModelOption& model,
               std::string_view input) {
  const std::string line = store.GetOption(name)->GetSettingsLine();
  if (!model.reportable || model.excluded || (model.value.empty() && !model.writeWhenEmpty)) {
    FuzzCheck(line.empty(), "an option not written has no settings line", input);
    return;
  }
  std::vector<std::string> expected{store.GetStoreName()};
  if (model.valueFirst && !model.value.empty()) {
    expected.push_back(model.value);
  }
  expected.push_back(name);
  if (!model.valueFirst && !model.value.empty()) {
    expected.push_back(model.value);
  }
  FuzzCheck(Elements(line) == expected, "settings line reads back: " + line, input);
  FuzzCheck(Tcl_CommandComplete(line.c_str()) != 0, "settings line is one command", input);
}

void CheckStore(const COptions& store, const std::map<std::string, CModelOption>& model,
                std::string_view input) {
  CTclDataObj report;
  report.MakeList();
  store.AppendReportList(report);
  std::size_t reported = 0;
  for (const auto& [name, option] : model) {
    FuzzCheck(store.HasOption(name), "option kept", input);
    FuzzCheck(store.GetOptionValue(name) == option.value, "value read back", input);
    CheckLine(store, name, option, input);
    if (option.reportable) {
      const std::vector<std::string> pair =
          Elements(report.GetElement(static_cast<int>(reported)).GetStringValue());
      FuzzCheck(pair.size() == 2 && pair[0] == name && pair[1] == option.value, "report list pair",
                input);
      ++reported;
    }
  }
  FuzzCheck(report.GetNumElements() == static_cast<int>(reported), "report list length", input);
  std::string script;
  store.AppendSettingsScript(script);
  FuzzCheck(Tcl_CommandComplete(script.c_str()) != 0, "settings script is complete", input);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzInterp();
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  CFuzzFields fields(data, size);
  COptions store("Fuzz_Options");
  std::map<std::string, CModelOption> model;
  for (int step = 0; step < 32 && !fields.Empty(); ++step) {
    const std::uint8_t flags = fields.Byte();
    const std::string name(fields.Text());
    const std::string value(fields.Text());
    switch (flags & 3) {
      case 0: {
        CModelOption option;
        option.reportable = (flags & 4) == 0;
        option.writeWhenEmpty = (flags & 8) != 0;
        option.valueFirst = (flags & 16) != 0;
        option.excluded = (flags & 32) != 0;
        option.defaultValue = option.value = value;
        const bool added =
            store.AddOption(name, value.c_str(), option.reportable, option.writeWhenEmpty,
                            option.valueFirst, option.excluded, "fuzzed");
        FuzzCheck(added == (model.count(name) == 0), "AddOption adds new names only", input);
        model.emplace(name, option);
        break;
      }
      case 1:
        store.SetOptionValue(name, value, true);
        if (auto it = model.find(name); it != model.end()) {
          it->second.value = value;
        }
        break;
      case 2:
        store.ResetOption(name);
        if (auto it = model.find(name); it != model.end()) {
          it->second.value = it->second.defaultValue;
        }
        break;
      default:
        store.RemoveOption(name, nullptr, true);
        model.erase(name);
        break;
    }
  }
  CheckStore(store, model, input);
  return 0;
}
