// The view and projection matrices of the default states.
#include "d3d/D3DMatrix.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

const float kPi = 3.14159265358979f;

TEST(D3DMatrix, LookAlongZFromTheOriginIsIdentity)
{
    const float eye[3] = {0, 0, 0}, at[3] = {0, 0, 1}, up[3] = {0, 1, 0};
    const D3DMatrix4 m = LookAtLH(eye, at, up);
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            EXPECT_FLOAT_EQ(r == c ? 1.0f : 0.0f, m.m[r][c]) << r << "," << c;
}

TEST(D3DMatrix, LookAtMovesTheEyeToTheOrigin)
{
    const float eye[3] = {0, 0, -5}, at[3] = {0, 0, 0}, up[3] = {0, 1, 0};
    const D3DMatrix4 m = LookAtLH(eye, at, up);
    EXPECT_FLOAT_EQ(5.0f, m.m[3][2]);
    // Looking along -x: the view's z axis is world -x.
    const float eye2[3] = {0, 0, 0}, at2[3] = {-1, 0, 0};
    const D3DMatrix4 n = LookAtLH(eye2, at2, up);
    EXPECT_FLOAT_EQ(-1.0f, n.m[0][2]);
    EXPECT_FLOAT_EQ(1.0f, n.m[2][0]);
}

TEST(D3DMatrix, PerspectiveElements)
{
    const D3DMatrix4 m = PerspectiveFovLH(kPi / 4, 4.0f / 3.0f, 100.0f, 1000.0f);
    const float cot = 1.0f / std::tan(kPi / 8);
    EXPECT_FLOAT_EQ(cot * 3.0f / 4.0f, m.m[0][0]);
    EXPECT_FLOAT_EQ(cot, m.m[1][1]);
    EXPECT_FLOAT_EQ(1000.0f / 900.0f, m.m[2][2]);
    EXPECT_FLOAT_EQ(1.0f, m.m[2][3]);
    EXPECT_FLOAT_EQ(-100.0f * 1000.0f / 900.0f, m.m[3][2]);
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            if (!(r == c && r < 3) && !(r == 2 && c == 3) && !(r == 3 && c == 2)) {
                EXPECT_EQ(0.0f, m.m[r][c]) << r << "," << c;
            }
        }
    }
}

TEST(D3DMatrix, ThePerspectiveKeepsSquaresSquareInAWideView)
{
    // A point at the edge of the horizontal field of a 2:1 view lands on the
    // right edge; the near plane maps to depth 0 and the far one to 1.
    const float aspect = 2.0f, fov = kPi / 3;
    const D3DMatrix4 m = PerspectiveFovLH(fov, aspect, 1.0f, 10.0f);
    const float z = 5.0f, x = z * std::tan(fov / 2) * aspect, y = z * std::tan(fov / 2);
    const float w = z * m.m[2][3];
    EXPECT_NEAR(1.0f, x * m.m[0][0] / w, 1e-5f);
    EXPECT_NEAR(1.0f, y * m.m[1][1] / w, 1e-5f);
    EXPECT_NEAR(0.0f, (1.0f * m.m[2][2] + m.m[3][2]) / 1.0f, 1e-5f);
    EXPECT_NEAR(1.0f, (10.0f * m.m[2][2] + m.m[3][2]) / 10.0f, 1e-5f);
    // No view size: square.
    EXPECT_FLOAT_EQ(m.m[1][1], PerspectiveFovLH(fov, 0.0f, 1.0f, 10.0f).m[0][0]);
}

}  // namespace
