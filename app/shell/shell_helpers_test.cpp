// The shell's pure rules: appearance names and schemes, the status pill, the inputs'
// bound texts, stored widths, the settings file and the unsaved-work question.
#include <sys/stat.h>

#include <QFileInfo>
#include <cmath>
#include <limits>

#include "shell/input_bound_text.h"
#include "shell/process_start.h"
#include "shell/shell_test_support.h"
#include "shell/top_bar.h"
#include "shell/unsaved_work.h"

namespace zx::views {
namespace {

using theme::ColorScheme;

TEST(ShellHelpers, AppearanceFromStoredValues) {
  const struct {
    QVariant stored;
    Appearance expected;
  } rows[] = {
      {QStringLiteral("system"), Appearance::system},
      {QStringLiteral("light"), Appearance::light},
      {QStringLiteral("dark"), Appearance::dark},
      {QStringLiteral("Dark"), Appearance::system},
      {QString(), Appearance::system},
      {QStringLiteral(" light"), Appearance::system},
      {QVariant(3), Appearance::system},
      {QStringLiteral("3"), Appearance::system},
      {QVariant(), Appearance::system},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(storedAppearance(row.stored), row.expected) << row.stored.toString().toStdString();
  }
  QStringList labels;
  for (Appearance a : kAllAppearances) labels << menuLabel(a) + QLatin1Char('=') + rawValue(a);
  EXPECT_EQ(labels, QStringList({"Match System=system", "Light=light", "Dark=dark"}));
}

TEST(ShellHelpers, UnreadableAppearanceStaysStored) {
  testing::ShellRig rig;
  rig.store->setValue(QStringLiteral("appearance"), QStringLiteral("Dark"));
  EXPECT_EQ(rig.settings->appearance(), Appearance::system);
  EXPECT_FALSE(rig.settings->appearanceReadable());
  EXPECT_EQ(rig.store->value(QStringLiteral("appearance")).toString(), "Dark");
  rig.settings->setAppearance(Appearance::light);
  EXPECT_EQ(rig.store->value(QStringLiteral("appearance")).toString(), "light");
}

TEST(ShellHelpers, EffectiveScheme) {
  const struct {
    Appearance appearance;
    ColorScheme desktop, expected;
  } rows[] = {
      {Appearance::system, ColorScheme::dark, ColorScheme::dark},
      {Appearance::system, ColorScheme::light, ColorScheme::light},
      {Appearance::light, ColorScheme::dark, ColorScheme::light},
      {Appearance::dark, ColorScheme::light, ColorScheme::dark},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(effectiveScheme(row.appearance, row.desktop), row.expected);
  }
}

TEST(ShellHelpers, StatusPill) {
  using Tone = theme::StatusPill::Tone;
  const struct {
    qint64 errors, warnings;
    PillLook expected;
  } rows[] = {
      {1, 0, {"1 error", Tone::bad}},        {2, 5, {"2 errors", Tone::bad}},
      {1000, 0, {"1000 errors", Tone::bad}}, {0, 1, {"1 warning", Tone::warn}},
      {0, 3, {"3 warnings", Tone::warn}},    {0, 0, {"Ready", Tone::good}},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(pillLook(row.errors, row.warnings), row.expected)
        << row.errors << " " << row.warnings;
  }
}

TEST(ShellHelpers, InputBoundText) {
  const struct {
    double value;
    const char* text;
  } rows[] = {
      {3.0, "3"},
      {0.25, "0.25"},
      {0.5, "0.5"},
      {-0.0, "0"},
      {-20, "-20"},
      {1e16, "10000000000000000"},
      {1e19, "1e+19"},
      {-0x1p63, "-9223372036854775808"},
      {0x1p63, "9223372036854775808"},
      {std::numeric_limits<double>::infinity(), "inf"},
      {-std::numeric_limits<double>::infinity(), "-inf"},
      {std::numeric_limits<double>::quiet_NaN(), "nan"},
      {-std::numeric_limits<double>::quiet_NaN(), "nan"},
      {0.0001, "0.0001"},
      {1e-05, "1e-05"},
      {-0.00001, "-1e-05"},
      {2500000.5, "2500000.5"},
      {0.1 + 0.2, "0.30000000000000004"},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(inputBoundText(row.value), QString::fromUtf8(row.text)) << row.text;
  }
  EXPECT_EQ(inputRangeText(1, 200), QStringLiteral("1\u2013200"));
  EXPECT_EQ(inputRangeText(0.5, 5), QStringLiteral("0.5\u20135"));
}

TEST(ShellHelpers, StoredWidths) {
  testing::ShellRig rig;
  EXPECT_EQ(rig.settings->sidebarWidth(), 240);
  EXPECT_EQ(rig.settings->referenceWidth(), 300);
  const struct {
    const char* stored;
    double sidebar;
  } rows[] = {{"262.5", 262.5}, {"500", 500}, {"0", 0},    {"abc", 240},
              {"nan", 240},     {"inf", 240}, {"-5", 240}, {"16777216", 240}};
  for (const auto& row : rows) {
    rig.store->setValue(QStringLiteral("sidebarWidth"), QString::fromUtf8(row.stored));
    rig.store->setValue(QStringLiteral("referenceWidth"), QString::fromUtf8(row.stored));
    rig.store->sync();
    QSettings reread(rig.store->fileName(), QSettings::IniFormat);
    const ShellSettings fresh(reread);
    EXPECT_EQ(fresh.sidebarWidth(), row.sidebar) << row.stored;
    EXPECT_EQ(fresh.referenceWidth(), row.sidebar == 240 ? 300 : row.sidebar) << row.stored;
  }
}

TEST(ShellHelpers, SettingsOnlyFromARegularFile) {
  enum class Place { nothing, file, link, fifo, folder };
  const struct {
    const char* name;
    Place place;
    Appearance read;
    bool kept;  // a change is written to the file
  } rows[] = {
      {"nothing there yet", Place::nothing, Appearance::system, true},
      {"a regular file", Place::file, Appearance::dark, true},
      {"a link to a regular file", Place::link, Appearance::dark, true},
      {"a FIFO", Place::fifo, Appearance::system, false},
      {"a folder", Place::folder, Appearance::system, false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("zentrixcode.conf"));
    const QString real = dir.filePath(QStringLiteral("real.conf"));
    const QByteArray dark("[General]\nappearance=dark\n");
    switch (row.place) {
      case Place::nothing:
        break;
      case Place::file:
        model::testing::put(path, dark);
        break;
      case Place::link:
        model::testing::put(real, dark);
        ASSERT_TRUE(QFile::link(real, path));
        break;
      case Place::fifo:
        ASSERT_EQ(mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        break;
      case Place::folder:
        ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("zentrixcode.conf")));
        break;
    }
    const QStringList before =
        QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);

