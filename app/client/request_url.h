// Where the client's requests go: the web API's base address and the address of
// one request built from it.
#pragma once

#include <QList>
#include <QString>
#include <QUrl>
#include <optional>
#include <utility>

namespace zx::client {

// The platform's web API; the environment variable below replaces it.
inline constexpr const char* kDefaultApiBase = "https://api.zentrix.app";
inline constexpr const char* kApiBaseVariable = "ZENTRIX_API_BASE";

// The base the process uses: `ZENTRIX_API_BASE` when set and not empty, else the constant.
QUrl defaultApiBase();

// Whether a base may receive the bearer token: https, or http only to a loopback host
// (127.0.0.0/8, ::1, localhost); a host, and no user info, query or fragment.
bool isUsableBase(const QUrl& base);

using QueryItems = QList<std::pair<QString, QString>>;

// The base followed by `path` (given whole with its leading "/") and, when `query`
// is not empty, the query with every name and value percent-encoded as given
// ("%41" goes out as "%2541", "+" as "%2B"). None when the base is not usable.
std::optional<QUrl> requestUrl(const QUrl& base, const QString& path, const QueryItems& query);

}  // namespace zx::client
