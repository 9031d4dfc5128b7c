#include "filesystem/File.h"

#include "filesystem/BlockPool.h"
#include "filesystem/LzssCodec.h"
#include "filesystem/PackArchiveCache.h"
#include "framework/DebugPrint.h"
#include "framework/FileHandle.h"
#include "setup/PathUtil.h"
#include "setup/SjisString.h"

#include <windows.h>

#include <cstdio>
#include <new>
#include <vector>

namespace {

// The existence probe: a search whose handle is closed right after the test.
bool Exists(const std::string& path)
{
    CFindFile find;
    return find.Find(path);
}

// Drive search state, process-wide.
bool g_driveSearch = true;
bool g_drivesPending = true;
bool g_cdrom[26];
char g_lastCdrom = 0;

MainWindowSource g_dialogOwner = nullptr;

uint32_t GetU32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24; }

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

void ShowLzssError(const char* kind, const char* method, const char* what, const std::string& path)
{
    char text[2048];
    wsprintfA(text, "[%s]\nファイルの読み込みに失敗しました。データ破損の可能性があります。\n"
                    "お手数ですが、一旦ゲームを終了して頂き、再度ゲームのインストールを行って下さい。\n[%s]",
              kind, path.c_str());
    DebugPrint("%s %s！(データ破損の可能性あり)[%s]", method, what, path.c_str());
    HWND owner = g_dialogOwner ? HWND(g_dialogOwner()) : nullptr;
    MessageBoxA(owner, text, "ゲーム内部エラー", MB_ICONERROR);
}

void ReadError(const char* method, const std::string& path)
{
    ShowLzssError("ReadError", method, "データ読み込みに失敗", path);
}

void DecodeError(const char* method, const std::string& path)
{
    ShowLzssError("DecodeError", method, "decodeに失敗", path);
}

}  // namespace

void SetLzssDialogOwner(MainWindowSource source) { g_dialogOwner = source; }
char GetLastCdromDrive() { return g_lastCdrom ? g_lastCdrom : 'A'; }

// ---- CErrorModeGuard

CErrorModeGuard::CErrorModeGuard() : m_previous(SetErrorMode(SEM_FAILCRITICALERRORS)) {}
CErrorModeGuard::~CErrorModeGuard() { SetErrorMode(m_previous); }

// ---- CFile

bool CFile::Create(const std::string& path, bool truncate)
{
    Close();
    std::string full = MakeFullPath(path);
    // An archive kept open for reading would refuse the exclusive open.
    if (!full.empty())
        CPackArchiveCache::Get().Forget(full);
    CDiskFile* disk = new (std::nothrow) CDiskFile;
    m_impl = disk;
    if (disk != nullptr && !full.empty() && disk->Create(full, truncate))
        return true;
    DebugPrint("error：ファイルの作成に失敗しました。<%s> [CFile::Create()]", path.c_str());
    Close();
    return false;
}

int CFile::OpenAt(const std::string& full)
{
    delete m_impl;
    m_impl = nullptr;
    CFindFile find;
    bool loose = find.Find(full);
    // A missing folder holds no single-file pack either: it would lie beside
    // the loose file.
    bool folderMissing = !loose && GetLastError() == ERROR_PATH_NOT_FOUND;
    find.Close();
    if (loose)
        m_impl = new (std::nothrow) CDiskFile;
    else if (!folderMissing && IsSinglePackFor(full))
        m_impl = new (std::nothrow) CZipSingleFile;
    else
        m_impl = new (std::nothrow) CZipArchiveFile;
    return m_impl != nullptr && m_impl->Open(full) == 1;
}

int CFile::Open(const std::string& path)
{
    Close();
    if (path.empty())
        return 0;
    CErrorModeGuard guard;
    std::string full = MakeFullPath(path);
    if (!full.empty() && OpenAt(full))
        return 1;
    if (g_driveSearch && !IsAbsolutePath(path)) {
        if (g_drivesPending) {
            for (int i = 0; i < 26; ++i) {
                char root[8];
                wsprintfA(root, "%c:\\", 'A' + i);
                g_cdrom[i] = GetDriveTypeA(root) == DRIVE_CDROM;
            }
            g_drivesPending = false;
        }
        int letter = (g_lastCdrom ? g_lastCdrom : 'A') - 'A';
        for (int step = 0; step < 26; ++step, letter = (letter + 1) % 26) {
            if (!g_cdrom[letter])
                continue;
            g_lastCdrom = char('A' + letter);
            char root[8];
            wsprintfA(root, "%c:\\", 'A' + letter);
            std::string folder = CollapseBackslashes(std::string(root) + "\\data\\gamedata");
            if (!Exists(folder))
                continue;
            if (OpenAt(CollapseBackslashes(folder + "\\" + path)))
                return 1;
        }
    }
    Close();
    return 0;
}

