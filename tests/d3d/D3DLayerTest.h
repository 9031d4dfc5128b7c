#pragma once
// A window whose thread holds the window's Direct3D object, shared by the
// tests of one suite, in a temporary current folder (where "info.txt"
// goes). Every test starts from the device's default states.
#include "d3d/D3DDevice.h"
#include "d3d/Direct3D8.h"

#include <gtest/gtest.h>

#include "common/TestFiles.h"
#include "common/WindowTestApp.h"

#include <functional>
#include <string>
#include <vector>

class CTempFolder;

class D3DLayerTest : public ::testing::Test {
public:
    static constexpr int kWidth = 160, kHeight = 120;

    // Runs work on the window thread.
    static void OnWindow(const std::function<void()>& work);
    static HWND Window();
    static CDirect3D8* Direct3D();
    static CD3DDevice* Device();
    static IDirect3DDevice8* Raw();
    static const std::string& Folder();

protected:
    static void SetUpTestSuite();
    static void TearDownTestSuite();
    void SetUp() override;

    static WindowTestApp* s_app;
    static CTempFolder* s_folder;
    static std::string s_previousFolder;
    static std::string s_failure;
};

// Lines that begin with the text.
size_t CountStartingWith(const std::vector<std::string>& lines, const std::string& text);
