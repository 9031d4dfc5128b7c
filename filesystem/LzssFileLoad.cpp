#include "filesystem/LzssFileLoad.h"

#include "filesystem/BlockPool.h"
#include "filesystem/LzssCodec.h"
#include "framework/DebugPrint.h"
#include "framework/FileHandle.h"

#include <windows.h>

#include <memory>
#include <new>

namespace {

MainWindowSource g_dialogOwner = nullptr;

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

}  // namespace

void SetLzssDialogOwner(MainWindowSource source) { g_dialogOwner = source; }

void LzssReadError(const char* method, const std::string& path)
{
    ShowLzssError("ReadError", method, "データ読み込みに失敗", path);
}

void LzssDecodeError(const char* method, const std::string& path)
{
    ShowLzssError("DecodeError", method, "decodeに失敗", path);
}

bool LzssLoadStream(CFileHandle& file, uint32_t packed, uint32_t decoded, const char* method,
                    const std::string& path, uint8_t*& data, size_t& capacity)
{
    CBlockPool& pool = CBlockPool::GetInstance();
    std::unique_ptr<uint8_t[]> input(new (std::nothrow) uint8_t[size_t(packed) + 8]);
    size_t outputCapacity = 0;
    uint8_t* output = pool.Acquire(size_t(decoded) + 8, outputCapacity);
    if (!input || output == nullptr) {
        DebugPrint("%s メモリ割り当てに失敗！[%s][src_size:%dbyte][dst_size:%dbyte]", method,
                   path.c_str(), int(packed), int(decoded));
        pool.Release(output, outputCapacity);
        return false;
    }
    if (!file.ReadBytes(input.get(), packed)) {
        pool.Release(output, outputCapacity);
        LzssReadError(method, path);
        return false;
    }
    CLZSSCodec codec;
    if (codec.Decode(input.get(), packed, output, decoded) < 0) {
        pool.Release(output, outputCapacity);
        LzssDecodeError(method, path);
        return false;
    }
    data = output;
    capacity = outputCapacity;
    return true;
}
