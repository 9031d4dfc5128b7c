#include "filesystem/LZSSSingleFile.h"

#include "filesystem/LzssCodec.h"
#include "filesystem/LzssFileLoad.h"
#include "framework/ByteOrder.h"
#include "framework/DebugPrint.h"
#include "framework/FileHandle.h"

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
    uint32_t decoded = GetLE32(head);
    uint32_t packed = fileSize - 4;
    if (!LzssSizeReachable(decoded, packed)) {
        LzssDecodeError(kMethod, path);
        Close();
        return 0;
    }
    uint8_t* data = nullptr;
    size_t capacity = 0;
    if (!LzssLoadStream(file, packed, decoded, kMethod, path, data, capacity)) {
        Close();
        return 0;
    }
    SetPooledContents(data, decoded, capacity);
    return 1;
}

void CLZSSSingleFile::_Release() { ReleasePooledContents(); }
