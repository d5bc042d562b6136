#include "decode/strict_json.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

namespace zx::decode {
namespace {

struct Item {
  QString name;
  qint64 count = 0;
  double price = 0;
  bool live = false;
  std::optional<QString> note;
  std::optional<qint64> lots;
  QList<QString> tags;
  std::optional<QMap<QString, qint64>> limits;
};

Item decodeItem(Decoder& d, const Value& v) {
  Item item;
  record(d, v,
         {{"name", item.name},
          {"count", item.count},
          {"price", item.price},
          {"live", item.live},
          {"note", item.note},
          {"lots", item.lots},
          {"tags", item.tags,
           [](Decoder& d, const Value& v) {
             return list(d, v, [](Decoder& d, const Value& e) { return text(d, e); });
           }},
          {"limits", item.limits, [](Decoder& d, const Value& v) {
             return map(d, v, [](Decoder& d, const Value& e) { return integer(d, e); });
           }}});
  return item;
}

std::optional<QList<Item>> decodeItems(const QByteArray& json, QString* detail) {
  Decoder d;
  auto out = document(d, json, [](Decoder& d, const Value& v) {
    return list(d, v, [](Decoder& d, const Value& e) { return decodeItem(d, e); });
  });
  *detail = d.detail();
  return out;
}

const char* const kGood =
    R"({"name":"a","count":3,"price":1.5,"live":true,"tags":["x"],"extra":[1,{"k":null}]})";

TEST(StrictJson, FailuresNameTheProblemAndThePath) {
  struct Row {
    const char* behaviour;
    QByteArray json;
    const char* detail;
  };
  const QList<Row> rows = {
      {"missing required key", R"([{"count":1,"price":1,"live":true,"tags":[]}])",
       "Missing value at [0].name."},
      {"null required key", R"([{"name":null,"count":1,"price":1,"live":true,"tags":[]}])",
       "Missing value at [0].name."},
      {"text given a number", R"([{"name":5,"count":1,"price":1,"live":true,"tags":[]}])",
       "Expected text at [0].name, found the number 5."},
      {"fraction for a whole number",
       R"([{"name":"a","count":1.5,"price":1,"live":true,"tags":[]}])",
       "Expected a whole number at [0].count, found the number 1.5."},
      {"whole number beyond 64 bits",
       R"([{"name":"a","count":9223372036854775808,"price":1,"live":true,"tags":[]}])",
       "Expected a whole number at [0].count, found the number 9.2233720368547758e+18."},
      {"text for a whole number", R"([{"name":"a","count":"1","price":1,"live":true,"tags":[]}])",
       "Expected a whole number at [0].count, found text."},
      {"truth value given 1", R"([{"name":"a","count":1,"price":1,"live":1,"tags":[]}])",
       "Expected a truth value at [0].live, found the number 1."},
      {"number given text", R"([{"name":"a","count":1,"price":"1","live":true,"tags":[]}])",
       "Expected a number at [0].price, found text."},
      {"bad list element", R"([{"name":"a","count":1,"price":1,"live":true,"tags":["x",true]}])",
       "Expected text at [0].tags[1], found a truth value."},
      {"list given an object", R"([{"name":"a","count":1,"price":1,"live":true,"tags":{}}])",
       "Expected a list at [0].tags, found an object."},
      {"optional of the wrong type",
       R"([{"name":"a","count":1,"price":1,"live":true,"tags":[],"note":false}])",
       "Expected text at [0].note, found a truth value."},
      {"optional whole number inexact",
       R"([{"name":"a","count":1,"price":1,"live":true,"tags":[],"lots":0.5}])",
       "Expected a whole number at [0].lots, found the number 0.5."},
      {"bad map entry",
       R"([{"name":"a","count":1,"price":1,"live":true,"tags":[],"limits":{"k":"v"}}])",
       "Expected a whole number at [0].limits[\"k\"], found text."},
      {"record given a list", R"([[]])", "Expected an object at [0], found a list."},
      {"top level of the wrong kind", R"({"name":"a"})",
       "Expected a list at the top level, found an object."},
      {"first failure wins", R"([{"count":"x"}])", "Missing value at [0].name."},
      {"later element fails", QByteArray("[") + kGood + R"(,{}])", "Missing value at [1].name."},
      {"not JSON", "{", "The data is not valid JSON: unterminated object at offset 1."},
      {"empty text", "", "The data is not valid JSON: illegal value at offset 0."},
      {"not-a-number literal", "[NaN]", "The data is not valid JSON: illegal number at offset 1."},
      {"trailing comma", "[1,]",
       "The data is not valid JSON: object is missing after a comma at offset 4."},
  };
  for (const Row& row : rows) {
    QString detail;
    EXPECT_FALSE(decodeItems(row.json, &detail).has_value()) << row.behaviour;
    EXPECT_EQ(detail.toStdString(), row.detail) << row.behaviour;
  }
}

TEST(StrictJson, AcceptsExactValuesAndIgnoresExtraKeys) {
  QString detail;
  const QByteArray json =
      R"([{"name":"é","count":-9223372036854775808,"price":2,"live":false,"note":null,)"
      R"("lots":3.0,"tags":[],"limits":{"b":1,"a":1e3}},)" +
      QByteArray(kGood) + "]";
  const auto items = decodeItems(json, &detail);
  ASSERT_TRUE(items.has_value()) << detail.toStdString();
  ASSERT_EQ(items->size(), 2);
  const Item& first = items->at(0);
  EXPECT_EQ(first.name, QStringLiteral("é"));
  EXPECT_EQ(first.count, std::numeric_limits<qint64>::min());
  EXPECT_EQ(first.price, 2.0);
  EXPECT_FALSE(first.note.has_value());
  EXPECT_EQ(first.lots, 3);
  ASSERT_TRUE(first.limits.has_value());
  EXPECT_EQ(first.limits->value(QStringLiteral("a")), 1000);
  EXPECT_FALSE(items->at(1).limits.has_value());
  EXPECT_EQ(items->at(1).tags, QList<QString>{QStringLiteral("x")});
}

struct Leg {
  QString side;
  static Leg decode(Decoder& d, const Value& v) {
    Leg leg;
    record(d, v, {{"side", leg.side}});
    return leg;
  }
};

TEST(StrictJson, RecordListsReadEveryElementOrFailAtIt) {
  struct Row {
    const char* behaviour;
    const char* json;
    QList<QString> sides;
    const char* detail;
  };
  const QList<Row> rows = {
      {"two records", R"({"legs":[{"side":"buy"},{"side":"sell"}]})", {"buy", "sell"}, ""},
      {"empty list", R"({"legs":[]})", {}, ""},
      {"missing list", R"({})", {}, "Missing value at legs."},
      {"not a list", R"({"legs":{}})", {}, "Expected a list at legs, found an object."},
      {"bad record",
       R"({"legs":[{"side":"buy"},{"side":2}]})",
       {},
       "Expected text at legs[1].side, found the number 2."},
  };
  for (const Row& row : rows) {
    Decoder d;
    const auto legs = document(d, row.json, [](Decoder& d, const Value& v) {
      QList<Leg> legs;
      record(d, v, {{"legs", legs}});
      return legs;
    });
    EXPECT_EQ(d.detail().toStdString(), row.detail) << row.behaviour;
    QList<QString> sides;
    if (legs) {
      for (const Leg& leg : *legs) sides.push_back(leg.side);
    }
    EXPECT_EQ(sides, row.sides) << row.behaviour;
    EXPECT_EQ(legs.has_value(), row.detail[0] == '\0') << row.behaviour;
  }
}

TEST(StrictJson, RawMembersTakeAnyType) {
  Decoder d;
  const auto v = document(d, R"({"a":null,"b":[1],"c":"x"})", [](Decoder& d, const Value& v) {
    QList<AnyValue> raw(4);
    record(d, v, {{"a", raw[0]}, {"b", raw[1]}, {"c", raw[2]}, {"missing", raw[3]}});
    return raw;
  });
  ASSERT_TRUE(v.has_value());
  EXPECT_EQ(v->at(0).kind, JsonKind::null);
  EXPECT_EQ(v->at(1).kind, JsonKind::list);
  EXPECT_EQ(v->at(2).text, "x");
  EXPECT_EQ(v->at(3).kind, JsonKind::none);
}

TEST(StrictJson, LargestExactIntegerSurvives) {
  Decoder d;
  const auto v = document(d, "[9007199254740993]", [](Decoder& d, const Value& v) {
    return list(d, v, [](Decoder& d, const Value& e) { return integer(d, e); });
  });
  ASSERT_TRUE(v.has_value());
  EXPECT_EQ(v->at(0), 9007199254740993LL);
}

TEST(StrictJson, HostileTextNeverCrashes) {
  // Each text comes back with its verdict: the reader's reason and offset, or, where it is
  // JSON, what a decoder of its shape reads from it.
  const auto texts = [](Decoder& d, const Value& v) {
    const QList<QString> items = list(d, v, [](Decoder& d, const Value& e) { return text(d, e); });
    QString units;
    for (const QString& item : items) {
      for (const QChar c : item) units += QString::number(c.unicode(), 16) + u' ';
    }
    return units.trimmed();
  };
  const auto numbers = [](Decoder& d, const Value& v) {
    const QList<double> items = list(d, v, [](Decoder& d, const Value& e) { return number(d, e); });
    return items.size() == 1 && !std::signbit(items[0]) ? QString::number(items[0]) : QString();
  };
  const auto member = [](Decoder& d, const Value& v) {
    AnyValue a;
    record(d, v, {{"a", a}});
    return a.text;
  };
  using Root = std::function<QString(Decoder&, const Value&)>;
  struct Row {
    const char* behaviour;
    QByteArray json;
    Root root;
    const char* verdict;  // the decoded value, or the reason it was refused
  };
  const QList<Row> rows = {
      {"lists nested past the limit", QByteArray(100000, '['), texts,
       "The data is not valid JSON: too deeply nested document at offset 1025."},
      {"objects opened without keys", QByteArray(100000, '{'), member,
       "The data is not valid JSON: unterminated object at offset 2."},
      {"a number that never ends", QByteArray("[") + QByteArray(50000, '1'), numbers,
       "The data is not valid JSON: invalid termination by number at offset 50001."},
      {"bytes that are not text", QByteArray("\xff\xfe\x00\x01", 4), texts,
       "The data is not valid JSON: illegal value at offset 1."},
      {"a lone surrogate escape is kept", "[\"\\ud800\"]", texts, "d800"},
      {"a number past a double", "[1e999999]", numbers,
       "The data is not valid JSON: illegal number at offset 9."},
      {"minus zero reads as zero", "[-0]", numbers, "0"},
      {"a repeated key counts the last time", "{\"a\":1,\"a\":\"x\"}", member, "x"},
  };
  for (const Row& row : rows) {
    Decoder d;
    const std::optional<QString> value = document(d, row.json, row.root);
    EXPECT_EQ((value ? *value : d.detail()).toStdString(), row.verdict) << row.behaviour;
    EXPECT_EQ(value.has_value(), !d.failed()) << row.behaviour;
  }
}

}  // namespace
}  // namespace zx::decode
