#include "bridge/kelo_calls.h"
#include "model/workspace_test_support.h"

namespace zx::model {
namespace {

using testing::Publications;
using testing::Rig;
using testing::settle;
using testing::waitFor;
using F = Workspace::Field;

// Queued work is delivered between the edits, but no timer fires: an edit that started
// its check at once, rather than after the delay, would check "first" too.
TEST(WorkspaceCheck, TypingIsDebounced) {
  Rig rig;
  Workspace& w = rig.start();
  const qsizetype before = rig.engine.calls().size();
  w.setSelectedText("first");
  QCoreApplication::sendPostedEvents();
  w.setSelectedText("second");
  QCoreApplication::sendPostedEvents();
  ASSERT_TRUE(waitFor(w, F::lastCheckMilliseconds));
  settle(200);
  const QList<testing::RecordingEngine::Call> calls = rig.engine.calls().mid(before);
  ASSERT_EQ(calls.size(), 2);
  EXPECT_EQ(calls[0].what, "check golden-cross.kelo");
  EXPECT_EQ(calls[1].what, "inputs golden-cross.kelo");
  for (const auto& c : calls) EXPECT_EQ(c.source, "second");
  // The fake answers at once.
  EXPECT_EQ(w.lastCheckMilliseconds(), 0);
}

TEST(WorkspaceCheck, ASelectionSupersedesAPendingEdit) {
  Rig rig;
  Workspace& w = rig.start();
  w.newFile(SourceFile::Kind::bot);
  settle();
  const qsizetype before = rig.engine.calls().size();
  w.setSelectedText("edit");
  w.select(w.files()[0]);
  settle(300);
  EXPECT_EQ(rig.engine.names().mid(before),
            (QStringList{"check golden-cross.kelo", "inputs golden-cross.kelo"}));
}

TEST(WorkspaceCheck, PublishesInOrderAndDropsABadSchema) {
  Rig rig;
  Workspace& w = rig.start();
  const bridge::Diagnostic warning{"warning", "KELO3001", "unused", 2, 1, 2, 4};
  const bridge::Diagnostic error{"error", "KELO2001", "expected", 1, 1, 1, 2};
  bridge::InputSchema schema;
  schema.ok = true;
  schema.groups = {{"signal", "Signal", false}};
  rig.engine.fake.inputsReply = schema;
  rig.engine.fake.checkReply = {true, {warning}};
  Publications pubs(w);
  w.runCheck(true);
  ASSERT_TRUE(waitFor(w, F::lastCheckMilliseconds));
  EXPECT_EQ(pubs.take(), (QStringList{"diagnostics", "schema", "lastCheckMilliseconds"}));
  EXPECT_EQ(w.schema(), schema);
  EXPECT_EQ(w.warningCount(), 1);

  // A failed inputs reply removes the schema; a failed check still shows its problems.
  rig.engine.fake.inputsReply.ok = false;
  rig.engine.fake.checkReply = {
      false, {error, warning, error, bridge::Diagnostic{"info", "X", "i", 1, 1, 1, 1}}};
  w.runCheck(true);
  ASSERT_TRUE(waitFor(w, F::lastCheckMilliseconds));
  EXPECT_EQ(w.schema(), std::nullopt);
  EXPECT_EQ(w.diagnostics().size(), 4);
  EXPECT_EQ(w.errorCount(), 2);
  EXPECT_EQ(w.warningCount(), 1);
}

TEST(WorkspaceCheck, ImmediateRequestsCollapseAndNoDocumentChecksEmpty) {
  Rig rig;
  Workspace& w = rig.start();
  const qsizetype before = rig.engine.calls().size();
  w.runCheck(true);
  w.runCheck(true);
  settle(100);
  EXPECT_EQ(rig.engine.names().mid(before),
            (QStringList{"check golden-cross.kelo", "inputs golden-cross.kelo"}));

  // An immediate request also ends a pending delayed one.
  w.setSelectedText("typed");
  w.closeFile(w.files()[0]);
  settle(300);
  const QList<testing::RecordingEngine::Call> calls = rig.engine.calls().mid(before + 2);
  ASSERT_EQ(calls.size(), 2);
  EXPECT_EQ(calls[0].what, "check untitled.kelo");
  EXPECT_EQ(calls[0].source, "");
}

TEST(WorkspaceCheck, AStaleResultFromTheWorkerIsDropped) {
  // The real engine takes long enough on a large text for newer requests to queue behind it.
  testing::testApp();
  bridge::FakeEngine unused;
  client::FakePlatformClient client;
  FakeDialogs dialogs;
  FakeFileViewer viewer;
  const bridge::EngineCalls& engine = bridge::Kelo::engine();
  Workspace w(engine, client, dialogs, viewer);
  ASSERT_TRUE(waitFor(w, F::lastCheckMilliseconds));
  QString big = SourceFile::sampleText();
  for (int i = 0; i < 2000; ++i) big += QStringLiteral("\nlet v%1 = ema(close, 5)").arg(i);
  w.setSelectedText(big);
  w.runCheck(true);
  QCoreApplication::processEvents();  // the big check starts on the worker
  w.setSelectedText("bot \"B\" {\n  version \"1.0.0\"\n}\nfn onBar() { let x = nope }");
  w.runCheck(true);
  w.runCheck(true);
  Publications pubs(w);
  ASSERT_TRUE(waitFor(w, F::lastCheckMilliseconds));
  settle(200);
  // Only the newest text's problems are shown, once.
  EXPECT_EQ(pubs.names(), (QStringList{"diagnostics", "schema", "lastCheckMilliseconds"}));
  ASSERT_EQ(w.diagnostics().size(), 1);
  EXPECT_EQ(w.diagnostics()[0].line, 4);
}

}  // namespace
}  // namespace zx::model
