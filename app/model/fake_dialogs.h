// Dialogs for tests: answers from a script, a log of every question, and an optional
// hook that runs while a dialog is "open" (where a real one turns the event loop).
// A question with no scripted answer is recorded as unexpected and cancelled.
#pragma once

#include <QList>
#include <functional>
#include <variant>

#include "model/dialogs.h"

namespace zx::model {

class FakeDialogs final : public Dialogs {
 public:
  using Request = std::variant<FilePanel, Alert, TextPrompt>;
  enum class Kind { openFiles, saveFile, ask, askText };

  // Scripted answers, each list used front first.
  QList<QStringList> openAnswers;
  QList<std::optional<QString>> saveAnswers;
  QList<int> askAnswers;
  QList<std::optional<QString>> textAnswers;

  // Runs once, inside the next question, before it answers; then it is cleared.
  std::function<void()> whileOpen;

  // Every question, in order.
  QList<Kind> kinds;
  QList<Request> requests;
  // The kinds of questions that found no scripted answer.
  QList<Kind> unexpected;

  QStringList openFiles(const FilePanel& panel) override {
    record(Kind::openFiles, panel);
    if (openAnswers.isEmpty()) {
      unexpected << Kind::openFiles;
      return {};
    }
    return openAnswers.takeFirst();
  }
  std::optional<QString> saveFile(const FilePanel& panel) override {
    record(Kind::saveFile, panel);
    if (saveAnswers.isEmpty()) {
      unexpected << Kind::saveFile;
      return std::nullopt;
    }
    return saveAnswers.takeFirst();
  }
  int ask(const Alert& alert) override {
    record(Kind::ask, alert);
    if (askAnswers.isEmpty()) {
      unexpected << Kind::ask;
      return alert.cancelIndex;
    }
    return askAnswers.takeFirst();
  }
  std::optional<QString> askText(const TextPrompt& prompt) override {
    record(Kind::askText, prompt);
    if (textAnswers.isEmpty()) {
      unexpected << Kind::askText;
      return std::nullopt;
    }
    return textAnswers.takeFirst();
  }

  const FilePanel& lastPanel() const { return std::get<FilePanel>(requests.last()); }
  const Alert& lastAlert() const { return std::get<Alert>(requests.last()); }
  const TextPrompt& lastPrompt() const { return std::get<TextPrompt>(requests.last()); }

 private:
  void record(Kind kind, Request request) {
    kinds << kind;
    requests << std::move(request);
    if (whileOpen) {
      std::function<void()> hook = std::move(whileOpen);
      whileOpen = nullptr;
      hook();
    }
  }
};

}  // namespace zx::model
