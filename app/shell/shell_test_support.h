// Shared by the shell's tests: the engine's sample replies and a workspace with the
// shell's settings, over the views' test support.
#pragma once

#include <QSettings>
#include <QTemporaryDir>
#include <memory>

#include "panels/views_test_support.h"
#include "shell/shell_settings.h"

namespace zx::views::testing {

namespace {

// The inputs the engine reports for the Golden Cross sample.
inline bridge::InputSchema sampleSchema() {
  const auto input = [](const char* name, const char* type, const char* group, const char* label,
                        double min, double max) {
    bridge::InputSpec s;
    s.name = QString::fromUtf8(name);
    s.type = QString::fromUtf8(type);
    s.group = QString::fromUtf8(group);
    s.label = QString::fromUtf8(label);
    s.min = min;
    s.max = max;
    return s;
  };
  bridge::InputSchema schema;
  schema.ok = true;
  schema.groups = {{QStringLiteral("signal"), QStringLiteral("Signal"), false},
                   {QStringLiteral("risk"), QStringLiteral("Risk"), false}};
  schema.inputs = {input("fast", "int", "signal", "Fast EMA", 2, 200),
                   input("slow", "int", "signal", "Slow EMA", 5, 400),
                   input("volume", "lots", "risk", "volume", 0.01, 10),
                   input("stopPips", "int", "risk", "Stop loss (pips)", 5, 500),
                   input("takePips", "int", "risk", "Take profit (pips)", 5, 900)};
  return schema;
}

// The names the reference pane lists, across sections, kinds, blank details and names
// that differ only in case.
inline QList<bridge::Completion> sampleCompletions() {
  return {
      {"ema", "function", "(series, int) -> series", "Exponential moving average", "Indicators"},
      {"sma", "function", "(series, int) -> series", "Simple moving average", "Indicators"},
      {"ta", "namespace", "namespace", "Technical analysis", "Indicators"},
      {"ta.rsi", "member", "(series, int) -> series", "", "Indicators"},
      {"close", "value", "series", "Closing prices", "Price data"},
      {"beta", "value", "float", "", "General"},
      {"alpha", "value", "float", "", ""},
      {"Alpha", "value", "float", "", ""},
      {"Zeta", "value", "float", "", "General"},
      {"misc", "function", "() -> void", "", "Misc"},
  };
}

// The workspace with the sample checked "ok", and the shell's settings in a temporary file.
struct ShellRig : Rig {
  QTemporaryDir dir;
  std::unique_ptr<QSettings> store;
  std::unique_ptr<ShellSettings> settings;

  ShellRig() {
    engine.fake.checkReply.ok = true;
    engine.fake.inputsReply = sampleSchema();
    store = std::make_unique<QSettings>(dir.filePath(QStringLiteral("zentrixcode.conf")),
                                        QSettings::IniFormat);
    settings = std::make_unique<ShellSettings>(*store);
  }
};

}  // namespace

}  // namespace zx::views::testing
