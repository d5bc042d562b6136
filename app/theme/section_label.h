// The capitalised caption above a group of rows.
#pragma once

#include <QFont>
#include <QWidget>

namespace zx::theme {

// The captions' font: the smallest style, letter-spaced; group headers drawn without a
// widget use it too.
QFont sectionLabelFont();

class SectionLabel : public QWidget {
 public:
  explicit SectionLabel(const QString& text, QWidget* parent = nullptr);

  QString text() const { return text_; }
  // Shown in capitals (full case mapping, not the locale's: "straße" shows "STRASSE").
  void setText(const QString& text);
  QString shownText() const { return text_.toUpper(); }

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QString text_;
};

}  // namespace zx::theme
