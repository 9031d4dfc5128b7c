#include "surface/kernels/KernelTable.h"
#include "framework/ServiceObject.h"

#include "surface/kernels/CpuId.h"
#include "surface/kernels/Kernels.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace {

const char* const kLevelNames[kCpuLevelCount] = {"portable", "mmx", "sse", "sse2", "avx2"};

bool SameText(const char* a, const char* b)
{
    for (; *a && *b; ++a, ++b) {
        char x = *a >= 'A' && *a <= 'Z' ? char(*a + 32) : *a;
        if (x != *b)
            return false;
    }
    return *a == *b;
}

}  // namespace

const char* CpuLevelName(int level)
{
    return level >= 0 && level < kCpuLevelCount ? kLevelNames[level] : "?";
}

bool ParseCpuLevel(const char* name, CpuLevel& level)
{
    if (name == nullptr)
        return false;
    for (int i = 0; i < kCpuLevelCount; ++i)
        if (SameText(name, kLevelNames[i])) {
            level = CpuLevel(i);
            return true;
        }
    return false;
}

CKernelTable& CKernelTable::GetInstance()
{
    return CServiceObject<CKernelTable>::Get();
}

CKernelTable::CKernelTable()
{
    for (const KernelList& list : GetKernelLists())
        m_entries.insert(m_entries.end(), list.entries, list.entries + list.count);

    // Per level, per key: the entry of the highest level not above it. Among
    // entries of one key and level the first registered wins.
    std::vector<KernelEntry> sorted(m_entries);
    std::stable_sort(sorted.begin(), sorted.end(), [](const KernelEntry& a, const KernelEntry& b) {
        return a.key != b.key ? a.key < b.key : a.level < b.level;
    });
    for (int level = 0; level < kCpuLevelCount; ++level) {
        std::vector<Choice>& chosen = m_chosen[level];
        for (const KernelEntry& e : sorted) {
            if (e.level > level)
                continue;
            if (chosen.empty() || chosen.back().key != e.key)
                chosen.push_back(Choice{e.key, e.level, e.fn});
            else if (e.level > chosen.back().level)
                chosen.back() = Choice{e.key, e.level, e.fn};
        }
    }

    m_maxLevel = CpuLevel(CpuLevelOf(DescribeCpu(GetProcessorCpuId())));
    int level = m_maxLevel;
    CpuLevel forced;
    if (ParseCpuLevel(std::getenv("QUILL_CPU_LEVEL"), forced))
        level = std::min<int>(forced, m_maxLevel);
    m_level.store(level);
}

KernelFn CKernelTable::GetAt(uint32_t key, int level) const
{
    level = std::max(0, std::min<int>(level, kCpuLevelCount - 1));
    const std::vector<Choice>& chosen = m_chosen[level];
    auto it = std::lower_bound(chosen.begin(), chosen.end(), key,
                               [](const Choice& c, uint32_t k) { return c.key < k; });
    return it != chosen.end() && it->key == key ? it->fn : nullptr;
}

KernelFn CKernelTable::Get(uint32_t key) const
{
    return GetAt(key, m_level.load(std::memory_order_relaxed));
}

CpuLevel CKernelTable::SetLevel(int level)
{
    level = std::max(0, std::min<int>(level, m_maxLevel));
    m_level.store(level);
    return CpuLevel(level);
}
