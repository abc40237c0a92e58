#pragma once
// The one type of every physical quantity: 80-bit extended precision.

namespace veldrim {

using Real = long double;

}  // namespace veldrim
