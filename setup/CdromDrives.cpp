#include "setup/CdromDrives.h"

#include <windows.h>

CCdromDrives& CCdromDrives::GetInstance()
{
    return CServiceObject<CCdromDrives>::Get();
}

bool CCdromDrives::IsCdrom(int index)
{
    CCriticalLock lock(m_Lock);
    if (!m_Scanned) {
        for (int i = 0; i < 26; ++i) {
            char root[] = {char('A' + i), ':', '\\', 0};
            m_IsCdrom[i] = GetDriveTypeA(root) == DRIVE_CDROM;
        }
        m_Scanned = true;
    }
    return m_IsCdrom[index];
}

char CCdromDrives::GetLastDrive()
{
    CCriticalLock lock(m_Lock);
    return m_LastDrive ? m_LastDrive : 'A';
}

bool CCdromDrives::Search(const std::function<bool(const std::string& root)>& probe)
{
    const int start = GetLastDrive() - 'A';
    for (int step = 0; step < 26; ++step) {
        const int index = (start + step) % 26;
        if (!IsCdrom(index))
            continue;
        const char letter = char('A' + index);
        // The probe runs unlocked: it may read files for a long time.
        const char root[] = {letter, ':', '\\', 0};
        if (probe(root)) {
            CCriticalLock lock(m_Lock);
            m_LastDrive = letter;
            return true;
        }
    }
    return false;
}
