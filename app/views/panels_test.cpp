// The bottom panel's lists: what each row holds, the table headers, and the panel itself.
#include "model/workspace_test_support.h"
#include "views/journal_model.h"
#include "views/problems_model.h"
#include "views/trades_model.h"

namespace zx::views {
namespace {

bridge::Diagnostic diagnostic(const char* severity, const char* message, qint64 line, qint64 column,
                              const char* code = "KELO3001") {
  bridge::Diagnostic d;
  d.severity = severity;
  d.code = code;
  d.message = message;
  d.line = line;
  d.column = column;
  return d;
}

bridge::JournalLine journal(qint64 bar, const char* level, const char* message, qint64 time) {
  return bridge::JournalLine{bar, time, level, message};
}

QString display(const QAbstractItemModel& m, int row) {
  return m.data(m.index(row, 0), Qt::DisplayRole).toString();
}

TEST(ListModels, ProblemRowsByPosition) {
  ProblemsModel m;
  const bridge::Diagnostic same = diagnostic("warning", "unused 'x'", 3, 1, "KELO3030");
  m.setDiagnostics(
      {diagnostic("error", "expected ')'", 1234, 5), same, same, diagnostic("fatal", "odd", 1, 1)});
  ASSERT_EQ(m.rowCount(), 4);
  EXPECT_EQ(display(m, 0), "error\texpected ')'\tKELO3001\t1234:5");
  EXPECT_EQ(display(m, 2), "warning\tunused 'x'\tKELO3030\t3:1") << "equal findings, two rows";
  EXPECT_EQ(m.cell(0, 0).tone, Tone::sell);
  EXPECT_EQ(m.cell(1, 0).tone, Tone::warning);
  EXPECT_EQ(m.cell(3, 0).tone, Tone::warning) << "only exactly \"error\" is red";
  EXPECT_EQ(m.cell(0, 3).text, "1234:5");
  EXPECT_FALSE(m.hasHeader());
}

TEST(ListModels, JournalTable) {
  JournalModel m;
  EXPECT_EQ(m.rowCount(), 1);
  EXPECT_EQ(display(m, 0), "Bar\tLevel\tMessage\tTime");
  EXPECT_EQ(m.flags(m.index(0, 0)), Qt::NoItemFlags);

  m.setLines({journal(1, "info", "msg1", 0), journal(2, "Warn", "msg2", 1700000000000),
              journal(2, "Warn", "msg2", 1700000000000), journal(7, "warn", "msg3", -1)});
  ASSERT_EQ(m.rowCount(), 5);
  EXPECT_EQ(display(m, 2), "2\tWARN\tmsg2\t14 Nov 22:13");
  EXPECT_EQ(display(m, 3), display(m, 2)) << "duplicates stay";
  EXPECT_EQ(display(m, 4), "7\tWARN\tmsg3\t\u2014");
  EXPECT_EQ(m.cell(1, 1).tone, Tone::muted);
  EXPECT_EQ(m.cell(3, 1).tone, Tone::warning);
  EXPECT_TRUE(m.flags(m.index(1, 0)) & Qt::ItemIsSelectable);
  EXPECT_EQ(m.data(m.index(4, 0), Qt::ToolTipRole).toString(), "msg3");
  EXPECT_FALSE(m.data(m.index(0, 0), Qt::ToolTipRole).isValid());

  EXPECT_EQ(m.messages({m.index(4, 0), m.index(0, 0), m.index(2, 0), m.index(2, 0)}), "msg2\nmsg3");
}

TEST(ListModels, TradesTable) {
  bridge::Trade t;
  t.side = "Buy";
  t.openPrice = 1.1;
  t.closePrice = 1.23456789;
  t.profit = -1234.5;
  t.reason = "take profit";
  TradesModel m;
  const QList<bridge::Trade> trades{t};
  m.setTrades(trades, 5, "USD");
  EXPECT_EQ(m.trades().constData(), trades.constData()) << "shares the report's list";
  EXPECT_EQ(display(m, 0), "Side\tIn\tOut\tProfit USD\tExit");
  EXPECT_EQ(display(m, 1), "BUY\t1.10000\t1.23457\t-1,234.50\ttarget");
  EXPECT_EQ(m.cell(0, 0).tone, Tone::sell);
  EXPECT_EQ(m.cell(0, 3).tone, Tone::sell);
  EXPECT_EQ(m.cell(0, 4).tone, Tone::buy);

  m.setTrades({}, 12, "");
  EXPECT_EQ(m.rowCount(), 1) << "the header alone";
  EXPECT_EQ(display(m, 0), "Side\tIn\tOut\tProfit \tExit");
  m.setTrades(trades, -2, "EUR");
  EXPECT_EQ(m.cell(0, 1).text, "1");
  m.setTrades(trades, 12, "EUR");
  EXPECT_EQ(m.cell(0, 1).text, "1.10000000");
}

}  // namespace
}  // namespace zx::views
