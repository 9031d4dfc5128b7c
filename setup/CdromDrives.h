#pragma once
#include "framework/CriticalSection.h"
#include "framework/ServiceObject.h"

#include <functional>
#include <string>

// The CD-ROM drives of the machine, read once per process, and the drive a
// search starts at: the last one on which a search found its file. Shared by
// the copy job's disk-set mode and the file interface's lookup of relative
// names; the table and the letter are read and written under the lock.
class CCdromDrives {
public:
    static CCdromDrives& GetInstance();

    // Offers the root of each CD-ROM drive ("Q:\") to probe, from the last
    // drive that had a file round the alphabet once, until probe accepts
    // one, which becomes the last drive; a miss leaves it as it was. True
    // when probe accepted a drive.
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
