#include "filesystem/ZipSingleFile.h"

#include "filesystem/PackLookup.h"
#include "framework/FileHandle.h"
#include "setup/SjisString.h"

#include <vector>

int CZipSingleFile::_Load(const std::string& path)
{
    CFileHandle file;
    std::string pack = PackSinglePath(path);
    uint32_t nameLength = 0;
    if (!file.OpenRead(pack.c_str()) || !ReadSinglePackHeader(file, nameLength))
        return 0;
    std::vector<uint8_t> record(nameLength + 8);
    PackEntry entry;
    if (!file.ReadBytes(record.data(), DWORD(record.size())) ||
        !PackParseSingle(record.data(), nameLength, entry))
        return 0;
    std::string folder, fileName;
    SplitPath(path, folder, fileName);
    if (ToLowerAscii(entry.name) != ToLowerAscii(fileName))
        return 0;
    DWORD size = file.GetSize();
    bool inFile = size != 0xFFFFFFFF && entry.offset <= size && entry.size <= size - entry.offset;
    if (!inFile || !file.Seek(LONG(entry.offset), FILE_BEGIN) ||
        !LoadPackBlock(entry, m_codec, "CZipSingleFile::_Load()", path,
                       [&](uint8_t* block) { return file.ReadBytes(block, entry.size); })) {
        Close();
        return 0;
    }
    SetContents(m_codec.GetOutput(), m_codec.GetOutputLength());
    return 1;
}

void CZipSingleFile::_Release() { m_codec.Free(); }
