#pragma once
#include <cstdint>
#include <string>
#include <utility>

class CFileInterface;

#pragma pack(push, 1)
struct ImageFileHeader {  // BITMAPFILEHEADER
    uint16_t type;
    uint32_t size;
    uint16_t reserved1, reserved2;
    uint32_t offset;
};
struct ImageInfoHeader {  // BITMAPINFOHEADER
    uint32_t size;
    int32_t width, height;
    uint16_t planes, bitCount;
    uint32_t compression, sizeImage;
    int32_t xPelsPerMeter, yPelsPerMeter;
    uint32_t clrUsed, clrImportant;
};
#pragma pack(pop)

// The abstract picture whose slots CImageFile fills.
class CImageInterface {
public:
    virtual bool Load(const std::string& path) = 0;
    virtual void Release() = 0;
    virtual uint8_t* GetPixels() = 0;
    virtual uint8_t* GetAlpha() = 0;
    virtual int GetBitCount() = 0;
    virtual std::pair<int, int> GetSize() = 0;
    virtual void GetSize(int& width, int& height) = 0;
    virtual uint32_t GetStride() = 0;
    virtual uint32_t GetAlphaStride() = 0;
    virtual bool Draw(void* dc, int x, int y, int srcX, int srcY, int width, int height) = 0;
    virtual uint32_t GetMemorySize() = 0;
    virtual bool IsLoaded() = 0;
    virtual std::string GetName() = 0;
    virtual ~CImageInterface() {}
};

// A ".bmp" picture (8, 24 or 32 bits) held as bottom-up 24- or 32-bit rows
// padded to 4 bytes, with an optional ".alp" plane of one byte per pixel.
class CImageFile : public CImageInterface {
public:
    CImageFile() { Release(); }
    ~CImageFile() override { Release(); }

    bool Load(const std::string& path) override;  // Windows build
    void Release() override;
    uint8_t* GetPixels() override { return m_pixels; }
    uint8_t* GetAlpha() override { return m_alpha; }
    int GetBitCount() override { return m_info.bitCount; }
    std::pair<int, int> GetSize() override { return std::make_pair(int(m_info.width), int(m_info.height)); }
    void GetSize(int& width, int& height) override { width = m_info.width; height = m_info.height; }
    uint32_t GetStride() override { return RowStride(m_info.bitCount, m_info.width); }
    uint32_t GetAlphaStride() override { return m_alpha ? AlphaRowStride(m_info.width) : 0; }
    // dc is an HDC (Windows build).
    bool Draw(void* dc, int x, int y, int srcX, int srcY, int width, int height) override;
    uint32_t GetMemorySize() override;
    bool IsLoaded() override { return m_pixels != nullptr; }
    std::string GetName() override { return m_name; }
    virtual uint32_t RowStride(int bitCount, int width);
    virtual uint32_t AlphaRowStride(int width) { return uint32_t(width); }

    // The load steps on open files: the picture, then the optional plane
    // (null when there is none). Pure, so parsers are testable natively.
    bool LoadFrom(CFileInterface& picture, CFileInterface* alpha, const std::string& name);
    const ImageFileHeader& GetFileHeader() const { return m_file; }
    const ImageInfoHeader& GetInfoHeader() const { return m_info; }

private:
    ImageFileHeader m_file;
    ImageInfoHeader m_info;
    uint8_t* m_pixels = nullptr;
    uint8_t* m_alpha = nullptr;
    std::string m_name;

    CImageFile(const CImageFile&) = delete;
    CImageFile& operator=(const CImageFile&) = delete;
};
