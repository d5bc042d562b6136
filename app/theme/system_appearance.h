// The desktop's light or dark preference, read over the desktop portal and followed.
#pragma once

#include <QObject>
#include <QVariant>

#include "theme/palette.h"

class QDBusMessage;

namespace zx::theme {

class SystemAppearance : public QObject {
  Q_OBJECT

 public:
  explicit SystemAppearance(QObject* parent = nullptr);

  // Subscribes to changes, then reads the current preference, waiting at most
  // `firstReadMs` for an answer so a silent portal never holds up the window. Without a
  // session bus or a portal the scheme stays light. Main thread only; once is enough.
  virtual void start(int firstReadMs = 250);
  // Light until an answer says dark.
  virtual ColorScheme scheme() const { return scheme_; }

 signals:
  void schemeChanged(zx::theme::ColorScheme scheme);

 protected:
  // Stores `scheme` and emits schemeChanged when it differs from the current one.
  void setScheme(ColorScheme scheme);

 private slots:
  void onSettingChanged(const QDBusMessage& message);

 private:
  ColorScheme scheme_ = ColorScheme::light;
  bool started_ = false;
};

// The scheme a portal "color-scheme" value stands for: 1 (prefer dark) is dark, anything
// else (0, 2, another type, nothing) light. Variants are unwrapped up to twice.
ColorScheme schemeFromPortalValue(const QVariant& value);

}  // namespace zx::theme
