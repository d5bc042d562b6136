#include "model/workspace_test_support.h"

namespace zx::model {
namespace {

using testing::Rig;
using testing::settle;
using F = Workspace::Field;

TEST(WorkspaceStartup, OpensTheSampleAndChecksIt) {
  Rig rig;
  Workspace& w = rig.start();
  ASSERT_EQ(w.files().size(), 1);
  const SourceFile& f = w.files().first();
  EXPECT_EQ(f.name, "golden-cross.kelo");
  EXPECT_EQ(w.selectedFileID(), f.id);
  EXPECT_EQ(w.selected(), f);
  EXPECT_EQ(w.selectedIndex(), 0);
  EXPECT_EQ(f.url, std::nullopt);
  EXPECT_EQ(f.text, SourceFile::sampleText());
  EXPECT_EQ(f.savedText, f.text);
  EXPECT_EQ(rig.engine.names(),
            (QStringList{"check golden-cross.kelo", "inputs golden-cross.kelo"}));
  EXPECT_EQ(rig.engine.calls().first().source, SourceFile::sampleText());

  EXPECT_EQ(w.testBalance(), 10000.0);
  EXPECT_EQ(w.testBars(), 5000);
  EXPECT_EQ(w.testTimeframe(), 60);
  EXPECT_EQ(w.testSymbol(), "");
  EXPECT_EQ(w.dataNotice(), "Generated prices, not a real market.");
  EXPECT_EQ(w.priceDigits(), 5);
  EXPECT_EQ(w.accountCurrency(), "USD");
  EXPECT_EQ(w.reportCurrency(), "USD");
  EXPECT_TRUE(w.currencyConverted());
  EXPECT_EQ(w.cursorLine(), 1);
  EXPECT_EQ(w.cursorColumn(), 1);
  EXPECT_FALSE(w.isTesting());
  EXPECT_FALSE(w.buildFailed());
  EXPECT_EQ(w.buildMessage(), std::nullopt);
  EXPECT_EQ(w.report(), std::nullopt);
  EXPECT_EQ(w.schema(), std::nullopt);  // the fake's inputs reply is not ok
  EXPECT_EQ(w.session(), std::nullopt);
  EXPECT_FALSE(w.loadingSymbols());
  EXPECT_FALSE(w.wantsSignIn());
  EXPECT_FALSE(w.usingLiveData());
  EXPECT_TRUE(rig.client.calls.isEmpty());
}

TEST(WorkspaceStartup, RestoresAStoredSession) {
  const client::Session session{"5001", "Ann", "Acme", "Acme-Live", "EUR", 100, 5000};
  const struct {
    bool signedIn;
    std::optional<client::Session> stored;
    QStringList calls;
    std::optional<client::Session> session;
  } rows[] = {
      {false, session, {}, std::nullopt},
      {true, std::nullopt, {}, std::nullopt},
      {true, session, {"market"}, session},
  };
  for (const auto& r : rows) {
    Rig rig;
    rig.client.signedIn = r.signedIn;
    rig.client.stored = r.stored;
    testing::testApp();
    rig.workspace = std::make_unique<Workspace>(rig.engine, rig.client, rig.dialogs, rig.viewer);
    testing::Publications pubs(rig.w());
    settle();
    EXPECT_EQ(rig.client.calls, r.calls);
    EXPECT_EQ(rig.w().session(), r.session);
    // The check publishes from its worker whenever it ends; the restore's own order is fixed.
    QStringList names = pubs.names();
    const QStringList check{"diagnostics", "schema", "lastCheckMilliseconds"};
    for (const QString& n : check) names.removeOne(n);
    QStringList expected;
    if (r.session) {
      expected << "session"
               << "loadingSymbols"
               << "buildFailed"
               << "buildMessage"
               << "loadingSymbols";  // the fake's market reply is unset: a failure
    }
    EXPECT_EQ(names, expected);
    EXPECT_EQ(pubs.names().size(), expected.size() + 3);
  }
}

TEST(WorkspaceStartup, SettersPublishEvenEqualValues) {
  Rig rig;
  Workspace& w = rig.start();
  testing::Publications pubs(w);
  w.setTestBars(5000);
  w.setTestBars(5000);
  w.setWantsSignIn(true);
  w.setCursor(3, 7);
  EXPECT_EQ(pubs.take(),
            (QStringList{"testBars", "testBars", "wantsSignIn", "cursorLine", "cursorColumn"}));
  EXPECT_EQ(w.cursorLine(), 3);
  EXPECT_EQ(w.cursorColumn(), 7);
  EXPECT_EQ(Workspace::fieldName(F::currencyConverted), "currencyConverted");

  // A selection naming nothing open selects nothing.
  w.setSelectedFileID(QUuid::createUuid());
  EXPECT_EQ(w.selected(), std::nullopt);
  EXPECT_EQ(w.selectedIndex(), std::nullopt);
}

}  // namespace
}  // namespace zx::model
