// Texts of the sign-in sheet that follow rules of their own.
#pragma once

#include <QString>
#include <optional>

namespace zx::views {

// A broker row's detail: "" for none, 0 or fewer, "1 server", else "<n> servers".
QString serverCount(const std::optional<qint64>& servers);

// Characters as a reader counts them (grapheme clusters): "e" + U+0301 is one.
qsizetype characterCount(const QString& text);

}  // namespace zx::views
