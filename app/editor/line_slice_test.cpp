#include "editor/line_slice.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <QAccessible>
#include <QInputMethodEvent>
#include <QPaintEngine>
#include <QPainter>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTextBlock>
#include <atomic>

#include "bridge/fake_engine.h"
#include "editor/editor_test_app.h"
#include "editor/kelo_editor.h"
#include "editor/kelo_text_view.h"
#include "editor/row_layout.h"
#include "editor/sample_colours.h"

namespace {

std::atomic<qint64> shapedCharacters{0};

}  // namespace

// Qt shapes every run of text through HarfBuzz's hb_shape_full. This program's own
// definition comes first in the lookup: it counts the run's characters and hands the run
// on to HarfBuzz.
extern "C" {
struct hb_font_t;
struct hb_buffer_t;
struct hb_feature_t;
int hb_shape_full(hb_font_t* font, hb_buffer_t* buffer, const hb_feature_t* features,
                  unsigned int count, const char* const* shapers) {
  using Shape =
      int (*)(hb_font_t*, hb_buffer_t*, const hb_feature_t*, unsigned int, const char* const*);
  using Length = unsigned int (*)(const hb_buffer_t*);
  static const auto shape = reinterpret_cast<Shape>(dlsym(RTLD_NEXT, "hb_shape_full"));
  static const auto length = reinterpret_cast<Length>(dlsym(RTLD_NEXT, "hb_buffer_get_length"));
  shapedCharacters += length(buffer);
  return shape(font, buffer, features, count, shapers);
}
}

namespace zx::editor {
namespace {

// A paint device that draws nothing and counts the characters of the text items drawn on
// it.
class CountingDevice : public QPaintDevice {
 public:
  explicit CountingDevice(const QWidget* like) : like_(like) {}
  qsizetype characters() const { return engine_.characters; }
  QPaintEngine* paintEngine() const override { return &engine_; }

 protected:
  int metric(PaintDeviceMetric metric) const override {
    switch (metric) {
      case PdmWidth:
        return like_->width();
      case PdmHeight:
        return like_->height();
      case PdmWidthMM:
        return like_->widthMM();
      case PdmHeightMM:
        return like_->heightMM();
      case PdmNumColors:
        return like_->colorCount();
      case PdmDepth:
        return like_->depth();
      case PdmDpiX:
        return like_->logicalDpiX();
      case PdmDpiY:
        return like_->logicalDpiY();
      case PdmPhysicalDpiX:
        return like_->physicalDpiX();
      case PdmPhysicalDpiY:
        return like_->physicalDpiY();
      case PdmDevicePixelRatio:
        return 1;
      case PdmDevicePixelRatioScaled:
        return int(devicePixelRatioFScale());
    }
    return 0;
  }

 private:
  struct Engine : QPaintEngine {
    Engine() : QPaintEngine(AllFeatures) {}
    bool begin(QPaintDevice*) override { return true; }
    bool end() override { return true; }
    void updateState(const QPaintEngineState&) override {}
    void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override {}
    void drawPath(const QPainterPath&) override {}
    void drawTextItem(const QPointF&, const QTextItem& item) override {
      characters += item.text().size();
    }
    Type type() const override { return User; }
    qsizetype characters = 0;
  };
  const QWidget* like_;
  mutable Engine engine_;
};

// Pieces of a generated line and the token kind the engine gives each; no kind: none.
struct Piece {
  QString text;
  QString kind;
};

struct LongLine : ::testing::Test {
  bridge::FakeEngine engine;
  std::unique_ptr<KeloEditor> editor;
  std::unique_ptr<QSignalSpy> coloured;
  EditorColours colours = lightSampleColours();
  QString head = u"// top\n"_qs;
  QString line;
  QString tail;                                // lines between the long one and the last
  QList<std::tuple<int, int, QString>> spans;  // line-relative, with their kind

