// Whole-text passes that run on every keystroke, so they are built to be vectorised: a
// 100,000-line file is millions of characters.
#pragma once

#include <QString>
#include <QStringView>

namespace zx::editor {

// The document's block separators (U+2029) as line feeds, in place.
void paragraphsToLineFeeds(QString& text);

// How many line feeds `text` holds.
qsizetype lineFeeds(QStringView text);

// The highest UTF-16 unit of `text`, 0 for none: below 0x80 the text is ASCII.
char16_t highestUnit(QStringView text);

// The character at `i`, a surrogate pair read whole; a lone surrogate as it is.
char32_t characterAt(QStringView text, qsizetype i);

// Whether position `i` of `text` lies inside a surrogate pair.
bool splitsPair(QStringView text, qsizetype i);

// Whether `text` holds a character that runs right to left, or an Arabic number, whose
// digit groups the bidirectional rules lay out right to left together with the spaces
// between them: a line of it can hold runs of both directions, in an order that only the
// whole line settles. Asked of a long line at each of its paints.
bool hasRightToLeft(QStringView text);

}  // namespace zx::editor
