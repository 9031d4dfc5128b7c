#pragma once
#include "filesystem/CompressFileBase.h"

#include <string>

// A member of an LZSS ".dat" archive.
class CLZSSArchiveFile : public CCompressFileBase {
public:
    ~CLZSSArchiveFile() override { Close(); }
    int _Load(const std::string& path) override;
    void _Release() override;
};
