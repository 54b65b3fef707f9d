#include "kinematics/trig.h"

namespace kinematics::trig::detail {

#ifdef __SSE2__
namespace {

constexpr __m128d both(double v)
{
    return __m128d{v, v};
}

} // namespace

const LaneConstants kLanes = {
    both(kInvPio2),
    both(kToInt),
    both(kPio2_1),
    both(kPio2_2),
    both(kPio2_2t),
    both(0.5),
    both(1.0),
    both(-0.0),
    {both(kS[0]), both(kS[1]), both(kS[2]), both(kS[3]), both(kS[4]), both(kS[5])},
    {both(kC[0]), both(kC[1]), both(kC[2]), both(kC[3]), both(kC[4]), both(kC[5])},
    {both(kAtanFrom[0]), both(kAtanFrom[1]), both(kAtanFrom[2]), both(kAtanFrom[3])},
    {both(kAtanT[0]), both(kAtanT[1]), both(kAtanT[2]), both(kAtanT[3]), both(kAtanT[4]),
     both(kAtanT[5]), both(kAtanT[6]), both(kAtanT[7]), both(kAtanT[8]), both(kAtanT[9]),
     both(kAtanT[10])},
    both(1e300),
    both(0x1p60),
    both(kPi),
    both(kPiLo),
};
#endif

} // namespace kinematics::trig::detail
