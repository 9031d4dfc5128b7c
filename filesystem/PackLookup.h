#pragma once
#include "filesystem/PackArchiveCache.h"
#include "filesystem/PackFormat.h"
#include "filesystem/ZipCodec.h"
#include "framework/DebugPrint.h"

#include <cstdint>
#include <new>
#include <string>

class CFileHandle;

// Pack lookups used by CFile::Open (full, normalised paths).
bool IsSinglePackFor(const std::string& path);
bool FindPackArchive(const std::string& path, std::string& archive, std::string& member);
bool PackArchiveHasMember(const std::string& archive, const std::string& member);

// An archive that the membership test accepted, with the entry it matched, so
// that loading the member needs no second open and index read.
struct FoundArchive {
    CPackArchiveCache::ArchivePtr archive;
    PackEntry entry;
};
// The archive of the closest folder on path's way up that holds the rest of
// path as a member.
bool SearchPackArchives(const std::string& path, std::string& archive, std::string& member,
                        FoundArchive& found);

// Reads a single-file pack's header from the start of file; nameLength is
// the stored name's length (1..260).
bool ReadSinglePackHeader(CFileHandle& file, uint32_t& nameLength);

// Reads one stored block through read(block) into a buffer of its size plus
// 8 and inflates it; the buffer lives only for this call.
template <class ReadBlock>
bool LoadPackBlock(const PackEntry& entry, CZipCodec& codec, const char* method,
                   const std::string& path, ReadBlock read)
{
    uint8_t* block = new (std::nothrow) uint8_t[size_t(entry.size) + 8];
    if (block == nullptr) {
        DebugPrint("%s メモリ割り当てに失敗！[%s][src_size:%dbyte]", method, path.c_str(), int(entry.size));
        return false;
    }
    bool ok = read(block) && codec.Decode(block, entry.size);
    delete[] block;
    return ok;
}
