#include "summary/SummaryJson.h"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <optional>
#include <stdexcept>

using json = nlohmann::ordered_json;

namespace {

// An error in LSBs: a whole number as such while it fits, else as a real.
json LsbToJson(double value) {
  constexpr double kExactLimit = 9007199254740992.0;  // 2^53
  if (value == static_cast<double>(static_cast<std::int64_t>(value)) && value < kExactLimit &&
      value > -kExactLimit) {
    return static_cast<std::int64_t>(value);
  }
  return value;
}

json OptionalLsbToJson(const std::optional<double>& value) {
  return value ? LsbToJson(*value) : json(nullptr);
}

json DisagreementToJson(const CDisagreement& d) {
  json out = {{"line", d.line}, {"record", d.record},         {"clock", d.clock},
              {"pair", d.pair}, {"fixedPoint", d.fixedPoint}, {"rtl", d.rtl}};
  if (d.valueClass) {
    out["class"] = ValueClassName(*d.valueClass);
    out["errorLsb"] = OptionalLsbToJson(d.errorLsb);
  }
  return out;
}

// The eight class counts by their names, then the largest error.
json ClassCountsToJson(const CClassCounts& classes) {
  json out = json::object();
  for (const EValueClass c : kAllValueClasses) {
    out[std::string(ValueClassName(c))] = classes[c];
  }
  out["maxErrorLsb"] = OptionalLsbToJson(classes.maxErrorLsb);
  return out;
}

json DiagnosisToJson(const CFileDiagnosis& diagnosis) {
  json out = ClassCountsToJson(diagnosis.classes);
  out["unknownBits"] = diagnosis.unknownBits;
  out["errorBits"] = diagnosis.errorBits;
  return out;
}

json ChannelsToJson(const CFileDiagnosis& diagnosis) {
  json channels = json::array();
  for (const CChannelDiagnosis& channel : diagnosis.channels) {
    json entry = {{"pair", channel.pair}};
    if (channel.lastPair != channel.pair) {
      entry["lastPair"] = channel.lastPair;  // the positions summed into the last entry
    }
    entry["values"] = channel.values;
    entry["disagreeing"] = channel.disagreeing;
    entry["diagnosis"] = ClassCountsToJson(channel.classes);
    channels.push_back(std::move(entry));
  }
  return channels;
}

// The plot page and the index strip (one shade character per pixel), so that
// a merge of shards draws the same index.
json PlotToJson(const CFileResult& file) {
  const CPlotStrip& strip = file.plotStrip;
  return {{"page", file.plotPage},
          {"strip", strip.shades},
          {"firstDisagreementAt", strip.firstDisagreement},
          {"firstRecord", strip.firstRecord},
          {"lastRecord", strip.lastRecord}};
}

json FileToJson(const CFileResult& file) {
  const CClockFigures own = file.OwnFigures();
  json disagreements = json::array();
  for (const CDisagreement& d : file.firstDisagreements) {
    disagreements.push_back(DisagreementToJson(d));
  }
  json out = {{"timingFile", file.timingFile},
              {"report", file.report},
              {"status", FileStatusName(file.status)},
              {"records", file.records},
              {"values", file.values},
              {"disagreeing", file.disagreeing},
              {"latency", own.latency},
              {"minClocks", own.minClocks},
              {"maxClocks", own.maxClocks},
              {"firstDisagreements", std::move(disagreements)},
              {"seconds", file.seconds}};
  // A negative clock count restarts the run's running minimum; the fold of
  // a merge then needs the file's raw extremes, which own figures lose.
  if (file.figures.negativeClock) {
    out["clockFold"] = {{"minClocks", file.figures.minClocks},
                        {"maxClocks", file.figures.maxClocks}};
  }
  if (file.status == EFileStatus::kError) {
    out["error"] = file.error;
  }
  if (file.diagnosis) {
    out["diagnosis"] = DiagnosisToJson(*file.diagnosis);
    out["channels"] = ChannelsToJson(*file.diagnosis);
  }
  out["warnings"] = file.warnings;
  if (!file.plotPage.empty()) {
    out["plot"] = PlotToJson(file);
  }
  return out;
}

// Field access that names the shard, the file and the field on a mistake.
class CReader {
 public:
  explicit CReader(const std::string& source) : source_(source) {}

