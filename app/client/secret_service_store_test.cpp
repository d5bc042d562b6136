#include <gtest/gtest.h>

#include <QCoreApplication>

#include "client/wire_models.h"
#include "client/zentrix_api.h"

namespace zx::client {
namespace {

// With no session bus there is no Secret Service: reads find nothing, writes fail
// quietly and nothing falls back to a file.
TEST(SecretServiceStore, NoSecretServiceMeansNothingStored) {
  qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/zentrix-test-bus");
  qunsetenv("DISPLAY");
  SecretStore& store = secretServiceStore();
  const ItemQuery q = Keychain::query(QStringLiteral("zentrix.credentials"));
  QByteArray data;
  EXPECT_EQ(store.copyMatching(q, &data), SecretStore::Status::failed);
  EXPECT_EQ(store.update(q, "x"), SecretStore::Status::failed);
  EXPECT_EQ(store.add(q, "x"), SecretStore::Status::failed);
  EXPECT_EQ(store.remove(q), SecretStore::Status::failed);
  EXPECT_TRUE(data.isEmpty());

  Keychain::write(store, QStringLiteral("zentrix.credentials"), R"({"token":"t"})");
  EXPECT_FALSE(Credentials::load(store).has_value());

  int argc = 1;
  char name[] = "test";
  char* argv[] = {name, nullptr};
  QCoreApplication app(argc, argv);
  ZentrixAPI api(store, QUrl("https://example.com"));
  EXPECT_FALSE(api.isSignedIn());
  EXPECT_FALSE(api.storedSession().has_value());
  api.signOut();
  EXPECT_FALSE(api.isSignedIn());
}

}  // namespace
}  // namespace zx::client
