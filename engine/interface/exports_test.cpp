// libkelo.so as a program loading it sees it: nine symbols and nothing else.
#include <gtest/gtest.h>

#include <dlfcn.h>

#include <cstdio>
#include <set>
#include <sstream>
#include <string>

namespace {

std::set<std::string> defined_dynamic_symbols(const std::string& library) {
  std::set<std::string> names;
  const std::string command = "nm -D --defined-only '" + library + "'";
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return names;
  char line[1024];
  while (std::fgets(line, sizeof line, pipe) != nullptr) {
    std::istringstream fields(line);
    std::string address, kind, name;
    if (fields >> address >> kind >> name) names.insert(name);
  }
  ::pclose(pipe);
  return names;
}

TEST(SharedLibrary, ExportsExactlyTheNineFunctions) {
  const std::set<std::string> expected = {
      "kelo_backtest",    "kelo_build",    "kelo_check",   "kelo_completions",
      "kelo_describe",    "kelo_inputs",   "kelo_string_free", "kelo_tokens",
      "kelo_version"};
  EXPECT_EQ(defined_dynamic_symbols(KELO_LIBRARY_FILE), expected);
}

TEST(SharedLibrary, LoadsAndAnswersThroughDlsym) {
  void* library = ::dlopen(KELO_LIBRARY_FILE, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(library, nullptr) << ::dlerror();
  using Version = char* (*)();
  using Free = void (*)(char*);
  using Describe = char* (*)(const char*);
  auto version = reinterpret_cast<Version>(::dlsym(library, "kelo_version"));
  auto release = reinterpret_cast<Free>(::dlsym(library, "kelo_string_free"));
  auto describe = reinterpret_cast<Describe>(::dlsym(library, "kelo_describe"));
  ASSERT_NE(version, nullptr);
  ASSERT_NE(release, nullptr);
  ASSERT_NE(describe, nullptr);
  char* text = version();
  EXPECT_STREQ(text, "1.0.0");
  release(text);
  text = describe(nullptr);
  EXPECT_STREQ(text, R"({"found":false})");
  release(text);
  // Nothing of the C++ inside is reachable by name.
  EXPECT_EQ(::dlsym(library, "_ZN4kelo6escapeB5cxx11ESt17basic_string_viewIcSt11char_traitsIcEE"),
            nullptr);
  ::dlclose(library);
}

}  // namespace
