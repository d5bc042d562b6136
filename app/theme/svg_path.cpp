#include "theme/svg_path.h"

#include <QChar>
#include <QTextBoundaryFinder>
#include <array>
#include <charconv>
#include <cmath>
#include <numbers>
#include <string>
#include <vector>

namespace zx::theme {
namespace {

constexpr int kArcSegments = 24;

// Locale-independent: QApplication moves LC_NUMERIC away from "C", so strtod is unusable.
double parseNumber(const QString& token) {
  QByteArray bytes = token.toUtf8();
  const char* first = bytes.constData();
  const char* last = first + bytes.size();
  if (first != last && *first == '+') ++first;
  double value = 0;
  const auto [end, ec] = std::from_chars(first, last, value);
  if (ec != std::errc() || end != last || !std::isfinite(value)) return 0;
  return value;
}

class Reader {
 public:
  Reader(const QRectF& rect, qreal viewBox, ArcFlagReading flags) : flags_(flags) {
    scale_ = std::min(rect.width(), rect.height()) / viewBox;
    ox_ = rect.x() + (rect.width() - viewBox * scale_) / 2;
    oy_ = rect.y() + (rect.height() - viewBox * scale_) / 2;
  }

  // One grapheme cluster; `first` is its first code point.
  void feed(QStringView cluster, char32_t first) {
    if (inToken_) {
      if (takesIntoToken(first)) {
        token_ += cluster;
        return;
      }
      endToken();
    }
    if (QChar::isLetter(first)) {
      flush();
      command_ = first;
      return;
    }
    if (QChar::isNumber(first) || first == '-' || first == '+' || first == '.') {
      if (flags_ == ArcFlagReading::svg && isArc() && (first == '0' || first == '1') &&
          cluster.size() == 1) {
        const size_t position = numbers_.size() % 7;
        if (position == 3 || position == 4) {
          numbers_.push_back(first == '1' ? 1 : 0);
          return;
        }
      }
      token_ = cluster.toString();
      inToken_ = true;
    }
  }

  QPainterPath finish() {
    if (inToken_) endToken();
    flush();
    return std::move(path_);
  }

 private:
  bool isArc() const { return command_ == 'A' || command_ == 'a'; }

  bool takesIntoToken(char32_t c) const {
    if (QChar::isNumber(c) || c == '.' || c == 'e' || c == 'E') return true;
    if (c == '-' || c == '+') return token_.endsWith(u'e') || token_.endsWith(u'E');
    return false;
  }

  void endToken() {
    numbers_.push_back(parseNumber(token_));
    token_.clear();
    inToken_ = false;
  }

  QPointF map(QPointF p) const { return {ox_ + scale_ * p.x(), oy_ + scale_ * p.y()}; }

  static bool finite(QPointF p) { return std::isfinite(p.x()) && std::isfinite(p.y()); }

  void moveTo(QPointF p) {
    const QPointF m = map(p);
    if (!finite(m)) return;
    path_.moveTo(m);
    open_ = true;
  }

  // Qt would start a subpath at the device origin; ours starts at the current point.
  void ensureOpen() {
    if (!open_) moveTo(current_);
  }

  // A line from the current point, which then becomes `p`.
  void lineTo(QPointF p) {
    ensureOpen();
    const QPointF m = map(p);
    if (finite(m)) path_.lineTo(m);
    current_ = p;
  }

