// The sign-in sheet under a platform that answers with far more than it was asked for:
// a broker search reply of 20,000 brokers, and a broker with 20,000 trading servers. Each
// benchmark times what the user waits for, from the reply's arrival to the sheet painted
// (or the server menu open), in a 460 x 520 sheet over a shown window.
#include <benchmark/benchmark.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <deque>
#include <memory>

#include "bridge/fake_engine.h"
#include "client/fake_platform_client.h"
#include "model/fake_dialogs.h"
#include "model/fake_file_viewer.h"
#include "model/workspace.h"
#include "panels/application_setup.h"
#include "panels/sign_in_flow.h"
#include "panels/sign_in_sheet.h"
#include "theme/theme.h"

namespace {

using namespace zx;

QApplication& app() {
  static int argc = 1;
  static char name[] = "sign_in_bench";
  static char* argv[] = {name, nullptr};
  static QApplication* instance = [] {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    auto* made = new QApplication(argc, argv);
    views::prepareApplication();  // the application's own style and settings
    return made;
  }();
  return *instance;
}

// Hands each broker or server reply over when the benchmark says so.
class HeldClient final : public client::PlatformClient {
 public:
  client::FakePlatformClient inner;
  std::deque<client::Done<QList<client::Broker>>> brokerReplies;
  std::deque<client::Done<QList<client::TradingServer>>> serverReplies;

  bool isSignedIn() const override { return inner.isSignedIn(); }
  std::optional<client::Session> storedSession() const override { return inner.storedSession(); }
  void signOut() override { inner.signOut(); }
  void brokers(const QString&, QObject*, client::Done<QList<client::Broker>> done) override {
    brokerReplies.push_back(std::move(done));
  }
  void servers(const QString&, QObject*, client::Done<QList<client::TradingServer>> done) override {
    serverReplies.push_back(std::move(done));
  }
  void signIn(const QString& l, const QString& p, const QString& s, QObject* c,
              client::Done<client::Session> d) override {
    inner.signIn(l, p, s, c, std::move(d));
  }
  void market(QObject* c, client::Done<client::MarketState> d) override {
    inner.market(c, std::move(d));
  }
  void candles(const QString& s, qint64 m, QObject* c,
               client::Done<QList<client::Candle>> d) override {
    inner.candles(s, m, c, std::move(d));
  }
};

QList<client::Broker> brokerList(int n, char tag) {
  QList<client::Broker> out;
  out.reserve(n);
  for (int i = 0; i < n; ++i) {
    out.append({QStringLiteral("%1 Markets %2").arg(QChar(tag)).arg(i), std::nullopt, i % 7});
  }
  return out;
}

QList<client::TradingServer> serverList(int n, char tag) {
  QList<client::TradingServer> out;
  out.reserve(n);
  for (int i = 0; i < n; ++i) {
    out.append({QStringLiteral("%1-Live-%2").arg(QChar(tag)).arg(i), std::nullopt});
  }
  return out;
}

// A shown window holding the light palette, with a sheet over it.
struct Stage {
  bridge::FakeEngine engine;
  HeldClient client;
  model::FakeDialogs dialogs;
  model::FakeFileViewer viewer;
  model::Workspace workspace{engine, client.inner, dialogs, viewer};
  std::unique_ptr<QWidget> window;
  views::SignInSheet* sheet;

  Stage() {
    app();
    window = std::make_unique<QWidget>();
    theme::PaletteScope::set(window.get(), theme::lightPalette());
    window->resize(900, 700);
    window->show();
    sheet = new views::SignInSheet(workspace, client, window.get());
    sheet->show();
    settle();
  }
  // Layout requests, deferred deletes, then a paint of the whole sheet.
  void settle() {
    QApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QApplication::processEvents();
    sheet->repaint();
  }
};

void BM_BrokerSearchReplyShown(benchmark::State& state) {
  Stage stage;
  const int n = int(state.range(0));
  const QList<client::Broker> lists[] = {brokerList(n, 'A'), brokerList(n, 'B')};
  int turn = 0;
  for (auto _ : state) {
    state.PauseTiming();
    stage.sheet->flow()->search(turn % 2 ? QStringLiteral("ab") : QStringLiteral("abc"));
    client::Done<QList<client::Broker>> reply = std::move(stage.client.brokerReplies.back());
    stage.client.brokerReplies.clear();
    state.ResumeTiming();
    reply(lists[turn++ % 2]);
    stage.settle();
  }
  state.counters["rows"] = double(stage.sheet->brokerRows().size());
}
BENCHMARK(BM_BrokerSearchReplyShown)->Arg(20000)->Unit(benchmark::kMillisecond);

// The credentials step shown for a broker whose server list arrives.
void BM_ServerListShown(benchmark::State& state) {
  Stage stage;
  const int n = int(state.range(0));
  const QList<client::TradingServer> lists[] = {serverList(n, 'A'), serverList(n, 'B')};
  int turn = 0;
  for (auto _ : state) {
    state.PauseTiming();
    stage.sheet->flow()->choose({QStringLiteral("Acme"), std::nullopt, n});
    client::Done<QList<client::TradingServer>> reply = std::move(stage.client.serverReplies.back());
    stage.client.serverReplies.clear();
    state.ResumeTiming();
    reply(lists[turn++ % 2]);
    stage.settle();
  }
  state.counters["servers"] = double(stage.sheet->serverPicker()->count());
}
BENCHMARK(BM_ServerListShown)->Arg(20000)->Unit(benchmark::kMillisecond);

// The server menu opened and painted over a list of `n` servers.
void BM_ServerPickerOpened(benchmark::State& state) {
  Stage stage;
  const int n = int(state.range(0));
  stage.sheet->flow()->choose({QStringLiteral("Acme"), std::nullopt, n});
  stage.client.serverReplies.back()(serverList(n, 'A'));
  stage.client.serverReplies.clear();
  stage.settle();
  QComboBox* picker = stage.sheet->serverPicker();
  for (auto _ : state) {
    picker->showPopup();
    QApplication::processEvents();
    picker->view()->window()->repaint();
    state.PauseTiming();
    picker->hidePopup();
    QApplication::processEvents();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_ServerPickerOpened)->Arg(20000)->Unit(benchmark::kMillisecond);

}  // namespace
