// One sign-in from search to loaded symbols, over the real platform client and a local
// web server: the requests in order, then the model and the keyring.
#include <QBuffer>
#include <QComboBox>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>

#include "client/fake_web_server.h"
#include "client/memory_secret_store.h"
#include "client/zentrix_api.h"
#include "panels/broker_row.h"
#include "panels/sign_in_sheet.h"
#include "panels/views_test_support.h"

namespace zx::views {
namespace {

using Canned = client::FakeWebServer::Canned;

std::string logoUrl() {
  QImage image(30, 10, QImage::Format_ARGB32);
  image.fill(Qt::blue);
  QByteArray png;
  QBuffer buffer(&png);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "PNG");
  return "data:image/png;base64," + png.toBase64().toStdString();
}

TEST(SignInWeb, FromSearchToSymbols) {
  testing::testApp();
  client::FakeWebServer server;
  server.route("/client/brokers",
               Canned{200, R"({"ok":true,"data":{"items":[{"name":"Acme Markets","logo":")" +
                               logoUrl() + R"(","servers":3},{"name":"Acorn"}],"total":2}})"});
  server.route("/client/servers",
               Canned{200, R"({"ok":true,"data":[{"serverName":"Acme-Demo"},)"
                           R"({"serverName":"Acme-Live"},{"serverName":"Acme-Old"}]})"});
  server.route("/client/login",
               Canned{200, R"({"ok":true,"data":{"token":"TOKEN-1","session":{"login":"5001",)"
                           R"("name":"Ann","brokerName":"Acme Markets","serverName":"Acme-Live",)"
                           R"("currency":"USD","leverage":100,"balance":1000}}})"});
  server.route("/client/state",
               Canned{200, R"({"ok":true,"data":{"symbols":[{"sym":"XAUUSD","digits":2},)"
                           R"({"sym":"EURUSD","digits":5},{"sym":"AUDUSD","digits":5}]}})"});
  client::MemorySecretStore store;
  client::ZentrixAPI api(store, server.base());
  model::testing::RecordingEngine engine;
  model::FakeDialogs dialogs;
  model::FakeFileViewer viewer;
  model::Workspace w(engine, api, dialogs, viewer);
  testing::settle();

  testing::Window window({900, 700});
  window.show(new QWidget);
  presentSignInWhenWanted(window.widget(), w, api);
  w.setWantsSignIn(true);
  testing::settle();
  auto* sheet = window.widget()->findChild<SignInSheet*>();
  ASSERT_TRUE(sheet);

  QTest::keyClicks(sheet->searchField()->lineEdit(), "ac");
  ASSERT_TRUE(testing::waitUntil([&] { return sheet->brokerRows().size() == 2; }));
  BrokerRow* acme = sheet->brokerRows()[0];
  EXPECT_FALSE(acme->logo().isNull());
  EXPECT_EQ(acme->detail(), "3 servers");
  QTest::mouseClick(acme, Qt::LeftButton);
  ASSERT_TRUE(testing::waitUntil([&] { return sheet->serverPicker()->count() == 3; }));
  sheet->serverPicker()->setFocus();
  QTest::keyClick(sheet->serverPicker(), Qt::Key_Down);
  EXPECT_EQ(sheet->serverPicker()->currentText(), "Acme-Live");
  QTest::keyClicks(sheet->loginEdit(), " 5001 ");
  QTest::keyClicks(sheet->passwordEdit(), "pw");
  QTest::mouseClick(sheet->signInButton(), Qt::LeftButton);
  ASSERT_TRUE(testing::waitUntil([&] { return !w.wantsSignIn(); }));
  testing::settle();

  const std::vector<client::FakeWebServer::Recorded> requests = server.requests();
  ASSERT_EQ(requests.size(), 4u);
  EXPECT_EQ(requests[0].method, "GET");
  EXPECT_EQ(requests[0].target, "/client/brokers?q=ac&limit=25");
  EXPECT_EQ(requests[1].method, "GET");
  EXPECT_EQ(requests[1].path, "/client/servers");
  EXPECT_EQ(requests[1].param("broker"), "Acme Markets");
  EXPECT_EQ(requests[2].method, "POST");
  EXPECT_EQ(requests[2].path, "/client/login");
  EXPECT_EQ(
      QJsonDocument::fromJson(QByteArray::fromStdString(requests[2].body)).object(),
      QJsonDocument::fromJson(R"({"login":"5001","password":"pw","server":"Acme-Live"})").object());
  EXPECT_FALSE(requests[2].has("Authorization"));
  EXPECT_EQ(requests[3].method, "GET");
  EXPECT_EQ(requests[3].path, "/client/state");
  EXPECT_EQ(requests[3].header("Authorization"), "Bearer TOKEN-1");

  EXPECT_TRUE(window.widget()->findChildren<SignInSheet*>().isEmpty()) << "the sheet closed";
  ASSERT_TRUE(w.session().has_value());
  EXPECT_EQ(w.session()->login, "5001");
  QStringList syms;
  for (const client::SymbolRow& r : w.symbols()) syms << r.sym;
  EXPECT_EQ(syms, (QStringList{"AUDUSD", "EURUSD", "XAUUSD"}));
  EXPECT_EQ(w.testSymbol(), "EURUSD");
  const QByteArray stored = store.items.value("org.wexo.zentrix.code/zentrix.credentials");
  EXPECT_TRUE(stored.contains("TOKEN-1"));
  EXPECT_TRUE(stored.contains("\"login\":\"5001\""));
}

}  // namespace
}  // namespace zx::views
