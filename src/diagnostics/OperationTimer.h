// A stopwatch on the interpreter's millisecond clock that reports elapsed
// times as host messages built from a template, "$" marking where the time
// goes: "The operation took $ to run." by default.
#pragma once

#include <cstdint>
#include <string>

class COperationTimer {
 public:
  COperationTimer();
  // The template is text followed by " $".
  explicit COperationTimer(const char* text);
  explicit COperationTimer(const std::string& text);
  ~COperationTimer() = default;

  // Sends the template with the count put at its last "$": the text before
  // it, the count, " ms ", the text after it and a line end. Throws
  // std::runtime_error "Error getting time string" when there is no "$".
  void ReportElapsed(long milliseconds) const;
  // The same with the time since construction.
  void ReportElapsed() const;

  const std::string& GetTemplate() const { return messageTemplate; }
  // Replaces the template as it stands ("$" marks the time).
  void SetTemplate(const std::string& text) { messageTemplate = text; }
  std::int32_t GetStartMs() const { return startMs; }

 private:
  std::string messageTemplate;
  std::int32_t startMs = -1;
};