  const json& Field(const json& object, const char* name, json::value_t type,
                    const std::string& where) const {
    if (!object.is_object() || !object.contains(name)) {
      Fail(where + "lacks the field \"" + name + "\"");
    }
    const json& value = object.at(name);
    const bool numberOk =
        (type == json::value_t::number_integer && value.type() == json::value_t::number_unsigned) ||
        (type == json::value_t::number_float && value.is_number());
    if (value.type() != type && !numberOk) {
      Fail(where + "field \"" + name + "\" has the wrong type (" + value.type_name() + ")");
    }
    return value;
  }
  std::uint64_t Count(const json& object, const char* name, const std::string& where) const {
    return Field(object, name, json::value_t::number_unsigned, where).get<std::uint64_t>();
  }
  std::int32_t Clock(const json& object, const char* name, const std::string& where) const {
    const std::int64_t value =
        Field(object, name, json::value_t::number_integer, where).get<std::int64_t>();
    if (value < INT32_MIN || value > INT32_MAX) {
      Fail(where + "field \"" + name + "\" is out of range");
    }
    return static_cast<std::int32_t>(value);
  }
  // A whole number or a real in LSBs, or null (absent).
  std::optional<double> Lsb(const json& object, const char* name, const std::string& where) const {
    if (!object.contains(name)) {
      Fail(where + "lacks the field \"" + name + "\"");
    }
    const json& value = object.at(name);
    if (value.is_null()) {
      return std::nullopt;
    }
    if (!value.is_number()) {
      Fail(where + "field \"" + name + "\" has the wrong type (" + value.type_name() + ")");
    }
    return value.get<double>();
  }
  std::vector<std::uint64_t> Counts(const json& object, const char* name,
                                    const std::string& where) const {
    std::vector<std::uint64_t> counts;
    for (const json& count : Field(object, name, json::value_t::array, where)) {
      if (!count.is_number_unsigned()) {
        Fail(where + "field \"" + name + "\" holds something other than counts");
      }
      counts.push_back(count.get<std::uint64_t>());
    }
    return counts;
  }
  std::string Text(const json& object, const char* name, const std::string& where) const {
    return Field(object, name, json::value_t::string, where).get<std::string>();
  }
  [[noreturn]] void Fail(const std::string& what) const {
    throw std::runtime_error("results \"" + source_ + "\": " + what);
  }

