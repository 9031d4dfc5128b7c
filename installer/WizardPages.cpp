#include "installer/WizardPages.h"
#include "installer/SetupWindow.h"
#include "installer/resource.h"
#include <commctrl.h>

const char* const kWizardCancelCaption = "中断確認";

volatile BYTE g_WizardCancel = 0;

namespace {

// The page's answer to the notification being handled.
void SetResult(HWND page, LONG result) { SetWindowLongA(page, DWL_MSGRESULT, result); }

// PSN_QUERYCANCEL: the sheet closes only when the user confirms.
void QueryCancel(HWND page)
{
    if (MessageBoxA(page, kSetupCancelQuestion, kWizardCancelCaption, MB_ICONINFORMATION | MB_YESNO) == IDYES) {
        g_WizardCancel = 1;
        SetResult(page, FALSE);
    } else {
        SetResult(page, TRUE);
    }
}

void CentreOnScreen(HWND sheet)
{
    RECT r;
    GetWindowRect(sheet, &r);
    const int x = (GetSystemMetrics(SM_CXSCREEN) + r.left - r.right) >> 1;
    const int y = (GetSystemMetrics(SM_CYSCREEN) + r.top - r.bottom) >> 1;
    SetWindowPos(sheet, nullptr, x, y, 0, 0, SWP_NOZORDER | SWP_NOSIZE);
}

HPROPSHEETPAGE CreatePage(HINSTANCE instance, int templateId, DLGPROC procedure)
{
    PROPSHEETPAGEA page = {};
    page.dwSize = 48;
    page.dwFlags = 0;
    page.hInstance = instance;
    page.pszTemplate = MAKEINTRESOURCEA(templateId);
    page.pfnDlgProc = procedure;
    return CreatePropertySheetPageA(&page);
}

// Both pages answer cancel alike and set their wizard buttons when shown;
// the first centres the sheet, the last accepts Finish.
INT_PTR PageProc(HWND page, UINT message, LPARAM lParam, bool first)
{
    if (message != WM_NOTIFY)
        return FALSE;
    const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
    switch (header->code) {
    case PSN_QUERYCANCEL:
        QueryCancel(page);
        return TRUE;
    case PSN_WIZFINISH:
        return first ? FALSE : TRUE;
    case PSN_SETACTIVE:
        PostMessageA(header->hwndFrom, PSM_SETWIZBUTTONS, 0, first ? PSWIZB_NEXT : PSWIZB_BACK | PSWIZB_FINISH);
        SetResult(page, 0);
        if (first)
            CentreOnScreen(header->hwndFrom);
        return TRUE;
    default:
        return FALSE;
    }
}

}  // namespace

INT_PTR CALLBACK WizardFirstPageProc(HWND hWnd, UINT message, WPARAM, LPARAM lParam)
{
    return PageProc(hWnd, message, lParam, true);
}

INT_PTR CALLBACK WizardSecondPageProc(HWND hWnd, UINT message, WPARAM, LPARAM lParam)
{
    return PageProc(hWnd, message, lParam, false);
}

CWizardPages::CWizardPages(HINSTANCE instance) : m_hInstance(instance)
{
    m_Pages[0] = CreatePage(instance, IDD_WIZARD_WELCOME, WizardFirstPageProc);
    m_Pages[1] = CreatePage(instance, IDD_WIZARD_FINISH, WizardSecondPageProc);
}

CWizardPages::~CWizardPages()
{
    for (HPROPSHEETPAGE& page : m_Pages) {
        if (page)
            DestroyPropertySheetPage(page);
        page = nullptr;
    }
}

INT_PTR CWizardPages::Run(HWND owner, PFNPROPSHEETCALLBACK callback)
{
    if (!IsCreated())
        return -1;
    PROPSHEETHEADERA header = {};
    header.dwSize = sizeof header;
    header.dwFlags = PSH_WIZARD | (callback ? PSH_USECALLBACK : 0);
    header.hwndParent = owner;
    header.hInstance = m_hInstance;
    header.nPages = 2;
    header.phpage = m_Pages;
    header.pfnCallback = callback;
    // The sheet destroys the pages it was given, whatever it returns.
    const INT_PTR result = PropertySheetA(&header);
    m_Pages[0] = m_Pages[1] = nullptr;
    return result;
}