  void flush() {
    const size_t n = numbers_.size();
    const std::vector<double>& v = numbers_;
    const bool relative = command_ >= 'a' && command_ <= 'z';
    const QPointF base = relative ? current_ : QPointF();
    switch (n == 0 && command_ != 'Z' && command_ != 'z' ? 0 : command_) {
      case 'M':
      case 'm':
        if (n >= 2) {
          current_ = base + QPointF(v[0], v[1]);
          start_ = current_;
          moveTo(current_);
          for (size_t i = 2; i + 1 < n; i += 2) {
            lineTo((relative ? current_ : QPointF()) + QPointF(v[i], v[i + 1]));
          }
        }
        break;
      case 'L':
      case 'l':
        for (size_t i = 0; i + 1 < n; i += 2) {
          lineTo((relative ? current_ : QPointF()) + QPointF(v[i], v[i + 1]));
        }
        break;
      case 'H':
      case 'h':
        for (double x : v) lineTo({relative ? current_.x() + x : x, current_.y()});
        break;
      case 'V':
      case 'v':
        for (double y : v) lineTo({current_.x(), relative ? current_.y() + y : y});
        break;
      case 'C':
      case 'c':
        for (size_t i = 0; i + 5 < n; i += 6) {
          const QPointF b = relative ? current_ : QPointF();
          const QPointF c1 = map(b + QPointF(v[i], v[i + 1]));
          const QPointF c2 = map(b + QPointF(v[i + 2], v[i + 3]));
          const QPointF end = b + QPointF(v[i + 4], v[i + 5]);
          ensureOpen();
          if (finite(c1) && finite(c2) && finite(map(end))) path_.cubicTo(c1, c2, map(end));
          current_ = end;
        }
        break;
      case 'A':
      case 'a':
        for (size_t i = 0; i + 6 < n; i += 7) {
          const QPointF end = (relative ? current_ : QPointF()) + QPointF(v[i + 5], v[i + 6]);
          arc(v[i], v[i + 4], end);
          current_ = end;
        }
        break;
      case 'Z':
      case 'z':
        if (open_) path_.closeSubpath();
        open_ = false;
        current_ = start_;
        break;
      default:
        break;
    }
    numbers_.clear();
  }

  void arc(double rx, double sweep, QPointF end) {
    const QPointF p = current_;
    const double r = std::max(rx, 0.0001);
    const double dx = end.x() - p.x();
    const double dy = end.y() - p.y();
    const double chord2 = dx * dx + dy * dy;
    if (!(chord2 > 0)) return;
    const double d = std::sqrt(chord2);
    const double big = std::max(r, d / 2);
    double h = std::sqrt(std::max(big * big - d * d / 4, 0.0));
    if (sweep == 0) h = -h;
    const double kx = (p.x() + end.x()) / 2 - (dy / d) * h;
    const double ky = (p.y() + end.y()) / 2 + (dx / d) * h;
    const double a0 = std::atan2(p.y() - ky, p.x() - kx);
    const double a1 = std::atan2(end.y() - ky, end.x() - kx);
    double delta = a1 - a0;
    if (sweep == 0) {
      if (delta > 0) delta -= 2 * std::numbers::pi;
    } else if (delta < 0) {
      delta += 2 * std::numbers::pi;
    }
    std::array<QPointF, kArcSegments> points;
    for (int k = 1; k <= kArcSegments; ++k) {
      const double theta = a0 + delta * k / kArcSegments;
      points[k - 1] = map(QPointF(kx + big * std::cos(theta), ky + big * std::sin(theta)));
      if (!finite(points[k - 1])) return;  // an absurd radius draws nothing
    }
    ensureOpen();
    for (const QPointF& q : points) path_.lineTo(q);
  }

  ArcFlagReading flags_;
  qreal scale_ = 1, ox_ = 0, oy_ = 0;
  QPainterPath path_;
  char32_t command_ = 'M';
  std::vector<double> numbers_;
  QString token_;
  bool inToken_ = false;
  bool open_ = false;
  QPointF current_, start_;
};

bool isPlainAscii(QStringView s) {
  for (QChar c : s) {
    if (c.unicode() >= 0x80 || c == u'\r') return false;
  }
  return true;
}

}  // namespace

QPainterPath svgPath(QStringView commands, const QRectF& rect, qreal viewBox) {
  return svgPath(commands, rect, viewBox, ArcFlagReading::svg);
}

QPainterPath svgPath(QStringView commands, const QRectF& rect, qreal viewBox,
                     ArcFlagReading flags) {
  Reader reader(rect, viewBox, flags);
  if (isPlainAscii(commands)) {
    // Every character of plain ASCII (CR aside) is a grapheme cluster of its own.
    for (qsizetype i = 0; i < commands.size(); ++i) {
      reader.feed(commands.mid(i, 1), commands[i].unicode());
    }
    return reader.finish();
  }
  QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, commands.data(), commands.size());
  qsizetype from = 0;
  while (from < commands.size()) {
    qsizetype to = finder.toNextBoundary();
    if (to <= from) to = commands.size();
    const QStringView cluster = commands.mid(from, to - from);
    reader.feed(cluster, cluster.toUcs4().value(0));
    from = to;
  }
  return reader.finish();
}

}  // namespace zx::theme
