#pragma once
#include "filesystem/CompressFileBase.h"
#include "filesystem/ZipCodec.h"

#include <string>

// A single-file pack ("4S") beside the place of the loose file.
class CZipSingleFile : public CCompressFileBase {
public:
    ~CZipSingleFile() override { Close(); }
    int _Load(const std::string& path) override;
    void _Release() override;

private:
    CZipCodec m_codec;
};
