#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/types.h"
#include "stdlib/definition_forms.h"
#include "stdlib/hosts.h"
#include "stdlib/registry.h"

namespace {

using kelo_core::types::Tag;
using kelo_std::forms::expect_fields;
using kelo_std::forms::expect_host_rows;
using kelo_std::forms::FormRows;
using kelo_std::forms::stored;

struct Global {
  const char* name;
  const char* form;
  const char* group;
  std::vector<int> kinds;
  int permission;
  int pure;
  const char* summary;
};

const Global kGlobals[] = {
    {"http", "http", "Network", {0, 2}, 0, 0,
     "Calls a web service. Only addresses listed in the permissions block are reachable."},
    {"webhook", "fn(url: text, payload: any) -> bool", "Network", {0, 2}, 0, 0,
     "Posts a payload to a declared address."},
    {"ai", "ai", "Network", {0, 2}, 1, 0,
     "Asks a language model. The model comes from an input model and the key from an input secret."},
    {"store", "store", "Storage", {0, 2}, 255, 0, "Values that survive a restart, private to this bot instance."},
    {"globals", "globals", "Storage", {0, 2}, 255, 0, "Values shared by every bot on the account."},
    {"timer", "timer", "Storage", {0, 2}, 255, 0, "Drives the onTimer handler."},
    {"bot", "bot", "Storage", {0, 2}, 255, 0, "The running program itself."},
    {"log", "log", "System", {0, 1, 2}, 255, 0, "Writes to the bot journal, which the trader can read."},
    {"alert", "fn(...any) -> void", "System", {0, 1, 2}, 255, 0, "Raises an alert in the terminal."},
    {"resource", "resource", "System", {0, 1, 2}, 255, 1,
     "Files bundled with the program or supplied through a file input."},
    {"runtime", "runtime", "System", {0, 1, 2}, 255, 1, "How much of this event's budget has been used."},
    {"notify", "fn(title: text, body: text?) -> void", "System", {0}, 2, 0,
     "Sends a push notification to the trader's phone."},
    {"email", "fn(subject: text, body: text) -> void", "System", {0}, 3, 0, "Emails the trader."},
    {"sound", "fn(name: text) -> void", "Chart", {1, 2}, 255, 0, "Plays a sound in the terminal."},
    {"tester", "tester", "System", {2}, 255, 1, "Backtest statistics."},
};

const std::string kSend =
    "fn(url: text, body: any? (named), json: any? (named), headers: any? (named), "
    "timeout: duration? (named)) -> Response";

const std::pair<const char*, FormRows> kNamespaces[] = {
    {"http", {
        {"get",    "fn(url: text, headers: any? (named), timeout: duration? (named)) -> Response"},
        {"post",   kSend},
        {"put",    kSend},
        {"patch",  kSend},
        {"delete", kSend},
        {"json",   "fn(url: text, headers: any? (named), timeout: duration? (named)) -> any"},
    }},
    {"ai", {
        {"ask",    "fn(model: text, prompt: text (named), system: text? (named), key: text? (named), "
                   "maxTokens: int? (named), temperature: num? (named)) -> text"},
        {"json",   "fn(model: text, prompt: text (named), schema: any? (named), key: text? (named)) -> any"},
        {"embed",  "fn(model: text, value: text, key: text? (named)) -> array<num>"},
        {"models", "fn() -> array<text>"},
    }},
    {"store", {
        {"get",    "fn(key: text) -> any?"},
        {"set",    "fn(key: text, value: any) -> void"},
        {"delete", "fn(key: text) -> bool"},
        {"has",    "fn(key: text) -> bool"},
        {"keys",   "fn() -> array<text>"},
        {"clear",  "fn() -> void"},
    }},
    {"globals", {
        {"get",    "fn(key: text) -> any?"},
        {"set",    "fn(key: text, value: any) -> void"},
        {"delete", "fn(key: text) -> bool"},
        {"keys",   "fn() -> array<text>"},
    }},
    {"timer", {
        {"every",    "fn(interval: duration) -> void"},
        {"stop",     "fn() -> void"},
        {"interval", "duration"},
    }},
    {"bot", {
        {"id",           "text"},
        {"name",         "text"},
        {"version",      "text"},
        {"magic",        "int"},
        {"isTesting",    "bool"},
        {"isOptimising", "bool"},
        {"stop",         "fn(reason: text?) -> void"},
        {"pause",        "fn(reason: text?) -> void"},
    }},
    {"log", {
        {"info",  "fn(...any) -> void"},
        {"warn",  "fn(...any) -> void"},
        {"error", "fn(...any) -> void"},
        {"debug", "fn(...any) -> void"},
    }},
    {"resource", {
        {"read",   "fn(name: text) -> text"},
        {"exists", "fn(name: text) -> bool"},
        {"list",   "fn() -> array<text>"},
    }},
    {"runtime", {
        {"steps",      "int"},
        {"elapsed",    "num"},
        {"stepBudget", "int"},
        {"heapUsed",   "num"},
    }},
    {"tester", {
        {"stat",     "fn(name: text) -> num"},
        {"isActive", "bool"},
    }},
};

TEST(IoDefinitions, RegistersFifteenGlobalsAndNoMembers) {
  kelo_std::Registry registry;
  kelo_std::defs_io::define(registry);
  EXPECT_EQ(registry.globals.size(), 15u);
  for (const Global& row : kGlobals) EXPECT_NE(registry.global(row.name), nullptr) << row.name;
  EXPECT_TRUE(registry.members.empty());
  EXPECT_TRUE(registry.duplicates.empty());
}

TEST(IoDefinitions, EntriesCarryKindsPermissionsAndSummaries) {
  const kelo_std::Registry registry = kelo_std::builtins();
  for (const Global& row : kGlobals) {
    SCOPED_TRACE(row.name);
    const kelo_std::Entry* entry = registry.global(row.name);
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(stored(entry->type), row.form);
    EXPECT_EQ(entry->group, row.group);
    EXPECT_EQ(kelo_std::forms::kinds_of(*entry), row.kinds);
    EXPECT_EQ(entry->permission, row.permission);
    EXPECT_EQ(entry->pure, row.pure);
    EXPECT_EQ(entry->summary, row.summary);
    if (std::string(row.name) != "ai") {
      EXPECT_EQ(entry->example, "");
    }
  }
}

TEST(IoDefinitions, AiExampleIsKeptCharacterForCharacter) {
  const kelo_std::Registry registry = kelo_std::builtins();
  EXPECT_EQ(registry.global("ai")->example, "ai.ask(aiModel, key: aiKey, prompt: \"Long or short?\")");
}

TEST(IoDefinitions, NamespacesAreObjectsOfTheirOwnName) {
  const kelo_std::Registry registry = kelo_std::builtins();
  for (const auto& [name, fields] : kNamespaces) {
    SCOPED_TRACE(name);
    const kelo_std::Entry* entry = registry.global(name);
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->type.tag(), Tag::Object);
    EXPECT_EQ(entry->type.to_string(), name);
    expect_fields(entry->type, fields);
  }
}

