#include "d3d/D3DMatrix.h"

#include <cmath>

namespace {

void Normalise(float v[3])
{
    const float length = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    if (length > 0) {
        v[0] /= length;
        v[1] /= length;
        v[2] /= length;
    }
}

void Cross(const float a[3], const float b[3], float out[3])
{
    out[0] = a[1] * b[2] - a[2] * b[1];
    out[1] = a[2] * b[0] - a[0] * b[2];
    out[2] = a[0] * b[1] - a[1] * b[0];
}

float Dot(const float a[3], const float b[3]) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

}  // namespace

D3DMatrix4 LookAtLH(const float eye[3], const float at[3], const float up[3])
{
    float z[3] = {at[0] - eye[0], at[1] - eye[1], at[2] - eye[2]};
    Normalise(z);
    float x[3];
    Cross(up, z, x);
    Normalise(x);
    float y[3];
    Cross(z, x, y);
    D3DMatrix4 r = {{{x[0], y[0], z[0], 0},
                     {x[1], y[1], z[1], 0},
                     {x[2], y[2], z[2], 0},
                     {-Dot(x, eye), -Dot(y, eye), -Dot(z, eye), 1}}};
    return r;
}

D3DMatrix4 PerspectiveFovLH(float fov, float aspect, float nearZ, float farZ)
{
    if (!(aspect > 0))
        aspect = 1;
    const float yScale = 1.0f / std::tan(fov / 2);
    const float depth = farZ / (farZ - nearZ);
    D3DMatrix4 r = {{{yScale / aspect, 0, 0, 0},
                     {0, yScale, 0, 0},
                     {0, 0, depth, 1},
                     {0, 0, -nearZ * depth, 0}}};
    return r;
}
