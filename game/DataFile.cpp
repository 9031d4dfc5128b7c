#include "DataFile.h"

#include "filesystem/File.h"
#include "filesystem/LZSSArchiveFile.h"
#include "filesystem/LZSSSingleFile.h"
#include "framework/DebugPrint.h"
#include "setup/PathUtil.h"

#include <new>

bool CDataFile::Create(const std::string&, bool)
{
    Close();
    DebugPrint("CDataFile::Create() ゲームデータの書き出しには対応していません。");
    return false;
}

int CDataFile::Open(const std::string& path)
{
    Close();
    if (path.empty())
        return 0;
    std::unique_ptr<CFile> file(new (std::nothrow) CFile);
    if (file && file->Open(path) == 1) {
        m_impl = std::move(file);
        return 1;
    }
    // The LZSS kinds take a normalised full path and are never chosen by
    // CFile itself.
    const std::string full = MakeFullPath(path);
    std::unique_ptr<CFileInterface> archive(new (std::nothrow) CLZSSArchiveFile);
    if (archive && archive->Open(full) == 1) {
        m_impl = std::move(archive);
        return 1;
    }
    std::unique_ptr<CFileInterface> single(new (std::nothrow) CLZSSSingleFile);
    if (single && single->Open(full) == 1) {
        m_impl = std::move(single);
        return 1;
    }
    return 0;
}

uint32_t CDataFile::Write(const void*, uint32_t, uint32_t)
{
    DebugPrint("CDataFile::Write() ゲームデータの書き出しには対応していません。");
    return 0;
}

bool ReadDataFile(const std::string& path, std::unique_ptr<char[]>& bytes, uint32_t& size)
{
    bytes.reset();
    size = 0;
    CDataFile file;
    if (file.Open(path) != 1)
        return false;
    const uint32_t length = file.GetSize();
    if (length == 0xFFFFFFFFu)
        return false;
    std::unique_ptr<char[]> data(new (std::nothrow) char[length + 1]);
    if (!data || (length != 0 && file.Read(data.get(), 1, length) != length))
        return false;
    bytes = std::move(data);
    size = length;
    return true;
}
