// The application's one model object: the open documents and the selection, the latest
// check, build and backtest results, the tester settings and the signed-in account.
// Views read its properties, listen to `changed`, and change it through its setters and
// operations. It lives on the GUI thread; only engine calls leave it.
#pragma once

#include <QFutureWatcher>
#include <QList>
#include <QMap>
#include <QObject>
#include <QString>
#include <QTimer>
#include <QUuid>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

#include "bridge/engine_calls.h"
#include "client/platform_client.h"
#include "model/dialogs.h"
#include "model/file_viewer.h"
#include "model/market_data.h"
#include "model/source_file.h"

namespace zx::model {

class Workspace final : public QObject {
  Q_OBJECT

 public:
  // The published properties, in declaration order.
  enum class Field {
    files,
    selectedFileID,
    diagnostics,
    schema,
    report,
    buildMessage,
    buildFailed,
    isTesting,
    cursorLine,
    cursorColumn,
    lastCheckMilliseconds,
    testBalance,
    testBars,
    lastBuildFolder,
    lastBuiltURL,
    session,
    symbols,
    testSymbol,
    testTimeframe,
    loadingSymbols,
    wantsSignIn,
    dataNotice,
    usingLiveData,
    priceDigits,
    accountCurrency,
    reportCurrency,
    currencyConverted,
  };
  Q_ENUM(Field)

  // The data notice when the engine makes up its own prices.
  static QString generatedNotice() {
    return QStringLiteral("Generated prices, not a real market.");
  }
  // Bars handed to the engine ahead of the replay, with every run.
  static constexpr qint64 kWarmupBars = 200;
  // A download shorter than this is not used.
  static constexpr qint64 kMinimumBars = 21;
  // The delay between an edit and its check.
  static constexpr int kCheckDelayMs = 150;

  // Opens the sample document, selected, and queues its check and then the restore of a
  // stored sign-in, both for the first turn of the event loop. Every argument must
  // outlive the workspace.
  Workspace(const bridge::EngineCalls& engine, client::PlatformClient& client, Dialogs& dialogs,
            FileViewer& viewer, QObject* parent = nullptr);
  // Waits for a check still running on a worker, and for a backtest unless it was
  // abandoned.
  ~Workspace() override;

  // "files", "selectedFileID", ...
  static QString fieldName(Field field);

  // Published properties. Every setter stores its value and emits `changed`, also when
  // the value is equal.
  const QList<SourceFile>& files() const { return files_; }
  void setFiles(QList<SourceFile> files);
  const std::optional<QUuid>& selectedFileID() const { return selectedFileID_; }
  void setSelectedFileID(std::optional<QUuid> id);
  const QList<bridge::Diagnostic>& diagnostics() const { return diagnostics_; }
  void setDiagnostics(QList<bridge::Diagnostic> diagnostics);
  const std::optional<bridge::InputSchema>& schema() const { return schema_; }
  void setSchema(std::optional<bridge::InputSchema> schema);
  const std::optional<bridge::BacktestReport>& report() const { return report_; }
  void setReport(std::optional<bridge::BacktestReport> report);
  const std::optional<QString>& buildMessage() const { return buildMessage_; }
  void setBuildMessage(std::optional<QString> message);
  bool buildFailed() const { return buildFailed_; }
  void setBuildFailed(bool failed);
  bool isTesting() const { return isTesting_; }
  void setIsTesting(bool testing);
  qint64 cursorLine() const { return cursorLine_; }
  void setCursorLine(qint64 line);
  qint64 cursorColumn() const { return cursorColumn_; }
  void setCursorColumn(qint64 column);
  qint64 lastCheckMilliseconds() const { return lastCheckMilliseconds_; }
  void setLastCheckMilliseconds(qint64 ms);
  double testBalance() const { return testBalance_; }
  void setTestBalance(double balance);
  qint64 testBars() const { return testBars_; }
  void setTestBars(qint64 bars);
  const std::optional<QString>& lastBuildFolder() const { return lastBuildFolder_; }
  void setLastBuildFolder(std::optional<QString> folder);
  const std::optional<QString>& lastBuiltURL() const { return lastBuiltURL_; }
  void setLastBuiltURL(std::optional<QString> path);
  const std::optional<client::Session>& session() const { return session_; }
  // Also makes every symbol load still in flight stale.
  void setSession(std::optional<client::Session> session);
  const QList<client::SymbolRow>& symbols() const { return symbols_; }
  void setSymbols(QList<client::SymbolRow> symbols);
  const QString& testSymbol() const { return testSymbol_; }
  void setTestSymbol(QString symbol);
  qint64 testTimeframe() const { return testTimeframe_; }
  void setTestTimeframe(qint64 minutes);
  bool loadingSymbols() const { return loadingSymbols_; }
  void setLoadingSymbols(bool loading);
  bool wantsSignIn() const { return wantsSignIn_; }
  void setWantsSignIn(bool wants);
  const QString& dataNotice() const { return dataNotice_; }
  void setDataNotice(QString notice);
  bool usingLiveData() const { return usingLiveData_; }
  void setUsingLiveData(bool live);
  qint64 priceDigits() const { return priceDigits_; }
  void setPriceDigits(qint64 digits);
  const QString& accountCurrency() const { return accountCurrency_; }
  void setAccountCurrency(QString currency);
  const QString& reportCurrency() const { return reportCurrency_; }
  void setReportCurrency(QString currency);
  bool currencyConverted() const { return currencyConverted_; }
  void setCurrencyConverted(bool converted);

