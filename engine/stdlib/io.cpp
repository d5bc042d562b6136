// Names that reach beyond the program's own computation: web, language model,
// storage, timer, the program itself, the journal, alerts and backtest statistics.
#include "stdlib/define.h"
#include "stdlib/registry.h"

namespace kelo_std::defs_io {

using namespace kelo_std::defs;

namespace {

Type response_type() {
  return structure("Response", {{"ok", Bool}, {"status", Int}, {"body", Text}, {"headers", Any}});
}

Type http_namespace() {
  const Type response = response_type();
  const auto fetch = [](const Type& result) {
    return fn({p("url", Text), named_opt("headers", Any), named_opt("timeout", Duration)}, result);
  };
  const auto send = [&response] {
    return fn({p("url", Text), named_opt("body", Any), named_opt("json", Any),
               named_opt("headers", Any), named_opt("timeout", Duration)},
              response);
  };
  return object("http", {
      {"get",    fetch(response)},
      {"post",   send()},
      {"put",    send()},
      {"patch",  send()},
      {"delete", send()},
      {"json",   fetch(Any)},
  });
}

Type ai_namespace() {
  return object("ai", {
      {"ask",    fn({p("model", Text), named("prompt", Text), named_opt("system", Text),
                     named_opt("key", Text), named_opt("maxTokens", Int), named_opt("temperature", Num)},
                    Text)},
      {"json",   fn({p("model", Text), named("prompt", Text), named_opt("schema", Any), named_opt("key", Text)}, Any)},
      {"embed",  fn({p("model", Text), p("value", Text), named_opt("key", Text)}, array(Num))},
      {"models", fn({}, array(Text))},
  });
}

Type store_namespace() {
  return object("store", {
      {"get",    fn({p("key", Text)}, optional(Any))},
      {"set",    fn({p("key", Text), p("value", Any)}, Void)},
      {"delete", fn({p("key", Text)}, Bool)},
      {"has",    fn({p("key", Text)}, Bool)},
      {"keys",   fn({}, array(Text))},
      {"clear",  fn({}, Void)},
  });
}

Type globals_namespace() {
  return object("globals", {
      {"get",    fn({p("key", Text)}, optional(Any))},
      {"set",    fn({p("key", Text), p("value", Any)}, Void)},
      {"delete", fn({p("key", Text)}, Bool)},
      {"keys",   fn({}, array(Text))},
  });
}

Type timer_namespace() {
  return object("timer", {
      {"every",    fn({p("interval", Duration)}, Void)},
      {"stop",     fn({}, Void)},
      {"interval", Duration},
  });
}

Type bot_namespace() {
  return object("bot", {
      {"id",           Text},
      {"name",         Text},
      {"version",      Text},
      {"magic",        Int},
      {"isTesting",    Bool},
      {"isOptimising", Bool},
      {"stop",         fn({opt("reason", Text)}, Void)},
      {"pause",        fn({opt("reason", Text)}, Void)},
  });
}

Type log_namespace() {
  return object("log", {
      {"info",  function_rest({}, Any, Void)},
      {"warn",  function_rest({}, Any, Void)},
      {"error", function_rest({}, Any, Void)},
      {"debug", function_rest({}, Any, Void)},
  });
}

Type resource_namespace() {
  return object("resource", {
      {"read",   fn({p("name", Text)}, Text)},
      {"exists", fn({p("name", Text)}, Bool)},
      {"list",   fn({}, array(Text))},
  });
}

Type runtime_namespace() {
  return object("runtime", {
      {"steps",      Int},
      {"elapsed",    Num},
      {"stepBudget", Int},
      {"heapUsed",   Num},
  });
}

Type tester_namespace() {
  return object("tester", {
      {"stat",     fn({p("name", Text)}, Num)},
      {"isActive", Bool},
  });
}

// Permission numbers follow the order of the header's permission keywords.
constexpr std::uint8_t kNetwork = 0, kAi = 1, kNotify = 2, kEmail = 3;

}  // namespace

void define(Registry& registry) {
  Builder network{kBotLibrary, "Network", registry, kNetwork, 0};
  add_rows(network, {
      {"http",    http_namespace(),
                  "Calls a web service. Only addresses listed in the permissions block are reachable."},
      {"webhook", fn({p("url", Text), p("payload", Any)}, Bool), "Posts a payload to a declared address."},
  });

  Builder model{kBotLibrary, "Network", registry, kAi, 0};
  add_rows(model, {
      {"ai", ai_namespace(),
             "Asks a language model. The model comes from an input model and the key from an input secret.",
             "ai.ask(aiModel, key: aiKey, prompt: \"Long or short?\")"},
  });

  Builder storage{kBotLibrary, "Storage", registry, kNoPermission, 0};
  add_rows(storage, {
      {"store",   store_namespace(),   "Values that survive a restart, private to this bot instance."},
      {"globals", globals_namespace(), "Values shared by every bot on the account."},
      {"timer",   timer_namespace(),   "Drives the onTimer handler."},
      {"bot",     bot_namespace(),     "The running program itself."},
  });

  Builder journal{kAllKinds, "System", registry, kNoPermission, 0};
  add_rows(journal, {
      {"log",   log_namespace(),              "Writes to the bot journal, which the trader can read."},
      {"alert", function_rest({}, Any, Void), "Raises an alert in the terminal."},
  });

  Builder system{kAllKinds, "System", registry, kNoPermission, 1};
  add_rows(system, {
      {"resource", resource_namespace(), "Files bundled with the program or supplied through a file input."},
      {"runtime",  runtime_namespace(),  "How much of this event's budget has been used."},
  });

  Builder push{kBotOnly, "System", registry, kNotify, 0};
  add_rows(push, {
      {"notify", fn({p("title", Text), opt("body", Text)}, Void), "Sends a push notification to the trader's phone."},
  });

  Builder mail{kBotOnly, "System", registry, kEmail, 0};
  add_rows(mail, {
      {"email", fn({p("subject", Text), p("body", Text)}, Void), "Emails the trader."},
  });

  Builder chart{kIndicatorLibrary, "Chart", registry, kNoPermission, 0};
  add_rows(chart, {
      {"sound", fn({p("name", Text)}, Void), "Plays a sound in the terminal."},
  });

  Builder stats{kLibraryOnly, "System", registry, kNoPermission, 1};
  add_rows(stats, {
      {"tester", tester_namespace(), "Backtest statistics."},
  });
}

}  // namespace kelo_std::defs_io
