#include "plugin/InfoSets.h"

#include <span>

#include "options/Options.h"

namespace {

struct InfoKey {
  const char* key;
  const char* getHelp;
  const char* setHelp;
};

constexpr InfoKey kFixedPointKeys[] = {
    {"estimatediocount", "Gets the total I/O bitwidth.", "Sets the total IO bitwidth."},
};

constexpr InfoKey kRtlKeys[] = {
    {"adders", "Gets the total count of ADDER resources.",
     "Sets the total count of the ADDER resource."},
    {"subtractors", "Gets the total count of SUBTRACTOR resources.",
     "Sets the total count of the SUBTRACTOR resource."},
    {"multipliers", "Gets the total count of MULTIPLIER resources.",
     "Sets the total count of the MULTIPLIER resource."},
    {"comparators", "Gets the total count of COMPARATOR resources.",
     "Sets the total count of the COMPARATOR resource."},
    {"dividers", "Gets the total count of DIVIDER resources.",
     "Sets the total count of the resources."},
    {"maxthroughput", "Gets the maxthroughput.", "Sets the maxthroughput."},
    {"minthroughput", "Gets the minthroughput.", "Sets the minthroughput."},
    {"latency", "Gets the latency.", "Sets the latency."},
    {"constthroughput", "Gets the throughput (if constant) calculated during Generate -rtl.",
     "Sets the throughput (if constant) calculated during Generate -rtl."},
    {"constlatency", "Gets the latency (if constant) calculated during Generate -rtl.",
     "Sets the latency (if constant) calculated during Generate -rtl."},
    {"iocount", "Gets the total I/O bitwidth.", "Sets the total IO bitwidth."},
};

constexpr InfoKey kSynthKeys[] = {
    {"frequency", "Gets the frequency for synthesis.", "Sets the frequency synthesis."},
    {"latchcount", "Gets the latch count for syntheis if there are any.",
     "Sets the latch count for synthesis."},
};

constexpr InfoKey kGateKeys[] = {
    {"frequency", "Gets the frequency from place and route.",
     "Sets the frequency after gate level place and route."},
    {"period", "Gets the period.", "Sets the period."},
    {"latency", "Gets the latency.", "Sets the latency."},
    {"luts", "Gets the number of look up tables.", "Sets the number of look up tables."},
    {"dffs", "Gets the dff count from place and route.", "Sets the dff count place and route."},
    {"inputdffs", "Gets the dff count based on the quantization and number of inputs.",
     "Sets the dff count based on the quantization and number of inputs."},
    {"outputdffs", "Gets the dff count based on the quantization and number of outputs.",
     "Sets the dff count based on the quantization and number of outputs."},
    {"msps", "Gets the mega samples per second.", "Sets the mega samples per second."},
    {"iob", "Gets the number of input/output blocks.", "Sets the number of input/output blocks."},
    {"vardixdspr9s", "Gets the number of DSPR9s.", "Sets the number of DSPR9s."},
    {"vardixrams", "Gets the RAM count from place and route.",
     "Sets the RAM count place and route."},
    {"vardixgatecount", "Gets the gate count from place and route.",
     "Sets the gate count place and route."},
    {"vardixutilization", "Gets the percentage utilization for the chip.",
     "Sets the utilization for the chip."},
    {"vardixslices", "Gets the number of slices.", "Sets the number of slices."},
    {"latchcount", "Gets the number of latches at gate level.",
     "Sets the number of latches at gate level."},
    {"levelsoflogic", "Gets the maximum maximum number of levels of logic at gate level.",
     "Sets the maximum number of levels of logic at gate level."},
    {"levelsoflogiccount",
     "Gets the maximum number of occurances of the maximum levels of logic at gate level.",
     "Sets the number occurances of the maximum levels of logic at gate level."},
};

// The version keys carry one description; the help texts are built from it.
constexpr InfoKey kVersionKeys[] = {
    {"floatingpointsimulator",
     "the version of the floating point simulator that is currently being used.", nullptr},
    {"fixedpointsimulator",
     "the version of the fixed point simulator that is currently being used.", nullptr},
    {"rtlsimulator", "the version of RTL simulator that is currently installed", nullptr},
    {"rtlsynthesizer", "the version of RTL synthesizer that is currently installed", nullptr},
    {"rtlimplementer", "the version of RTL implementer that is currently installed", nullptr},
};

void DeclareKeys(COptions& store, CAppCommand* set, CAppCommand* get,
                 std::span<const InfoKey> keys) {
  for (const InfoKey& k : keys) {
    store.AddInfoOption(set, get, k.key, "0", true, false, false, false, nullptr, k.getHelp,
                        k.setHelp);
  }
}

}  // namespace

void DeclareFixedPointKeys(COptions& store, CAppCommand* set, CAppCommand* get) {
  DeclareKeys(store, set, get, kFixedPointKeys);
}

void DeclareRtlKeys(COptions& store, CAppCommand* set, CAppCommand* get) {
  DeclareKeys(store, set, get, kRtlKeys);
}

void DeclareSynthKeys(COptions& store, CAppCommand* set, CAppCommand* get) {
  DeclareKeys(store, set, get, kSynthKeys);
}

void DeclareGateKeys(COptions& store, CAppCommand* set, CAppCommand* get) {
  DeclareKeys(store, set, get, kGateKeys);
}

void DeclareVersionKeys(COptions& store, CAppCommand* set, CAppCommand* get) {
  for (const InfoKey& k : kVersionKeys) {
    store.AddInfoOption(set, get, k.key, "0", true, false, false, false, k.getHelp, nullptr,
                        nullptr);
  }
}