    {
      std::unique_ptr<QSettings> store = openSettingsFile(path);
      ShellSettings settings(*store);
      EXPECT_EQ(settings.appearance(), row.read);
      settings.setAppearance(Appearance::light);
      EXPECT_EQ(settings.appearance(), Appearance::light) << "kept while the process runs";
    }
    if (row.kept) {
      const QSettings reread(path, QSettings::IniFormat);
      EXPECT_EQ(reread.value(QStringLiteral("appearance")).toString(), "light");
    } else {
      EXPECT_FALSE(QFileInfo(path).isFile());
      EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                before);
    }
  }

  // Where the settings have always been, under the names `main` gives the application.
  testing::testApp();
  QTemporaryDir config;
  const QByteArray oldConfig = qgetenv("XDG_CONFIG_HOME");
  qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
  EXPECT_EQ(settingsFilePath(), QSettings().fileName());
  EXPECT_EQ(settingsFilePath(), config.filePath(QStringLiteral("wexo/zentrixcode.conf")));
  qputenv("XDG_CONFIG_HOME", oldConfig);
}

TEST(ShellHelpers, UnsavedWorkQuestion) {
  const auto file = [](const char* name) {
    return model::SourceFile::make(QString::fromUtf8(name), QStringLiteral("x"), std::nullopt, {});
  };
  const model::Alert one = unsavedWorkAlert({file("untitled-bot.kelo")});
  EXPECT_EQ(one.title, "Zentrix Code");
  EXPECT_EQ(one.style, model::Alert::Style::warning);
  EXPECT_EQ(one.message, "Save the changes to untitled-bot.kelo before closing?");
  EXPECT_EQ(one.informativeText,
            "Unsaved: untitled-bot.kelo. If you discard them, the changes are lost.");
  EXPECT_EQ(one.buttons, QStringList({"Save All", "Discard", "Cancel"}));
  EXPECT_EQ(one.defaultIndex, 0);
  EXPECT_EQ(one.cancelIndex, 2);
  const model::Alert three = unsavedWorkAlert({file("a.kelo"), file("b.kelo"), file("c.kelolib")});
  EXPECT_EQ(three.message, "Save the changes to 3 files before closing?");
  EXPECT_EQ(three.informativeText,
            "Unsaved: a.kelo, b.kelo, c.kelolib. If you discard them, the changes are lost.");
}

TEST(ShellHelpers, SaveAllStopsAtAFileAnotherProgramChanged) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("f.kelo"));
  model::testing::put(path, "bot \"A\" {}\n");
  testing::Rig rig;
  model::Workspace& w = rig.start();
  rig.dialogs.openAnswers = {{path}};
  w.openFromDisk();
  w.setSelectedText(QStringLiteral("mine"));
  model::testing::put(path, "theirs");
  rig.dialogs.askAnswers = {0, 1};  // Save All, then Cancel to replacing theirs
  EXPECT_FALSE(settleUnsavedWork(w, rig.dialogs));
  EXPECT_EQ(rig.dialogs.kinds.count(model::FakeDialogs::Kind::ask), 2);
  EXPECT_EQ(rig.dialogs.lastAlert().buttons, QStringList({"Replace", "Cancel"}));
  EXPECT_EQ(model::testing::bytesOf(path), "theirs");
  EXPECT_TRUE(w.selected()->hasUnsavedChanges());
}

TEST(ShellHelpers, NoDisplayMessage) {
  const auto env = [](QByteArray platform, QByteArray display, QByteArray wayland) {
    return [=](const char* name) {
      const QByteArray n(name);
      return n == "QT_QPA_PLATFORM" ? platform : n == "DISPLAY" ? display : wayland;
    };
  };
  EXPECT_EQ(noDisplayMessage(env("", "", "")).value_or(QString()),
            "zentrixcode: cannot open a window: no display is set (DISPLAY and WAYLAND_DISPLAY "
            "are empty). Start it from a desktop session.");
  EXPECT_FALSE(noDisplayMessage(env("offscreen", "", "")));
  EXPECT_FALSE(noDisplayMessage(env("", ":0", "")));
  EXPECT_FALSE(noDisplayMessage(env("", "", "wayland-0")));
}

}  // namespace
}  // namespace zx::views
