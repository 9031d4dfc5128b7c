#pragma once
// The two pages of the setup wizard (templates 107 and 109) and the flag
// they set when the user confirms a cancel.
#include <windows.h>
#include <prsht.h>

extern const char* const kWizardCancelCaption;  // "中断確認"

// Set by both pages when the user answers Yes to the cancel question; never
// cleared by the program.
extern volatile BYTE g_WizardCancel;

// Page 1: Next only, the sheet centred on the screen.
INT_PTR CALLBACK WizardFirstPageProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
// Page 2: Back and Finish.
INT_PTR CALLBACK WizardSecondPageProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);

// The two page handles. A sheet that shows them takes them over (the sheet
// destroys its pages); pages never shown are destroyed with this object.
class CWizardPages {
public:
    explicit CWizardPages(HINSTANCE instance);
    ~CWizardPages();

    // Both pages were created.
    bool IsCreated() const { return m_Pages[0] != nullptr && m_Pages[1] != nullptr; }
    // Shows the pages as a modal wizard owned by owner and returns
    // PropertySheet's result (-1 without pages). The pages are used up.
    INT_PTR Run(HWND owner, PFNPROPSHEETCALLBACK callback = nullptr);

private:
    CWizardPages(const CWizardPages&) = delete;
    CWizardPages& operator=(const CWizardPages&) = delete;

    HINSTANCE m_hInstance;
    HPROPSHEETPAGE m_Pages[2];
};
