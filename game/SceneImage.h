#pragma once
// The game's pictures: bitmaps (with their ".alp" planes) read through
// CDataFile, kept by an image cache of the game's own.
#include "filesystem/ImageFile.h"
#include "filesystem/ImageFileCacheControl.h"

// A picture found wherever CDataFile finds game data, LZSS archives included.
class CSceneImage : public CImageFile {
public:
    bool Load(const std::string& path) override;
};

// The framework's image cache, with CSceneImage entries.
class CSceneImageCache : public CImageFileCacheControl {
protected:
    CImageInterface* NewImage() override;
};
