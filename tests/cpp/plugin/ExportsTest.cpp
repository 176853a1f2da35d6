// The extension module's dynamic symbols: its init function and the two
// entry points of the host framework, nothing else.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <set>
#include <sstream>
#include <string>

namespace {

struct ModuleCloser {
  void operator()(void* handle) const { dlclose(handle); }
};

TEST(Exports, TheModuleGivesItsThreeEntryPoints) {
  std::unique_ptr<void, ModuleCloser> module(dlopen(REPORTAPP_MODULE_PATH, RTLD_NOW | RTLD_LOCAL));
  ASSERT_NE(module, nullptr) << dlerror();
  EXPECT_NE(dlsym(module.get(), "Reportapp_Init"), nullptr);
  auto initApp = reinterpret_cast<int (*)()>(dlsym(module.get(), "InitApp"));
  auto exitApp = reinterpret_cast<int (*)()>(dlsym(module.get(), "ExitApp"));
  ASSERT_NE(initApp, nullptr);
  ASSERT_NE(exitApp, nullptr);
  EXPECT_EQ(exitApp(), 1);
  // The Tcl stub library linked into it stays inside.
  EXPECT_EQ(dlsym(module.get(), "tclStubsPtr"), nullptr);
}

TEST(Exports, TheDynamicSymbolTableHoldsOnlyThem) {
  const std::string command = std::string("nm -D --defined-only '") + REPORTAPP_MODULE_PATH + "'";
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  ASSERT_NE(pipe, nullptr);
  std::set<std::string> names;
  char line[4096];
  while (std::fgets(line, sizeof line, pipe.get())) {
    std::istringstream words(line);
    std::string address, type, name;
    if (words >> address >> type >> name) {
      names.insert(name);
    }
  }
  EXPECT_EQ(names, (std::set<std::string>{"ExitApp", "InitApp", "Reportapp_Init"}));
}

}  // namespace
