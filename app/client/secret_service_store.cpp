// libsecret before Qt: glib's headers use `signals` as a member name, a Qt keyword.
#include <libsecret/secret.h>

#include "client/secret_store.h"

namespace zx::client {
namespace {

const SecretSchema* schema() {
  static const SecretSchema s = {"org.wexo.zentrix.code",
                                 SECRET_SCHEMA_NONE,
                                 {
                                     {"service", SECRET_SCHEMA_ATTRIBUTE_STRING},
                                     {"account", SECRET_SCHEMA_ATTRIBUTE_STRING},
                                     {nullptr, SECRET_SCHEMA_ATTRIBUTE_STRING},
                                 },
                                 0,
                                 nullptr,
                                 nullptr,
                                 nullptr,
                                 nullptr,
                                 nullptr,
                                 nullptr,
                                 nullptr};
  return &s;
}

// Frees a GError and tells whether there was one.
bool takeError(GError* error) {
  if (!error) return false;
  g_error_free(error);
  return true;
}

class SecretServiceStore final : public SecretStore {
 public:
  Status copyMatching(const ItemQuery& q, QByteArray* data) override {
    const QByteArray service = q.service.toUtf8();
    const QByteArray account = q.account.toUtf8();
    GError* error = nullptr;
    gchar* secret =
        secret_password_lookup_sync(schema(), nullptr, &error, "service", service.constData(),
                                    "account", account.constData(), nullptr);
    if (takeError(error)) {
      if (secret) secret_password_free(secret);
      return Status::failed;
    }
    if (!secret) return Status::itemNotFound;
    *data = QByteArray(secret);
    secret_password_free(secret);
    return Status::success;
  }

  // The Secret Service has no in-place update; storing under the same attributes
  // replaces the one matching item, so an update is a store that first makes sure
  // the item exists.
  Status update(const ItemQuery& q, const QByteArray& data) override {
    QByteArray existing;
    const Status found = copyMatching(q, &existing);
    if (found != Status::success) return found;
    return store(q, data);
  }

  Status add(const ItemQuery& q, const QByteArray& data) override { return store(q, data); }

  Status remove(const ItemQuery& q) override {
    const QByteArray service = q.service.toUtf8();
    const QByteArray account = q.account.toUtf8();
    GError* error = nullptr;
    const gboolean removed =
        secret_password_clear_sync(schema(), nullptr, &error, "service", service.constData(),
                                   "account", account.constData(), nullptr);
    if (takeError(error)) return Status::failed;
    return removed ? Status::success : Status::itemNotFound;
  }

 private:
  Status store(const ItemQuery& q, const QByteArray& data) {
    // The item holds text; a NUL would silently cut it, so refuse rather than store less.
    if (data.contains('\0')) return Status::failed;
    const QByteArray service = q.service.toUtf8();
    const QByteArray account = q.account.toUtf8();
    GError* error = nullptr;
    const gboolean stored = secret_password_store_sync(
        schema(), SECRET_COLLECTION_DEFAULT, "Zentrix Code sign-in", data.constData(), nullptr,
        &error, "service", service.constData(), "account", account.constData(), nullptr);
    if (takeError(error) || !stored) return Status::failed;
    return Status::success;
  }
};

}  // namespace

SecretStore& secretServiceStore() {
  static SecretServiceStore store;
  return store;
}

}  // namespace zx::client