 private:
  const std::string& source_;
};

CDisagreement DisagreementFromJson(const CReader& r, const json& d, const std::string& where) {
  CDisagreement out;
  out.line = r.Count(d, "line", where);
  out.record = r.Count(d, "record", where);
  out.clock = r.Clock(d, "clock", where);
  out.pair = r.Count(d, "pair", where);
  out.fixedPoint = r.Text(d, "fixedPoint", where);
  out.rtl = r.Text(d, "rtl", where);
  if (d.contains("class")) {
    const std::string name = r.Text(d, "class", where);
    EValueClass valueClass{};
    if (!ParseValueClass(name, valueClass)) {
      r.Fail(where + "has the unknown class \"" + name + "\"");
    }
    out.valueClass = valueClass;
    out.errorLsb = r.Lsb(d, "errorLsb", where);
  }
  return out;
}

CClassCounts ClassCountsFromJson(const CReader& r, const json& d, const std::string& where) {
  CClassCounts classes;
  for (const EValueClass c : kAllValueClasses) {
    classes[c] = r.Count(d, std::string(ValueClassName(c)).c_str(), where);
  }
  classes.maxErrorLsb = r.Lsb(d, "maxErrorLsb", where);
  return classes;
}

CFileDiagnosis DiagnosisFromJson(const CReader& r, const json& f, const std::string& where) {
  CFileDiagnosis diagnosis;
  const std::string at = where + "diagnosis ";
  const json& d = r.Field(f, "diagnosis", json::value_t::object, where);
  diagnosis.classes = ClassCountsFromJson(r, d, at);
  diagnosis.unknownBits = r.Counts(d, "unknownBits", at);
  diagnosis.errorBits = r.Counts(d, "errorBits", at);
  const json& channels = r.Field(f, "channels", json::value_t::array, where);
  for (std::size_t i = 0; i < channels.size(); ++i) {
    const std::string in = where + "channels[" + std::to_string(i) + "] ";
    CChannelDiagnosis channel;
    channel.pair = r.Count(channels[i], "pair", in);
    channel.lastPair =
        channels[i].contains("lastPair") ? r.Count(channels[i], "lastPair", in) : channel.pair;
    channel.values = r.Count(channels[i], "values", in);
    channel.disagreeing = r.Count(channels[i], "disagreeing", in);
    channel.classes = ClassCountsFromJson(
        r, r.Field(channels[i], "diagnosis", json::value_t::object, in), in + "diagnosis ");
    diagnosis.channels.push_back(channel);
  }
  return diagnosis;
}

CFileResult FileFromJson(const CReader& r, const json& f, std::size_t index) {
  const std::string where = "files[" + std::to_string(index) + "] ";
  CFileResult file;
  file.timingFile = r.Text(f, "timingFile", where);
  file.report = r.Text(f, "report", where);
  const std::string status = r.Text(f, "status", where);
  if (!ParseFileStatus(status, file.status)) {
    r.Fail(where + "has the unknown status \"" + status + "\"");
  }
  file.records = r.Count(f, "records", where);
  file.values = r.Count(f, "values", where);
  file.disagreeing = r.Count(f, "disagreeing", where);
  file.seconds = r.Field(f, "seconds", json::value_t::number_float, where).get<double>();
  for (const json& d : r.Field(f, "firstDisagreements", json::value_t::array, where)) {
    file.firstDisagreements.push_back(DisagreementFromJson(r, d, where + "firstDisagreements "));
  }
  if (file.status == EFileStatus::kError) {
    file.error = r.Text(f, "error", where);
  }
  if (f.contains("diagnosis")) {
    file.diagnosis = DiagnosisFromJson(r, f, where);
  }
  if (f.contains("warnings")) {
    for (const json& warning : r.Field(f, "warnings", json::value_t::array, where)) {
      if (!warning.is_string()) {
        r.Fail(where + "field \"warnings\" holds something other than texts");
      }
      file.warnings.push_back(warning.get<std::string>());
    }
  }
  if (f.contains("plot")) {
    const std::string at = where + "plot ";
    const json& plot = r.Field(f, "plot", json::value_t::object, where);
    file.plotPage = r.Text(plot, "page", at);
    CPlotStrip& strip = file.plotStrip;
    strip.shades = r.Text(plot, "strip", at);
    strip.firstDisagreement = r.Clock(plot, "firstDisagreementAt", at);
    strip.firstRecord = r.Count(plot, "firstRecord", at);
    strip.lastRecord = r.Count(plot, "lastRecord", at);
    if (!IsValidPlotStrip(strip)) {
      r.Fail(at + "is not a strip of " + std::to_string(kStripWidth) +
             " shades (\"-\" or \"0\" to \"" + std::to_string(kDisagreementLevels - 1) +
             "\") with its first disagreement inside it");
    }
  }
  CFileFigures& figures = file.figures;
  figures.outputRecords = file.records > 0 ? file.records - 1 : 0;
  figures.latency = r.Clock(f, "latency", where);
  if (f.contains("clockFold")) {
    const json& fold = r.Field(f, "clockFold", json::value_t::object, where);
    figures.negativeClock = true;
    figures.minClocks = r.Clock(fold, "minClocks", where + "clockFold ");
    figures.maxClocks = r.Clock(fold, "maxClocks", where + "clockFold ");
  } else {
    // Without a negative count the own extremes are the raw ones whenever
    // they count (two output records or more).
    figures.minClocks = r.Clock(f, "minClocks", where);
    figures.maxClocks = r.Clock(f, "maxClocks", where);
  }
  return file;
}

}  // namespace

