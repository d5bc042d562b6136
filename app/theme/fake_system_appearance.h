// A system appearance for tests: no desktop, the scheme is whatever the test sets.
#pragma once

#include "theme/system_appearance.h"

namespace zx::theme {

class FakeSystemAppearance : public SystemAppearance {
 public:
  explicit FakeSystemAppearance(ColorScheme initial = ColorScheme::light, QObject* parent = nullptr)
      : SystemAppearance(parent) {
    setScheme(initial);  // nothing is connected yet, so nobody hears it
  }

  void start(int = 250) override { ++starts_; }
  // Emits schemeChanged when `scheme` differs, as a desktop change would.
  using SystemAppearance::setScheme;
  int starts() const { return starts_; }

 private:
  int starts_ = 0;
};

}  // namespace zx::theme