  // "let v = 0 + 1 + 1 …" to `length` characters, a tab every `tabEvery` pieces if set.
  void generate(int length, int tabEvery = 0) {
    QList<Piece> pieces = {
        {u"let"_qs, u"keyword"_qs},   {u" "_qs, {}}, {u"v"_qs, u"identifier"_qs}, {u" "_qs, {}},
        {u"="_qs, u"punctuation"_qs}, {u" "_qs, {}}, {u"0"_qs, u"number"_qs}};
    for (int i = 0; pieces.size() < length; ++i) {
      pieces.append({tabEvery && i % tabEvery == 0 ? u"\t"_qs : u" "_qs, {}});
      pieces.append({u"+"_qs, u"punctuation"_qs});
      pieces.append({u" "_qs, {}});
      pieces.append({i % 5 ? u"1"_qs : u"if"_qs, i % 5 ? u"number"_qs : u"keyword"_qs});
    }
    line.clear();
    spans.clear();
    engine.tokensReply.clear();
    for (const Piece& p : pieces) {
      if (line.size() >= length) break;
      if (!p.kind.isEmpty()) {
        const int start = int(head.size() + line.size());
        engine.tokensReply.append({p.kind, start, start + p.text.size(), 2});
        spans.append({int(line.size()), int(line.size() + p.text.size()), p.kind});
      }
      line += p.text;
    }
  }

