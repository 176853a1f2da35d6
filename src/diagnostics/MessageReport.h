// Numbered diagnostics through the host procedure Messaging::Message.
//
// The host owns the catalogue behind the ids; the plug-in only builds the
// command: Messaging::Message ?-dontsendtostream? -severity S -msgid ID
// ?-fileinfo {file ?line?}? ?-params {"" p1 p2 ...}?
// Each reporter returns the message text; ReportError throws it as a
// std::runtime_error after emitting it.
#pragma once

#include <string>

class CTclDataObj;

// A null id emits nothing and returns "". A null file leaves out -fileinfo;
// a line of -1 leaves the line out of it.
std::string ReportMessage(const char* severity, const char* msgId, const char* fileName, int line,
                          const CTclDataObj* params, bool sendToStream);

// The five severities, each with the parameters as a list, one string, one
// text pointer, or none (an integer 0 object, as the framework makes it).
std::string ReportInfo(const char* msgId, const char* fileName, int line, const CTclDataObj* params,
                       bool sendToStream);
std::string ReportInfo(const char* msgId, const char* fileName, int line, const std::string& param,
                       bool sendToStream);
std::string ReportInfo(const char* msgId, const char* fileName, int line, const char* param,
                       bool sendToStream);
std::string ReportInfo(const char* msgId, const char* fileName, int line, bool sendToStream);

std::string ReportWarning(const char* msgId, const char* fileName, int line,
                          const CTclDataObj* params, bool sendToStream);
std::string ReportWarning(const char* msgId, const char* fileName, int line,
                          const std::string& param, bool sendToStream);
std::string ReportWarning(const char* msgId, const char* fileName, int line, const char* param,
                          bool sendToStream);
std::string ReportWarning(const char* msgId, const char* fileName, int line, bool sendToStream);

std::string ReportDebug(const char* msgId, const char* fileName, int line,
                        const CTclDataObj* params, bool sendToStream);
std::string ReportDebug(const char* msgId, const char* fileName, int line, const std::string& param,
                        bool sendToStream);
std::string ReportDebug(const char* msgId, const char* fileName, int line, const char* param,
                        bool sendToStream);
std::string ReportDebug(const char* msgId, const char* fileName, int line, bool sendToStream);

std::string ReportErrorAndContinue(const char* msgId, const char* fileName, int line,
                                   const CTclDataObj* params, bool sendToStream);
std::string ReportErrorAndContinue(const char* msgId, const char* fileName, int line,
                                   const std::string& param, bool sendToStream);
std::string ReportErrorAndContinue(const char* msgId, const char* fileName, int line,
                                   const char* param, bool sendToStream);
std::string ReportErrorAndContinue(const char* msgId, const char* fileName, int line,
                                   bool sendToStream);

[[noreturn]] void ReportError(const char* msgId, const char* fileName, int line,
                              const CTclDataObj* params, bool sendToStream);
[[noreturn]] void ReportError(const char* msgId, const char* fileName, int line,
                              const std::string& param, bool sendToStream);
[[noreturn]] void ReportError(const char* msgId, const char* fileName, int line, const char* param,
                              bool sendToStream);
[[noreturn]] void ReportError(const char* msgId, const char* fileName, int line, bool sendToStream);
