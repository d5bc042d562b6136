// The bundle file: a built program packed for the trading platform. A 64-byte
// little-endian header (magic, version, flags, six section lengths, SHA-256 of the
// first five sections), then the manifest JSON, the input-schema JSON, the bytecode
// image, the resources, the source and an optional unhashed extra section.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "compile/inputs.h"
#include "compile/manifest.h"
#include "format/byte_writer.h"
#include "json/json.h"
#include "vm/bytecode.h"

namespace kelo_format {

inline constexpr std::size_t kHeaderSize = 64;
inline constexpr std::uint16_t kFormatVersion = 1;
inline constexpr std::uint16_t kFlagExtra = 1;
inline constexpr std::uint16_t kFlagSource = 4;

struct Resource {
  std::string name;
  std::string text;  // a second text; no caller gives it a meaning yet
  Bytes data;
};

struct BundleParts {
  std::vector<Resource> resources;
  std::optional<Bytes> source;
  std::optional<Bytes> extra;
};

// The bundle bytes, or why none could be written (a section or an inner length that
// does not fit the format's u32 fields). `bytes` is empty when `error` is not.
struct WriteResult {
  Bytes bytes;
  std::string error;

  bool ok() const { return error.empty(); }
};

// Section sizes in file order: manifest, schema, image, resources, source, extra.
using SectionSizes = std::array<std::uint64_t, 6>;

// An error text when some size exceeds the header's u32 fields; empty otherwise.
std::string check_section_sizes(const SectionSizes& sizes);

WriteResult write(const kelo_vm::bytecode::Image& image,
                  const kelo_compile::inputs::InputSchema& schema,
                  const kelo_compile::manifest::Manifest& manifest, const BundleParts& parts);

namespace image {
// The image section. Lengths past u32 mark `out` as overflowed.
void write(const kelo_vm::bytecode::Image& image, ByteWriter& out);
Bytes write(const kelo_vm::bytecode::Image& image);
}  // namespace image

// The resources section: count, a directory of (name, text, offset, length), the data.
void resource_bytes(const std::vector<Resource>& resources, ByteWriter& out);
Bytes resource_bytes(const std::vector<Resource>& resources);

namespace schema {
// Members of every object come out in byte order of key (the JSON writer sorts them).
kelo_json::Json to_json(const kelo_compile::inputs::InputSchema& schema);
kelo_json::Json value_to_json(const kelo_compile::inputs::InputValue& value);
}  // namespace schema

}  // namespace kelo_format
