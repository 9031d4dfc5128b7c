#pragma once
#include "framework/FileHandle.h"
#include "setup/JournalStorage.h"

#include <string>
#include <vector>

// The update's journal as a file. While open it is written by this process
// alone; others may read it.
class CJournalFile : public CJournalStorage {
public:
    CJournalFile() {}
    // The journal of the update of this folder.
    void SetFolder(const std::string& folder);
    const std::string& Path() const { return m_Path; }

    // True when a journal is there; its bytes are read into bytes.
    bool Read(std::vector<uint8_t>& bytes);
    // Opens the journal that is there to go on with it: what follows its
    // first `keep` bytes (a damaged tail) is cut off.
    bool OpenExisting(size_t keep);

    bool Create(const std::vector<uint8_t>& bytes) override;
    bool Append(const std::vector<uint8_t>& bytes) override;
    bool Overwrite(size_t offset, const std::vector<uint8_t>& bytes) override;
    bool Flush() override;
    bool Remove() override;
    uint32_t LastError() const override { return m_Error; }
    void Close() { m_File.Close(); }

private:
    bool Open(DWORD disposition);
    bool Failed();

    std::string m_Path;
    CFileObjectHandle m_File;
    bool m_AtEnd = false;  // the file position is known to be the end
    uint32_t m_Error = 0;
};
