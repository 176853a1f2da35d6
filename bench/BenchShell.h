// What the benchmarks share to time work and to run shell commands.
#pragma once

#include <sys/wait.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <stdexcept>
#include <string>

inline double BenchSeconds(const std::function<void()>& work) {
  const auto start = std::chrono::steady_clock::now();
  work();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// text in single quotes for the shell.
inline std::string ShellQuote(const std::string& text) {
  std::string quoted = "'";
  for (const char c : text) {
    quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  }
  return quoted + "'";
}

// Runs command with /bin/sh; an exit status above 1 (or a signal) throws,
// naming the start of the command.
inline void BenchShell(const std::string& command) {
  const int status = std::system(command.c_str());
  if (status == -1 || !WIFEXITED(status) || WEXITSTATUS(status) > 1) {
    throw std::runtime_error("command failed (" + std::to_string(status) +
                             "): " + command.substr(0, 200) + (command.size() > 200 ? " ..." : ""));
  }
}
