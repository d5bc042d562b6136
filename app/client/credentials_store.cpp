#include "client/secret_store.h"
#include "client/wire_models.h"
#include "decode/strict_json.h"

namespace zx::client {

ItemQuery Keychain::query(const QString& account) {
  return ItemQuery{QString::fromLatin1(kKeychainService), account};
}

std::optional<QByteArray> Keychain::read(SecretStore& store, const QString& account) {
  QByteArray data;
  if (store.copyMatching(query(account), &data) != SecretStore::Status::success) {
    return std::nullopt;
  }
  return data;
}

void Keychain::write(SecretStore& store, const QString& account, const QByteArray& data) {
  const ItemQuery q = query(account);
  // Only a missing item leads to an add; any other failure of the update ends the write.
  if (store.update(q, data) == SecretStore::Status::itemNotFound) store.add(q, data);
}

std::optional<Credentials> Credentials::load(SecretStore& store) {
  const std::optional<QByteArray> data =
      Keychain::read(store, QString::fromLatin1(kCredentialsAccount));
  if (!data) return std::nullopt;
  decode::Decoder d;
  return decode::document(d, *data, &Credentials::decode);
}

}  // namespace zx::client
