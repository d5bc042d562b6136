#include "vm/heap.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "vm/value.h"


namespace kelo_vm {
namespace {

Value T(std::string_view s) {
  return Value::text(s);
}
Value I(int64_t i) {
  return Value::integer(i);
}
// Built from a full initializer: capacity equals size, so any growth reallocates.
Value A(std::vector<Value> items) {
  return Value::array(std::move(items));
}
Value M(std::vector<std::pair<std::string, Value>> items) {
  auto m = make_ref<Map>();
  for (auto& [k, v] : items) m->set(k, std::move(v));
  return Value::map(std::move(m));
}

TEST(HeapMeter, AnAllocationCostsItsHeaderRoundedUp) {
  const std::pair<size_t, size_t> rows[] = {
      {0, 32}, {1, 32}, {24, 32}, {25, 48}, {40, 48}, {41, 64}, {1001, 1024}, {4096, 4112},
  };
  for (const auto& [bytes, cost] : rows) EXPECT_EQ(heap::block(bytes), cost) << bytes;
}

TEST(HeapMeter, ChargesWhatEachValueHolds) {
  struct Row {
    const char* behaviour;
    std::function<Value()> make;
    size_t bytes;
  };
  const std::vector<Row> rows = {
      {"a short text lives inside its object", [] { return T("short"); },
       heap::block(sizeof(Text))},
      {"a long text adds its bytes and terminator",
       [] { return Value::text(std::string(1000, 'x')); }, heap::block(sizeof(Text)) + 1024},
      {"an array adds one value per slot of capacity",
       [] {
         return A({I(1), I(2), I(3)});
       },
       heap::block(sizeof(Array)) + 64},
      {"an empty array is its object", [] { return A({}); }, heap::block(sizeof(Array))},
      {"a range is its box", [] { return Value::range(1, 5, false); },
       heap::block(sizeof(RangeBox))},
      {"a failed status keeps its reason as a text", [] { return Value::status(false, "no"); },
       heap::block(sizeof(Text))},
      {"numbers hold nothing", [] { return Value::number(2.5); }, 0},
  };
  for (const Row& row : rows) {
    const int64_t start = heap::live();
    {
      Value v = row.make();
      EXPECT_EQ(heap::live() - start, static_cast<int64_t>(row.bytes)) << row.behaviour;
    }
    EXPECT_EQ(heap::live(), start) << row.behaviour << " (freed)";
  }
}

TEST(HeapMeter, ReturnsToItsStartWhenValuesAreFreed) {
  struct Row {
    const char* behaviour;
    std::function<void()> work;
  };
  const std::vector<Row> rows = {
      {"nested arrays of texts",
       [] {
         Value a = A({T(std::string(100, 'a')), A({T(std::string(50, 'b'))})});
         a.array_obj().items.push_back(M({{"k", T(std::string(70, 'c'))}}));
         settle(a.array_obj());
       }},
      {"a map grown key by key",
       [] {
         Value m = M({});
         for (int i = 0; i < 1000; ++i) m.map_obj().set("key" + std::to_string(i), I(i));
         m.map_obj().erase("key7");
         m.map_obj().clear();
         m.map_obj().set("again", I(1));
       }},
      {"an array that holds itself, freed by the collector",
       [] {
         Value a = A({T(std::string(64, 'x'))});
         a.array_obj().items.push_back(a);
         settle(a.array_obj());
       }},
      {"a record and a closure that hold each other",
       [] {
         auto r = Record::make("Node");
         Value rec = Value::record(r);
         Value c = Value::closure(make_ref<Closure>(uint16_t{0}, std::vector<Value>{rec}));
         r->with("next", c).with("name", T(std::string(40, 'n')));
       }},
      {"a series chain",
       [] {
         Ref<Series> s = Series::source(SeriesKind::Close);
         for (int i = 0; i < 100; ++i) s = Series::binary(SeriesOp::Add, s, Series::constant_of(i));
       }},
  };
  for (const Row& row : rows) {
    const int64_t start = heap::live();
    row.work();
    collect_cycles();
    EXPECT_EQ(heap::live(), start) << row.behaviour;
  }
}

TEST(HeapMeter, SettleMovesTheChargeBothWays) {
  const int64_t start = heap::live();
  Value a = A({});
  auto& items = a.array_obj().items;
  items.reserve(1000);
  settle(a.array_obj());
  const auto array = static_cast<int64_t>(heap::block(sizeof(Array)));
  EXPECT_EQ(heap::live() - start, array + 16016);
  items.push_back(I(1));
  items.shrink_to_fit();
  settle(a.array_obj());
  EXPECT_EQ(heap::live() - start, array + 32);
  settle(a.array_obj());  // settling twice changes nothing
  EXPECT_EQ(heap::live() - start, array + 32);
}

TEST(HeapMeter, FitsAndTheScopedLimit) {
  const int64_t saved = heap::limit();
  EXPECT_EQ(saved, 469'762'048);
  {
    heap::LimitOverride guard(heap::live() + 100);
    EXPECT_TRUE(heap::fits(100));
    EXPECT_FALSE(heap::fits(101));
    EXPECT_FALSE(heap::over());
    Value t = Value::text(std::string(200, 'x'));  // made without asking: now over
    EXPECT_TRUE(heap::over());
    EXPECT_FALSE(heap::fits(0));
    EXPECT_FALSE(heap::fits(UINT64_MAX));
  }
  EXPECT_EQ(heap::limit(), saved);
  EXPECT_FALSE(heap::fits(UINT64_MAX));
}

}  // namespace
}  // namespace kelo_vm
