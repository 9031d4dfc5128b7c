#pragma once
// A product name of this test process (the prefix, '_' and the process id)
// whose App Paths and Uninstall keys are removed from both roots when it is
// made and when it goes.
#include "setup/ProductLookup.h"
#include "setup/SjisString.h"

#include <windows.h>

#include <string>

class CTestProductKeys {
public:
    explicit CTestProductKeys(const std::string& prefix)
        : m_Name(prefix + "_" + FormatInt(int(GetCurrentProcessId())))
    {
        Clean();
    }
    ~CTestProductKeys() { Clean(); }
    const std::string& Name() const { return m_Name; }

private:
    void Clean() const
    {
        for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
            RegDeleteKeyA(root, AppPathsKey(m_Name).c_str());
            RegDeleteKeyA(root, UninstallKey(m_Name).c_str());
        }
    }
    std::string m_Name;

    CTestProductKeys(const CTestProductKeys&) = delete;
    CTestProductKeys& operator=(const CTestProductKeys&) = delete;
};
