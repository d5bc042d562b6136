#include "format/bundle.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>

#include "hash/sha256.h"

namespace {

namespace bc = kelo_vm::bytecode;
using kelo_compile::inputs::InputSchema;
using kelo_compile::inputs::InputValue;
using kelo_compile::manifest::Manifest;
using kelo_format::Bytes;

std::string hex(const Bytes& bytes, std::size_t from = 0, std::size_t count = SIZE_MAX) {
  static const char digits[] = "0123456789abcdef";
  std::string out;
  for (std::size_t i = from; i < bytes.size() && i - from < count; ++i) {
    out += digits[bytes[i] >> 4];
    out += digits[bytes[i] & 15];
  }
  return out;
}

std::uint32_t u32_at(const Bytes& b, std::size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}

Bytes bytes_of(std::string_view s) { return Bytes(s.begin(), s.end()); }

bc::Image tiny_image() {
  bc::Image image;
  image.name = "T";
  bc::Function fn;
  fn.name = "main";
  fn.code = {bc::Op::plain(bc::Opcode::Halt)};
  image.functions.push_back(fn);
  image.main = 0;
  return image;
}

TEST(BundleWriter, HeaderOfABotWithSource) {
  Manifest manifest;
  const auto result = kelo_format::write(tiny_image(), InputSchema{}, manifest,
                                         {.resources = {}, .source = bytes_of("S"), .extra = {}});
  ASSERT_TRUE(result.ok()) << result.error;
  const Bytes& b = result.bytes;
  EXPECT_EQ(std::string(b.begin(), b.begin() + 4), "ZXB1");
  EXPECT_EQ(hex(b, 4, 4), "01000400");  // version 1, flags 4 (source present)
  const std::uint32_t manifest_len = u32_at(b, 8), schema_len = u32_at(b, 12),
                      image_len = u32_at(b, 16), resources_len = u32_at(b, 20),
                      source_len = u32_at(b, 24), extra_len = u32_at(b, 28);
  EXPECT_EQ(resources_len, 4u);
  EXPECT_EQ(source_len, 1u);
  EXPECT_EQ(extra_len, 0u);
  const std::size_t hashed_end =
      64 + manifest_len + schema_len + image_len + resources_len + source_len;
  ASSERT_EQ(b.size(), hashed_end);
  EXPECT_EQ(std::string(b.begin() + 64, b.begin() + 64 + manifest_len),
            manifest.to_json().encode());
  EXPECT_EQ(std::string(b.begin() + 64 + manifest_len,
                        b.begin() + 64 + manifest_len + schema_len),
            R"({"groups":[],"inputs":[]})");
  EXPECT_EQ(hex(b, hashed_end - 5, 4), "00000000");  // the empty resources section
  EXPECT_EQ(b.back(), 'S');

  kelo_hash::Sha256 sha;
  sha.update(std::span<const std::uint8_t>(b.data() + 64, hashed_end - 64));
  const auto digest = sha.finish();
  EXPECT_EQ(hex(Bytes(digest.begin(), digest.end())), hex(b, 32, 32));
}

TEST(BundleWriter, ExtraSectionIsAppendedOutsideTheDigest) {
  Manifest manifest;
  const auto plain = kelo_format::write(tiny_image(), InputSchema{}, manifest,
                                        {.resources = {}, .source = bytes_of("S"), .extra = {}});
  const auto extended = kelo_format::write(
      tiny_image(), InputSchema{}, manifest,
      {.resources = {}, .source = bytes_of("S"), .extra = bytes_of("XYZ")});
  ASSERT_TRUE(extended.ok());
  EXPECT_EQ(hex(extended.bytes, 6, 2), "0500");  // source and extra flags
  EXPECT_EQ(u32_at(extended.bytes, 28), 3u);
  EXPECT_EQ(hex(extended.bytes, 32, 32), hex(plain.bytes, 32, 32));
  EXPECT_EQ(extended.bytes.size(), plain.bytes.size() + 3);
  EXPECT_EQ(hex(extended.bytes, plain.bytes.size()), "58595a");
}

TEST(BundleWriter, MagicAndFlagsByKindAndSections) {
  struct Row {
    const char* behaviour;
    const char* kind;
    std::optional<Bytes> source;
    const char* magic;
    const char* flags;
  };
  const Row rows[] = {
      {"an indicator gets its own magic", "indicator", bytes_of("x"), "ZXI1", "0400"},
      {"a library is a plain bundle", "library", bytes_of("x"), "ZXB1", "0400"},
      {"a script is a plain bundle", "script", bytes_of("x"), "ZXB1", "0400"},
      {"kind is compared exactly", "Indicator", bytes_of("x"), "ZXB1", "0400"},
      {"an empty source sets no flag", "bot", bytes_of(""), "ZXB1", "0000"},
      {"an absent source sets no flag", "bot", std::nullopt, "ZXB1", "0000"},
  };
  for (const Row& row : rows) {
    Manifest manifest;
    manifest.kind = row.kind;
    const auto r = kelo_format::write(tiny_image(), InputSchema{}, manifest,
                                      {.resources = {}, .source = row.source, .extra = {}});
    ASSERT_TRUE(r.ok()) << row.behaviour;
    EXPECT_EQ(std::string(r.bytes.begin(), r.bytes.begin() + 4), row.magic) << row.behaviour;
    EXPECT_EQ(hex(r.bytes, 6, 2), row.flags) << row.behaviour;
  }
}

TEST(BundleImage, InstructionEncodings) {
  struct Row {
    const char* behaviour;
    bc::Op op;
    const char* bytes;  // opcode, A, B
  };
  const Row rows[] = {
      {"Call keeps its argument count in A", bc::Op::with_a(bc::Opcode::Call, 2),
       "0e0200000000000000"},
      {"CallHost puts the host id in A and the count in B", bc::Op::call_host(7, 3),
       "0f0700000003000000"},
      {"Halt has no operands", bc::Op::plain(bc::Opcode::Halt), "330000000000000000"},
      {"IterInit keeps how many names the loop binds",
       bc::Op::with_a(bc::Opcode::IterInit, 2), "2b0200000000000000"},
      {"Const carries the constant index", bc::Op::with_c(bc::Opcode::Const, 0x01020304),
       "010403020100000000"},
      {"a backward jump keeps its bits", bc::Op::jump(bc::Opcode::Jump, -2),
       "20feffffff00000000"},
      {"TryBegin is a jump", bc::Op::jump(bc::Opcode::TryBegin, 5), "2f0500000000000000"},
      {"GetLocal widens the slot", bc::Op::with_b(bc::Opcode::GetLocal, 0x1234),
       "053412000000000000"},
      {"MakeObject widens the count", bc::Op::with_b(bc::Opcode::MakeObject, 300),
       "292c01000000000000"},
      {"MakeRange keeps its flags", bc::Op::with_a(bc::Opcode::MakeRange, 1),
       "2a0100000000000000"},
      {"Add stores no operand", bc::Op{bc::Opcode::Add, 9, 9, 9}, "110000000000000000"},
  };
  for (const Row& row : rows) {
    bc::Image image;
    bc::Function fn;
    fn.code = {row.op};
    image.functions.push_back(fn);
    const Bytes b = kelo_format::image::write(image);
    // name "" (4) + no constants (4) + count (4), name "" (4), 1+1+2 arity fields,
    // no upvalues (4), one instruction after its count (4).
    EXPECT_EQ(hex(b, 4 + 4 + 4 + 4 + 4 + 4 + 4, 9), row.bytes) << row.behaviour;
  }
}

TEST(BundleImage, WholeSectionLayout) {
  bc::Image image;
  image.name = "Ab";
  image.constants = {bc::Constant::integer(-1),        bc::Constant::number(1.5),
                     bc::Constant::text_of("hi"),      bc::Constant::time(2),
                     bc::Constant::duration(0.5),      bc::Constant::colour(0x3d7bf5ff),
                     bc::Constant::name("n")};
  bc::Function fn;
  fn.name = "f";
  fn.arity = 2;
  fn.required = 1;
  fn.slots = 9;  // not stored
  fn.upvalues = {{3, 1}};
  fn.code = {bc::Op::plain(bc::Opcode::ReturnNothing)};
  fn.lines = {{0, 7, 2}};
  image.functions.push_back(fn);
  image.global_count = 2;
  image.global_names = {"g"};
  image.input_initialiser = 0;
  image.events = {{bc::EventKind::OnBar, 0}};
  bc::PlotDef plot;
  plot.title = "P";
  plot.function = 0;
  image.plots.push_back(plot);
  image.buffers = {"b"};
  image.panels = {{"Q", 0}};

  const std::string expected =
      "020000004162"                          // name "Ab"
      "07000000"                              // seven constants
      "01ffffffffffffffff"                    // Int -1
      "02000000000000f83f"                    // Num 1.5
      "03020000006869"                        // Text "hi"
      "040200000000000000"                    // Time 2
      "05000000000000e03f"                    // Duration 0.5
      "06fff57b3d"                            // Color
      "07010000006e"                          // Name "n"
      "01000000"                              // one function
      "0100000066" "02" "01" "0200"           // "f", arity 2, required 1, arity 2
      "01000000" "030001"                     // one upvalue: index 3, local
      "01000000" "320000000000000000"         // ReturnNothing (49 + 1)
      "01000000" "000000000700000002000000"   // line entry
      "0200"                                  // globals
      "01000000" "0100000067"                 // global names
      "ffffffff" "00000000"                   // no main; initialiser 0
      "01000000" "050000006f6e426172" "0000"  // onBar -> 0
      "01000000" "0100000050" "0000" "040000006c696e65" "fff57b3d" "666666666666f63f"
      "00000000"                              // plot with defaults
      "01000000" "0100000062"                 // buffers
      "01000000" "0100000051" "0000";         // panels
  EXPECT_EQ(hex(kelo_format::image::write(image)), expected);
}

TEST(BundleResources, Layout) {
  EXPECT_EQ(hex(kelo_format::resource_bytes({})), "00000000");
  const Bytes b = kelo_format::resource_bytes(
      {{"a", "t", {1, 2, 3}}, {"b", "", {4}}});
  EXPECT_EQ(hex(b),
            "02000000"
            "0100000061" "0100000074" "00000000" "03000000"
            "0100000062" "00000000" "03000000" "01000000"
            "01020304");
}

TEST(BundleSchema, JsonOfGroupsAndInputs) {
  InputSchema schema;
  schema.groups.push_back({"risk", "Risk", std::string("Careful"), true});
  schema.groups.push_back({"misc", "Misc \"x\"", std::nullopt, false});
  kelo_compile::inputs::InputSpec full;
  full.name = "lots";
  full.type = "num";
  full.group = "risk";
  full.label = "Lots";
  full.hint = "h";
  full.min = 0.01;
  full.max = 100;
  full.step = NAN;
  full.unit = "lots";
  full.required = true;
  full.default_value = InputValue::of_num(0.1);
  full.options = {{"v", "L"}};
  full.depends_on = "on";
  schema.inputs.push_back(full);
  kelo_compile::inputs::InputSpec bare;
  bare.name = "key";
  bare.type = "secret";
  bare.default_value = InputValue::of_color(0x3d7bf5ff);
  schema.inputs.push_back(bare);

  EXPECT_EQ(kelo_format::schema::to_json(schema).encode(),
            R"({"groups":[{"advanced":true,"hint":"Careful","id":"risk","label":"Risk"},)"
            R"({"advanced":false,"id":"misc","label":"Misc \"x\""}],"inputs":[)"
            R"({"advanced":false,"default":0.1,"dependsOn":"on","group":"risk","hint":"h",)"
            R"("label":"Lots","max":100,"min":0.01,"name":"lots","options":[{"label":"L",)"
            R"("value":"v"}],"required":true,"secret":false,"step":null,"type":"num",)"
            R"("unit":"lots"},{"advanced":false,"default":"#3d7bf5ff","dependsOn":null,)"
            R"("group":"","hint":"","label":"key","max":null,"min":null,"name":"key",)"
            R"("options":[],"required":false,"secret":true,"step":null,"type":"secret",)"
            R"("unit":""}]})");
}