  // The latest quotes of the account, by symbol name; not published.
  const QMap<QString, client::Quote>& quotes() const { return quotes_; }

  // The open document with `id` (a copy), or none.
  std::optional<SourceFile> file(const QUuid& id) const;
  // The selected document (a copy), or none when nothing, or nothing open, is selected.
  std::optional<SourceFile> selected() const;
  // Its position in `files`.
  std::optional<qsizetype> selectedIndex() const;

  // The editor's text binding: stores `text` into the selected document and asks for a
  // delayed check. Nothing happens without a selection or for the text already stored.
  void setSelectedText(const QString& text);
  // The caret, 1-based: publishes the line, then the column.
  void setCursor(qint64 line, qint64 column);

  // Documents. Operations given a document find it in `files` by id. They take a copy:
  // the caller's may be an element of `files`, which they replace.
  void newFile(SourceFile::Kind kind);
  void openFromDisk();
  void select(SourceFile file);
  void save(SourceFile file);
  void saveAs(SourceFile file);
  void rename(SourceFile file, const QString& name);
  void reveal(SourceFile file);
  void confirmDelete(SourceFile file);
  void closeFile(SourceFile file);

  // Checks the selected document (or "" as "untitled.kelo") now, or 150 ms after the
  // last delayed request. A newer request supersedes an older one.
  void runCheck(bool immediately);

  // Builds the selected document into a bundle; with `askWhere` a panel picks the place.
  void build(bool askWhere);
  void revealLastBuild();

  // Replays the selected document over the account's prices or generated ones. Does
  // nothing without a selection or while a run is under way.
  void runBacktest();
  // For the end of the process: a backtest still running is left to run out on its
  // thread, its result dropped, so that nothing waits for it. Returns whether one was
  // running; the process must then end without static destructors (std::_Exit), which
  // would pull the engine from under it.
  bool abandonBacktest();

  // Loads the account's symbols, quotes and currency. `done` is called once when this
  // load has ended, whether its reply was applied or dropped as stale.
  void loadSymbols(std::function<void()> done = {});
  void signOut();

  // Derived values.
  std::optional<client::SymbolRow> selectedSymbol() const;
  QString accountLabel() const;
  qint64 errorCount() const;
  qint64 warningCount() const;

 signals:
  // After a published property took its new value.
  void changed(zx::model::Workspace::Field field);

