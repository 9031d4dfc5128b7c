#pragma once
// The two matrices the device's default states use, row-major like
// D3DMATRIX (m[row][column], row vectors). Pure.
struct D3DMatrix4 {
    float m[4][4];
};

// Left-handed view matrix looking from eye towards at, with up.
D3DMatrix4 LookAtLH(const float eye[3], const float at[3], const float up[3]);

// Left-handed perspective projection: a vertical field of view fov
// (radians), aspect = width / height of the view, near and far planes.
// x scale cot(fov / 2) / aspect, y scale cot(fov / 2), z scale
// far / (far - near), 1 in row 2 column 3, -near * far / (far - near) in
// row 3 column 2. An aspect of 0 or less counts as 1.
D3DMatrix4 PerspectiveFovLH(float fov, float aspect, float nearZ, float farZ);
