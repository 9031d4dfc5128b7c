#pragma once
#include "framework/ServiceObject.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

// Recycles the large blocks that hold decoded files. A game opens, reads and
// closes one bitmap after another; handing the last block back out spares the
// allocation and the first touch of fresh pages, which under Wine costs about
// as much per MiB as inflating it. Blocks come from new[], so one that leaves
// the pool may also be freed with delete[].
class CBlockPool {
public:
    enum : size_t {
        kMinBlock = 64 * 1024,   // smaller blocks are not kept
        kMaxHeld = 16u << 20,    // bytes kept idle at most
        kMaxBlocks = 4,
    };

    // The process-wide pool.
    static CBlockPool& GetInstance();

    CBlockPool() {}
    ~CBlockPool() { Clear(); }

    // A block of at least size bytes (null when memory runs out); capacity
    // receives its real size, to be given back with it.
    uint8_t* Acquire(size_t size, size_t& capacity);
    // Takes a block back; null is ignored.
    void Release(uint8_t* block, size_t capacity);
    void Clear();
    size_t GetHeldBytes() const;
    size_t GetHeldBlocks() const;

private:
    struct Held {
        uint8_t* block;
        size_t capacity;
    };
    std::unique_ptr<CLockable> m_lock = MakeLock();
    std::vector<Held> m_held;  // oldest first
    size_t m_heldBytes = 0;

    CBlockPool(const CBlockPool&) = delete;
    CBlockPool& operator=(const CBlockPool&) = delete;
};