std::string SummaryToJson(const CRunSummary& summary) {
  const CRunTotals totals = summary.Totals();
  const CClockFigures figures = summary.Figures();
  json files = json::array();
  json withoutDiagnosis = json::array();
  for (const CFileResult& file : summary.files) {
    files.push_back(FileToJson(file));
    if (LacksDiagnosis(file)) {
      withoutDiagnosis.push_back(file.timingFile);
    }
  }
  json totalsJson = {{"files", totals.files},   {"records", totals.records},
                     {"values", totals.values}, {"disagreeing", totals.disagreeing},
                     {"passed", totals.passed}, {"failed", totals.failed},
                     {"empty", totals.empty},   {"errors", totals.errors}};
  for (const EValueClass c : kAllValueClasses) {
    totalsJson[std::string(ValueClassName(c))] = totals.classes[c];
  }
  const json document = {
      {"schema", kSummarySchema},
      {"tool", {{"name", "reportapp"}, {"version", REPORTAPP_VERSION}}},
      {"project", summary.project},
      {"level", summary.Level()},
      {"realValues", summary.realValues},
      {"files", std::move(files)},
      {"totals", std::move(totalsJson)},
      {"withoutDiagnosis", std::move(withoutDiagnosis)},
      {"figures",
       {{"latency", figures.latency},
        {"maxClocks", figures.maxClocks},
        {"minClocks", figures.minClocks}}},
  };
  return document.dump(2, ' ', false, json::error_handler_t::replace) + "\n";
}

CRunSummary SummaryFromJson(std::string_view text, const std::string& source) {
  const CReader r(source);
  json document;
  try {
    document = json::parse(text);
  } catch (const json::parse_error& e) {
    r.Fail(std::string("not a JSON document: ") + e.what());
  }
  if (!document.is_object()) {
    r.Fail("not a JSON object");
  }
  const std::string schema = r.Text(document, "schema", "");
  if (schema != kSummarySchema && schema != kSummarySchemaWithoutDiagnosis) {
    r.Fail("schema \"" + schema + "\" is neither \"" + std::string(kSummarySchema) + "\" nor \"" +
           std::string(kSummarySchemaWithoutDiagnosis) + "\"");
  }
  CRunSummary summary;
  summary.project = r.Text(document, "project", "");
  const std::string level = r.Text(document, "level", "");
  if (level != "rtl" && level != "impl") {
    r.Fail("level \"" + level + "\" is neither \"rtl\" nor \"impl\"");
  }
  summary.gateLevel = level == "impl";
  summary.realValues = r.Field(document, "realValues", json::value_t::boolean, "").get<bool>();
  const json& files = r.Field(document, "files", json::value_t::array, "");
  for (std::size_t i = 0; i < files.size(); ++i) {
    summary.files.push_back(FileFromJson(r, files[i], i));
  }
  return summary;
}

CRunSummary MergeSummaries(const std::vector<TNamedSummary>& shards, const std::string& project) {
  CRunSummary merged;
  if (shards.empty()) {
    merged.project = project;
    return merged;
  }
  const CRunSummary& first = shards.front().second;
  merged.project = project.empty() ? first.project : project;
  merged.gateLevel = first.gateLevel;
  merged.realValues = first.realValues;
  for (const auto& [name, shard] : shards) {
    if (shard.gateLevel != first.gateLevel) {
      throw std::runtime_error("results \"" + name + "\": level \"" + shard.Level() +
                               "\" differs from \"" + first.Level() + "\" of \"" +
                               shards.front().first + "\"");
    }
    if (shard.realValues != first.realValues) {
      throw std::runtime_error("results \"" + name + "\": realValues " +
                               (shard.realValues ? "true" : "false") + " differs from \"" +
                               shards.front().first + "\"");
    }
    merged.files.insert(merged.files.end(), shard.files.begin(), shard.files.end());
  }
  return merged;
}
