// A broker's logo as the platform sends it: a data URL with the image in Base64 after
// "base64,". It comes from the network, so decoding is strict and bounded.
#pragma once

#include <QImage>
#include <QString>
#include <optional>

namespace zx::views {

// Larger payloads, or images larger on either side, are not decoded.
inline constexpr qsizetype kLogoBytesLimit = qsizetype(1) << 20;
inline constexpr int kLogoSideLimit = 1024;

// The logo, or a null image when there is none to show: no text, no "base64,", Base64
// that is not strictly valid and padded, or bytes that no installed image plugin reads
// as an image within the limits.
QImage decodeBrokerLogo(const std::optional<QString>& source);

}  // namespace zx::views
