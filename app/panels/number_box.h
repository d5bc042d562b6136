// A small numeric entry. It edits a text copy of a number owned elsewhere and writes it
// back only on commit (Return, Enter, or the focus leaving for anything but another
// window or a popup); after every commit it shows the stored value again, so the owner's
// clamping becomes visible. While it has the focus, outside changes leave the typed text.
// Focus that went to another window or a popup and lands elsewhere in this window when it
// comes back (a closed dialog hands it to the editor) has left the box all the same.
// Only Return writes a text that still reads as the stored value's display: anything
// else would store the display's rounding (12500.75 shows as 12501).
// Without the focus, a number wider than the box shows its leading digits.
#pragma once

#include <QLineEdit>
#include <QWidget>
#include <functional>

namespace zx::views {

class NumberField;

class NumberBox final : public QWidget {
  Q_OBJECT

 public:
  // `read` gives the stored value; `write` stores a committed one (and may clamp it).
  NumberBox(std::function<double()> read, std::function<void(double)> write, int width,
            int decimals, QWidget* parent = nullptr);
  ~NumberBox() override;

  // Commits what was typed into the box that has the keyboard focus, if any: every Run
  // path calls this first, so a run uses what the boxes show.
  static void commitFocused();

  QLineEdit* lineEdit() const;
  // Whether the field counts as focused: losing the focus to another window or a popup
  // keeps it so, until the focus comes back to somewhere else in this window.
  bool focused() const { return focused_; }
  // The stored value changed elsewhere: shown unless the user is typing.
  void refresh();
  // Parses the text and writes it when it reads as a number; then shows the stored value.
  void commit();
  // The same, for a text that differs from the stored value's display; otherwise it only
  // shows the stored value again.
  void commitTyped();

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override { return sizeHint(); }

 signals:
  void committed();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void showEvent(QShowEvent* event) override;
  bool event(QEvent* event) override;

 private:
  friend class NumberField;
  void setFocused(bool focused);
  void focusMoved(QWidget* now);
  void showValue();
  void syncEditPalette();

  std::function<double()> read_;
  std::function<void(double)> write_;
  int width_;
  int decimals_;
  NumberField* edit_;
  bool focused_ = false;
  QMetaObject::Connection focusWatch_;
};

}  // namespace zx::views
