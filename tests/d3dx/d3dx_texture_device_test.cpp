// Textures from image files in memory on a real device: sizes, mip levels,
// formats, pools, the colour key and the alpha plane, read back texel by texel.
#include "D3DDeviceTest.h"

#include <cstdio>
#include <cstring>

namespace {

class D3DXTextureOnDevice : public D3DDeviceTest {
protected:
    void TearDown() override
    {
        if (m_texture)
            m_texture->Release();
        m_texture = nullptr;
    }

    HRESULT Create(const std::vector<uint8_t>& file, UINT width, UINT height, UINT levels, D3DFORMAT format,
                   D3DPOOL pool = D3DPOOL_MANAGED, DWORD filter = D3DX_FILTER_NONE, D3DCOLOR key = 0,
                   DWORD usage = 0, DWORD mipFilter = D3DX_DEFAULT)
    {
        if (m_texture)
            m_texture->Release();
        m_texture = nullptr;
        std::memset(&m_info, 0xCC, sizeof m_info);
        return D3DXCreateTextureFromFileInMemoryEx(s_device, file.data(), UINT(file.size()), width, height, levels,
                                                   usage, format, pool, filter, mipFilter, key, &m_info, nullptr,
                                                   &m_texture);
    }

    // Texels of one level as 32-bit words (two-byte formats zero-extended).
    std::string Texels(UINT level)
    {
        D3DSURFACE_DESC desc;
        if (FAILED(m_texture->GetLevelDesc(level, &desc)))
            return "(no level)";
        D3DLOCKED_RECT locked;
        if (FAILED(m_texture->LockRect(level, &locked, nullptr, D3DLOCK_READONLY)))
            return "(not locked)";
        const UINT bpp = d3dx::FormatBytesPerPixel(desc.Format);
        std::string s;
        char word[16];
        for (UINT y = 0; y < desc.Height; ++y) {
            const uint8_t* row = static_cast<const uint8_t*>(locked.pBits) + y * locked.Pitch;
            for (UINT x = 0; x < desc.Width; ++x) {
                uint32_t v = 0;
                std::memcpy(&v, row + x * bpp, bpp);
                std::snprintf(word, sizeof word, bpp == 2 ? "%s%04x" : "%s%08x", s.empty() ? "" : " ", unsigned(v));
                s += word;
            }
        }
        m_texture->UnlockRect(level);
        return s;
    }

    bool Supports(D3DFORMAT format)
    {
        D3DDISPLAYMODE mode;
        s_device->GetDisplayMode(&mode);
        return SUCCEEDED(s_d3d->CheckDeviceFormat(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, mode.Format, 0,
                                                  D3DRTYPE_TEXTURE, format));
    }

    IDirect3DTexture8* m_texture = nullptr;
    D3DXIMAGE_INFO m_info;
};

const std::vector<uint32_t> k3x2 = {0x102030, 0x405060, 0x708090, 0xA0B0C0, 0xD0E0F0, 0x010203};

}  // namespace

