// The protected store that keeps the sign-in credentials across launches, and the
// three keyring operations built on it. The store's four calls mirror a keychain's:
// find one item and return its data, replace the data of the matching item, add an
// item, and delete the matching items. Each answers success, item-not-found or failure.
#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

namespace zx::client {

// The one service every item of the application is filed under.
inline constexpr const char* kKeychainService = "org.wexo.zentrix.code";
// The account of the one item the application uses.
inline constexpr const char* kCredentialsAccount = "zentrix.credentials";

// Which item: a generic password of a service and an account.
struct ItemQuery {
  QString service;
  QString account;

  friend bool operator==(const ItemQuery&, const ItemQuery&) = default;
};

class SecretStore {
 public:
  enum class Status { success, itemNotFound, failed };

  virtual ~SecretStore() = default;
  // On success `data` holds the item's bytes.
  virtual Status copyMatching(const ItemQuery& query, QByteArray* data) = 0;
  virtual Status update(const ItemQuery& query, const QByteArray& data) = 0;
  virtual Status add(const ItemQuery& query, const QByteArray& data) = 0;
  virtual Status remove(const ItemQuery& query) = 0;
};

// Stateless operations over the application's items; every failure is silent.
namespace Keychain {

ItemQuery query(const QString& account);
// The item's data, or none whatever the reason (no item, locked, refused).
std::optional<QByteArray> read(SecretStore& store, const QString& account);
// Replaces the item's data, or creates the item when there is none.
void write(SecretStore& store, const QString& account, const QByteArray& data);

}  // namespace Keychain

// The store of the desktop's Secret Service (libsecret). With no Secret Service
// running, reads find nothing and writes fail; there is no plain-text fallback.
SecretStore& secretServiceStore();

}  // namespace zx::client
