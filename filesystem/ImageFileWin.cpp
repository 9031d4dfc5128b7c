#include "filesystem/ImageFile.h"

#include "filesystem/File.h"
#include "setup/SjisString.h"

#include <windows.h>

bool CImageFile::Load(const std::string& path)
{
    Release();
    CFile picture;
    if (picture.Open(path) != 1)
        return false;
    std::string folder, file, base, ext;
    SplitPath(path, folder, file);
    SplitFileName(file, base, ext);
    std::string alphaPath = CleanPath((folder.empty() ? "" : folder + "\\") + base + ".alp");
    CFile alpha;
    bool hasAlpha = alpha.Open(alphaPath) == 1;
    return LoadFrom(picture, hasAlpha ? &alpha : nullptr, path);
}

bool CImageFile::Draw(void* dc, int x, int y, int srcX, int srcY, int width, int height)
{
    if (m_pixels == nullptr)
        return false;
    if (width == 0 && height == 0) {
        width = m_info.width;
        height = m_info.height;
    }
    int fromBottom = m_info.height - srcY - height;
    return SetDIBitsToDevice(HDC(dc), x, y, DWORD(width), DWORD(height), srcX, fromBottom, 0,
                             UINT(m_info.height), m_pixels,
                             reinterpret_cast<const BITMAPINFO*>(&m_info), DIB_RGB_COLORS) != 0;
}
