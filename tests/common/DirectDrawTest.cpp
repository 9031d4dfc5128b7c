#include "common/DirectDrawTest.h"

#include "framework/AppManager.h"
#include "framework/DirectDrawManager.h"

WindowTestApp* DirectDrawTest::s_app = nullptr;
std::string DirectDrawTest::s_failure;

void DirectDrawTest::SetUpTestSuite()
{
    s_failure.clear();
    s_app = new WindowTestApp(kWidth, kHeight, "QuillDirectDrawTest");
    if (!s_app->Start()) {
        s_failure = "the test window was not made";
        return;
    }
    bool made = false;
    OnWindow([&] { made = CDirectDrawManager::GetInstance().Initialize(CAppManager::GetHWnd()); });
    if (!made)
        s_failure = "DirectDraw was not made for the window";
}

void DirectDrawTest::TearDownTestSuite()
{
    if (s_app) {
        const HWND hWnd = s_app->GetHWnd();
        OnWindow([&] { CDirectDrawManager::GetInstance().Uninitialize(hWnd); });
        delete s_app;
        s_app = nullptr;
    }
}

void DirectDrawTest::SetUp()
{
    ASSERT_TRUE(s_failure.empty()) << s_failure;
    ASSERT_NE(nullptr, DirectDraw()) << "the window has no DirectDraw object at the start of the test";
}

void DirectDrawTest::OnWindow(const std::function<void()>& work)
{
    ASSERT_TRUE(s_app && s_app->Run(work)) << "the window thread did not run the work";
}

HWND DirectDrawTest::Window() { return s_app ? s_app->GetHWnd() : NULL; }

CDirectDraw* DirectDrawTest::DirectDraw() { return CDirectDrawManager::GetInstance().GetDirectDraw(Window()); }

DirectDrawProbe::DirectDrawProbe()
{
    CoInitialize(nullptr);
    CoCreateInstance(CLSID_DirectDraw, nullptr, CLSCTX_INPROC_SERVER, IID_IDirectDraw7,
                     reinterpret_cast<void**>(&m_Uninitialised));
    CoCreateInstance(CLSID_DirectDraw, nullptr, CLSCTX_INPROC_SERVER, IID_IDirectDraw7,
                     reinterpret_cast<void**>(&m_DirectDraw));
    if (m_DirectDraw == nullptr || FAILED(m_DirectDraw->Initialize(nullptr)) ||
        FAILED(m_DirectDraw->SetCooperativeLevel(NULL, DDSCL_NORMAL))) {
        ADD_FAILURE() << "no DirectDraw object for the probe";
        return;
    }
    m_DirectDraw->CreateClipper(0, &m_Clipper, nullptr);
    DDSURFACEDESC2 desc = {};
    desc.dwSize = sizeof desc;
    desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
    desc.dwWidth = desc.dwHeight = 4;
    desc.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY;
    m_DirectDraw->CreateSurface(&desc, &m_Surface, nullptr);
    EXPECT_TRUE(m_Clipper && m_Surface) << "no clipper or surface for the probe";
}

DirectDrawProbe::~DirectDrawProbe()
{
    if (m_Surface)
        m_Surface->Release();
    if (m_Clipper)
        m_Clipper->Release();
    if (m_DirectDraw)
        m_DirectDraw->Release();
    if (m_Uninitialised)
        m_Uninitialised->Release();
    CoUninitialize();
}
