// Registry key wrapper and product lookup against Wine's real registry.
#include "framework/DebugPrint.h"
#include "setup/PathUtil.h"
#include "setup/ProductLookup.h"
#include "setup/RegistryKey.h"
#include "common/TestProductKeys.h"
#include "common/TraceCapture.h"

#include <gtest/gtest.h>

namespace {

// A product name no other test uses, removed from both roots afterwards.
class TestProduct {
public:
    explicit TestProduct(const char* tag) : m_Keys(std::string("QuillTest_") + tag) {}
    const std::string& Name() const { return m_Keys.Name(); }
    void Write(HKEY root, const char* program, const char* path) const
    {
        CRegistryKey key(root);
        ASSERT_TRUE(key.Create(AppPathsKey(Name())));
        if (program)
            ASSERT_TRUE(key.SetString("", program));
        if (path)
            ASSERT_TRUE(key.SetString("Path", path));
    }

private:
    CTestProductKeys m_Keys;
};


}  // namespace

TEST(RegistryKey, ClosedKeyRefusesEverything)
{
    CRegistryKey key(HKEY_CURRENT_USER);
    std::string text = "keep";
    uint32_t v = 9;
    DWORD size = 7;
    char buf[4];
    EXPECT_FALSE(key.SetString("a", "b"));
    EXPECT_FALSE(key.GetString("a", text));
    EXPECT_EQ("", text);
    EXPECT_FALSE(key.GetDword("a", v));
    EXPECT_EQ(0u, v);
    EXPECT_EQ(0u, key.QueryValue("a", size));
    EXPECT_EQ(0u, size);
    EXPECT_FALSE(key.GetBinary("a", buf, sizeof buf));
    EXPECT_FALSE(key.DeleteValue("a"));
    EXPECT_TRUE(key.Close()) << "closing a closed key succeeds";
    EXPECT_FALSE(key.Open("Software\\QuillNoSuchKey\\x", KEY_ALL_ACCESS));
    EXPECT_FALSE(key.IsOpen());
    EXPECT_EQ("", key.Path());
}

TEST(RegistryKey, ValuesRoundTrip)
{
    TestProduct p("values");
    const std::string sub = UninstallKey(p.Name());
    CRegistryKey key(HKEY_CURRENT_USER);
    ASSERT_TRUE(key.Create(sub));
    EXPECT_EQ(sub, key.Path());

    ASSERT_TRUE(key.SetString("s", "abc"));
    DWORD size = 0;
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), key.QueryValue("s", size));
    EXPECT_EQ(4u, size) << "the terminating zero byte is stored";
    std::string text;
    EXPECT_TRUE(key.GetString("s", text));
    EXPECT_EQ("abc", text);

    const std::string sjis = "\x83\x5C\x83\x74\x83\x67";  // ソフト
    ASSERT_TRUE(key.SetString("j", sjis));
    EXPECT_TRUE(key.GetString("j", text));
    EXPECT_EQ(sjis, text);

    ASSERT_TRUE(key.SetString("empty", ""));
    EXPECT_TRUE(key.GetString("empty", text)) << "one zero byte is a value of size 1";
    EXPECT_EQ("", text);
    ASSERT_TRUE(key.SetBinary("zero", "", 0));
    EXPECT_FALSE(key.GetString("zero", text)) << "a value of size 0 is no string";

    ASSERT_TRUE(key.SetDword("d", 0xDEADBEEF));
    uint32_t v = 0;
    EXPECT_TRUE(key.GetDword("d", v));
    EXPECT_EQ(0xDEADBEEFu, v);
    ASSERT_TRUE(key.SetBinary("b2", "\x01\x02", 2));
    v = 5;
    EXPECT_FALSE(key.GetDword("b2", v)) << "a 2-byte value is no dword";
    EXPECT_EQ(0u, v);
    char small[1], big[8] = {};
    EXPECT_FALSE(key.GetBinary("b2", small, sizeof small));
    EXPECT_TRUE(key.GetBinary("b2", big, sizeof big));
    EXPECT_EQ(0, memcmp(big, "\x01\x02", 2));

    ASSERT_TRUE(key.SetString("", "default"));
    EXPECT_TRUE(key.GetString("", text));
    EXPECT_EQ("default", text);
    EXPECT_TRUE(key.DeleteValue(""));
    EXPECT_FALSE(key.GetString("", text));
    EXPECT_FALSE(key.DeleteValue("missing"));
}

TEST(RegistryKey, SubKeysEnumerateAndDelete)
{
    TestProduct p("subkeys");
    const std::string sub = UninstallKey(p.Name());
    CRegistryKey key(HKEY_CURRENT_USER);
    ASSERT_TRUE(key.Create(sub + "\\child"));
    ASSERT_TRUE(key.Open(sub, KEY_ALL_ACCESS));
    std::string name;
    EXPECT_TRUE(key.EnumSubKey(0, name));
    EXPECT_EQ("child", name);
    EXPECT_FALSE(key.EnumSubKey(1, name));
    EXPECT_EQ("", name);

    ASSERT_TRUE(key.Open(sub + "\\child", KEY_ALL_ACCESS));
    EXPECT_TRUE(key.DeleteSubKey(sub + "\\child")) << "closes its own open key first";
    EXPECT_FALSE(key.IsOpen());
    CRegistryKey probe(HKEY_CURRENT_USER);
    EXPECT_FALSE(probe.Open(sub + "\\child", KEY_READ));
    EXPECT_TRUE(key.DeleteSubKey(sub + "\\child")) << "a missing key counts as deleted";
}

