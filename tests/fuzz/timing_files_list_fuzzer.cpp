// Feeds arbitrary text to GenerateVerifyReport as its -timingfiles list.
//
// The scratch directory holds two timing files, "a.txt" and "b"; a list whose
// elements all name files in it (no '/', no leading '~') is run for real,
// others only when they are not well-formed lists (which must be refused
// before any file is read).
//
// Oracles, against Tcl's own list reading: a text with a backslash before
// bytes that are not UTF-8 (on which Tcl 8.6.13's list reading writes past its
// buffer) is refused before Tcl reads it; a text that is not a list is an
// error naming it; a list of existing files gives three integers; a list
// naming a missing file is an error naming that file.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

#include "host/TclListText.h"
#include "support/FuzzSupport.h"

namespace {

void WriteTimingFiles() {
  for (const char* name : {"a.txt", "b"}) {
    if (std::FILE* f = std::fopen(name, "w")) {
      std::fputs("0 s 0\n10 s 3 0x01 0x01 0x02 0x03\n20 s 2 0x04 0x04\n", f);
      std::fclose(f);
    }
  }
}

bool SafeElement(std::string_view element) {
  return element.find('/') == std::string_view::npos && !element.starts_with('~');
}

bool Existing(std::string_view element) {
  return element == "a.txt" || element == "b";
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  FuzzInterp();
  WriteTimingFiles();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  if (text.find('\0') != std::string::npos) {
    return 0;  // a Tcl word holds no NUL byte as such
  }
  Tcl_Interp* interp = FuzzInterp();
  if (BackslashBeforeNonUtf8(text)) {
    // Tcl 8.6.13's own list reading overruns its buffer on these: the
    // command refuses them before Tcl reads them, and so must never crash.
    std::string result;
    const int code = FuzzEvalWords({"GenerateVerifyReport", "-timingfiles", text}, result);
    FuzzCheck(code == TCL_ERROR && result.find("-timingfiles: the text has a backslash") == 0,
              "a text Tcl cannot read as a list is refused: " + result, text);
    return 0;
  }
  int count = 0;
  const char** elements = nullptr;
  const bool isList = Tcl_SplitList(nullptr, text.c_str(), &count, &elements) == TCL_OK;
  bool safe = true;
  bool allExist = true;
  std::string missing;
  for (int i = 0; isList && i < count; ++i) {
    safe = safe && SafeElement(elements[i]);
    if (!Existing(elements[i]) && missing.empty()) {
      allExist = false;
      missing = elements[i];
    }
  }
  Tcl_Free(reinterpret_cast<char*>(elements));
  if (isList && !safe) {
    return 0;  // would read or write outside the scratch directory
  }
  (void)interp;
  std::string result;
  const int code = FuzzEvalWords({"GenerateVerifyReport", "-timingfiles", text}, result);
  const bool blank = text.find_first_not_of(" \t\n\r\v\f") == std::string::npos;
  if (!isList) {
    FuzzCheck(code == TCL_ERROR || blank, "a text that is not a list is refused", text);
    FuzzCheck(blank || result.find("-timingfiles") != std::string::npos,
              "the refusal names the option", text);
  } else if (allExist) {
    FuzzCheck(code == TCL_OK, "a list of existing timing files runs: " + result, text);
  } else {
    FuzzCheck(code == TCL_ERROR, "a missing timing file is an error", text);
    FuzzCheck(result.find("timing file") != std::string::npos,
              "the error names the timing file: " + result, text);
  }
  return 0;
}
