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
  connect(&backtestWatcher_, &QFutureWatcherBase::finished, this, &Workspace::backtestFinished);

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
  backtestWatcher_.waitForFinished();
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

void Workspace::setFiles(QList<SourceFile> v) {
  files_ = std::move(v);
  publish(Field::files);
}
void Workspace::setSelectedFileID(std::optional<QUuid> v) {
  selectedFileID_ = v;
  publish(Field::selectedFileID);
}
void Workspace::setDiagnostics(QList<bridge::Diagnostic> v) {
  diagnostics_ = std::move(v);
  publish(Field::diagnostics);
}
void Workspace::setSchema(std::optional<bridge::InputSchema> v) {
  schema_ = std::move(v);
  publish(Field::schema);
}
void Workspace::setReport(std::optional<bridge::BacktestReport> v) {
  report_ = std::move(v);
  publish(Field::report);
}
void Workspace::setBuildMessage(std::optional<QString> v) {
  buildMessage_ = std::move(v);
  publish(Field::buildMessage);
}
void Workspace::setBuildFailed(bool v) {
  buildFailed_ = v;
  publish(Field::buildFailed);
}
void Workspace::setIsTesting(bool v) {
  isTesting_ = v;
  publish(Field::isTesting);
}
void Workspace::setCursorLine(qint64 v) {
  cursorLine_ = v;
  publish(Field::cursorLine);
}
void Workspace::setCursorColumn(qint64 v) {
  cursorColumn_ = v;
  publish(Field::cursorColumn);
}
void Workspace::setLastCheckMilliseconds(qint64 v) {
  lastCheckMilliseconds_ = v;
  publish(Field::lastCheckMilliseconds);
}
void Workspace::setTestBalance(double v) {
  testBalance_ = v;
  publish(Field::testBalance);
}
void Workspace::setTestBars(qint64 v) {
  testBars_ = v;
  publish(Field::testBars);
}
void Workspace::setLastBuildFolder(std::optional<QString> v) {
  lastBuildFolder_ = std::move(v);
  publish(Field::lastBuildFolder);
}
void Workspace::setLastBuiltURL(std::optional<QString> v) {
  lastBuiltURL_ = std::move(v);
  publish(Field::lastBuiltURL);
}
void Workspace::setSession(std::optional<client::Session> v) {
  ++sessionGeneration_;
  session_ = std::move(v);
  publish(Field::session);
}
void Workspace::setSymbols(QList<client::SymbolRow> v) {
  symbols_ = std::move(v);
  publish(Field::symbols);
}
void Workspace::setTestSymbol(QString v) {
  testSymbol_ = std::move(v);
  publish(Field::testSymbol);
}
void Workspace::setTestTimeframe(qint64 v) {
  testTimeframe_ = v;
  publish(Field::testTimeframe);
}
void Workspace::setLoadingSymbols(bool v) {
  loadingSymbols_ = v;
  publish(Field::loadingSymbols);
}
void Workspace::setWantsSignIn(bool v) {
  wantsSignIn_ = v;
  publish(Field::wantsSignIn);
}
void Workspace::setDataNotice(QString v) {
  dataNotice_ = std::move(v);
  publish(Field::dataNotice);
}
void Workspace::setUsingLiveData(bool v) {
  usingLiveData_ = v;
  publish(Field::usingLiveData);
}
void Workspace::setPriceDigits(qint64 v) {
  priceDigits_ = v;
  publish(Field::priceDigits);
}
void Workspace::setAccountCurrency(QString v) {
  accountCurrency_ = std::move(v);
  publish(Field::accountCurrency);
}
void Workspace::setReportCurrency(QString v) {
  reportCurrency_ = std::move(v);
  publish(Field::reportCurrency);
}
void Workspace::setCurrencyConverted(bool v) {
  currencyConverted_ = v;
  publish(Field::currencyConverted);
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
