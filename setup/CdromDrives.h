#pragma once
#include "framework/CriticalSection.h"
#include "framework/ServiceObject.h"

#include <functional>
#include <string>

// The CD-ROM drives of the machine, read once per process, and the drive a
// search starts at: the last one a search tried. Shared by the copy job's
// disk-set mode and the file interface's lookup of relative names.
class CCdromDrives {
public:
    static CCdromDrives& GetInstance();

    // Offers the root of each CD-ROM drive ("Q:\") to probe, from the last
    // drive tried round the alphabet once, until probe accepts one; each
    // drive offered becomes the last one. True when probe accepted a drive.
    bool Search(const std::function<bool(const std::string& root)>& probe);
    // The letter the next search starts at ('A' before the first).
    char GetLastDrive();

private:
    friend class CServiceObject<CCdromDrives>;
    CCdromDrives() {}
    bool IsCdrom(int index);

    bool m_Scanned = false;
    bool m_IsCdrom[26] = {};
    char m_LastDrive = 0;
    CCriticalSection m_Lock;
};