void CFile::Close()
{
    delete m_impl;
    m_impl = nullptr;
}

uint32_t CFile::Read(void* buffer, uint32_t size, uint32_t count) { return m_impl ? m_impl->Read(buffer, size, count) : 0; }
uint32_t CFile::Write(const void* buffer, uint32_t size, uint32_t count) { return m_impl ? m_impl->Write(buffer, size, count) : 0; }
uint32_t CFile::GetSize() { return m_impl ? m_impl->GetSize() : 0; }
bool CFile::Seek(int32_t offset, int origin) { return m_impl ? m_impl->Seek(offset, origin) : false; }
uint32_t CFile::Tell() { return m_impl ? m_impl->Tell() : 0; }
void CFile::Rewind() { if (m_impl) m_impl->Rewind(); }
bool CFile::IsOpen() { return m_impl ? m_impl->IsOpen() : false; }

// ---- CDiskFile

CDiskFile::CDiskFile() : m_handle(new CFileHandle) {}
CDiskFile::~CDiskFile() { delete m_handle; }

bool CDiskFile::Create(const std::string& path, bool truncate) { return m_handle->OpenWrite(path.c_str(), truncate); }
int CDiskFile::Open(const std::string& path) { return m_handle->OpenRead(path.c_str()) ? 1 : 0; }
void CDiskFile::Close() { m_handle->Close(); }

uint32_t CDiskFile::Read(void* buffer, uint32_t size, uint32_t count)
{
    if (size == 0 || count == 0)
        return 0;
    uint64_t wanted = uint64_t(size) * count;
    if (wanted <= 0xFFFFFFFFu && m_handle->ReadBytes(buffer, DWORD(wanted)))
        return count;
    DWORD fileSize = m_handle->GetSize();
    DWORD position = m_handle->Tell();
    if (fileSize == 0xFFFFFFFF || position >= fileSize || position + wanted <= fileSize)
        return 0;
    DWORD left = fileSize - position;
    return m_handle->ReadBytes(buffer, left) ? left / size : 0;
}

uint32_t CDiskFile::Write(const void* buffer, uint32_t size, uint32_t count)
{
    if (size == 0 || count == 0)
        return 0;
    uint64_t wanted = uint64_t(size) * count;
    return wanted <= 0xFFFFFFFFu && m_handle->WriteBytes(buffer, DWORD(wanted)) ? count : 0;
}

uint32_t CDiskFile::GetSize() { return m_handle->GetSize(); }

bool CDiskFile::Seek(int32_t offset, int origin)
{
    static const DWORD methods[3] = {FILE_BEGIN, FILE_CURRENT, FILE_END};
    if (origin < 0 || origin > 2)
        return false;
    return m_handle->Seek(offset, methods[origin]);
}

uint32_t CDiskFile::Tell() { return m_handle->Tell(); }
void CDiskFile::Rewind() { m_handle->Rewind(); }
bool CDiskFile::IsOpen() { return m_handle->IsOpen(); }

// ---- CCompressFileBase

bool CCompressFileBase::Create(const std::string&, bool)
{
    Close();
    DebugPrint("CCompressFileBase::Create() 圧縮ファイルの作成には対応していません。");
    return false;
}

uint32_t CCompressFileBase::Write(const void*, uint32_t, uint32_t)
{
    DebugPrint("CCompressFileBase::Write() 圧縮ファイル書き出しには対応していません。");
    return 0;
}

int CCompressFileBase::Open(const std::string& path)
{
    Close();
    int result = _Load(path);
    Rewind();
    return result;
}

void CCompressFileBase::Close()
{
    _Release();
    m_data = nullptr;
    m_size = 0;
    m_cursor = nullptr;
    m_position = 0;
}

uint32_t CCompressFileBase::Read(void* buffer, uint32_t size, uint32_t count)
{
    uint32_t n = MemoryRead(m_data, m_size, m_position, buffer, size, count);
    m_cursor = m_data + m_position;
    return n;
}

bool CCompressFileBase::Seek(int32_t offset, int origin)
{
    if (!MemorySeek(m_size, m_position, offset, origin))
        return false;
    m_cursor = m_data + m_position;
    return true;
}

void CCompressFileBase::SetContents(uint8_t* data, uint32_t size)
{
    m_data = data;
    m_size = size;
    m_cursor = data;
    m_position = 0;
}

// ---- pack lookups