  void show() {
    editor = std::make_unique<KeloEditor>(engine);
    coloured = std::make_unique<QSignalSpy>(editor.get(), &KeloEditor::coloured);
    editor->resize(700, 300);
    colours.rowHover = Qt::transparent;
    editor->setColours(colours);
    editor->show();
    QApplication::setActiveWindow(editor.get());
    view()->setFocus();
    ASSERT_TRUE(QTest::qWaitForWindowActive(editor.get()));
    editor->setText(head + line + tail + u"\nplot(v)"_qs);
    ASSERT_TRUE(coloured->wait(5000));
    view()->viewport()->repaint();
  }
  KeloTextView* view() const { return editor->textView(); }
  QTextBlock block() const { return view()->document()->findBlockByNumber(1); }
  void placeCaret(int position) {
    QTextCursor c(view()->document());
    c.setPosition(position);
    view()->setTextCursor(c);
  }
  int rowTop() const {
    return int(view()->rowLayout()->rowTop(block())) - view()->verticalScrollBar()->value();
  }
};

TEST_F(LongLine, AnIdleCaretShapesAndDrawsOnlyItsSurroundings) {
  generate(20000);
  shapedCharacters = 0;
  show();
  if (shapedCharacters == 0) GTEST_SKIP() << "this Qt shapes text without the system HarfBuzz";
  ASSERT_TRUE(paintsBySlices(line));
  const int start = int(head.size());
  struct Place {
    const char* what;
    int position;
  };
  for (const Place& p :
       {Place{"in the line", start + 10}, Place{"at its end", start + 19990},
        Place{"on the line above", 3}, Place{"on the line below", start + 20003}}) {
    SCOPED_TRACE(p.what);
    placeCaret(p.position);
    view()->ensureCursorVisible();
    QApplication::processEvents();
    view()->viewport()->repaint();
    // The blink asks for the caret's rectangle and repaints it.
    const qint64 before = shapedCharacters;
    for (int blink = 0; blink < 6; ++blink) view()->viewport()->repaint(view()->cursorRect());
    EXPECT_LT(shapedCharacters - before, 6 * 200);
    CountingDevice caret(view()->viewport());
    view()->viewport()->render(&caret, QPoint(), QRegion(view()->cursorRect()));
    EXPECT_LT(caret.characters(), 200);
  }

  placeCaret(start + 10);
  view()->horizontalScrollBar()->setValue(0);
  CountingDevice whole(view()->viewport());
  view()->viewport()->render(&whole);
  const int fit = int(view()->viewport()->width() / view()->fontMetrics().horizontalAdvance(u'1'));
  EXPECT_GT(whole.characters(), fit / 2) << "the counting device saw the text";
  EXPECT_LT(whole.characters(), 4 * fit);

  // Moving along the line reads the shaping kept for the caret's line.
  const qint64 before = shapedCharacters;
  for (const Qt::Key key : {Qt::Key_Right, Qt::Key_Right, Qt::Key_Left, Qt::Key_End}) {
    QTest::keyClick(view(), key);
    view()->viewport()->repaint();
  }
  EXPECT_EQ(view()->textCursor().positionInBlock(), line.size());
  EXPECT_GT(view()->horizontalScrollBar()->value(), 0);
  EXPECT_LT(shapedCharacters - before, 4 * 4 * fit);
}

TEST_F(LongLine, AKeystrokeShapesTheLineOnceUntilItIsColoured) {
  generate(20000);
  shapedCharacters = 0;
  show();
  if (shapedCharacters == 0) GTEST_SKIP() << "this Qt shapes text without the system HarfBuzz";

  QList<QRect> painted;
  struct Recorder : QObject {
    QList<QRect>* rects;
    bool eventFilter(QObject*, QEvent* e) override {
      if (e->type() == QEvent::Paint) {
        for (const QRect& r : static_cast<QPaintEvent*>(e)->region()) rects->append(r);
      }
      return false;
    }
  } recorder;
  recorder.rects = &painted;
  // The engine's tokens for the text with an "x" after "let v = 0": the number "0x".
  const int typed = int(head.size()) + 9;
  for (bridge::Token& t : engine.tokensReply) {
    if (t.start >= typed) {
      ++t.start;
      ++t.end;
    } else if (t.end == typed) {
      ++t.end;
    }
  }
  placeCaret(typed);
  const qint64 before = shapedCharacters;
  const auto colouredBefore = coloured->count();
  QTest::keyClick(view(), Qt::Key_X);
  view()->viewport()->repaint();
  view()->viewport()->installEventFilter(&recorder);
  ASSERT_TRUE(QTest::qWaitFor([&] { return coloured->count() > colouredBefore; }, 5000));
  QApplication::processEvents();
  view()->viewport()->removeEventFilter(&recorder);
  const qint64 shaped = shapedCharacters - before;
  EXPECT_GE(shaped, line.size()) << "the edited line is laid out anew";
  EXPECT_LT(shaped, line.size() + 2000) << "and only once";

  // The fresh colours reach the screen, over the whole row, not just the caret's blink.
  const QPoint farRight(view()->viewport()->width() - 4,
                        rowTop() + view()->rowLayout()->pitch() / 2);
  EXPECT_TRUE(std::any_of(painted.cbegin(), painted.cend(),
                          [&](const QRect& r) { return r.contains(farRight); }));
}

// What the line looked like when the whole of it was laid out with its colours and drawn.
QImage wholeLinePainted(const KeloTextView* view, const QString& line,
                        const QList<std::tuple<int, int, QString>>& spans,
                        const EditorColours& colours, qreal top) {
  const QHash<QString, QColor> byKind = {{u"keyword"_qs, colours.keyword},
                                         {u"number"_qs, colours.number},
                                         {u"punctuation"_qs, colours.punctuation}};
  QList<QTextLayout::FormatRange> formats;
  for (const auto& [start, end, kind] : spans) {
    QTextCharFormat f;
    if (!byKind.contains(kind)) continue;
    f.setForeground(byKind[kind]);
    if (kind == u"keyword"_qs) f.setFontWeight(QFont::DemiBold);
    formats.append({start, end - start, f});
  }
  QTextLayout layout(line, view->document()->defaultFont(), view->viewport());
  QTextOption option = view->document()->defaultTextOption();
  option.setWrapMode(QTextOption::NoWrap);
  layout.setTextOption(option);
  layout.setFormats(formats);
  layout.beginLayout();
  QTextLine l = layout.createLine();
  l.setLineWidth(1e6);
  layout.endLayout();
  l.setPosition(QPointF(RowLayout::kPadding, view->rowLayout()->lift()));

  QImage image(view->viewport()->size(), QImage::Format_ARGB32_Premultiplied);
  image.fill(colours.panel);
  QPainter painter(&image);
  painter.setPen(colours.text);
  layout.draw(&painter, QPointF(-view->horizontalScrollBar()->value(), top));
  return image;
}

TEST_F(LongLine, SlicesPaintWhatTheWholeLinePaints) {
  struct Row {
    const char* what;
    int length, tabEvery;
    double scrolled;  // of the scroll range
  };
  const Row rows[] = {
      {"the line's start", 3000, 0, 0},
      {"its middle", 3000, 0, 0.37},
      {"its end", 3000, 0, 1},
      {"tabs, near the start", 3000, 3, 0.02},
      {"tabs, far along", 3000, 3, 0.61},
      {"tabs, at the end", 3000, 7, 1},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    generate(r.length, r.tabEvery);
    show();
    ASSERT_TRUE(paintsBySlices(line));
    placeCaret(0);  // no caret on the long line
    QScrollBar* bar = view()->horizontalScrollBar();
    bar->setValue(int(r.scrolled * bar->maximum()));
    const QImage shown =
        view()->viewport()->grab().toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const QImage expected = wholeLinePainted(view(), line, spans, colours, rowTop());
    const QRect row(0, rowTop(), shown.width(), view()->rowLayout()->pitch());
    int differing = 0;
    int inked = 0;
    for (int y = row.top(); y <= row.bottom(); ++y) {
      for (int x = row.left(); x <= row.right(); ++x) {
        differing += shown.pixel(x, y) != expected.pixel(x, y);
        inked += expected.pixel(x, y) != colours.panel.rgba();
      }
    }
    EXPECT_GT(inked, 100) << "the row shows text";
    EXPECT_EQ(differing, 0);
  }
}

// The long line's row as the viewport shows it, the caret steady.
QImage rowShown(KeloTextView* view, int top, int pitch) {
  view->viewport()->repaint();
  return view->viewport()->grab().toImage().copy(0, top, view->viewport()->width(), pitch);
}

TEST_F(LongLine, ComposingLooksAsTheComposedTextTyped) {
  QApplication::setCursorFlashTime(0);
  for (const int length : {3000, 300}) {
    SCOPED_TRACE(length);
    generate(length);
    show();
    // After the space before a "+", so no token reaches the pre-edit text.
    const int at = int(head.size() + line.indexOf(u" +"_qs, 40)) + 1;
    placeCaret(at);

    QInputMethodEvent compose(u"ab"_qs, {});
    QApplication::sendEvent(view(), &compose);
    const QImage composing = rowShown(view(), rowTop(), view()->rowLayout()->pitch());

    QInputMethodEvent commit;
    commit.setCommitString(u"ab"_qs);
    for (bridge::Token& t : engine.tokensReply) {
      if (t.start >= at) {
        t.start += 2;
        t.end += 2;
      }
    }
    const auto colouredBefore = coloured->count();
    QApplication::sendEvent(view(), &commit);
    ASSERT_EQ(block().text().mid(at - head.size(), 2), u"ab"_qs);
    ASSERT_TRUE(QTest::qWaitFor([&] { return coloured->count() > colouredBefore; }, 5000));
    EXPECT_EQ(composing, rowShown(view(), rowTop(), view()->rowLayout()->pitch()));
  }
  QApplication::setCursorFlashTime(1000);
}

TEST_F(LongLine, CommittedComposedTextLooksAsTheSameKeysTyped) {
  QApplication::setCursorFlashTime(0);
  for (const int length : {16, 1216}) {
    SCOPED_TRACE(length);
    generate(length);
    const int at = int(head.size() + line.indexOf(u"if "_qs)) + 3;
    // Right after the text is typed, before fresh tokens and findings come.
    const auto typed = [&](bool composed) {
      show();
      editor->setDiagnostics({{u"error"_qs, u"KELO3004"_qs, u"m"_qs, 2, 5, 2, 6},
                              {u"warning"_qs, u"KELO3010"_qs, u"m"_qs, 2, 16, 2, 17}});
      placeCaret(at);
      if (composed) {
        for (const QString& preedit : {u"a"_qs, u"ab"_qs}) {
          QInputMethodEvent compose(preedit, {});
          QApplication::sendEvent(view(), &compose);
        }
        QInputMethodEvent commit;
        commit.setCommitString(u"ab"_qs);
        QApplication::sendEvent(view(), &commit);
      } else {
        QTest::keyClicks(view(), u"ab"_qs);
      }
      EXPECT_EQ(block().text().mid(at - int(head.size()), 3), u"ab+"_qs);
      EXPECT_EQ(editor->underlines().size(), 2);
      return rowShown(view(), rowTop(), view()->rowLayout()->pitch());
    };
    const QImage composed = typed(true);
    EXPECT_EQ(composed, typed(false));
  }
  QApplication::setCursorFlashTime(1000);
}

TEST_F(LongLine, TellsItsReadersWhereItsCharactersAre) {
  generate(3000);
  tail = u"\n"_qs + line.left(600);  // a short line of the same characters
  show();
  placeCaret(0);
  view()->viewport()->repaint();
  QAccessibleTextInterface* text = QAccessible::queryAccessibleInterface(view())->textInterface();
  ASSERT_NE(text, nullptr);
  const int longAt = block().position();
  const int shortAt = view()->document()->findBlockByNumber(2).position();
  const int pitch = view()->rowLayout()->pitch();
  for (const int column : {0, 1, 7, 40, 123, 599}) {
    SCOPED_TRACE(column);
    const QRect onLong = text->characterRect(longAt + column);
    const QRect onShort = text->characterRect(shortAt + column);
    EXPECT_FALSE(onShort.isEmpty());
    EXPECT_EQ(onLong, onShort.translated(0, -pitch));
  }
}

}  // namespace
}  // namespace zx::editor

int main(int argc, char** argv) {
  return zx::editor::testing::runWidgetTests(argc, argv);
}
