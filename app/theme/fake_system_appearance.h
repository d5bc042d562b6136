// A system appearance for tests: no desktop, the scheme is whatever the test sets.
#pragma once

#include "theme/system_appearance.h"

namespace zx::theme {

class FakeSystemAppearance : public SystemAppearance {
 public:
  explicit FakeSystemAppearance(ColorScheme initial = ColorScheme::light, QObject* parent = nullptr)
      : SystemAppearance(parent), current_(initial) {}

  void start(int = 250) override { ++starts_; }
  ColorScheme scheme() const override { return current_; }
  // Emits schemeChanged when `scheme` differs, as a desktop change would.
  void setScheme(ColorScheme scheme) {
    if (scheme == current_) return;
    current_ = scheme;
    emit schemeChanged(scheme);
  }
  int starts() const { return starts_; }

 private:
  ColorScheme current_;
  int starts_ = 0;
};

}  // namespace zx::theme
