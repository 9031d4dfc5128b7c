#include "installer/UpdateRun.h"
#include "installer/resource.h"
#include "framework/Window.h"
#include "setup/InstallEngine.h"
#include "setup/FileList.h"
#include "setup/FindFile.h"
#include "setup/PathUtil.h"
#include "setup/SjisString.h"

const char* const kNotInstalledText = "Quillmoor～Brindlewick～がインストールされていません。";
const char* const kErrorCaption = "エラー";
const char* const kNoRoomText = "インストール先ハードディスクの容量が不足しています。";
const char* const kSuccessText = "セットアップは正常に終了しました。";
const char* const kSuccessCaption = "正常終了";

namespace {

const char* const kProductName = "Quillmoor";
const char* const kSourceFolders[4] = {"data\\gamedata5", "data\\gamedata2", "data\\gamedata3",
                                       "data\\gamedata4"};
const char* const kFirstMarker = "\\patch\\1000_tradepost1116120116.pak";
const char* const kSecondMarker = "\\patch\\1005_tokubetsu116120116.pak";
const uint64_t kGroupBytes[4] = {968328970, 968328970, 102004022, 86448083};

// While the notice is up the copy runs: a log-off or shutdown would kill it
// half-way, so the session may not end.
INT_PTR CALLBACK NoticeProc(HWND hWnd, UINT message, WPARAM, LPARAM)
{
    if (message != WM_QUERYENDSESSION)
        return FALSE;
    SetWindowLongPtrA(hWnd, DWLP_MSGRESULT, FALSE);
    return TRUE;
}

// The updating notice (template 103), shown while the engine copies.
class CUpdatingNotice {
public:
    // Shown in full before the copy can prompt: the system finishes showing
    // a window as its thread takes the window's messages, and a prompt that
    // came up before that would end up behind the notice.
    CUpdatingNotice()
        : m_hWnd(CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_UPDATING), nullptr,
                                    NoticeProc, 0))
    {
        if (!m_hWnd)
            return;
        UpdateWindow(m_hWnd);
        DispatchPendingMessages();
    }
    ~CUpdatingNotice() { Close(); }
    HWND Handle() const { return m_hWnd; }
    void Close()
    {
        if (m_hWnd)
            DestroyWindow(m_hWnd);
        m_hWnd = nullptr;
    }

private:
    CUpdatingNotice(const CUpdatingNotice&) = delete;
    CUpdatingNotice& operator=(const CUpdatingNotice&) = delete;
    HWND m_hWnd;
};

void AddGroup(CInstallEngine& engine, int group)
{
    std::string folder = MakeFullPath(kSourceFolders[group]);
    if (folder.empty())
        return;
    CFileList list;
    list.List(folder, "*.*", true);
    for (const std::string& file : list.Files())
        engine.AddFile(RelativePath(file, folder), group);
}

bool Exists(const std::string& path)
{
    return FindExists(CollapseBackslashes(path));
}

}  // namespace

void PlanUpdate(const std::string& gameFolder, HWND owner)
{
    CInstallEngine& engine = CFolderInstallEngine::GetInstance();
    engine.Reset();
    engine.SetProductName(kProductName);
    engine.SetOwnerWindow(owner);
    for (int group = 0; group < 4; ++group)
        engine.SetSourceFolder(kSourceFolders[group], group);
    engine.SetDestination(CollapseBackslashes(NormalizeSlashes(gameFolder)));

    uint64_t required = 0;
    if (Exists(gameFolder + kFirstMarker)) {
        required = kGroupBytes[2];
        AddGroup(engine, 2);
    }
    if (Exists(gameFolder + kSecondMarker)) {
        required += kGroupBytes[3];
        AddGroup(engine, 3);
    }
    required += kGroupBytes[1];
    AddGroup(engine, 1);
    required += kGroupBytes[0];
    AddGroup(engine, 0);
    engine.SetRequiredSize(required);
}

void RunUpdate(const std::string& gameFolder, HWND owner)
{
    CInstallEngine& engine = CFolderInstallEngine::GetInstance();
    // What a killed update left is settled first: the plan looks at the
    // game folder (the patch markers), which must be as an update left it.
    engine.Reset();
    engine.SetOwnerWindow(owner);
    if (!engine.Recover(CollapseBackslashes(NormalizeSlashes(gameFolder))))
        return;
    CUpdatingNotice notice;
    // The copy's prompts are owned by the notice while it is up, so that
    // they stay in front of it (the notice is disabled while one shows).
    PlanUpdate(gameFolder, notice.Handle() ? notice.Handle() : owner);
    if (engine.GetFreeSpace() <= engine.GetRequiredSize()) {
        notice.Close();
        MessageBoxA(nullptr, kNoRoomText, kErrorCaption, MB_ICONINFORMATION);
        return;
    }
    if (!engine.Begin()) {
        engine.Abort();
        return;
    }
    for (;;) {
        MSG msg;
        if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        engine.GetTotalPercent();
        Sleep(50);
        if (engine.IsCancelled()) {
            engine.Abort();
            return;
        }
        if (!engine.IsFinished())
            continue;
        if (engine.IsCancelled()) {
            engine.Abort();
            return;
        }
        notice.Close();
        MessageBoxA(owner, kSuccessText, kSuccessCaption, MB_ICONINFORMATION);
        return;
    }
}
