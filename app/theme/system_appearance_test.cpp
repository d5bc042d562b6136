#include "theme/system_appearance.h"

#include <gtest/gtest.h>

#include <QDBusVariant>
#include <QSignalSpy>

#include "theme/fake_system_appearance.h"

namespace zx::theme {
namespace {

QVariant wrap(const QVariant& v) {
  return QVariant::fromValue(QDBusVariant(v));
}

TEST(SystemAppearance, PortalValuesReadAsSchemes) {
  struct Row {
    const char* what;
    QVariant value;
    ColorScheme expected;
  };
  const Row rows[] = {
      {"double-wrapped uint 1", wrap(wrap(QVariant(1u))), ColorScheme::dark},
      {"wrapped uint 1", wrap(QVariant(1u)), ColorScheme::dark},
      {"wrapped int 1", wrap(QVariant(1)), ColorScheme::dark},
      {"bare uint 1", QVariant(1u), ColorScheme::dark},
      {"double-wrapped 0", wrap(wrap(QVariant(0u))), ColorScheme::light},
      {"double-wrapped 2", wrap(wrap(QVariant(2u))), ColorScheme::light},
      {"double-wrapped text", wrap(wrap(QVariant(QStringLiteral("dark")))), ColorScheme::light},
      {"text 1", wrap(QVariant(QStringLiteral("1"))), ColorScheme::light},
      {"double 1", wrap(QVariant(1.0)), ColorScheme::light},
      {"bool", wrap(QVariant(true)), ColorScheme::light},
      {"thrice wrapped 1", wrap(wrap(wrap(QVariant(1u)))), ColorScheme::light},
      {"empty", QVariant(), ColorScheme::light},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(schemeFromPortalValue(row.value), row.expected) << row.what;
  }
}

TEST(SystemAppearance, FakeEmitsOnChangeOnly) {
  FakeSystemAppearance fake;
  QSignalSpy spy(&fake, &SystemAppearance::schemeChanged);
  SystemAppearance& appearance = fake;
  appearance.start();
  EXPECT_EQ(fake.starts(), 1);
  EXPECT_EQ(appearance.scheme(), ColorScheme::light);
  fake.setScheme(ColorScheme::dark);
  fake.setScheme(ColorScheme::dark);
  ASSERT_EQ(spy.size(), 1);
  EXPECT_EQ(spy[0][0].value<ColorScheme>(), ColorScheme::dark);
  EXPECT_EQ(appearance.scheme(), ColorScheme::dark);
}

}  // namespace
}  // namespace zx::theme
