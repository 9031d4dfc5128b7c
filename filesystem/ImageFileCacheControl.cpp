#include "filesystem/ImageFileCacheControl.h"

#include "framework/DebugPrint.h"
#include "framework/ServiceObject.h"

namespace {
const uint32_t kDefaultBudget = 0xA00000;
}

CImageFileCacheControl& CImageFileCacheControl::GetInstance()
{
    return CServiceObject<CImageFileCacheControl>::Get();
}

CImageFileCacheControl::CImageFileCacheControl() : m_Budget(kDefaultBudget), m_LoadedBytes(0) {}

CImageFileCacheControl::~CImageFileCacheControl()
{
    ResetReferences();
    Purge();
}

CImageInterface* CImageFileCacheControl::NewImage()
{
    return new CImageFile;
}

void CImageFileCacheControl::SetBudget(uint32_t bytes)
{
    CCriticalLock lock(m_Lock);
    m_Budget = bytes;
}

uint32_t CImageFileCacheControl::GetBudget()
{
    CCriticalLock lock(m_Lock);
    return m_Budget;
}

CImageFileCacheControl::CEntryList::iterator CImageFileCacheControl::Insert(const std::string& name,
                                                                            int references)
{
    m_Entries.emplace_back(name, NewImage(), references);
    CEntryList::iterator entry = std::prev(m_Entries.end());
    entry->loader.SetSizeCounter(&m_LoadedBytes);
    m_ByName.emplace(name, entry);
    // The image object stays the same for the entry's whole life.
    m_ByImage.emplace(entry->loader.GetImage(), entry);
    return entry;
}

// Unloads (after any background load) and destroys the entry, joining its
// thread. An empty cache gives its index memory back as well.
CImageFileCacheControl::CEntryList::iterator CImageFileCacheControl::Erase(CEntryList::iterator entry)
{
    entry->loader.Unload();
    m_ByImage.erase(entry->loader.GetImage());
    m_ByName.erase(entry->name);
    CEntryList::iterator next = m_Entries.erase(entry);
    if (m_Entries.empty()) {
        std::unordered_map<std::string, CEntryList::iterator>().swap(m_ByName);
        std::unordered_map<const CImageInterface*, CEntryList::iterator>().swap(m_ByImage);
    }
    return next;
}

CImageInterface* CImageFileCacheControl::Acquire(const std::string& name)
{
    if (name.empty())
        return nullptr;
    CCriticalLock lock(m_Lock);
    auto found = m_ByName.find(name);
    if (found != m_ByName.end()) {
        CEntryList::iterator entry = found->second;
        m_Entries.splice(m_Entries.end(), m_Entries, entry);
        ++entry->references;
        return entry->loader.GetImage();
    }
    CEntryList::iterator entry = Insert(name, 1);
    entry->loader.LoadNow(name);
    Trim();
    return entry->loader.GetImage();
}

void CImageFileCacheControl::Prefetch(const std::string& name)
{
    if (name.empty())
        return;
    CCriticalLock lock(m_Lock);
    if (m_ByName.count(name))
        return;
    CEntryList::iterator entry = Insert(name, 0);
    entry->loader.LoadLater(name);
    Trim();
}

void CImageFileCacheControl::Release(CImageInterface* image)
{
    CCriticalLock lock(m_Lock);
    auto found = m_ByImage.find(image);
    if (found != m_ByImage.end()) {
        CEntry& entry = *found->second;
        if (--entry.references < 0)
            DebugPrint("CImageFileCacheControl::Release() 参照数がマイナス");
    }
    Trim();
}

void CImageFileCacheControl::ResetReferences()
{
    CCriticalLock lock(m_Lock);
    for (CEntry& entry : m_Entries)
        entry.references = 0;
    Trim();
}

void CImageFileCacheControl::Purge()
{
    CCriticalLock lock(m_Lock);
    for (CEntryList::iterator entry = m_Entries.begin(); entry != m_Entries.end();) {
        if (entry->references <= 0)
            entry = Erase(entry);
        else
            ++entry;
    }
}

// The total is read afresh before every step: a load that ends during the
// walk (one this walk waits for, or another) has added its bytes by then, and
// each Erase takes back exactly what its entry added.
void CImageFileCacheControl::Trim()
{
    CCriticalLock lock(m_Lock);
    for (CEntryList::iterator entry = m_Entries.begin();
         entry != m_Entries.end() && m_LoadedBytes.load(std::memory_order_acquire) > m_Budget;) {
        if (entry->references > 0)
            ++entry;
        else
            entry = Erase(entry);
    }
}

bool CImageFileCacheControl::Contains(const std::string& name)
{
    CCriticalLock lock(m_Lock);
    return m_ByName.count(name) != 0;
}

size_t CImageFileCacheControl::GetCount()
{
    CCriticalLock lock(m_Lock);
    return m_Entries.size();
}

int CImageFileCacheControl::GetReferences(const std::string& name)
{
    CCriticalLock lock(m_Lock);
    auto found = m_ByName.find(name);
    return found == m_ByName.end() ? 0 : found->second->references;
}

uint64_t CImageFileCacheControl::GetLoadedBytes()
{
    CCriticalLock lock(m_Lock);
    return m_LoadedBytes.load(std::memory_order_acquire);
}

std::vector<std::string> CImageFileCacheControl::GetNames()
{
    CCriticalLock lock(m_Lock);
    std::vector<std::string> names;
    names.reserve(m_Entries.size());
    for (const CEntry& entry : m_Entries)
        names.push_back(entry.name);
    return names;
}
