#include "theme/system_appearance.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>

namespace zx::theme {
namespace {

const QString kService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kInterface = QStringLiteral("org.freedesktop.portal.Settings");
const QString kNamespace = QStringLiteral("org.freedesktop.appearance");
const QString kKey = QStringLiteral("color-scheme");

bool isInteger(const QVariant& v) {
  switch (v.typeId()) {
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
      return true;
    default:
      return false;
  }
}

}  // namespace

ColorScheme schemeFromPortalValue(const QVariant& value) {
  QVariant v = value;
  for (int i = 0; i < 2 && v.metaType() == QMetaType::fromType<QDBusVariant>(); ++i) {
    v = v.value<QDBusVariant>().variant();
  }
  if (isInteger(v) && v.toLongLong() == 1) return ColorScheme::dark;
  return ColorScheme::light;
}

SystemAppearance::SystemAppearance(QObject* parent) : QObject(parent) {}

void SystemAppearance::setScheme(ColorScheme scheme) {
  if (scheme == scheme_) return;
  scheme_ = scheme;
  emit schemeChanged(scheme);
}

void SystemAppearance::start(int firstReadMs) {
  if (started_) return;
  started_ = true;
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) return;
  // Subscribed before the read, so a change between the two is not lost.
  bus.connect(kService, kPath, kInterface, QStringLiteral("SettingChanged"), this,
              SLOT(onSettingChanged(QDBusMessage)));
  QDBusMessage read =
      QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("Read"));
  read << kNamespace << kKey;
  const QDBusMessage reply = bus.call(read, QDBus::Block, firstReadMs);
  if (reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty()) {
    setScheme(schemeFromPortalValue(reply.arguments().constFirst()));
  }
}

void SystemAppearance::onSettingChanged(const QDBusMessage& message) {
  const QList<QVariant> args = message.arguments();
  if (args.size() < 3) return;
  if (args[0].toString() != kNamespace || args[1].toString() != kKey) return;
  setScheme(schemeFromPortalValue(args[2]));
}

}  // namespace zx::theme
