#pragma once
#include "filesystem/ImageLoadThread.h"
#include "framework/CriticalSection.h"

#include <atomic>
#include <cstdint>
#include <list>
#include <string>
#include <unordered_map>
#include <vector>

// Decoded pictures kept between uses, keyed by name (byte-exact: no case or
// slash folding), within a memory budget. Entries are ordered least recently
// requested first; a hash index beside the list finds a name without walking
// it, a second one finds the entry of an image. Pictures nobody holds are
// dropped oldest-first once all cached pictures together exceed the budget.
// Every operation takes the cache's lock, so prefetches may come from any
// thread.
class CImageFileCacheControl {
public:
    // The process-wide cache.
    static CImageFileCacheControl& GetInstance();

    CImageFileCacheControl();
    // ResetReferences (which trims), then Purge.
    virtual ~CImageFileCacheControl();

    // Nothing is dropped until the next trim.
    void SetBudget(uint32_t bytes);
    uint32_t GetBudget();
    // The picture of name, loaded on first use (a failed load is kept and
    // returned too: its IsLoaded is false); one more reference. Null for an
    // empty name.
    CImageInterface* Acquire(const std::string& name);
    // Starts loading name at idle priority unless an entry exists already.
    void Prefetch(const std::string& name);
    // One reference less (a count below 0 is reported and kept); an image of
    // no entry is ignored. Then Trim.
    void Release(CImageInterface* image);
    // Every count to 0, then Trim: held pictures may go as well.
    void ResetReferences();
    // Drops every entry whose count is 0 or less, whatever the budget.
    void Purge();
    // While the loaded bytes exceed the budget, drops unheld entries from the
    // least recently requested on (waiting for a load still running in one it
    // drops). A picture weighs its loaded bytes, 0 while it is still loading.
    void Trim();
    bool Contains(const std::string& name);

    // Inspection.
    size_t GetCount();
    // The entry's reference count; 0 when there is none.
    int GetReferences(const std::string& name);
    // Bytes of the loaded pictures.
    uint64_t GetLoadedBytes();
    // Names, least recently requested first.
    std::vector<std::string> GetNames();

protected:
    // The image object of a new entry (a CImageFile); tests substitute.
    virtual CImageInterface* NewImage();

private:
    struct CEntry {
        CEntry(const std::string& entryName, CImageInterface* image, int count)
            : name(entryName), loader(image), references(count)
        {
        }
        std::string name;
        CImageLoadThread loader;
        int references;
    };
    typedef std::list<CEntry> CEntryList;

    CEntryList::iterator Insert(const std::string& name, int references);
    CEntryList::iterator Erase(CEntryList::iterator entry);

    uint32_t m_Budget;
    // Bytes of the loaded pictures, kept by the loaders as loads end.
    std::atomic<uint64_t> m_LoadedBytes;
    CEntryList m_Entries;
    std::unordered_map<std::string, CEntryList::iterator> m_ByName;
    std::unordered_map<const CImageInterface*, CEntryList::iterator> m_ByImage;
    CCriticalSection m_Lock;

    CImageFileCacheControl(const CImageFileCacheControl&) = delete;
    CImageFileCacheControl& operator=(const CImageFileCacheControl&) = delete;
};