 private:
  struct CheckRequest {
    quint64 generation = 0;
    QString text;
    QString name;
  };
  struct CheckOutcome {
    quint64 generation = 0;
    bridge::CheckResult check;
    bridge::InputSchema inputs;
    qint64 milliseconds = 0;
  };
  struct BacktestSnapshot {
    QString text;
    QString name;
    double balance = 0;
    qint64 bars = 0;
    qint64 timeframe = 0;
    std::optional<client::SymbolRow> symbol;
  };

  void publish(Field field);
  void assertThread() const;
  std::optional<qsizetype> indexOf(const QUuid& id) const;
  // The open document with `id`, or null; valid until `files` next changes.
  SourceFile* findFile(const QUuid& id);
  // Emits `files` after a change to one document in place.
  void publishFiles() { publish(Field::files); }

  // Publishes `message` as the build line of a failed operation.
  void reportFailure(QString message);

  // Documents.
  QString uniqueName(const QString& base) const;
  // Asks first when `path` is the document's own file and another program changed it.
  void write(SourceFile file, QString path);
  // The open document other than `except` whose file `path` names, or null.
  const SourceFile* documentAt(const QString& path, std::optional<QUuid> except) const;
  // "a.kelo is the file of the open document b.kelo"
  static QString fileOfDocument(const QString& path, const SourceFile& document);
  QString defaultBuildFolder(const SourceFile& file) const;
  // Shows `path` in the file manager; when it cannot, says so, naming the file `name`.
  void revealInFileManager(const QString& path, const QString& name);

  // Check.
  void startCheck(const CheckRequest& request);
  void checkFinished();

  // Backtest.
  void backtestWithHistory(const BacktestSnapshot& snapshot, std::optional<PriceHistory> history,
                           bool attempted);
  void backtestFinished(bridge::BacktestReport report);

  // Session.
  void restoreSession();

  const bridge::EngineCalls& engine_;
  client::PlatformClient& client_;
  Dialogs& dialogs_;
  FileViewer& viewer_;

  QList<SourceFile> files_;
  std::optional<QUuid> selectedFileID_;
  QList<bridge::Diagnostic> diagnostics_;
  std::optional<bridge::InputSchema> schema_;
  std::optional<bridge::BacktestReport> report_;
  std::optional<QString> buildMessage_;
  bool buildFailed_ = false;
  bool isTesting_ = false;
  qint64 cursorLine_ = 1;
  qint64 cursorColumn_ = 1;
  qint64 lastCheckMilliseconds_ = 0;
  double testBalance_ = 10000.0;
  qint64 testBars_ = 5000;
  std::optional<QString> lastBuildFolder_;
  std::optional<QString> lastBuiltURL_;
  std::optional<client::Session> session_;
  QList<client::SymbolRow> symbols_;
  QString testSymbol_;
  qint64 testTimeframe_ = 60;
  bool loadingSymbols_ = false;
  bool wantsSignIn_ = false;
  QString dataNotice_ = generatedNotice();
  bool usingLiveData_ = false;
  qint64 priceDigits_ = 5;
  QString accountCurrency_ = QStringLiteral("USD");
  QString reportCurrency_ = QStringLiteral("USD");
  bool currencyConverted_ = true;

  QMap<QString, client::Quote> quotes_;

  // Check pipeline: a request's generation stands in for cancelling it.
  quint64 checkGeneration_ = 0;
  QTimer checkDelay_;
  CheckRequest delayedCheck_;
  std::optional<CheckRequest> queuedCheck_;  // waits for the worker
  QFutureWatcher<CheckOutcome> checkWatcher_;

  // The engine cannot be interrupted, so a backtest runs on a thread that nobody joins;
  // its report comes back through this link while the workspace still wants it.
  struct BacktestLink {
    std::mutex mutex;
    std::condition_variable ended;
    Workspace* workspace = nullptr;
    bool running = false;
  };
  std::shared_ptr<BacktestLink> backtestLink_ = std::make_shared<BacktestLink>();
  bool backtestAbandoned_ = false;

  // A symbol reply applies only to the latest load of the current session.
  quint64 sessionGeneration_ = 0;
  quint64 loadGeneration_ = 0;
};

}  // namespace zx::model
