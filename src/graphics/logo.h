#pragma once
// The maker's logo as ordinary display-list records (TFveldgra::DrawVeldrimLogo
// in display_list.h): a world window -1..38 by -1..33 over the whole device,
// one window record, three colour records and 57 filled quadrilaterals in blue
// (colour 9) and fuchsia (colour 13): a worm wheel of 41 teeth over a worm.

namespace veldrim {

inline constexpr int kLogoBlueSolidsFirst = 13;
inline constexpr int kLogoFuchsiaSolids = 41;
inline constexpr int kLogoBlueSolidsLast = 3;

}  // namespace veldrim
