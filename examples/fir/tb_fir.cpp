// Verilator C++ testbench of fir2.v, writing its timing file through the
// header-only C++ writer (hdl/cpp/reportapp/timing_writer.hpp). The same
// stimulus and timing as tb_fir.v: a 10 ns clock, reset released at the third
// falling edge, a sample every other clock.
//
//   tb_fir_cpp +vector=<file> +reportapp_timing_file=<file> [+fault=<0..3>]
//              [+verilator+rand+reset+2 +verilator+seed+N]
//
// The vector file holds per sample one line "in0 in1 model0 model1" in hex.
#include <verilated.h>

#include <cstdio>
#include <exception>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "Vfir2.h"
#include "reportapp/timing_writer.hpp"

namespace {

// The value of a plusarg "+name=value", or "" when it is not given.
std::string PlusArg(VerilatedContext& context, const std::string& name) {
  const std::string match = context.commandArgsPlusMatch(name.c_str());
  const std::string prefix = "+" + name;
  return match.rfind(prefix, 0) == 0 ? match.substr(prefix.size()) : std::string();
}

struct Sample {
  unsigned in0, in1, model0, model1;
};

std::vector<Sample> ReadVector(const std::string& path) {
  std::ifstream in(path);
  if (!in) {
    throw std::runtime_error("tb_fir_cpp: cannot read " + path);
  }
  std::vector<Sample> samples;
  Sample s{};
  while (in >> std::hex >> s.in0 >> s.in1 >> s.model0 >> s.model1) {
    samples.push_back(s);
  }
  if (!in.eof() || samples.empty()) {
    throw std::runtime_error("tb_fir_cpp: " + path + ": line " +
                             std::to_string(samples.size() + 1) + " is not four hex words");
  }
  return samples;
}

int Run(int argc, char** argv) {
  auto context = std::make_unique<VerilatedContext>();
  context->commandArgs(argc, argv);  // +verilator+rand+reset+2 and the rest
  const std::string vector = PlusArg(*context, "vector=");
  const std::string timingFile = PlusArg(*context, "reportapp_timing_file=");
  if (vector.empty() || timingFile.empty()) {
    throw std::runtime_error(
        "tb_fir_cpp: +vector=<file> and +reportapp_timing_file=<file> are needed");
  }
  const std::string fault = PlusArg(*context, "fault=");
  const std::vector<Sample> samples = ReadVector(vector);

  auto top = std::make_unique<Vfir2>(context.get());
  reportapp::TimingWriter timing(timingFile, 2, 16);
  std::uint64_t ticksPerNs = 1;  // fir2.v's `timescale 1ns / 1ps: 1000
  for (int e = context->timeprecision(); e < -9; ++e) {
    ticksPerNs *= 10;
  }
  const std::uint64_t halfPeriod = 5 * ticksPerNs;
  top->clk = 0;
  top->rst = 1;
  top->fault = fault.empty() ? 0 : static_cast<unsigned>(std::stoul(fault)) & 3u;
  top->in_valid = 0;
  top->eval();

  bool started = false;
  std::size_t sent = 0, received = 0;
  int fallingEdges = 0;
  while (received < samples.size()) {
    context->timeInc(halfPeriod);
    if (top->clk) {  // falling edge
      top->clk = 0;
      if (++fallingEdges == 3) {
        top->rst = 0;
      }
      top->eval();
      continue;
    }
    // Rising edge: the testbench sees the values from before it, as an
    // always @(posedge clk) block does.
    const auto ns = reportapp::NsFromTicks(context->time(), context->timeprecision());
    const bool reset = top->rst;
    if (started) {
      timing.Tick();
    }
    if (!started && !reset) {
      timing.Start(ns);
      started = true;
    }
    if (started && top->out_valid) {
      const Sample& expected = samples[received++];
      timing.Output(ns, {expected.model0, expected.model1}, {top->out0, top->out1});
    }
    const bool feed = !reset && sent < samples.size() && !top->in_valid;
    top->clk = 1;
    top->eval();
    top->in_valid = feed;
    if (feed) {
      top->in0 = samples[sent].in0;
      top->in1 = samples[sent].in1;
      ++sent;
    }
    top->eval();
  }
  timing.Close();
  top->final();
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return Run(argc, argv);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "%s\n", error.what());
    return 1;
  }
}