bool IsSinglePackFor(const std::string& path)
{
    CFileHandle file;
    std::string pack = PackSinglePath(path);
    if (!Exists(pack) || !file.OpenRead(pack.c_str()))
        return false;
    uint8_t header[kPackHeaderSize];
    uint32_t nameLength = 0;
    if (!file.ReadBytes(header, kPackHeaderSize) || !PackParseHeader(header, 'S', nameLength) ||
        nameLength == 0 || nameLength > kPackMaxName)
        return false;
    std::vector<uint8_t> name(nameLength);
    if (!file.ReadBytes(name.data(), nameLength))
        return false;
    std::string stored(reinterpret_cast<const char*>(name.data()), strnlen(reinterpret_cast<const char*>(name.data()), nameLength));
    std::string folder, fileName;
    SplitPath(path, folder, fileName);
    return ToLowerAscii(stored) == ToLowerAscii(fileName);
}

namespace {

// An archive that the membership test accepted, with the entry it matched, so
// that loading the member needs no second open and index read.
struct FoundArchive {
    CPackArchiveCache::ArchivePtr archive;
    PackEntry entry;
};

bool ArchiveHolds(const std::string& archive, const std::string& member, FoundArchive& found)
{
    found.archive = CPackArchiveCache::Get().Open(archive);
    if (!found.archive)
        return false;
    std::string key, alt;
    PackMemberKeys(member, key, alt);
    if (found.archive->index.Find(key, alt, found.entry))
        return true;
    found.archive.reset();
    return false;
}

bool SearchPackArchives(const std::string& path, std::string& archive, std::string& member,
                        FoundArchive& found)
{
    std::string current = path;
    for (;;) {
        std::string parent = ParentFolder(current);
        if (parent == current)
            return false;
        // The member is the original path below this parent.
        member = path.size() > parent.size() + 1 ? path.substr(parent.size() + 1) : std::string();
        if (member.empty())
            return false;
        archive = parent + ".pak";
        if (ArchiveHolds(archive, member, found))
            return true;
        current = archive;
    }
}

}  // namespace

bool PackArchiveHasMember(const std::string& archive, const std::string& member)
{
    FoundArchive found;
    return ArchiveHolds(archive, member, found);
}

bool FindPackArchive(const std::string& path, std::string& archive, std::string& member)
{
    FoundArchive found;
    return SearchPackArchives(path, archive, member, found);
}

// ---- CZipArchiveFile, CZipSingleFile

// The search hands over the archive, kept open by the cache, with the entry
// it matched; the index was walked once, which is all the member needs.
int CZipArchiveFile::_Load(const std::string& path)
{
    std::string archive, member;
    FoundArchive found;
    if (!SearchPackArchives(path, archive, member, found))
        return 0;
    CPackArchiveCache::Archive& source = *found.archive;
    const PackEntry& entry = found.entry;
    // A block outside the archive is damage: fail before allocating for it.
    bool inFile = entry.offset <= source.size && entry.size <= source.size - entry.offset;
    if (!inFile || !LoadPackBlock(entry, m_codec, "CZipArchiveFile::_Load()", path,
                       [&](uint8_t* block) { return CPackArchiveCache::ReadBlock(source, entry, block); })) {
        Close();
        return -1;
    }
    SetContents(m_codec.GetOutput(), m_codec.GetOutputLength());
    return 1;
}

void CZipArchiveFile::_Release() { m_codec.Free(); }

