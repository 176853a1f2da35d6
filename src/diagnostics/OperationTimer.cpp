#include "diagnostics/OperationTimer.h"

#include <stdexcept>

#include "diagnostics/Clock.h"
#include "host/AppMgr.h"

COperationTimer::COperationTimer()
    : messageTemplate("The operation took $ to run."), startMs(CurrentClockMs()) {}

COperationTimer::COperationTimer(const char* text)
    : COperationTimer(std::string(text ? text : "")) {}

COperationTimer::COperationTimer(const std::string& text)
    : messageTemplate(text + " $"), startMs(CurrentClockMs()) {}

void COperationTimer::ReportElapsed(long milliseconds) const {
  const std::size_t mark = messageTemplate.rfind('$');
  if (mark == std::string::npos) {
    throw std::runtime_error("Error getting time string");
  }
  const std::string text = messageTemplate.substr(0, mark) + std::to_string(milliseconds) + " ms " +
                           messageTemplate.substr(mark + 1) + "\n";
  CAppMgr::SendMsg(kMsgInfo, text);
}

void COperationTimer::ReportElapsed() const {
  ReportElapsed(ElapsedClockMs(startMs, CurrentClockMs()));
}