TEST_F(D3DXTextureOnDevice, TexelsAndImageInformation)
{
    ASSERT_EQ(D3D_OK, Create(MakeBitmapFile(3, 2, k3x2), 4, 2, 1, D3DFMT_A8R8G8B8));
    ASSERT_NE(nullptr, m_texture);
    EXPECT_EQ(1u, m_texture->GetLevelCount());
    D3DSURFACE_DESC desc;
    ASSERT_EQ(D3D_OK, m_texture->GetLevelDesc(0, &desc));
    EXPECT_EQ(D3DFMT_A8R8G8B8, desc.Format);
    EXPECT_EQ(D3DPOOL_MANAGED, desc.Pool);
    EXPECT_EQ(4u, desc.Width);
    EXPECT_EQ(2u, desc.Height);
    // No filter: the picture at the top left, the rest transparent black.
    EXPECT_EQ("ff102030 ff405060 ff708090 00000000 ffa0b0c0 ffd0e0f0 ff010203 00000000", Texels(0));
    EXPECT_EQ(3u, m_info.Width);
    EXPECT_EQ(2u, m_info.Height);
    EXPECT_EQ(1u, m_info.Depth);
    EXPECT_EQ(1u, m_info.MipLevels);
    EXPECT_EQ(D3DFMT_R8G8B8, m_info.Format);
    EXPECT_EQ(D3DRTYPE_TEXTURE, m_info.ResourceType);
    EXPECT_EQ(D3DXIFF_BMP, m_info.ImageFileFormat);

    // System memory, exact size, X8R8G8B8: the fourth byte is set.
    ASSERT_EQ(D3D_OK, Create(MakeBitmapFile(3, 2, k3x2), 0, 0, 1, D3DFMT_X8R8G8B8, D3DPOOL_SYSTEMMEM));
    EXPECT_EQ("ff102030 ff405060 ff708090 ffa0b0c0 ffd0e0f0 ff010203", Texels(0));

    // The information may be left out.
    IDirect3DTexture8* t = nullptr;
    const std::vector<uint8_t> f = MakeBitmapFile(3, 2, k3x2);
    ASSERT_EQ(D3D_OK, D3DXCreateTextureFromFileInMemoryEx(s_device, f.data(), UINT(f.size()), 0, 0, 1, 0,
                                                          D3DFMT_UNKNOWN, D3DPOOL_MANAGED, D3DX_DEFAULT,
                                                          D3DX_DEFAULT, 0, nullptr, nullptr, &t));
    t->Release();
}

TEST_F(D3DXTextureOnDevice, DefaultsMakeAFullMipChain)
{
    if (!(s_caps.TextureCaps & D3DPTEXTURECAPS_MIPMAP))
        GTEST_SKIP() << "no mipmaps";
    // 4 x 4: 2 x 2 blocks of one colour each, one pixel off in the last block.
    const std::vector<uint32_t> rgb = {0x100000, 0x100000, 0x002000, 0x002000, 0x100000, 0x100000, 0x002000, 0x002000,
                                       0x000030, 0x000030, 0x404040, 0x404040, 0x000030, 0x000030, 0x404040, 0x000000};
    ASSERT_EQ(D3D_OK, Create(MakeBitmapFile(4, 4, rgb), D3DX_DEFAULT, D3DX_DEFAULT, D3DX_DEFAULT,
                             D3DFORMAT(D3DX_DEFAULT), D3DPOOL_MANAGED, D3DX_DEFAULT));
    ASSERT_EQ(3u, m_texture->GetLevelCount());
    D3DSURFACE_DESC desc;
    m_texture->GetLevelDesc(0, &desc);
    EXPECT_EQ(D3DFMT_X8R8G8B8, desc.Format) << "default format of a picture without alpha";
    m_texture->GetLevelDesc(2, &desc);
    EXPECT_EQ(1u, desc.Width);
    EXPECT_EQ(1u, desc.Height);
    // The box mip filter averages: 0x40 * 3 / 4 = 0x30.
    EXPECT_EQ("ff100000 ff002000 ff000030 ff303030", Texels(1));
    // (0x10 + 0 + 0 + 0x30) / 4 = 0x10; (0x20 + 0x30) / 4 = 0x14 (rounded); (0x30 + 0x30) / 4 = 0x18.
    EXPECT_EQ("ff101418", Texels(2));

    // Fewer levels on request; more than the chain holds gives the chain.
    ASSERT_EQ(D3D_OK, Create(MakeBitmapFile(4, 4, rgb), 0, 0, 2, D3DFMT_X8R8G8B8));
    EXPECT_EQ(2u, m_texture->GetLevelCount());
    ASSERT_EQ(D3D_OK, Create(MakeBitmapFile(4, 4, rgb), 0, 0, 9, D3DFMT_X8R8G8B8));
    EXPECT_EQ(3u, m_texture->GetLevelCount());
}

