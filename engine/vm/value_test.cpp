#include "vm/value.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>

#include "core/numeric.h"
#include "vm/bytecode.h"
#include "vm/operators.h"

namespace kelo_vm {
namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

static_assert(sizeof(Value) == 16);

Value arr(std::vector<Value> v) {
  return Value::array(std::move(v));
}

TEST(Value, FormatNumber) {
  struct Row {
    const char* name;
    double x;
    const char* text;
  } rows[] = {
      {"whole float prints as integer", 2.0, "2"},
      {"1e15 through the float rule", 1e15, "1000000000000000"},
      {"just below 1e15 through the integer rule", 999999999999999.0, "999999999999999"},
      {"shortest round trip", 0.1 + 0.2, "0.30000000000000004"},
      {"NaN is none", kNaN, "none"},
      {"negative zero", -0.0, "0"},
      {"small without exponent", 1e-7, "0.0000001"},
      {"positive infinity", kInf, "inf"},
      {"negative infinity", -kInf, "-inf"},
      {"negative fraction", -2.5, "-2.5"},
      {"large whole beyond 1e15", 1.5e16, "15000000000000000"},
      {"tenth", 0.1, "0.1"},
  };
  for (const Row& r : rows) EXPECT_EQ(format_number(r.x), r.text) << r.name;
  EXPECT_EQ(format_number(1e308).size(), 309u);
}

// Values from 1e15 on print by their shortest digits laid out in full, everywhere a
// number is displayed (the same digits as the JSON replies).
TEST(Value, LargeNumbersDisplayTheirShortestDigits) {
  struct Row {
    const char* behaviour;
    Value v;
    std::string text;
  };
  const Value big = Value::number(1e23);
  const Value power = Value::number(1152921504606846976.0);  // 2^60
  const Row rows[] = {
      {"1e23", big, "100000000000000000000000"},
      {"2^60", power, "1152921504606847000"},
      {"1e300", Value::number(1e300), "1" + std::string(300, '0')},
      {"1e21", Value::number(1e21), "1000000000000000000000"},
      {"1e22", Value::number(1e22), "10000000000000000000000"},
      {"exact digits that are the shortest", Value::number(123456789012345678.0),
       "123456789012345680"},
      {"a tenth", Value::number(0.1), "0.1"},
      {"a duration", Value::duration(1e23), "100000000000000000000000ms"},
      {"an array", arr({big, power}), "[100000000000000000000000, 1152921504606847000]"},
      {"joined to a text",
       builtins::binary(static_cast<uint8_t>(bytecode::Opcode::Add), Value::text("x"), big).value(),
       "x100000000000000000000000"},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(display(row.v), row.text) << row.behaviour;
    EXPECT_EQ(as_text(row.v), row.text) << row.behaviour;
  }
}

TEST(Value, Display) {
  auto point = Record::make("Point");
  point->with("y", Value::integer(2)).with("x", Value::integer(1));
  MapItems m;
  m.emplace("b", Value::integer(2));
  m.emplace("a", Value::text("x"));
  struct Row {
    const char* name;
    Value v;
    const char* text;
  } rows[] = {
      {"nothing", Value(), "none"},
      {"true", Value::boolean(true), "true"},
      {"negative int", Value::integer(-42), "-42"},
      {"time", Value::time(1700000000000), "1700000000000"},
      {"num", Value::number(2.5), "2.5"},
      {"duration whole", Value::duration(1500), "1500ms"},
      {"duration fraction", Value::duration(2.5), "2.5ms"},
      {"colour", Value::color(0xff0000ff), "#ff0000ff"},
      {"colour zero padded", Value::color(16), "#00000010"},
      {"empty array", arr({}), "[]"},
      {"empty map", Value::map(), "[]"},
      {"texts without quotes", arr({Value::text("a"), Value::text("b")}), "[a, b]"},
      {"map in key order", Value::map(m), "[a: x, b: 2]"},
      {"record fields by name", Value::record(point), "Point(x: 1, y: 2)"},
      {"range", Value::range(1, 5, false), "1..5"},
      {"inclusive range", Value::range(1, 5, true), "1..=5"},
      {"status ok", Value::status(true), "ok"},
      {"status failed", Value::status(false, "no money"), "failed: no money"},
      {"function", Value::host_function(3), "<function>"},
      {"series", Value::series(Series::constant_of(1)), "<series>"},
      {"nested", arr({arr({Value::integer(1)}), Value::number(kNaN)}), "[[1], none]"},
  };
  for (const Row& r : rows) EXPECT_EQ(display(r.v), r.text) << r.name;
}

TEST(Value, EqualsTruthyAsInt) {
  auto rec = [](const char* type, int64_t x) {
    auto r = Record::make(type);
    r->with("x", Value::integer(x));
    return Value::record(r);
  };
  Value status = Value::status(true);
  Value map = Value::map();
  struct Row {
    const char* name;
    Value a, b;
    bool equal;
  } rows[] = {
      {"true equals 1", Value::boolean(true), Value::integer(1), true},
      {"1 equals 1.0", Value::integer(1), Value::number(1.0), true},
      {"time equals int", Value::time(5), Value::integer(5), true},
      {"text never equals number", Value::text("1"), Value::integer(1), false},
      {"ints equal through doubles", Value::integer(9007199254740993),
       Value::integer(9007199254740992), true},
      {"NaN not itself", Value::number(kNaN), Value::number(kNaN), false},
      {"nothing equals nothing", Value(), Value(), true},
      {"nothing is not false", Value(), Value::boolean(false), false},
      {"same text bytes", Value::text("ab"), Value::text("ab"), true},
      {"colours by word", Value::color(7), Value::color(7), true},
      {"deep arrays", arr({Value::integer(1), arr({Value::text("x")})}),
       arr({Value::number(1), arr({Value::text("x")})}), true},
      {"arrays of other length", arr({Value::integer(1)}), arr({}), false},
      {"records by fields", rec("P", 1), rec("P", 1), true},
      {"records of other type", rec("P", 1), rec("Q", 1), false},
      {"two empty maps", Value::map(), Value::map(), false},
      {"a map and itself", map, map, false},
      {"a status and itself", status, status, false},
      {"range and itself", Value::range(0, 1, false), Value::range(0, 1, false), false},
  };
  for (const Row& r : rows) EXPECT_EQ(equals(r.a, r.b), r.equal) << r.name;

  struct Truth {
    const char* name;
    Value v;
    bool t;
  } truths[] = {
      {"nothing", Value(), false},
      {"empty text", Value::text(""), false},
      {"empty map", Value::map(), false},
      {"empty array", arr({}), false},
      {"zero", Value::integer(0), false},
      {"negative zero", Value::number(-0.0), false},
      {"NaN", Value::number(kNaN), false},
      {"range 0..0", Value::range(0, 0, false), true},
      {"time 0", Value::time(0), true},
      {"duration 0", Value::duration(0), true},
      {"failed status", Value::status(false), false},
      {"series", Value::series(Series::constant_of(0)), true},
  };
  for (const Truth& r : truths) EXPECT_EQ(truthy(r.v), r.t) << r.name;

  EXPECT_EQ(as_int(Value::number(2.9)), 2);
  EXPECT_EQ(as_int(Value::number(-2.9)), -2);
  EXPECT_EQ(as_int(Value::number(1e300)), std::numeric_limits<int64_t>::max());
  EXPECT_EQ(as_int(Value::number(-1e300)), std::numeric_limits<int64_t>::min());
  EXPECT_EQ(as_int(Value::number(kNaN)), 0);
  EXPECT_EQ(as_int(Value::boolean(true)), 1);
  EXPECT_EQ(as_int(Value::text("3")), std::nullopt);
  EXPECT_EQ(kelo_core::numeric::saturating_i64(9223372036854775807.0),
            std::numeric_limits<int64_t>::max());
  EXPECT_EQ(kelo_core::numeric::wrapping_negate(std::numeric_limits<int64_t>::min()),
            std::numeric_limits<int64_t>::min());
}

TEST(Value, NamesAndKinds) {
  EXPECT_EQ(series_kind("close"), SeriesKind::Close);
  EXPECT_EQ(series_kind("ohlc4"), SeriesKind::Ohlc4);
  EXPECT_EQ(static_cast<int>(series_kind("Close")), 255);
  EXPECT_EQ(type_name(Value::closure(make_ref<Closure>(0, std::vector<Value>{}))), "function");
  EXPECT_EQ(type_name(Value::host_function(1)), "function");
  EXPECT_EQ(type_name(Value::duration(1)), "duration");
  EXPECT_EQ(as_text(Value::text("x")), "x");
  EXPECT_EQ(as_text(Value::number(1.5)), "1.5");
}

TEST(Value, TextCountsCharacters) {
  Value t = Value::text("aß€x");
  EXPECT_EQ(t.text_obj().chars, 4u);
  EXPECT_FALSE(t.text_obj().ascii);
  EXPECT_EQ(t.text_obj().char_at(2), "€");
  EXPECT_EQ(t.text_obj().char_at(3), "x");
  EXPECT_EQ(t.text_obj().char_at(4), "");
}

TEST(Value, SharingAndRecords) {
  Value a = arr({});
  Value b = a;
  b.array_obj().items.push_back(Value::integer(1));
  EXPECT_EQ(display(a), "[1]");
  auto r = Record::make("Error");
  r->with("line", Value::integer(3)).with("line", Value::integer(4));
  EXPECT_EQ(display(r->get("line")), "4");
  EXPECT_TRUE(r->get("missing").is_nothing());
  Value moved = std::move(a);
  EXPECT_TRUE(a.is_nothing());  // NOLINT: a moved-from Value is Nothing
  EXPECT_EQ(moved.object()->rc, 2u);
}

TEST(Value, DeepStructuresReleaseWithoutRecursion) {
  const size_t before = live_containers();
  {
    Value root = arr({});
    Value cur = root;
    for (int i = 0; i < 1'000'000; ++i) {
      Value next = arr({});
      cur.array_obj().items.push_back(next);
      cur = next;
    }
    // Printing and comparing stop at a fixed depth instead of exhausting the stack.
    EXPECT_FALSE(equals(root, root));
    EXPECT_NE(display(root).find("[...]"), std::string::npos);
  }
  EXPECT_EQ(live_containers(), before);

  Ref<Series> chain = Series::constant_of(1);
  for (int i = 0; i < 500'000; ++i)
    chain = Series::binary(SeriesOp::Add, chain, Series::constant_of(1));
  chain = nullptr;  // a long operator chain frees iteratively too
}

TEST(Value, SelfContainingStructuresPrintAndAreCollected) {
  const size_t before = live_containers();
  {
    Value a = arr({Value::integer(1)});
    a.array_obj().items.push_back(a);
    EXPECT_EQ(display(a), "[1, [...]]");
    EXPECT_FALSE(equals(a, a));
    Value m = Value::map();
    m.map_obj().set("self", m);
    m.map_obj().set("other", a);
    EXPECT_EQ(display(m), "[other: [1, [...]], self: [...]]");
    auto r = Record::make("Node");
    Value rv = Value::record(r);
    r->with("next", rv);
    EXPECT_EQ(display(rv), "Node(next: Node(...))");
    Value kept = arr({});
    kept.array_obj().items.push_back(kept);
    // Still referenced from here: collection must keep it.
    collect_cycles();
    EXPECT_EQ(display(kept), "[[...]]");
    kept.array_obj().items.clear();
  }
  EXPECT_GE(live_containers(), before + 3);
  EXPECT_EQ(collect_cycles(), 3u);
  EXPECT_EQ(live_containers(), before);
}

// The map's hash index, its sorted walk and the per-text lookup cache, through a script
// of operations per row; each row ends with the map's text form and a lookup summary.
TEST(Value, MapKeepsKeysFindableAndWalksThemInByteOrder) {
  auto key = [](const char* k) { return make_ref<Text>(std::string(k)); };
  struct Row {
    const char* behaviour;
    std::function<std::string()> run;
    const char* expected;
  } rows[] = {
      {"insertion order does not matter",
       [&] {
         Map m;
         for (const char* k : {"b", "a", "c", "B", "ab"}) m.set(k, Value::text(k));
         return display(Value::map(MapItems(m.to_items())));
       },
       "[B: B, a: a, ab: ab, b: b, c: c]"},
      {"a set after a walk is walked in order",
       [&] {
         Value v = Value::map();
         Map& m = v.map_obj();
         m.set("b", Value::integer(2));
         std::string first = display(v);
         m.set("a", Value::integer(1));
         m.set("c", Value::integer(3));
         return first + " " + display(v);
       },
       "[b: 2] [a: 1, b: 2, c: 3]"},
      {"erase keeps the rest findable and ordered",
       [&] {
         Value v = Value::map();
         Map& m = v.map_obj();
         for (int i = 0; i < 6; ++i) m.set(std::string(1, char('a' + i)), Value::integer(i));
         display(v);  // sorts
         bool gone = m.erase("b") && !m.erase("b") && m.erase("f");
         std::string found;
         for (const char* k : {"a", "b", "c", "d", "e", "f"})
           found += m.find(k) ? display(*m.find(k)) : "-";
         return std::string(gone ? "erased " : "kept ") + found + " " + display(v);
       },
       "erased 0-234- [a: 0, c: 2, d: 3, e: 4]"},
      {"a text key is shared, and found by another text of the same bytes",
       [&] {
         Value v = Value::map();
         Map& m = v.map_obj();
         Ref<Text> k = key("price");
         m.set(*k, Value::integer(1));
         m.set(*key("price"), Value::integer(2));
         return std::to_string(m.size()) + " " + display(m.get(*k)) + " " +
                display(m.get("price")) + " " + std::to_string(k->rc);
       },
       "1 2 2 2"},
      {"one text as key of two maps, and after its entry moved",
       [&] {
         Map a, b;
         Ref<Text> k = key("k");
         a.set("x", Value::integer(0));
         a.set(*k, Value::integer(1));
         b.set(*k, Value::integer(2));
         std::string out = display(a.get(*k)) + display(b.get(*k)) + display(a.get(*k));
         a.erase("x");  // moves k's entry to the front
         out += display(a.get(*k));
         a.set(*k, Value::integer(3));
         out += display(a.get(*k)) + display(b.get(*k)) + std::to_string(a.size());
         return out;
       },
       "1211321"},
      {"thousands of keys grow, erase and clear",
       [&] {
         Map m;
         for (int i = 0; i < 5000; ++i) m.set("k" + std::to_string(i), Value::integer(i));
         for (int i = 0; i < 5000; i += 2) m.erase("k" + std::to_string(i));
         int64_t sum = 0;
         size_t missing = 0;
         for (int i = 0; i < 5000; ++i) {
           const Value* v = m.find("k" + std::to_string(i));
           if (v)
             sum += v->int_value();
           else
             ++missing;
         }
         std::string first = m.ordered().begin()->key->str;
         m.clear();
         m.set("z", Value::nothing());
         return std::to_string(sum) + " " + std::to_string(missing) + " " + first + " " +
                std::to_string(m.size());
       },
       "6250000 2500 k1 1"},
  };
  for (const Row& row : rows) EXPECT_EQ(row.run(), row.expected) << row.behaviour;
}

// [x, x] wrapped `levels` times: 2^levels paths through `levels` + 1 arrays.
Value shared_tower(Value leaf, int levels) {
  Value v = std::move(leaf);
  for (int i = 0; i < levels; ++i) v = arr({v, v});
  return v;
}

TEST(Value, StructuresSharingTheirPartsCompareWithoutWalkingEveryPath) {
  struct Row {
    const char* behaviour;
    Value a, b;
    bool equal;
  };
  const Value a60 = shared_tower(Value::integer(1), 60);
  const Row rows[] = {
      {"the same tower", a60, a60, true},
      {"two towers built apart", a60, shared_tower(Value::integer(1), 60), true},
      {"towers with different leaves", a60, shared_tower(Value::integer(2), 60), false},
      {"towers of different heights", a60, shared_tower(Value::integer(1), 59), false},
      {"a text leaf against a number", shared_tower(Value::text("1"), 40),
       shared_tower(Value::integer(1), 40), false},
      {"past the depth limit still unequal", shared_tower(Value::integer(1), 1200),
       shared_tower(Value::integer(1), 1200), false},
  };
  for (const Row& row : rows) EXPECT_EQ(equals(row.a, row.b), row.equal) << row.behaviour;
}

TEST(Value, ADisplayThatWouldNotFitStopsShort) {
  const Value tower = shared_tower(Value::integer(7), 40);
  std::string out;
  {
    // Room for a few MiB: the text stops where its next growth would pass that.
    heap::LimitOverride guard(heap::live() + (8 << 20));
    EXPECT_FALSE(display_to(out, tower));
  }
  EXPECT_GT(out.size(), size_t{1} << 20);
  EXPECT_LT(out.size(), size_t{8} << 20);
  EXPECT_EQ(out.substr(0, 12), "[[[[[[[[[[[[");

  std::string small;
  EXPECT_TRUE(display_to(small, shared_tower(Value::integer(7), 2)));
  EXPECT_EQ(small, "[[7, 7], [7, 7]]");
}

// The plain walk that display must agree with: every path printed, "[...]" for an array
// already on the path or past 1,000 levels.
void walk(const Value& v, std::vector<const Object*>& path, std::string& out) {
  if (!v.is(Tag::Array)) {
    out += display(v);
    return;
  }
  if (path.size() >= 1000 || std::find(path.begin(), path.end(), v.object()) != path.end()) {
    out += "[...]";
    return;
  }
  path.push_back(v.object());
  out += '[';
  const auto& items = v.array_obj().items;
  for (size_t i = 0; i < items.size(); ++i) {
    if (i) out += ", ";
    walk(items[i], path, out);
  }
  out += ']';
  path.pop_back();
}

// Parts printed before are copied, not walked again; the text must be what a walk of
// every path gives, cycles and the depth limit included.
TEST(Value, DisplayOfSharedPartsMatchesAWalkOfEveryPath) {
  struct Row {
    const char* behaviour;
    std::function<Value()> make;
  };
  // A chain of `n` arrays, each holding the next; the last holds `leaf`.
  auto chain = [](int n, Value leaf) {
    Value v = std::move(leaf);
    for (int i = 0; i < n; ++i) v = arr({v});
    return v;
  };
  const Row rows[] = {
      {"a tower of shared pairs", [] { return shared_tower(Value::integer(3), 12); }},
      {"shared parts inside a cycle",
       [] {
         Value inner = shared_tower(Value::text("leaf text"), 6);
         Value loop = arr({inner});
         loop.array_obj().items.push_back(loop);  // holds itself beside the shared part
         Value outer = arr({loop, inner, loop});
         loop.array_obj().items.push_back(outer);  // and the structure that holds it
         return outer;
       }},
      {"a part seen first on the path of a cycle, then from outside it",
       [] {
         Value a = arr({Value::integer(1), Value::text("a part long enough to be reused")});
         Value b = arr({a, Value::text("another part long enough to be reused")});
         a.array_obj().items.push_back(b);  // a and b hold each other
         return arr({a, b, a, b});
       }},
      {"a shared part first near the top, then near the depth limit",
       [&chain] {
         Value part = shared_tower(Value::integer(5), 4);
         return arr({part, chain(994, part)});
       }},
      {"a shared part first near the depth limit, then near the top",
       [&chain] {
         Value part = shared_tower(Value::integer(5), 4);
         return arr({chain(994, part), part});
       }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.behaviour);
    const Value v = row.make();
    std::vector<const Object*> path;
    std::string expected;
    walk(v, path, expected);
    EXPECT_EQ(display(v), expected);
  }
  collect_cycles();
}

// 2^60 paths: walking them all would never end; copying what was printed stops at the
// display cap after writing it once.
TEST(Value, DisplayOfATallSharedTowerStopsAtTheCap) {
  const heap::LimitOverride roomy(int64_t{1} << 40);
  std::string out;
  EXPECT_FALSE(display_to(out, shared_tower(Value::integer(7), 60)));
  EXPECT_GE(out.size(), kMaxDisplayBytes);
  EXPECT_LT(out.size(), kMaxDisplayBytes + 4096);
  EXPECT_EQ(out.substr(0, 64), std::string(60, '[') + "7, 7");
}

}  // namespace
}  // namespace kelo_vm
