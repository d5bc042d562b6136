#include <gtest/gtest.h>

#include "client/memory_secret_store.h"
#include "client/wire_models.h"

namespace zx::client {
namespace {

const QString kItem = QStringLiteral("org.wexo.zentrix.code/zentrix.credentials");
const QString kAccount = QStringLiteral("zentrix.credentials");
using Status = SecretStore::Status;

TEST(CredentialsStore, QueryNamesTheServiceAndAccount) {
  EXPECT_EQ(Keychain::query(kAccount), (ItemQuery{"org.wexo.zentrix.code", "zentrix.credentials"}));
}

TEST(CredentialsStore, WriteUpdatesOrAddsOnlyWhenMissing) {
  struct Row {
    const char* behaviour;
    bool stored;
    Status updateFails;
    QStringList calls;
    QByteArray after;  // empty: no item
  };
  const QList<Row> rows = {
      {"no item: update, then add", false, Status::success, {"update", "add"}, "new"},
      {"an item: replaced in place", true, Status::success, {"update"}, "new"},
      {"update refused: no add", true, Status::failed, {"update"}, "old"},
      {"update refused with no item: nothing", false, Status::failed, {"update"}, ""},
  };
  for (const Row& row : rows) {
    MemorySecretStore store;
    if (row.stored) store.items[kItem] = "old";
    store.failUpdates = row.updateFails;
    Keychain::write(store, kAccount, "new");
    EXPECT_EQ(store.calls, row.calls) << row.behaviour;
    EXPECT_EQ(store.items.value(kItem).toStdString(), row.after.toStdString()) << row.behaviour;
    EXPECT_LE(store.items.size(), 1) << row.behaviour;
  }
}

TEST(CredentialsStore, LoadReadsOnlyWhatDecodes) {
  const char* const session =
      R"({"login":"1","name":"N","brokerName":"B","serverName":"S","currency":"EUR","leverage":100,"balance":1})";
  struct Row {
    const char* behaviour;
    std::optional<QByteArray> stored;
    Status readStatus;
    bool loads;
    bool hasSession;
  };
  const QList<Row> rows = {
      {"no item", std::nullopt, Status::success, false, false},
      {"token without session", R"({"token":"t"})", Status::success, true, false},
      {"token and session", QByteArray(R"({"token":"t","session":)") + session + "}",
       Status::success, true, true},
      {"no token", QByteArray(R"({"session":)") + session + "}", Status::success, false, false},
      {"not JSON", "token=t", Status::success, false, false},
      {"session missing a key", R"({"token":"t","session":{"login":"1"}})", Status::success, false,
       false},
      {"keyring locked", R"({"token":"t"})", Status::failed, false, false},
  };
  for (const Row& row : rows) {
    MemorySecretStore store;
    if (row.stored) store.items[kItem] = *row.stored;
    store.failReads = row.readStatus;
    const std::optional<Credentials> loaded = Credentials::load(store);
    EXPECT_EQ(loaded.has_value(), row.loads) << row.behaviour;
    if (loaded) {
      EXPECT_EQ(loaded->token, QStringLiteral("t")) << row.behaviour;
      EXPECT_EQ(loaded->session.has_value(), row.hasSession) << row.behaviour;
    }
    // A bad item is left as it was, never repaired or deleted.
    EXPECT_EQ(store.items.contains(kItem), row.stored.has_value()) << row.behaviour;
  }
}

TEST(CredentialsStore, RoundTrip) {
  MemorySecretStore store;
  const Credentials c{"tok", Session{"7", "Ann", "Broker", "Srv-Demo", "USD", 500, 2500.25}};
  Keychain::write(store, kAccount, c.encode());
  const std::optional<Credentials> back = Credentials::load(store);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->token, c.token);
  EXPECT_EQ(back->session, c.session);
}

}  // namespace
}  // namespace zx::client
