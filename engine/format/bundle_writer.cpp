// Assembles the bundle: the five hashed sections behind the header, then the extra.
#include <cstdint>
#include <limits>
#include <span>
#include <string>
#include <string_view>

#include "format/bundle.h"
#include "hash/sha256.h"

namespace kelo_format {

namespace {

constexpr std::string_view kSectionNames[] = {"manifest", "schema",  "image",
                                              "resources", "source", "extra"};

std::span<const std::uint8_t> view(std::string_view s) {
  return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()};
}

}  // namespace

std::string check_section_sizes(const SectionSizes& sizes) {
  constexpr std::uint64_t limit = std::numeric_limits<std::uint32_t>::max();
  for (std::size_t i = 0; i < sizes.size(); ++i) {
    if (sizes[i] > limit) {
      return "The bundle cannot be written: its " + std::string(kSectionNames[i]) +
             " section holds " + std::to_string(sizes[i]) +
             " bytes, more than the format's limit of 4294967295 bytes.";
    }
  }
  return {};
}

void resource_bytes(const std::vector<Resource>& resources, ByteWriter& out) {
  out.count(resources.size());
  std::uint64_t offset = 0;
  for (const Resource& r : resources) {
    out.str(r.name);
    out.str(r.text);
    out.count(offset);
    out.count(r.data.size());
    offset += r.data.size();
  }
  for (const Resource& r : resources) out.raw(r.data.data(), r.data.size());
}

Bytes resource_bytes(const std::vector<Resource>& resources) {
  ByteWriter out;
  resource_bytes(resources, out);
  return out.take();
}

WriteResult write(const kelo_vm::bytecode::Image& image,
                  const kelo_compile::inputs::InputSchema& schema,
                  const kelo_compile::manifest::Manifest& manifest, const BundleParts& parts) {
  const std::string manifest_json = manifest.to_json().encode();
  const std::string schema_json = schema::to_json(schema).encode();
  ByteWriter image_out;
  image::write(image, image_out);
  ByteWriter resources_out;
  resource_bytes(parts.resources, resources_out);
  const Bytes image_bytes = image_out.take();
  const Bytes resource_section = resources_out.take();
  static const Bytes kEmpty;
  const Bytes& source = parts.source ? *parts.source : kEmpty;
  const Bytes& extra = parts.extra ? *parts.extra : kEmpty;

  WriteResult result;
  const SectionSizes sizes = {manifest_json.size(), schema_json.size(), image_bytes.size(),
                              resource_section.size(), source.size(), extra.size()};
  result.error = check_section_sizes(sizes);
  if (result.error.empty() && (image_out.overflowed() || resources_out.overflowed())) {
    result.error = std::string("The bundle cannot be written: a text or list inside its ") +
                   (image_out.overflowed() ? "image" : "resources") +
                   " section is longer than the format's limit of 4294967295.";
  }
  if (!result.ok()) return result;

  kelo_hash::Sha256 sha;
  // An empty vector has no data pointer; the hash is not to be handed a null one.
  auto feed = [&sha](std::span<const std::uint8_t> bytes) {
    if (!bytes.empty()) sha.update(bytes);
  };
  feed(view(manifest_json));
  feed(view(schema_json));
  feed(image_bytes);
  feed(resource_section);
  feed(source);
  const kelo_hash::Sha256::Digest digest = sha.finish();

  std::uint16_t flags = 0;
  if (!source.empty()) flags |= kFlagSource;
  if (!extra.empty()) flags |= kFlagExtra;

  ByteWriter out;
  out.raw(manifest.kind == "indicator" ? "ZXI1" : "ZXB1", 4);
  out.u16(kFormatVersion);
  out.u16(flags);
  for (std::uint64_t size : sizes) out.u32(static_cast<std::uint32_t>(size));
  out.raw(digest.data(), digest.size());
  out.raw(manifest_json.data(), manifest_json.size());
  out.raw(schema_json.data(), schema_json.size());
  out.raw(image_bytes.data(), image_bytes.size());
  out.raw(resource_section.data(), resource_section.size());
  out.raw(source.data(), source.size());
  out.raw(extra.data(), extra.size());
  result.bytes = out.take();
  return result;
}

}  // namespace kelo_format