int CZipSingleFile::_Load(const std::string& path)
{
    CFileHandle file;
    std::string pack = PackSinglePath(path);
    if (!file.OpenRead(pack.c_str()))
        return 0;
    uint8_t header[kPackHeaderSize];
    uint32_t nameLength = 0;
    if (!file.ReadBytes(header, kPackHeaderSize) || !PackParseHeader(header, 'S', nameLength) ||
        nameLength == 0 || nameLength > kPackMaxName)
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

// ---- CLZSSArchiveFile, CLZSSSingleFile

int CLZSSArchiveFile::_Load(const std::string& path)
{
    static const char kMethod[] = "CLZSSArchiveFile::_OpenDatFile()";
    std::string current = path, archive, member;
    for (;;) {
        std::string parent = ParentFolder(current);
        if (parent == current)
            return 0;
        if (Exists(parent + ".dat")) {
            archive = parent + ".dat";
            member = path.size() > parent.size() + 1 ? path.substr(parent.size() + 1) : std::string();
            break;
        }
        current = parent + ".dat";
    }
    CFileHandle file;
    if (!file.OpenRead(archive.c_str()))
        return 0;
    std::string key, alt;
    key = ToLowerAscii(CollapseBackslashes(NormalizeSlashes(member)));
    alt = ToForwardSlashes(key);
    LzssEntry entry;
    for (;;) {
        uint8_t raw[kLzssEntrySize];
        if (!file.ReadBytes(raw, kLzssEntrySize))
            return -1;
        LzssMatch m = LzssMatchEntry(raw, key, alt, entry);
        if (m == kLzssEnd)
            return -1;
        if (m == kLzssFound)
            break;
    }
    DWORD archiveSize = file.GetSize();
    // Data outside the archive cannot be read; a decoded size beyond what the
    // stream can yield cannot be decoded. Both fail before allocating.
    if (!LzssEntryInFile(entry, archiveSize) || !file.Seek(LONG(entry.offset), FILE_BEGIN)) {
        ReadError(kMethod, path);
        Close();
        return -1;
    }
    if (!LzssSizeReachable(entry.decodedSize, entry.compressedSize)) {
        DecodeError(kMethod, path);
        Close();
        return -1;
    }
    uint8_t* input = new (std::nothrow) uint8_t[size_t(entry.compressedSize) + 8];
    uint8_t* output = CBlockPool::Get().Acquire(size_t(entry.decodedSize) + 8, m_capacity);
    if (input == nullptr || output == nullptr) {
        DebugPrint("%s メモリ割り当てに失敗！[%s][src_size:%dbyte][dst_size:%dbyte]", kMethod,
                   path.c_str(), int(entry.compressedSize), int(entry.decodedSize));
        delete[] input;
        CBlockPool::Get().Release(output, m_capacity);
        Close();
        return -1;
    }
    if (!file.ReadBytes(input, entry.compressedSize)) {
        delete[] input;
        CBlockPool::Get().Release(output, m_capacity);
        ReadError(kMethod, path);
        Close();
        return -1;
    }
    CLZSSCodec codec;
    if (codec.Decode(input, entry.compressedSize, output, entry.decodedSize) < 0) {
        delete[] input;
        CBlockPool::Get().Release(output, m_capacity);
        DecodeError(kMethod, path);
        Close();
        return -1;
    }
    delete[] input;
    SetContents(output, entry.decodedSize);
    return 1;
}

void CLZSSArchiveFile::_Release()
{
    CBlockPool::Get().Release(m_data, m_capacity);
    m_capacity = 0;
    m_data = nullptr;
    m_size = 0;
    m_cursor = nullptr;
    m_position = 0;
}

int CLZSSSingleFile::_Load(const std::string& path)
{
    static const char kMethod[] = "CLZSSSingleFile::_OpenDatFile()";
    CFileHandle file;
    std::string name = path + ".dat";
    if (!file.OpenRead(name.c_str()))
        return 0;
    DWORD fileSize = file.GetSize();
    uint8_t head[4];
    if (fileSize == 0xFFFFFFFF || fileSize < 4 || !file.ReadBytes(head, 4)) {
        DebugPrint("%s ファイルヘッダの読み込みに失敗！(データファイル形式が違う可能性あり)[%s]", kMethod, path.c_str());
        return 0;
    }
    uint32_t decoded = GetU32(head);
    uint32_t packed = fileSize - 4;
    if (!LzssSizeReachable(decoded, packed)) {
        DecodeError(kMethod, path);
        Close();
        return 0;
    }
    uint8_t* input = new (std::nothrow) uint8_t[size_t(fileSize) + 4];
    uint8_t* output = CBlockPool::Get().Acquire(size_t(decoded) + 8, m_capacity);
    if (input == nullptr || output == nullptr) {
        DebugPrint("%s メモリ割り当てに失敗！[%s][src_size:%dbyte][dst_size:%dbyte]", kMethod,
                   path.c_str(), int(packed), int(decoded));
        delete[] input;
        CBlockPool::Get().Release(output, m_capacity);
        Close();
        return 0;
    }
    if (packed != 0 && !file.ReadBytes(input, packed)) {
        delete[] input;
        CBlockPool::Get().Release(output, m_capacity);
        ReadError(kMethod, path);
        Close();
        return 0;
    }
    CLZSSCodec codec;
    if (codec.Decode(input, packed, output, decoded) < 0) {
        delete[] input;
        CBlockPool::Get().Release(output, m_capacity);
        DecodeError(kMethod, path);
        Close();
        return 0;
    }
    delete[] input;
    SetContents(output, decoded);
    return 1;
}

void CLZSSSingleFile::_Release()
{
    CBlockPool::Get().Release(m_data, m_capacity);
    m_capacity = 0;
    m_data = nullptr;
    m_size = 0;
    m_cursor = nullptr;
    m_position = 0;
}
