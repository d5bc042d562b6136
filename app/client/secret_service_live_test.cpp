// The Secret Service store against a real keyring: a private session bus with an
// unlocked gnome-keyring in a throw-away home, so the user's own keyring is never used.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "client/secret_store.h"
#include "client/wire_models.h"

namespace zx::client {
namespace {

constexpr const char* kInner = "ZX_KEYRING_INNER";
const QByteArray kToken = "zx-live-token-4711";

void roundTrip() {
  SecretStore& store = secretServiceStore();
  const ItemQuery q = Keychain::query(QStringLiteral("zentrix.credentials"));
  using Status = SecretStore::Status;
  QByteArray data;
  ASSERT_EQ(store.copyMatching(q, &data), Status::itemNotFound);
  EXPECT_EQ(store.update(q, "x"), Status::itemNotFound);
  EXPECT_EQ(store.remove(q), Status::itemNotFound);

  const Credentials first{QString::fromLatin1(kToken), std::nullopt};
  Keychain::write(store, QStringLiteral("zentrix.credentials"), first.encode());
  std::optional<Credentials> loaded = Credentials::load(store);
  ASSERT_TRUE(loaded.has_value());
  EXPECT_EQ(loaded->token, QString::fromLatin1(kToken));
  EXPECT_FALSE(loaded->session.has_value());

  // A second write replaces the one item.
  const Credentials second{QString::fromLatin1(kToken) + "-2",
                           Session{"1", "N", "B", "S", "EUR", 30, 12.5}};
  Keychain::write(store, QStringLiteral("zentrix.credentials"), second.encode());
  loaded = Credentials::load(store);
  ASSERT_TRUE(loaded.has_value());
  EXPECT_EQ(loaded->session, second.session);
  EXPECT_EQ(store.remove(q), Status::success);
  EXPECT_EQ(store.remove(q), Status::itemNotFound);
  EXPECT_FALSE(Credentials::load(store).has_value());

  // Stored again, then every file the keyring wrote is searched for the token.
  Keychain::write(store, QStringLiteral("zentrix.credentials"), first.encode());
  int files = 0;
  QDirIterator it(qEnvironmentVariable("HOME"), QDir::Files | QDir::Hidden,
                  QDirIterator::Subdirectories);
  while (it.hasNext()) {
    QFile f(it.next());
    if (!f.open(QIODevice::ReadOnly)) continue;
    ++files;
    EXPECT_FALSE(f.readAll().contains(kToken)) << f.fileName().toStdString();
  }
  EXPECT_GT(files, 0);
}

TEST(SecretServiceLive, RoundTripThroughARealKeyring) {
  if (qEnvironmentVariableIsSet(kInner)) return roundTrip();
  const QString daemon = QStandardPaths::findExecutable("gnome-keyring-daemon");
  const QString session = QStandardPaths::findExecutable("dbus-run-session");
  if (daemon.isEmpty() || session.isEmpty()) {
    GTEST_SKIP() << "needs gnome-keyring-daemon and dbus-run-session";
  }
  int argc = 1;
  char name[] = "secret_service_live_test";
  char* argv[] = {name, nullptr};
  QCoreApplication app(argc, argv);

  QTemporaryDir home;
  ASSERT_TRUE(home.isValid());
  QDir(home.path()).mkpath("run");
  QFile::setPermissions(home.filePath("run"),
                        QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(kInner, "1");
  env.insert("HOME", home.path());
  env.insert("XDG_DATA_HOME", home.filePath("data"));
  env.insert("XDG_CONFIG_HOME", home.filePath("config"));
  env.insert("XDG_CACHE_HOME", home.filePath("cache"));
  env.insert("XDG_RUNTIME_DIR", home.filePath("run"));
  env.remove("DISPLAY");
  env.remove("DBUS_SESSION_BUS_ADDRESS");

  QProcess child;
  child.setProcessEnvironment(env);
  child.setProcessChannelMode(QProcess::MergedChannels);
  // A non-empty password: a keyring without one would be stored unencrypted.
  const QString script = QStringLiteral(
      "printf zx-keyring-pass | \"$1\" --unlock --components=secrets >/dev/null || exit 3; "
      "exec \"$2\" --gtest_filter=SecretServiceLive.*");
  child.start(session,
              {"--", "sh", "-c", script, "sh", daemon, QCoreApplication::applicationFilePath()});
  ASSERT_TRUE(child.waitForFinished(60000)) << "the keyring session did not finish";
  const QString output = QString::fromUtf8(child.readAll());
  EXPECT_EQ(child.exitCode(), 0) << output.toStdString();
  EXPECT_TRUE(output.contains("[  PASSED  ] 1 test")) << output.toStdString();
}

}  // namespace
}  // namespace zx::client