TEST_F(D3DXTextureOnDevice, ColorKeyAndAlphaPlane)
{
    const std::vector<uint32_t> rgb = {0xFF00FF, 0x123456, 0xFF00FE, 0xFF00FF};
    ASSERT_EQ(D3D_OK, Create(MakeBitmapFile(2, 2, rgb), 0, 0, 1, D3DFMT_UNKNOWN, D3DPOOL_MANAGED,
                             D3DX_FILTER_NONE, 0xFFFF00FF));
    D3DSURFACE_DESC desc;
    m_texture->GetLevelDesc(0, &desc);
    EXPECT_EQ(D3DFMT_A8R8G8B8, desc.Format) << "a colour key asks for alpha";
    EXPECT_EQ("00000000 ff123456 ffff00fe 00000000", Texels(0));
    // Without alpha in the format the keyed texels are black.
    ASSERT_EQ(D3D_OK, Create(MakeBitmapFile(2, 2, rgb), 0, 0, 1, D3DFMT_X8R8G8B8, D3DPOOL_MANAGED,
                             D3DX_FILTER_NONE, 0xFFFF00FF));
    EXPECT_EQ("ff000000 ff123456 ffff00fe ff000000", Texels(0));

    // An alpha plane after the rows (bottom row first, as in a ".alp" file).
    std::vector<uint8_t> file = MakeBitmapFile(2, 2, rgb);
    const uint8_t plane[] = {0x30, 0x40, 0x10, 0x20};
    file.insert(file.end(), plane, plane + 4);
    ASSERT_EQ(D3D_OK, Create(file, 0, 0, 1, D3DFMT_UNKNOWN));
    EXPECT_EQ("10ff00ff 20123456 30ff00fe 40ff00ff", Texels(0));
    EXPECT_EQ(D3DFMT_A8R8G8B8, m_info.Format);
    if (Supports(D3DFMT_A4R4G4B4)) {
        ASSERT_EQ(D3D_OK, Create(file, 0, 0, 1, D3DFMT_A4R4G4B4));
        EXPECT_EQ("1f0f 2135 3f0f 4f0f", Texels(0));
    }
}

TEST_F(D3DXTextureOnDevice, SixteenBitFormats)
{
    const std::vector<uint32_t> rgb = {0xFF8040, 0x0000FF};
    const struct {
        D3DFORMAT format;
        const char* texels;
    } cases[] = {
        {D3DFMT_R5G6B5, "fc08 001f"},
        {D3DFMT_X1R5G5B5, "fe08 801f"},
        {D3DFMT_A1R5G5B5, "fe08 801f"},
        {D3DFMT_A4R4G4B4, "ff84 f00f"},
        {D3DFMT_X4R4G4B4, "ff84 f00f"},
    };
    for (const auto& c : cases) {
        if (!Supports(c.format)) {
            std::printf("format %d not supported by the device; skipped\n", int(c.format));
            continue;
        }
        ASSERT_EQ(D3D_OK, Create(MakeBitmapFile(2, 1, rgb), 0, 0, 1, c.format)) << c.format;
        D3DSURFACE_DESC desc;
        m_texture->GetLevelDesc(0, &desc);
        EXPECT_EQ(c.format, desc.Format);
        EXPECT_EQ(c.texels, Texels(0)) << "format " << c.format;
    }
}

TEST_F(D3DXTextureOnDevice, Resizing)
{
    const std::vector<uint8_t> file = MakeBitmapFile(2, 1, {0x000000, 0x0000FF});
    ASSERT_EQ(D3D_OK, Create(file, 4, 1, 1, D3DFMT_X8R8G8B8, D3DPOOL_MANAGED, D3DX_FILTER_POINT));
    EXPECT_EQ("ff000000 ff000000 ff0000ff ff0000ff", Texels(0));
    ASSERT_EQ(D3D_OK, Create(file, 4, 1, 1, D3DFMT_X8R8G8B8, D3DPOOL_MANAGED, D3DX_FILTER_LINEAR | D3DX_FILTER_DITHER));
    EXPECT_EQ("ff000000 ff000040 ff0000bf ff0000ff", Texels(0));
    ASSERT_EQ(D3D_OK, Create(file, 1, 1, 1, D3DFMT_X8R8G8B8, D3DPOOL_MANAGED, D3DX_DEFAULT));
    EXPECT_EQ("ff000080", Texels(0));
}

