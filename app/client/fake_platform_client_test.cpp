#include "client/fake_platform_client.h"

#include <gtest/gtest.h>

namespace zx::client {
namespace {

TEST(FakePlatformClient, KeepsTheRealClientsDeliveryRules) {
  int argc = 1;
  char name[] = "fake_platform_client_test";
  char* argv[] = {name, nullptr};
  QCoreApplication app(argc, argv);

  FakePlatformClient fake;
  PlatformClient& client = fake;
  std::optional<Outcome<MarketState>> market;
  client.market(nullptr, [&](Outcome<MarketState> o) { market = std::move(o); });
  EXPECT_FALSE(market.has_value());  // never before the call returns
  QCoreApplication::processEvents();
  ASSERT_TRUE(market.has_value());
  EXPECT_EQ(market->error().message(), "Sign in to your Zentrix account first.");

  fake.signInReply = Session{"1", "N", "B", "S", "USD", 100, 5};
  std::optional<Outcome<Session>> session;
  client.signIn("1", "pw", "S", nullptr, [&](Outcome<Session> o) { session = std::move(o); });
  QCoreApplication::processEvents();
  ASSERT_TRUE(session && session->ok());
  EXPECT_TRUE(client.isSignedIn());
  EXPECT_EQ(client.storedSession(), session->value());

  auto* context = new QObject;
  bool called = false;
  client.candles("EURUSD", 240, context, [&](Outcome<QList<Candle>>) { called = true; });
  delete context;
  QCoreApplication::processEvents();
  EXPECT_FALSE(called);
  EXPECT_EQ(fake.calls, (QStringList{"market", "signIn 1 S", "candles EURUSD 240"}));
}

}  // namespace
}  // namespace zx::client
