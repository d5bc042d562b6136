// An in-memory SecretStore for tests: items by query, a log of calls, and switches
// that make a call fail the way a locked or missing keyring does.
#pragma once

#include <QMap>
#include <QStringList>

#include "client/secret_store.h"

namespace zx::client {

class MemorySecretStore final : public SecretStore {
 public:
  QMap<QString, QByteArray> items;     // by "service/account"
  QStringList calls;                   // "copyMatching", "update", "add", "remove"
  Status failReads = Status::success;  // anything but success replaces the outcome
  Status failUpdates = Status::success;
  Status failAdds = Status::success;
  Status failRemoves = Status::success;

  static QString key(const ItemQuery& q) { return q.service + u'/' + q.account; }

  Status copyMatching(const ItemQuery& q, QByteArray* data) override {
    calls << QStringLiteral("copyMatching");
    if (failReads != Status::success) return failReads;
    if (!items.contains(key(q))) return Status::itemNotFound;
    *data = items.value(key(q));
    return Status::success;
  }
  Status update(const ItemQuery& q, const QByteArray& data) override {
    calls << QStringLiteral("update");
    if (failUpdates != Status::success) return failUpdates;
    if (!items.contains(key(q))) return Status::itemNotFound;
    items[key(q)] = data;
    return Status::success;
  }
  Status add(const ItemQuery& q, const QByteArray& data) override {
    calls << QStringLiteral("add");
    if (failAdds != Status::success) return failAdds;
    items[key(q)] = data;
    return Status::success;
  }
  Status remove(const ItemQuery& q) override {
    calls << QStringLiteral("remove");
    if (failRemoves != Status::success) return failRemoves;
    return items.remove(key(q)) ? Status::success : Status::itemNotFound;
  }
};

}  // namespace zx::client
