// What the shared row delegate paints, as a list model describes it: columns laid out
// left to right, and one short text with a colour per cell. The tables show a header
// (their row 0) that scrolls with the rows and is never hovered or selected.
#pragma once

#include <QList>
#include <QString>
#include <Qt>

#include "panels/tester_format.h"

namespace zx::views {

// The text styles of the kit that the rows use.
enum class CellFont { table, tableStrong, caption, micro, code };

struct RowColumn {
  enum class Width {
    fixed,    // exactly `width`
    share,    // an equal share of what the others leave
    natural,  // as wide as its text, and at least `width`
    dot,      // a filled circle `width` across, in the cell's tone
  };
  QString title;  // the header's text
  Width kind = Width::fixed;
  int width = 0;
  Qt::Alignment align = Qt::AlignLeft;
  CellFont font = CellFont::table;
  int gapBefore = 12;  // from the previous column; the first column ignores it
};

struct CellText {
  QString text;
  Tone tone = Tone::textSecondary;
};

class RowSource {
 public:
  virtual ~RowSource() = default;
  virtual QList<RowColumn> rowColumns() const = 0;
  // Row 0 is the header when true.
  virtual bool hasHeader() const = 0;
  // Cell `column` of line `line` (0-based, not counting the header).
  virtual CellText cell(int line, int column) const = 0;
};

// Model rows: the header, then one per line.
inline constexpr int kHeaderRowHeight = 26;
inline constexpr int kRowHeight = 24;

}  // namespace zx::views
