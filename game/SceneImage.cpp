#include "SceneImage.h"

#include "DataFile.h"

#include "setup/SjisString.h"

bool CSceneImage::Load(const std::string& path)
{
    Release();
    CDataFile picture;
    if (picture.Open(path) != 1)
        return false;
    std::string folder, file, base, ext;
    SplitPath(path, folder, file);
    SplitFileName(file, base, ext);
    CDataFile alpha;
    const bool hasAlpha = alpha.Open(CleanPath((folder.empty() ? "" : folder + "\\") + base + ".alp")) == 1;
    return LoadFrom(picture, hasAlpha ? &alpha : nullptr, path);
}

CImageInterface* CSceneImageCache::NewImage()
{
    return new CSceneImage;
}