TEST(IoDefinitions, ResponseIsAStructSharedByTheRequests) {
  const kelo_std::Registry registry = kelo_std::builtins();
  const auto& http = registry.global("http")->type.fields()->fields;
  const kelo_core::types::Type& response = http.at("get").signature()->result;
  EXPECT_EQ(response.tag(), Tag::Struct);
  expect_fields(response, {{"ok", "bool"}, {"status", "int"}, {"body", "text"}, {"headers", "any"}});
  for (const char* request : {"post", "put", "patch", "delete"}) {
    EXPECT_EQ(http.at(request).signature()->result, response) << request;
  }
}

TEST(IoDefinitions, PrintedTypesShowOnlyNamedParameters) {
  const kelo_std::Registry registry = kelo_std::builtins();
  const auto field = [&](const char* space, const char* name) {
    return registry.global(space)->type.fields()->fields.at(name).to_string();
  };
  EXPECT_EQ(field("http", "get"), "fn(text, headers: any?, timeout: duration?) -> Response");
  EXPECT_EQ(field("ai", "embed"), "fn(text, text, key: text?) -> array<num>");
  EXPECT_EQ(field("log", "warn"), "fn() -> void");
  EXPECT_EQ(field("log", "info"), "fn() -> void");
  EXPECT_EQ(field("runtime", "steps"), "int");
  EXPECT_EQ(registry.global("alert")->type.to_string(), "fn() -> void");
  EXPECT_EQ(registry.global("notify")->type.to_string(), "fn(text, text?) -> void");
  EXPECT_EQ(registry.global("webhook")->type.to_string(), "fn(text, any) -> bool");
}

TEST(IoDefinitions, HostTableCountsRequiredAndRestParameters) {
  const auto& table = kelo_std::hosts::table();
  expect_host_rows({
      {"http", 0, 0, false, "http"},
      {"http.post", 5, 1, false, "Response"},
      {"ai.ask", 6, 2, false, "text"},
      {"alert", 0, 0, true, "void"},
      {"log.debug", 0, 0, true, "void"},
      {"runtime.steps", 0, 0, false, "int"},
      {"timer.every", 1, 1, false, "void"},
      {"bot.stop", 1, 0, false, "void"},
      {"notify", 2, 1, false, "void"},
  });
  EXPECT_EQ(table.get("globals.has"), nullptr);
  EXPECT_EQ(table.get("globals.clear"), nullptr);
}

}  // namespace
