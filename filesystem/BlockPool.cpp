#include "filesystem/BlockPool.h"

#include <new>

CBlockPool& CBlockPool::GetInstance()
{
    return CServiceObject<CBlockPool>::Get();
}

uint8_t* CBlockPool::Acquire(size_t size, size_t& capacity)
{
    if (size >= kMinBlock) {
        CLockHold hold(*m_lock);
        // The smallest block that fits, unless it would waste more than the
        // request itself.
        size_t best = m_held.size();
        for (size_t i = 0; i < m_held.size(); ++i) {
            size_t c = m_held[i].capacity;
            if (c >= size && c / 2 <= size && (best == m_held.size() || c < m_held[best].capacity))
                best = i;
        }
        if (best != m_held.size()) {
            uint8_t* block = m_held[best].block;
            capacity = m_held[best].capacity;
            m_heldBytes -= capacity;
            m_held.erase(m_held.begin() + best);
            return block;
        }
    }
    uint8_t* block = new (std::nothrow) uint8_t[size ? size : 1];
    capacity = block ? (size ? size : 1) : 0;
    return block;
}

void CBlockPool::Release(uint8_t* block, size_t capacity)
{
    if (block == nullptr)
        return;
    if (capacity < kMinBlock || capacity > kMaxHeld) {
        delete[] block;
        return;
    }
    std::vector<uint8_t*> dropped;
    {
        CLockHold hold(*m_lock);
        m_held.push_back(Held{block, capacity});
        m_heldBytes += capacity;
        while (m_held.size() > kMaxBlocks || m_heldBytes > kMaxHeld) {
            dropped.push_back(m_held.front().block);
            m_heldBytes -= m_held.front().capacity;
            m_held.erase(m_held.begin());
        }
    }
    for (uint8_t* p : dropped)
        delete[] p;
}

void CBlockPool::Clear()
{
    std::vector<Held> held;
    {
        CLockHold hold(*m_lock);
        held.swap(m_held);
        m_heldBytes = 0;
    }
    for (const Held& h : held)
        delete[] h.block;
}

size_t CBlockPool::GetHeldBytes() const
{
    CLockHold hold(*m_lock);
    return m_heldBytes;
}

size_t CBlockPool::GetHeldBlocks() const
{
    CLockHold hold(*m_lock);
    return m_held.size();
}
