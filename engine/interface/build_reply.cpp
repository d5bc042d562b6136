// kelo_build: compile, pack the bundle, put it on disk.
#include <span>

#include "compile/compiler.h"
#include "format/bundle.h"
#include "interface/file_replace.h"
#include "interface/json_text.h"
#include "interface/replies.h"
#include "interface/reply.h"

namespace kelo {

std::string build_reply(std::string_view source, std::string_view file_name,
                        std::string_view output_path) {
  const kelo_compile::CompileOutput output = kelo_compile::compile(source, file_name);
  if (output.diagnostics.has_errors()) return failure_reply(output.diagnostics.render_all());

  kelo_format::BundleParts parts;
  parts.source = kelo_format::Bytes(source.begin(), source.end());
  const kelo_format::WriteResult bundle =
      kelo_format::write(output.image, output.schema, output.manifest, parts);
  if (!bundle.ok()) return failure_reply(bundle.error);

  const std::string path(output_path);
  const std::string error = replace_file(path, std::span<const std::uint8_t>(bundle.bytes));
  if (!error.empty()) return failure_reply(error);

  std::string out = "{\"ok\":true,\"path\":";
  append_quoted(out, output_path);
  out += ",\"bytes\":";
  append_unsigned(out, bundle.bytes.size());
  out += ",\"functions\":";
  append_unsigned(out, output.image.functions.size());
  out += ",\"inputs\":";
  append_unsigned(out, output.schema.inputs.size());
  out += '}';
  return out;
}

}  // namespace kelo
