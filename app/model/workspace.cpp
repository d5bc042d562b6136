#include "model/workspace.h"

#include <QMetaEnum>
#include <QThread>

namespace zx::model {

Workspace::Workspace(const bridge::EngineCalls& engine, client::PlatformClient& client,
                     Dialogs& dialogs, FileViewer& viewer, QObject* parent)
    : QObject(parent), engine_(engine), client_(client), dialogs_(dialogs), viewer_(viewer) {
  checkDelay_.setSingleShot(true);
  // A coarse timer may fire several milliseconds early.
  checkDelay_.setTimerType(Qt::PreciseTimer);
  checkDelay_.setInterval(kCheckDelayMs);
  connect(&checkDelay_, &QTimer::timeout, this, [this] { startCheck(delayedCheck_); });
  connect(&checkWatcher_, &QFutureWatcherBase::finished, this, &Workspace::checkFinished);
  backtestLink_->workspace = this;

  const QString sample = SourceFile::sampleText();
  SourceFile file = SourceFile::make(SourceFile::sampleName(), sample, std::nullopt, sample);
  const QUuid id = file.id;
  setFiles({std::move(file)});
  setSelectedFileID(id);
  // Both queued: the check is queued first, so it runs first.
  runCheck(true);
  QTimer::singleShot(0, this, &Workspace::restoreSession);
}

Workspace::~Workspace() {
  // The workers use the engine, which the caller may destroy right after us.
  checkWatcher_.waitForFinished();
  std::unique_lock lock(backtestLink_->mutex);
  backtestLink_->workspace = nullptr;
  if (!backtestAbandoned_)
    backtestLink_->ended.wait(lock, [this] { return !backtestLink_->running; });
}

QString Workspace::fieldName(Field field) {
  return QString::fromLatin1(QMetaEnum::fromType<Field>().valueToKey(static_cast<int>(field)));
}

void Workspace::assertThread() const {
  Q_ASSERT_X(QThread::currentThread() == thread(), "Workspace",
             "the workspace is changed only on its own thread");
}

void Workspace::publish(Field field) {
  assertThread();
  emit changed(field);
}

// A published property's setter: store, then publish, also for an equal value.
#define ZX_SETTER(Name, field, Type)  \
  void Workspace::set##Name(Type v) { \
    field##_ = std::move(v);          \
    publish(Field::field);            \
  }

ZX_SETTER(Files, files, QList<SourceFile>)
ZX_SETTER(SelectedFileID, selectedFileID, std::optional<QUuid>)
ZX_SETTER(Diagnostics, diagnostics, QList<bridge::Diagnostic>)
ZX_SETTER(Schema, schema, std::optional<bridge::InputSchema>)
ZX_SETTER(Report, report, std::optional<bridge::BacktestReport>)
ZX_SETTER(BuildMessage, buildMessage, std::optional<QString>)
ZX_SETTER(BuildFailed, buildFailed, bool)
ZX_SETTER(IsTesting, isTesting, bool)
ZX_SETTER(CursorLine, cursorLine, qint64)
ZX_SETTER(CursorColumn, cursorColumn, qint64)
ZX_SETTER(LastCheckMilliseconds, lastCheckMilliseconds, qint64)
ZX_SETTER(TestBalance, testBalance, double)
ZX_SETTER(TestBars, testBars, qint64)
ZX_SETTER(LastBuildFolder, lastBuildFolder, std::optional<QString>)
ZX_SETTER(LastBuiltURL, lastBuiltURL, std::optional<QString>)
ZX_SETTER(Symbols, symbols, QList<client::SymbolRow>)
ZX_SETTER(TestSymbol, testSymbol, QString)
ZX_SETTER(TestTimeframe, testTimeframe, qint64)
ZX_SETTER(LoadingSymbols, loadingSymbols, bool)
ZX_SETTER(WantsSignIn, wantsSignIn, bool)
ZX_SETTER(DataNotice, dataNotice, QString)
ZX_SETTER(UsingLiveData, usingLiveData, bool)
ZX_SETTER(PriceDigits, priceDigits, qint64)
ZX_SETTER(AccountCurrency, accountCurrency, QString)
ZX_SETTER(ReportCurrency, reportCurrency, QString)
ZX_SETTER(CurrencyConverted, currencyConverted, bool)

#undef ZX_SETTER

void Workspace::reportFailure(QString message) {
  setBuildFailed(true);
  setBuildMessage(std::move(message));
}

void Workspace::setSession(std::optional<client::Session> v) {
  ++sessionGeneration_;
  session_ = std::move(v);
  publish(Field::session);
}

std::optional<qsizetype> Workspace::indexOf(const QUuid& id) const {
  for (qsizetype i = 0; i < files_.size(); ++i) {
    if (files_[i].id == id) return i;
  }
  return std::nullopt;
}

SourceFile* Workspace::findFile(const QUuid& id) {
  const std::optional<qsizetype> i = indexOf(id);
  return i ? &files_[*i] : nullptr;
}

std::optional<qsizetype> Workspace::selectedIndex() const {
  if (!selectedFileID_) return std::nullopt;
  return indexOf(*selectedFileID_);
}

std::optional<SourceFile> Workspace::file(const QUuid& id) const {
  const std::optional<qsizetype> i = indexOf(id);
  if (!i) return std::nullopt;
  return files_[*i];
}

std::optional<SourceFile> Workspace::selected() const {
  const std::optional<qsizetype> i = selectedIndex();
  if (!i) return std::nullopt;
  return files_[*i];
}

void Workspace::setSelectedText(const QString& text) {
  const std::optional<qsizetype> i = selectedIndex();
  // An equal text also ends the echo of a text the editor was just given.
  if (!i || files_[*i].text == text) return;
  files_[*i].text = text;
  publishFiles();
  runCheck(false);
}

void Workspace::setCursor(qint64 line, qint64 column) {
  setCursorLine(line);
  setCursorColumn(column);
}

}  // namespace zx::model