TEST(ProductLookup, MachineThenUserRoot)
{
    TestProduct p("lookup");
    std::string folder = "untouched", program = "untouched";
    EXPECT_FALSE(FindInstalledProduct(p.Name(), folder, program));
    EXPECT_EQ("untouched", folder);
    EXPECT_EQ("untouched", program);

    p.Write(HKEY_CURRENT_USER, "C:\\User\\q.exe", "C:\\User");
    ASSERT_TRUE(FindInstalledProduct(p.Name(), folder, program)) << "a per-user product is found";
    EXPECT_EQ("C:\\User", folder);
    EXPECT_EQ("C:\\User\\q.exe", program);

    p.Write(HKEY_LOCAL_MACHINE, "C:\\Machine\\q.exe", "C:\\Machine");
    ASSERT_TRUE(FindInstalledProduct(p.Name(), folder, program));
    EXPECT_EQ("C:\\Machine", folder) << "the machine-wide entry wins";
}

TEST(ProductLookup, PathWithoutDefaultIsNoHit)
{
    TestProduct p("nodefault");
    p.Write(HKEY_LOCAL_MACHINE, nullptr, "C:\\Machine");
    std::string folder = "f", program = "p";
    EXPECT_FALSE(FindInstalledProduct(p.Name(), folder, program));
    EXPECT_EQ("f", folder);
    p.Write(HKEY_CURRENT_USER, "C:\\User\\q.exe", "C:\\User");
    ASSERT_TRUE(FindInstalledProduct(p.Name(), folder, program)) << "falls through to HKCU";
    EXPECT_EQ("C:\\User", folder);
}

TEST(ProductLookup, JapaneseProductName)
{
    // Quillmoor（Varnel）: the full-width brackets are CP932 bytes 81 69 / 81 6A.
    const std::string name = "Quillmoor\x81\x69Varnel\x81\x6A";
    EXPECT_EQ(name, std::string("Quillmoor（Varnel）"));
    TestProduct p("jp");
    CRegistryKey key(HKEY_CURRENT_USER);
    const std::string sub = AppPathsKey(name + p.Name());
    ASSERT_TRUE(key.Create(sub));
    key.SetString("", "C:\\G\\\x95\x5C.exe");
    key.SetString("Path", "C:\\G");
    key.Close();
    std::string folder, program;
    EXPECT_TRUE(FindInstalledProduct(name + p.Name(), folder, program));
    EXPECT_EQ("C:\\G\\\x95\x5C.exe", program);
    RegDeleteKeyA(HKEY_CURRENT_USER, sub.c_str());
}

TEST(ProductRegistration, WritesWhatTheLookupReads)
{
    TestProduct p("register");
    ASSERT_TRUE(RegisterAppPath("C:\\Games\\Q\\", "bin\\q.exe", p.Name()));
    std::string folder, program;
    ASSERT_TRUE(FindInstalledProduct(p.Name(), folder, program));
    EXPECT_EQ("C:\\Games\\Q\\bin\\q.exe", program);
    EXPECT_EQ("C:\\Games\\Q\\bin", folder);
    ASSERT_TRUE(RegisterAppPath("C:\\ignored", "D:\\abs\\q.exe", p.Name()));
    ASSERT_TRUE(FindInstalledProduct(p.Name(), folder, program));
    EXPECT_EQ("D:\\abs\\q.exe", program);
    EXPECT_TRUE(UnregisterAppPath(p.Name()));
    EXPECT_FALSE(FindInstalledProduct(p.Name(), folder, program));
    EXPECT_TRUE(UnregisterAppPath(p.Name())) << "always true";

    ASSERT_TRUE(RegisterUninstall("C:\\Games\\Q", "uninst.exe", "Quill Test", p.Name()));
    CRegistryKey key(HasAdminRights() ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER);
    ASSERT_TRUE(key.Open(UninstallKey(p.Name()), KEY_READ));
    std::string text;
    EXPECT_TRUE(key.GetString("UninstallString", text));
    EXPECT_EQ("C:\\Games\\Q\\uninst.exe", text);
    EXPECT_TRUE(key.GetString("DisplayName", text));
    EXPECT_EQ("Quill Test", text);
    key.Close();
    EXPECT_TRUE(UnregisterUninstall(p.Name()));
    EXPECT_FALSE(key.Open(UninstallKey(p.Name()), KEY_READ));
}

TEST(SystemFolders, AdminProgramFilesDesktop)
{
    EXPECT_EQ(HasAdminRights(), HasAdminRights());
    const std::string pf = GetProgramFilesPath();
    EXPECT_TRUE(IsAbsolutePath(pf)) << "ProgramFilesDir: " << pf;
    std::string desktop;
    std::vector<std::string> lines;
    {
        TraceCapture trace;
        desktop = GetDesktopPath();
        lines = trace.Take();
    }
    if (desktop.empty()) {
        ASSERT_EQ(1u, lines.size());
        EXPECT_EQ(0u, lines[0].find("GetDesktopPath() "));
    }
}

TEST(FreeSpace, RealDrivesAndFailures)
{
    const uint64_t c = GetFreeSpace("C:\\windows\\system32");
    EXPECT_GT(c, 0u);
    EXPECT_EQ(c / (1 << 20), GetFreeSpace("C:") / (1 << 20)) << "C: is taken as C:\\";
    EXPECT_EQ(0u, GetFreeSpace("Q:\\no\\such\\drive")) << "a drive that cannot be queried is full";
}