TEST(BundleSchema, DefaultValues) {
  struct Row {
    const char* behaviour;
    InputValue value;
    const char* json;
  };
  const Row rows[] = {
      {"none", InputValue::none(), "null"},
      {"boolean", InputValue::of_bool(true), "true"},
      {"integer", InputValue::of_int(-42), "-42"},
      {"number", InputValue::of_num(2.0), "2"},
      {"non-finite number", InputValue::of_num(INFINITY), "null"},
      {"text", InputValue::of_text("a\tb"), R"("a\tb")"},
      {"colour zero-padded", InputValue::of_color(0x0000ff01), R"("#0000ff01")"},
      {"time", InputValue::of_time(1767225600000), "1767225600000"},
      {"duration", InputValue::of_duration(60000), "60000"},
      {"nested array", InputValue::of_list({InputValue::of_int(1),
                                            InputValue::of_list({InputValue::of_text("x")})}),
       R"([1,["x"]])"},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(kelo_format::schema::value_to_json(row.value).encode(), row.json)
        << row.behaviour;
  }
}

TEST(BundleWriter, SectionSizesBeyondU32AreRefused) {
  EXPECT_EQ(kelo_format::check_section_sizes({1, 2, 3, 4, 4294967295ull, 0}), "");
  EXPECT_EQ(kelo_format::check_section_sizes({1, 2, 3, 4, 4294967296ull, 0}),
            "The bundle cannot be written: its source section holds 4294967296 bytes, more "
            "than the format's limit of 4294967295 bytes.");
  EXPECT_EQ(kelo_format::check_section_sizes({0, 0, 0, 0, 0, 1ull << 40}).substr(0, 44),
            "The bundle cannot be written: its extra sect");
}

}  // namespace