TEST_F(D3DXTextureOnDevice, TargaAndTheShortForm)
{
    // 1 x 2 true-colour TGA with alpha, top-down.
    std::vector<uint8_t> tga(18);
    tga[2] = 2;
    tga[12] = 1;
    tga[14] = 2;
    tga[16] = 32;
    tga[17] = 0x28;
    const uint8_t px[] = {0x11, 0x22, 0x33, 0x80, 0x44, 0x55, 0x66, 0xFF};
    tga.insert(tga.end(), px, px + sizeof px);
    ASSERT_EQ(D3D_OK, Create(tga, 0, 0, 1, D3DFMT_UNKNOWN));
    EXPECT_EQ("80332211 ff665544", Texels(0));
    EXPECT_EQ(D3DXIFF_TGA, m_info.ImageFileFormat);
    EXPECT_EQ(D3DFMT_A8R8G8B8, m_info.Format);

    const std::vector<uint8_t> bmp = MakeBitmapFile(3, 2, k3x2);
    m_texture->Release();
    m_texture = nullptr;
    ASSERT_EQ(D3D_OK, D3DXCreateTextureFromFileInMemory(s_device, bmp.data(), UINT(bmp.size()), &m_texture));
    D3DSURFACE_DESC desc;
    m_texture->GetLevelDesc(0, &desc);
    EXPECT_EQ(D3DPOOL_MANAGED, desc.Pool);
    EXPECT_EQ(D3DFMT_X8R8G8B8, desc.Format);
}

TEST_F(D3DXTextureOnDevice, RenderTargetsLiveInTheDefaultPool)
{
    ASSERT_EQ(D3D_OK, Create(MakeBitmapFile(3, 2, k3x2), 4, 4, 1, D3DFMT_X8R8G8B8, D3DPOOL_DEFAULT,
                             D3DX_FILTER_NONE, 0, D3DUSAGE_RENDERTARGET));
    D3DSURFACE_DESC desc;
    ASSERT_EQ(D3D_OK, m_texture->GetLevelDesc(0, &desc));
    EXPECT_EQ(D3DPOOL_DEFAULT, desc.Pool);
    EXPECT_EQ(DWORD(D3DUSAGE_RENDERTARGET), desc.Usage);
    // Its texels: copied out through a surface in system memory.
    IDirect3DSurface8* level = nullptr;
    IDirect3DSurface8* copy = nullptr;
    ASSERT_EQ(D3D_OK, m_texture->GetSurfaceLevel(0, &level));
    ASSERT_EQ(D3D_OK, s_device->CreateImageSurface(4, 4, D3DFMT_X8R8G8B8, &copy));
    const HRESULT hr = s_device->CopyRects(level, nullptr, 0, copy, nullptr);
    if (SUCCEEDED(hr)) {
        D3DLOCKED_RECT locked;
        ASSERT_EQ(D3D_OK, copy->LockRect(&locked, nullptr, D3DLOCK_READONLY));
        const uint32_t* row1 = reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(locked.pBits) + locked.Pitch);
        EXPECT_EQ(0xD0E0F0u, row1[1] & 0xFFFFFF);
        copy->UnlockRect();
    } else {
        std::printf("CopyRects from a render-target texture refused (0x%08lx); texels not compared\n", hr);
    }
    copy->Release();
    level->Release();
}

