#pragma once
// A window and a real Direct3D 8 HAL device with hardware vertex processing,
// shared by the tests of one suite, and a back-buffer reader.
#include "d3dx/D3DX.h"
#include "d3dx/PixelFormat.h"

#include <gtest/gtest.h>

#include "common/TestFiles.h"

#include <string>
#include <vector>

class D3DDeviceTest : public ::testing::Test {
public:
    static constexpr UINT kWidth = 128, kHeight = 128;

protected:
    static void SetUpTestSuite();
    static void TearDownTestSuite();
    void SetUp() override;

    // The back buffer as 0xAARRGGBB, top-down; empty when it cannot be read.
    static std::vector<uint32_t> ReadBackBuffer();

    static HWND s_window;
    static IDirect3D8* s_d3d;
    static IDirect3DDevice8* s_device;
    static D3DCAPS8 s_caps;
    static std::string s_failure;
};

