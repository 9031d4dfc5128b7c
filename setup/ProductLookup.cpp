#include "setup/ProductLookup.h"

#include "framework/DebugPrint.h"
#include "setup/PathUtil.h"
#include "setup/RegistryKey.h"

#include <initializer_list>

namespace {

const HKEY kRoots[] = {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER};

HKEY WriteRoot() { return HasAdminRights() ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER; }

std::string ReadSystemFolder(HKEY root, const char* subkey, const char* value, const char* who)
{
    CRegistryKey key(root);
    if (!key.Open(subkey, KEY_QUERY_VALUE)) {
        DebugPrint("%s レジストリオープンに失敗", who);
        return std::string();
    }
    std::string text;
    if (!key.GetString(value, text)) {
        DebugPrint("%s レジストリ値取得に失敗", who);
        return std::string();
    }
    return text;
}

// Below each root: deletes the key's values, in this order, then the key.
void RemoveKeyEverywhere(const std::string& name, std::initializer_list<const char*> values)
{
    for (HKEY root : kRoots) {
        CRegistryKey key(root);
        if (key.Open(name, KEY_ALL_ACCESS)) {
            for (const char* value : values)
                key.DeleteValue(value);
        }
        key.Close();
        key.DeleteSubKey(name);
    }
}

}  // namespace

std::string FullPathBelow(const std::string& destination, const std::string& file)
{
    if (IsAbsolutePath(file))
        return file;
    return CollapseBackslashes(destination + "\\" + file);
}

std::string AppPathsKey(const std::string& product)
{
    return "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\" + product + ".exe";
}

std::string UninstallKey(const std::string& product)
{
    return "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + product;
}

bool FindInstalledProduct(const std::string& product, std::string& folder, std::string& program)
{
    const std::string name = AppPathsKey(product);
    for (HKEY root : kRoots) {
        CRegistryKey key(root);
        if (!key.Open(name, KEY_ALL_ACCESS))
            continue;
        std::string path, dir;
        if (key.GetString("", path) && key.GetString("Path", dir)) {
            key.Close();
            folder = dir;
            program = path;
            return true;
        }
    }
    return false;
}

bool RegisterAppPath(const std::string& destination, const std::string& file,
                     const std::string& product)
{
    const std::string full = FullPathBelow(destination, file);
    std::string folder, name;
    SplitPath(full, folder, name);
    CRegistryKey key(WriteRoot());
    return key.Create(AppPathsKey(product)) && key.SetString("", full) &&
           key.SetString("Path", folder);
}

bool UnregisterAppPath(const std::string& product)
{
    RemoveKeyEverywhere(AppPathsKey(product), {"path", ""});
    return true;
}

bool RegisterUninstall(const std::string& destination, const std::string& file,
                       const std::string& displayName, const std::string& product)
{
    const std::string full = FullPathBelow(destination, file);
    CRegistryKey key(WriteRoot());
    return key.Create(UninstallKey(product)) && key.SetString("DisplayName", displayName) &&
           key.SetString("UninstallString", full);
}

bool UnregisterUninstall(const std::string& product)
{
    RemoveKeyEverywhere(UninstallKey(product), {"DisplayName", "UninstallString"});
    return true;
}

bool HasAdminRights()
{
    static bool notAsked = true;
    static bool answer = true;
    if (notAsked) {
        notAsked = false;
        CRegistryKey key(HKEY_LOCAL_MACHINE);
        if (!key.Open("", KEY_ALL_ACCESS))
            answer = false;
    }
    return answer;
}

std::string GetProgramFilesPath()
{
    return ReadSystemFolder(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion",
                            "ProgramFilesDir", "GetProgramFilesPath()");
}

std::string GetDesktopPath()
{
    return ReadSystemFolder(HKEY_CURRENT_USER,
                            "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
                            "Desktop", "GetDesktopPath()");
}

uint64_t GetFreeSpace(const std::string& path)
{
    // A relative path has no root of its own: the current directory's drive.
    const std::string drive = DriveRoot(path);
    const char* root = drive.empty() ? nullptr : drive.c_str();

    typedef BOOL(WINAPI * GetDiskFreeSpaceExProc)(LPCSTR, PULARGE_INTEGER, PULARGE_INTEGER,
                                                  PULARGE_INTEGER);
    const HMODULE kernel = GetModuleHandleA("kernel32.dll");
    const auto ex = kernel ? reinterpret_cast<GetDiskFreeSpaceExProc>(
                                 reinterpret_cast<void*>(GetProcAddress(kernel, "GetDiskFreeSpaceExA")))
                           : nullptr;
    if (ex) {
        ULARGE_INTEGER available, total, free;
        if (!ex(root, &available, &total, &free))
            return 0;
        return available.QuadPart;
    }
    DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, clusters = 0;
    if (!GetDiskFreeSpaceA(root, &sectorsPerCluster, &bytesPerSector, &freeClusters, &clusters))
        return 0;
    return uint64_t(sectorsPerCluster) * bytesPerSector * freeClusters;
}
