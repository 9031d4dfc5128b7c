#include "D3DLayerTest.h"

#include "d3d/Direct3D8Manager.h"

#include "framework/AppManager.h"

#include "common/TempFolder.h"

#include <cstring>

WindowTestApp* D3DLayerTest::s_app = nullptr;
CTempFolder* D3DLayerTest::s_folder = nullptr;
std::string D3DLayerTest::s_previousFolder;
std::string D3DLayerTest::s_failure;

void D3DLayerTest::SetUpTestSuite()
{
    s_failure.clear();
    char previous[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, previous);
    s_previousFolder = previous;
    s_folder = new CTempFolder("d3d");
    SetCurrentDirectoryA(s_folder->Path().c_str());
    s_app = new WindowTestApp(kWidth, kHeight);
    if (!s_app->Start()) {
        s_failure = "the test window was not made";
        return;
    }
    s_app->Activate();
    bool made = false;
    OnWindow([&] { made = CDirect3D8Manager::GetInstance().Initialize(CAppManager::GetHWnd()); });
    if (!made)
        s_failure = "Direct3D was not made for the window";
    else if (!Device() || !Raw())
        s_failure = "the window's Direct3D object has no device";
}

void D3DLayerTest::TearDownTestSuite()
{
    if (s_app) {
        const HWND hWnd = s_app->GetHWnd();
        OnWindow([&] { CDirect3D8Manager::GetInstance().Finalize(hWnd); });
        delete s_app;
        s_app = nullptr;
    }
    SetCurrentDirectoryA(s_previousFolder.c_str());
    delete s_folder;
    s_folder = nullptr;
}

void D3DLayerTest::SetUp()
{
    ASSERT_TRUE(s_failure.empty()) << s_failure;
    s_app->Activate();
    OnWindow([] {
        if (!Raw())
            Device()->RestoreDevice();
        Device()->SetAutoDepthStencil(false);
        Device()->SetDefaultStates();
    });
    ASSERT_NE(nullptr, Raw()) << "no device at the start of the test";
}

void D3DLayerTest::OnWindow(const std::function<void()>& work)
{
    ASSERT_TRUE(s_app && s_app->Run(work)) << "the window thread did not run the work";
}

HWND D3DLayerTest::Window() { return s_app ? s_app->GetHWnd() : NULL; }

CDirect3D8* D3DLayerTest::Direct3D() { return CDirect3D8Manager::GetInstance().GetDirect3D(Window()); }

CD3DDevice* D3DLayerTest::Device() { return Direct3D() ? Direct3D()->GetDevice() : nullptr; }

IDirect3DDevice8* D3DLayerTest::Raw() { return Device() ? Device()->GetDevice() : nullptr; }

const std::string& D3DLayerTest::Folder() { return s_folder->Path(); }

size_t CountStartingWith(const std::vector<std::string>& lines, const std::string& text)
{
    size_t n = 0;
    for (const std::string& line : lines)
        n += line.compare(0, text.size(), text) == 0;
    return n;
}

