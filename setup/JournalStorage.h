#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

// Where the update keeps its journal: a file beside the game's files in the
// product, memory in tests.
class CJournalStorage {
public:
    virtual ~CJournalStorage() {}
    // Starts a journal with these bytes; fails when one is there already.
    virtual bool Create(const std::vector<uint8_t>& bytes) = 0;
    virtual bool Append(const std::vector<uint8_t>& bytes) = 0;
    // Overwrites bytes that are already stored (the state byte).
    virtual bool Overwrite(size_t offset, const std::vector<uint8_t>& bytes) = 0;
    // Makes what was written durable before the caller goes on.
    virtual bool Flush() = 0;
    // Closes and deletes the journal; true when it is gone.
    virtual bool Remove() = 0;
    virtual uint32_t LastError() const = 0;
};
