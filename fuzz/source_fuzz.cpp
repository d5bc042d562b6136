// Source text through the front-end calls: check, inputs, tokens and describe, and
// through build (the bundle writer) when it checks clean. Each call starts from
// nothing, so every input meets a fresh engine.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

#include "kelo.h"

namespace {

// The reply kelo_check gives only when something threw inside it: a real check that
// fails always lists at least one error.
constexpr std::string_view kCheckThrew = R"({"ok":false,"diagnostics":[]})";

std::string take(char* reply) {
  if (reply == nullptr) {
    std::fputs("an exported call returned a null pointer\n", stderr);
    std::abort();
  }
  std::string text(reply);
  kelo_string_free(reply);
  return text;
}

void require(bool holds, const char* what, std::string_view reply) {
  if (holds) return;
  std::fprintf(stderr, "%s: %.*s\n", what, static_cast<int>(reply.size()), reply.data());
  std::abort();
}

// One bundle file per process, in a folder of its own that is removed at exit.
const std::string& bundle_path() {
  static const struct Folder {
    std::filesystem::path path;
    Folder() {
      char pattern[] = "/tmp/kelo-fuzz-XXXXXX";
      if (mkdtemp(pattern) == nullptr) std::abort();
      path = pattern;
    }
    ~Folder() {
      std::error_code ignored;
      std::filesystem::remove_all(path, ignored);
    }
  } folder;
  static const std::string file = (folder.path / "fuzz.zxb").string();
  return file;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string source(reinterpret_cast<const char*>(data), size);

  const std::string check = take(kelo_check(source.c_str(), "fuzz.kelo"));
  require(check != kCheckThrew, "kelo_check failed inside", check);
  require(check.starts_with(R"({"ok":)"), "kelo_check reply shape", check);

  const std::string inputs = take(kelo_inputs(source.c_str(), "fuzz.kelo"));
  require(inputs.starts_with(R"({"ok":)"), "kelo_inputs reply shape", inputs);
  // Both compile the same text, so they agree on whether it has errors.
  require(check.starts_with(R"({"ok":true)") == inputs.starts_with(R"({"ok":true)"),
          "kelo_check and kelo_inputs disagree on ok", check + "\n" + inputs);

  if (check.starts_with(R"({"ok":true)")) {
    const std::string built = take(kelo_build(source.c_str(), "fuzz.kelo", bundle_path().c_str()));
    require(built.starts_with(R"({"ok":true,"path":)"), "kelo_build refused a clean check", built);
  }

  const std::string tokens = take(kelo_tokens(source.c_str()));
  require(tokens.starts_with(R"({"tokens":[)"), "kelo_tokens reply shape", tokens);

  // The first line, as a name to look up.
  const std::string name = source.substr(0, source.find('\n'));
  const std::string described = take(kelo_describe(name.c_str()));
  require(described.starts_with(R"({"found":)"), "kelo_describe reply shape", described);
  return 0;
}
