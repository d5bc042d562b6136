// Plain-text search for the find bar.
#pragma once

#include <QList>
#include <QString>

namespace zx::editor {

struct SearchOptions {
  bool matchCase = false;
  // A match must not touch a letter, digit or "_" on either side.
  bool wholeWords = false;
};

// Start positions of the non-overlapping matches of `needle` in `text`, in order; none
// for an empty needle.
QList<int> findMatches(const QString& text, const QString& needle, SearchOptions options);

}  // namespace zx::editor
