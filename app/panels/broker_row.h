// One broker of a search in the sign-in sheet: its logo (or a building when it has none
// that can be shown), its name and the number of its servers. A click anywhere chooses it.
#pragma once

#include <QAbstractButton>
#include <QImage>

#include "client/wire_models.h"

class QPainter;

namespace zx::views {

// Draws `logo` fitted into a 15 x 15 box centred in `slot`, corners rounded by 3, or the
// fallback building in `colour` when the logo is null.
void paintBrokerLogo(QPainter& painter, const QImage& logo, const QRectF& slot,
                     const QColor& colour);

class BrokerRow final : public QAbstractButton {
  Q_OBJECT

 public:
  BrokerRow(client::Broker broker, QString detail, QWidget* parent = nullptr);

  const client::Broker& broker() const { return broker_; }
  const QString& detail() const { return detail_; }
  // Decoded once, when the row is made; null shows the fallback.
  const QImage& logo() const { return logo_; }
  bool hovering() const { return hovering_; }

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;

 private:
  client::Broker broker_;
  QString detail_;
  QImage logo_;
  bool hovering_ = false;
};

}  // namespace zx::views
