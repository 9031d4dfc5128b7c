#pragma once
#include "filesystem/CompressFileBase.h"

#include <string>

// One file stored alone, LZSS-compressed, as path + ".dat".
class CLZSSSingleFile : public CCompressFileBase {
public:
    ~CLZSSSingleFile() override { Close(); }
    int _Load(const std::string& path) override;
    void _Release() override;
};
