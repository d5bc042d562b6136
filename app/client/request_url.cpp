#include "client/request_url.h"

#include <QHostAddress>

namespace zx::client {

QUrl defaultApiBase() {
  const QString override = qEnvironmentVariable(kApiBaseVariable);
  if (!override.isEmpty()) return QUrl(override, QUrl::StrictMode);
  return QUrl(QString::fromLatin1(kDefaultApiBase), QUrl::StrictMode);
}

bool isUsableBase(const QUrl& base) {
  if (!base.isValid() || base.host().isEmpty()) return false;
  if (!base.userInfo().isEmpty() || base.hasQuery() || base.hasFragment()) return false;
  const QString scheme = base.scheme().toLower();
  if (scheme == QStringLiteral("https")) return true;
  if (scheme != QStringLiteral("http")) return false;
  // Cleartext only where the token cannot leave the machine.
  const QString host = base.host().toLower();
  if (host == QStringLiteral("localhost")) return true;
  const QHostAddress address(host);
  return !address.isNull() && address.isLoopback();
}

std::optional<QUrl> requestUrl(const QUrl& base, const QString& path, const QueryItems& query) {
  if (!isUsableBase(base)) return std::nullopt;
  QString basePath = base.path(QUrl::FullyEncoded);
  while (basePath.endsWith(u'/')) basePath.chop(1);

  QUrl url = base;
  url.setPath(basePath + path, QUrl::StrictMode);
  if (!query.isEmpty()) {
    // Built by hand: QUrlQuery would decode "%41" in a value and leave "+" as is.
    QByteArray text;
    for (const auto& [name, value] : query) {
      if (!text.isEmpty()) text += '&';
      text += QUrl::toPercentEncoding(name) + '=' + QUrl::toPercentEncoding(value);
    }
    url.setQuery(QString::fromLatin1(text), QUrl::StrictMode);
  }
  if (!url.isValid()) return std::nullopt;
  return url;
}

}  // namespace zx::client
