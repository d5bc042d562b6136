#include "client/request_url.h"

#include <gtest/gtest.h>

namespace zx::client {
namespace {

TEST(RequestUrl, BuildsPathAndStrictQuery) {
  struct Row {
    const char* behaviour;
    const char* base;
    const char* path;
    QueryItems query;
    const char* url;  // "" when the base is refused
  };
  const QList<Row> rows = {
      {"path appended",
       "https://api.example.com",
       "/client/state",
       {},
       "https://api.example.com/client/state"},
      {"trailing slash of the base dropped",
       "https://api.example.com/",
       "/client/state",
       {},
       "https://api.example.com/client/state"},
      {"base path kept",
       "https://example.com/api/",
       "/client/state",
       {},
       "https://example.com/api/client/state"},
      {"empty value sent",
       "https://h.io",
       "/client/brokers",
       {{"q", ""}, {"limit", "25"}},
       "https://h.io/client/brokers?q=&limit=25"},
      {"percent sequence sent literally",
       "https://h.io",
       "/b",
       {{"q", "%41BC"}},
       "https://h.io/b?q=%2541BC"},
      {"plus encoded", "https://h.io", "/b", {{"q", "a+b"}}, "https://h.io/b?q=a%2Bb"},
      {"space, ampersand, equals, hash",
       "https://h.io",
       "/b",
       {{"q", "x y&z=1#f"}},
       "https://h.io/b?q=x%20y%26z%3D1%23f"},
      {"non-ASCII as UTF-8",
       "https://h.io",
       "/b",
       {{"broker", "Señor"}},
       "https://h.io/b?broker=Se%C3%B1or"},
      {"loopback over http", "http://127.0.0.1:8080", "/s", {}, "http://127.0.0.1:8080/s"},
      {"loopback range over http", "http://127.9.8.7", "/s", {}, "http://127.9.8.7/s"},
      {"localhost over http", "http://LocalHost:1", "/s", {}, "http://localhost:1/s"},
      {"IPv6 loopback over http", "http://[::1]:9", "/s", {}, "http://[::1]:9/s"},
      {"remote host over http", "http://api.example.com", "/s", {}, ""},
      {"private address over http", "http://10.0.0.1", "/s", {}, ""},
      {"other scheme", "ftp://api.example.com", "/s", {}, ""},
      {"file URL", "file:///tmp", "/s", {}, ""},
      {"no host", "https://", "/s", {}, ""},
      {"empty base", "", "/s", {}, ""},
      {"base with a query", "https://h.io/?a=1", "/s", {}, ""},
      {"base with a fragment", "https://h.io/#x", "/s", {}, ""},
      {"base with user info", "https://u:p@h.io", "/s", {}, ""},
      {"not a URL", "https://h o", "/s", {}, ""},
  };
  for (const Row& row : rows) {
    const std::optional<QUrl> url =
        requestUrl(QUrl(QString::fromUtf8(row.base), QUrl::StrictMode), row.path, row.query);
    const std::string got = url ? url->toString(QUrl::FullyEncoded).toStdString() : "";
    EXPECT_EQ(got, row.url) << row.behaviour;
  }
}

TEST(RequestUrl, EnvironmentReplacesTheDefaultBase) {
  qunsetenv(kApiBaseVariable);
  EXPECT_EQ(defaultApiBase(), QUrl(QString::fromLatin1(kDefaultApiBase)));
  EXPECT_TRUE(isUsableBase(defaultApiBase()));
  qputenv(kApiBaseVariable, "http://127.0.0.1:4321");
  EXPECT_EQ(defaultApiBase(), QUrl("http://127.0.0.1:4321"));
  qputenv(kApiBaseVariable, "");
  EXPECT_EQ(defaultApiBase(), QUrl(QString::fromLatin1(kDefaultApiBase)));
  qunsetenv(kApiBaseVariable);
}

}  // namespace
}  // namespace zx::client
