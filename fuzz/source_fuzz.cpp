// Source text through the front-end calls: check, inputs, tokens and describe, and
// through build (the bundle writer) when it checks clean. Each call starts from
// nothing, so every input meets a fresh engine; every reply must be one the
// application's bridge can read.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

#include "kelo.h"
#include "readable_reply.h"

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
  zx_fuzz::require_readable<zx::bridge::CheckResult>(check, "kelo_check");

  const std::string inputs = take(kelo_inputs(source.c_str(), "fuzz.kelo"));
  zx_fuzz::require_readable<zx::bridge::InputSchema>(inputs, "kelo_inputs");
  // Both compile the same text, so they agree on whether it has errors.
  require(check.starts_with(R"({"ok":true)") == inputs.starts_with(R"({"ok":true)"),
          "kelo_check and kelo_inputs disagree on ok", check + "\n" + inputs);

  if (check.starts_with(R"({"ok":true)")) {
    const std::string built = take(kelo_build(source.c_str(), "fuzz.kelo", bundle_path().c_str()));
    require(built.starts_with(R"({"ok":true,"path":)"), "kelo_build refused a clean check", built);
    zx_fuzz::require_readable<zx::bridge::BuildResult>(built, "kelo_build");
  }

  const std::string tokens = take(kelo_tokens(source.c_str()));
  zx_fuzz::require_readable<zx::bridge::TokenList>(tokens, "kelo_tokens");

  // The first line, as a name to look up.
  const std::string name = source.substr(0, source.find('\n'));
  const std::string described = take(kelo_describe(name.c_str()));
  if (described != R"({"found":false})") {
    zx_fuzz::require_readable<zx::bridge::Description>(described, "kelo_describe");
  }
  return 0;
}
