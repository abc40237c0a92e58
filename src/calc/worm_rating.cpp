#include "calc/worm_rating.h"

namespace veldrim {

// The rating is not built yet: the calculation sequence runs without it.
void CalcWormRating() {}

}  // namespace veldrim
