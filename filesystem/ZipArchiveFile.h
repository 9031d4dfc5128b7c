#pragma once
#include "filesystem/CompressFileBase.h"
#include "filesystem/ZipCodec.h"

#include <string>

// A member of a pack archive ("4A") named after a folder on its path.
class CZipArchiveFile : public CCompressFileBase {
public:
    ~CZipArchiveFile() override { Close(); }
    int _Load(const std::string& path) override;
    void _Release() override;

private:
    CZipCodec m_codec;
};
