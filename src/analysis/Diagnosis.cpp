#include "analysis/Diagnosis.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdio>

#include "util/StringUtil.h"

std::uint64_t CClassCounts::Total() const {
  std::uint64_t total = 0;
  for (const std::uint64_t count : counts) {
    total += count;
  }
  return total;
}

void CClassCounts::Take(const CPairClass& pair) {
  ++(*this)[pair.valueClass];
  if (HasErrorLsb(pair.valueClass)) {
    const double magnitude = std::fabs(pair.errorLsb);
    maxErrorLsb = std::max(maxErrorLsb.value_or(0), magnitude);
  }
}

void CClassCounts::Add(const CClassCounts& other) {
  for (std::size_t k = 0; k < kValueClasses; ++k) {
    counts[k] += other.counts[k];
  }
  if (other.maxErrorLsb) {
    maxErrorLsb = std::max(maxErrorLsb.value_or(0), *other.maxErrorLsb);
  }
}

std::optional<EValueClass> CClassCounts::Dominant() const {
  std::optional<EValueClass> dominant;
  for (const EValueClass c : kAllValueClasses) {
    if ((*this)[c] > 0 && (!dominant || (*this)[c] > (*this)[*dominant])) {
      dominant = c;
    }
  }
  return dominant;
}

std::vector<EValueClass> ClassesByCount(const CClassCounts& classes) {
  std::vector<EValueClass> order;
  for (const EValueClass c : kAllValueClasses) {
    if (classes[c] > 0) {
      order.push_back(c);
    }
  }
  std::stable_sort(order.begin(), order.end(),
                   [&](EValueClass a, EValueClass b) { return classes[a] > classes[b]; });
  return order;
}

std::string ErrorLsbText(double errorLsb) {
  char text[64];
  std::snprintf(text, sizeof text, "%.17g", errorLsb);
  return text;
}

std::string LeadingClassesText(const CClassCounts& classes, std::size_t most) {
  std::string text;
  std::size_t shown = 0;
  for (const EValueClass c : ClassesByCount(classes)) {
    if (shown == most) {
      text += ", ...";
      break;
    }
    text += shown++ == 0 ? "" : ", ";
    text += std::to_string(classes[c]) + " " + std::string(ValueClassWords(c));
  }
  return text;
}

void CDiagnosisObserver::CountRecordPairs(std::uint64_t pairs) {
  ++recordsByPairs_[std::min<std::uint64_t>(pairs, kMaxChannels)];
  values_ += pairs;
  maxPair_ = std::max(maxPair_, pairs);
  ++outputRecords_;
  if (recordHasUnknown_) {
    ++recordsWithUnknown_;
    lastUnknownRecord_ = outputRecords_;
    lastUnknownLine_ = line_;
  }
}

void CDiagnosisObserver::TakeClocks(std::uint64_t line, std::int32_t clocks) {
  line_ = line;
  if (outputRecords_ == 0) {
    firstOutputLine_ = line;
    firstClocks_ = clocks;
  } else {
    laterMinClocks_ = std::min(laterMinClocks_.value_or(clocks), clocks);
  }
}

void CDiagnosisObserver::BeginRecord(std::uint64_t line, std::uint64_t, std::int32_t clocks) {
  TakeClocks(line, clocks);
  pairsInRecord_ = 0;
  recordHasUnknown_ = false;
}

void CDiagnosisObserver::Pair(std::uint64_t pair, std::string_view fixedPoint, std::string_view rtl,
                              bool agrees) {
  pairsInRecord_ = pair;
  if (!agrees) {
    Take(pair, fixedPoint, rtl);
  }
}

void CDiagnosisObserver::EndRecord() {
  CountRecordPairs(pairsInRecord_);
}

