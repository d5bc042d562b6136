// Fixed spacings, corner radii and sizes of the kit, in logical pixels.
#pragma once

namespace zx::theme {

// A closed range of lengths; clamp raises to the lower bound, then lowers to the upper.
struct LengthRange {
  double lower;
  double upper;
  constexpr double clamp(double v) const {
    if (v < lower) v = lower;
    if (v > upper) v = upper;
    return v;
  }
  constexpr bool contains(double v) const { return v >= lower && v <= upper; }
};

namespace Space {
inline constexpr int xxs = 2;
inline constexpr int xs = 4;
inline constexpr int sm = 6;
inline constexpr int md = 8;
inline constexpr int lg = 12;
inline constexpr int xl = 16;
inline constexpr int xxl = 20;
inline constexpr int huge = 24;
inline constexpr int sidebarGutter = 16;
}  // namespace Space

namespace Radius {
inline constexpr int tag = 4;
inline constexpr int row = 6;
inline constexpr int control = 8;
inline constexpr int card = 10;
inline constexpr int panel = 12;
}  // namespace Radius

namespace Size {
inline constexpr int titleStrip = 60;
inline constexpr int toolbar = 60;
inline constexpr int contentInset = 16;
inline constexpr int brandInset = 88;
inline constexpr int panelHeader = 30;
inline constexpr int tabBar = 38;
inline constexpr int statusBar = 24;
inline constexpr int sidebarRow = 28;
inline constexpr int tableRow = 24;
inline constexpr int tableHeader = 26;
inline constexpr int control = 28;
inline constexpr int gutter = 48;
inline constexpr int sidebar = 240;
inline constexpr LengthRange sidebarRange{200, 360};
inline constexpr LengthRange referenceRange{240, 420};
}  // namespace Size

}  // namespace zx::theme
