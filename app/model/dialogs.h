// The modal questions the application asks: file panels, alerts and a one-line text
// prompt. `QtDialogs` (model/qt_dialogs.h) shows real ones; `FakeDialogs`
// (model/fake_dialogs.h) answers from a script in tests. Every call blocks until the
// user answers, running a nested event loop meanwhile: callers must look their data up
// again afterwards, since anything queued may have run.
#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace zx::model {

// An open or save panel.
struct FilePanel {
  QString title;
  QString acceptLabel;    // empty: the panel's own ("Open", "Save")
  QString folder;         // where it starts; empty or missing: the home folder
  QString fileName;       // the proposed name (save panels)
  QStringList filters;    // e.g. "Kelo files (*.kelo *.kelolib)"
  QString defaultSuffix;  // added to a typed name without one, e.g. "zxb"
  bool multiple = false;  // open panels: several files may be chosen

  friend bool operator==(const FilePanel&, const FilePanel&) = default;
};

// A question with buttons.
struct Alert {
  enum class Style { information, warning, critical };

  QString title;  // the window title; empty: the application's name
  Style style = Style::information;
  QString message;
  QString informativeText;
  QStringList buttons;   // left to right as read, e.g. {"Remove", "Cancel"}
  int defaultIndex = 0;  // the button Return chooses
  int cancelIndex = -1;  // the answer for Escape or closing the window

  friend bool operator==(const Alert&, const Alert&) = default;
};

// A prompt for one line of text, e.g. a new file name.
struct TextPrompt {
  QString title;
  QString label;
  QString text;         // proposed, shown selected
  QString acceptLabel;  // empty: the prompt's own ("OK")

  friend bool operator==(const TextPrompt&, const TextPrompt&) = default;
};

class Dialogs {
 public:
  virtual ~Dialogs() = default;

  // Absolute paths chosen, in the panel's order; empty when cancelled.
  virtual QStringList openFiles(const FilePanel& panel) = 0;
  // The absolute path chosen, or none when cancelled.
  virtual std::optional<QString> saveFile(const FilePanel& panel) = 0;
  // The index of the button chosen; `cancelIndex` for Escape or closing.
  virtual int ask(const Alert& alert) = 0;
  // The text entered, or none when cancelled.
  virtual std::optional<QString> askText(const TextPrompt& prompt) = 0;
};

}  // namespace zx::model