TEST_F(D3DXTextureOnDevice, CheckTextureRequirements)
{
    UINT width = 0, height = 0, levels = 0;
    D3DFORMAT format = D3DFMT_UNKNOWN;
    ASSERT_EQ(D3D_OK, D3DXCheckTextureRequirements(s_device, &width, &height, &levels, 0, &format, D3DPOOL_MANAGED));
    EXPECT_EQ(256u, width);
    EXPECT_EQ(256u, height);
    EXPECT_EQ(s_caps.TextureCaps & D3DPTEXTURECAPS_MIPMAP ? 9u : 1u, levels);
    EXPECT_EQ(D3DFMT_A8R8G8B8, format);

    width = 100000;
    height = 3;
    levels = 1;
    format = D3DFMT_DXT1;  // not written by this library: a format it writes instead
    ASSERT_EQ(D3D_OK, D3DXCheckTextureRequirements(s_device, &width, &height, &levels, 0, &format, D3DPOOL_MANAGED));
    EXPECT_EQ(s_caps.MaxTextureWidth, width);
    EXPECT_EQ(s_caps.TextureCaps & D3DPTEXTURECAPS_POW2 ? 4u : 3u, height);
    EXPECT_EQ(1u, levels);
    EXPECT_NE(0u, d3dx::FormatBytesPerPixel(format)) << "format " << format;
    EXPECT_EQ(D3D_OK, D3DXCheckTextureRequirements(s_device, nullptr, nullptr, nullptr, 0, nullptr, D3DPOOL_MANAGED));
    EXPECT_EQ(D3DERR_INVALIDCALL, D3DXCheckTextureRequirements(nullptr, &width, &height, &levels, 0, &format,
                                                               D3DPOOL_MANAGED));
}

TEST_F(D3DXTextureOnDevice, BadCallsAndBadData)
{
    const std::vector<uint8_t> good = MakeBitmapFile(3, 2, k3x2);
    IDirect3DTexture8* t = reinterpret_cast<IDirect3DTexture8*>(1);
    auto call = [&](IDirect3DDevice8* device, const void* data, UINT size, DWORD filter, DWORD mipFilter,
                    IDirect3DTexture8** out) {
        return D3DXCreateTextureFromFileInMemoryEx(device, data, size, 0, 0, 1, 0, D3DFMT_UNKNOWN, D3DPOOL_MANAGED,
                                                   filter, mipFilter, 0, nullptr, nullptr, out);
    };
    EXPECT_EQ(D3DERR_INVALIDCALL, call(nullptr, good.data(), UINT(good.size()), D3DX_DEFAULT, D3DX_DEFAULT, &t));
    EXPECT_EQ(nullptr, t);
    EXPECT_EQ(D3DERR_INVALIDCALL, call(s_device, nullptr, UINT(good.size()), D3DX_DEFAULT, D3DX_DEFAULT, &t));
    EXPECT_EQ(D3DERR_INVALIDCALL, call(s_device, good.data(), 0, D3DX_DEFAULT, D3DX_DEFAULT, &t));
    EXPECT_EQ(D3DERR_INVALIDCALL, call(s_device, good.data(), UINT(good.size()), D3DX_DEFAULT, D3DX_DEFAULT, nullptr));
    EXPECT_EQ(D3DERR_INVALIDCALL, call(s_device, good.data(), UINT(good.size()), 0, D3DX_DEFAULT, &t));
    EXPECT_EQ(D3DERR_INVALIDCALL, call(s_device, good.data(), UINT(good.size()), 6, D3DX_DEFAULT, &t));
    EXPECT_EQ(D3DERR_INVALIDCALL, call(s_device, good.data(), UINT(good.size()), D3DX_DEFAULT, 0x10006, &t));

    std::vector<uint8_t> bad = good;
    bad.resize(bad.size() - 1);
    t = reinterpret_cast<IDirect3DTexture8*>(1);
    EXPECT_EQ(D3DXERR_INVALIDDATA, call(s_device, bad.data(), UINT(bad.size()), D3DX_DEFAULT, D3DX_DEFAULT, &t));
    EXPECT_EQ(nullptr, t);
    const char text[] = "not a picture";
    EXPECT_EQ(D3DXERR_INVALIDDATA, call(s_device, text, sizeof text, D3DX_DEFAULT, D3DX_DEFAULT, &t));
    bad = good;
    bad[28] = 16;  // 16 bits per pixel
    EXPECT_EQ(D3DXERR_INVALIDDATA, call(s_device, bad.data(), UINT(bad.size()), D3DX_DEFAULT, D3DX_DEFAULT, &t));
}
