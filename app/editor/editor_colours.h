// The colours the editor paints with, handed in as one value so the editor needs no theme.
#pragma once

#include <QColor>

namespace zx::editor {

struct EditorColours {
  QColor panel;          // text background
  QColor surfaceSunken;  // gutter fill
  QColor muted;          // line numbers
  QColor accent;         // the caret line's number and the caret
  QColor borderSoft;     // gutter separator, find bar edge
  QColor rowHover;       // current-line band; transparent draws none
  QColor selection;      // selected text background
  QColor text;           // base foreground
  QColor sell;           // underline of errors
  QColor warning;        // underline of everything else, find-match tint
  QColor keyword;
  QColor builtin;
  QColor textLiteral;
  QColor number;
  QColor colour;
  QColor punctuation;

  friend bool operator==(const EditorColours&, const EditorColours&) = default;
};

}  // namespace zx::editor