void CDiagnosisObserver::Record(const CRecordPairs& pairs) {
  TakeClocks(pairs.line, pairs.clocks);
  recordHasUnknown_ = false;
  if (pairs.disagreeing != 0) {
    for (std::size_t n = 0; n < pairs.Pairs(); ++n) {
      if (pairs.agrees[n] == 0) {
        Take(n + 1, pairs.FixedPoint(n), pairs.Rtl(n));
      }
    }
  }
  CountRecordPairs(pairs.Pairs());
}

void CDiagnosisObserver::Take(std::uint64_t pair, std::string_view fixedPoint,
                              std::string_view rtl) {
  const CPairClass c = ClassifyPair(fixedPoint, rtl, format_);
  classes_.Take(c);
  CChannelDiagnosis& channel = channels_[std::min<std::uint64_t>(pair, kMaxChannels) - 1];
  ++channel.disagreeing;
  channel.classes.Take(c);
  wordBits_ = std::max(wordBits_, c.wordBits);
  for (std::uint64_t bits = c.differing; bits != 0; bits &= bits - 1) {
    ++errorBits_[static_cast<std::size_t>(std::countr_zero(bits))];
  }
  for (std::uint64_t bits = c.unknownBits; bits != 0; bits &= bits - 1) {
    ++unknownBits_[static_cast<std::size_t>(std::countr_zero(bits))];
  }
  recordHasUnknown_ = recordHasUnknown_ || c.valueClass == EValueClass::kUnknown;
}

CFileDiagnosis CDiagnosisObserver::Result() const {
  CFileDiagnosis result;
  result.classes = classes_;
  const int bits = format_.HasQuantizer() ? format_.WordLength() : wordBits_;
  result.errorBits.assign(errorBits_.begin(), errorBits_.begin() + bits);
  result.unknownBits.assign(unknownBits_.begin(), unknownBits_.begin() + bits);
  // Channel c (from 1) has a value in every record of c pairs or more.
  const std::size_t channels =
      static_cast<std::size_t>(std::min<std::uint64_t>(maxPair_, kMaxChannels));
  std::uint64_t recordsWithChannel = 0;
  std::uint64_t counted = 0;
  std::vector<std::uint64_t> values(channels + 1, 0);
  for (std::size_t c = kMaxChannels; c >= 1; --c) {
    recordsWithChannel += recordsByPairs_[c];
    if (c <= channels) {
      values[c] = recordsWithChannel;
    }
  }
  for (std::size_t c = 1; c <= channels; ++c) {
    CChannelDiagnosis channel = channels_[c - 1];
    channel.pair = c;
    channel.lastPair = c;
    channel.values = values[c];
    if (c == kMaxChannels) {
      channel.lastPair = maxPair_;
      channel.values = values_ - counted;  // every pair from here on
    }
    counted += channel.values;
    result.channels.push_back(channel);
  }
  return result;
}

std::vector<std::string> CDiagnosisObserver::Warnings(const std::string& fileName) const {
  std::vector<std::string> warnings;
  // Every output record up to the last one with an unknown value has one,
  // and later records have none: the values were unknown until some event,
  // most often a reset that came late or a register without one.
  if (recordsWithUnknown_ > 0 && recordsWithUnknown_ == lastUnknownRecord_ &&
      lastUnknownRecord_ < outputRecords_) {
    warnings.push_back(
        "timing file " + QuotedForMessage(fileName) + ": unknown (X/Z) values only in the first " +
        std::to_string(recordsWithUnknown_) + " of " + std::to_string(outputRecords_) +
        " output records (up to line " + std::to_string(lastUnknownLine_) +
        "), none after: is a register left without reset, or the reset late?");
  }
  if (firstClocks_ == 0 && laterMinClocks_ && *laterMinClocks_ > 0) {
    warnings.push_back("timing file " + QuotedForMessage(fileName) + " line " +
                       std::to_string(firstOutputLine_) +
                       ": the first output record has 0 clocks while every later one has more, "
                       "so the latency reads 0: was the clock count written before the first "
                       "output was counted?");
  }
  return warnings;
}
