#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <fstream>
#include <sstream>
#include <stdexcept>

#include "app/Extension.h"
#include "host/HostInterp.h"

namespace {

Tcl_Interp* testInterp = nullptr;

std::string EvalGlobal(const std::string& script, int& code) {
  code = Tcl_EvalEx(testInterp, script.c_str(), -1, TCL_EVAL_GLOBAL);
  return Tcl_GetStringResult(testInterp);
}

}  // namespace

Tcl_Interp* TestInterp() {
  return testInterp;
}

std::string Tcl(const std::string& script) {
  int code = TCL_OK;
  std::string result = EvalGlobal(script, code);
  if (code != TCL_OK) {
    throw std::runtime_error("Tcl error in {" + script + "}: " + result);
  }
  return result;
}

std::string TclError(const std::string& script) {
  int code = TCL_OK;
  std::string result = EvalGlobal(script, code);
  if (code != TCL_ERROR) {
    throw std::runtime_error("expected an error from {" + script + "}, got: " + result);
  }
  return result;
}

CapturedMessages::CapturedMessages()
    : previous_(CAppMgr::SetMessageSink([this](TMsgType type, const std::string& text) {
        messages_.emplace_back(type, text);
      })) {}

CapturedMessages::~CapturedMessages() {
  CAppMgr::SetMessageSink(previous_);
}

ScratchDir::ScratchDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "reportapp-XXXXXX").string();
  if (!mkdtemp(pattern.data())) {
    throw std::runtime_error("cannot create a scratch directory");
  }
  path_ = pattern;
}

ScratchDir::~ScratchDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

std::string ScratchDir::Write(const std::string& name, const std::string& content) const {
  const std::filesystem::path file = path_ / name;
  std::filesystem::create_directories(file.parent_path());
  std::ofstream out(file, std::ios::binary);
  out << content;
  return file.string();
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

int main(int argc, char** argv) {
  Tcl_FindExecutable(argv[0]);
  testInterp = Tcl_CreateInterp();
  Tcl_Init(testInterp);  // the script library is optional for these tests
  if (Reportapp_Init(testInterp) != TCL_OK) {
    fprintf(stderr, "cannot load the extension: %s\n", Tcl_GetStringResult(testInterp));
    return 2;
  }
  ::testing::InitGoogleTest(&argc, argv);
  const int status = RUN_ALL_TESTS();
  Tcl_DeleteInterp(testInterp);
  return status;
}
