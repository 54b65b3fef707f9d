#include "matrixcalculator.h"

#include <algorithm>

void matrixCalculator::GEOM_tr2rzyz(const float *m16, float *pose6) const
{
    Matrix4 m;
    std::copy(m16, m16 + 16, m.begin());
    const Pose6 p = toolbox::matrixToPose(m, toolbox::EulerZYZ);
    std::copy(p.begin(), p.end(), pose6);
}
