#pragma once
#include "filesystem/FileInterface.h"

#include <cstdint>
#include <memory>

// A file that finds its name somewhere and then forwards every call to the
// kind it chose. Kinds say only how they open (and may refuse writing);
// reading, seeking and closing go to the chosen file, or fail while none is.
class CForwardingFile : public CFileInterface {
public:
    void Close() override { m_impl.reset(); }
    uint32_t Read(void* buffer, uint32_t size, uint32_t count) override
    {
        return m_impl ? m_impl->Read(buffer, size, count) : 0;
    }
    uint32_t Write(const void* buffer, uint32_t size, uint32_t count) override
    {
        return m_impl ? m_impl->Write(buffer, size, count) : 0;
    }
    uint32_t GetSize() override { return m_impl ? m_impl->GetSize() : 0; }
    bool Seek(int32_t offset, int origin) override { return m_impl && m_impl->Seek(offset, origin); }
    uint32_t Tell() override { return m_impl ? m_impl->Tell() : 0; }
    void Rewind() override
    {
        if (m_impl)
            m_impl->Rewind();
    }
    bool IsOpen() override { return m_impl && m_impl->IsOpen(); }

    // The file chosen by the last Open (null when closed).
    CFileInterface* GetImplementation() const { return m_impl.get(); }

protected:
    CForwardingFile() {}
    std::unique_ptr<CFileInterface> m_impl;

private:
    CForwardingFile(const CForwardingFile&) = delete;
    CForwardingFile& operator=(const CForwardingFile&) = delete;
};
