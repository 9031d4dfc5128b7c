#include "filesystem/PackLookup.h"

#include "framework/FileHandle.h"
#include "setup/FindFile.h"
#include "setup/SjisString.h"

#include <cstring>
#include <vector>

bool ReadSinglePackHeader(CFileHandle& file, uint32_t& nameLength)
{
    uint8_t header[kPackHeaderSize];
    nameLength = 0;
    return file.ReadBytes(header, kPackHeaderSize) && PackParseHeader(header, 'S', nameLength) &&
           nameLength != 0 && nameLength <= kPackMaxName;
}

bool IsSinglePackFor(const std::string& path)
{
    CFileHandle file;
    std::string pack = PackSinglePath(path);
    uint32_t nameLength = 0;
    if (!FindExists(pack) || !file.OpenRead(pack.c_str()) || !ReadSinglePackHeader(file, nameLength))
        return false;
    std::vector<uint8_t> name(nameLength);
    if (!file.ReadBytes(name.data(), nameLength))
        return false;
    std::string stored(reinterpret_cast<const char*>(name.data()), strnlen(reinterpret_cast<const char*>(name.data()), nameLength));
    std::string folder, fileName;
    SplitPath(path, folder, fileName);
    return ToLowerAscii(stored) == ToLowerAscii(fileName);
}

namespace {

bool ArchiveHolds(const std::string& archive, const std::string& member, FoundArchive& found)
{
    found.archive = CPackArchiveCache::GetInstance().Open(archive);
    if (!found.archive)
        return false;
    std::string key, alt;
    PackMemberKeys(member, key, alt);
    if (found.archive->index.Find(key, alt, found.entry))
        return true;
    found.archive.reset();
    return false;
}

}  // namespace

bool SearchPackArchives(const std::string& path, std::string& archive, std::string& member,
                        FoundArchive& found)
{
    std::string current = path;
    for (;;) {
        std::string parent = ParentFolder(current);
        if (parent == current)
            return false;
        // The member is the original path below this parent.
        member = path.size() > parent.size() + 1 ? path.substr(parent.size() + 1) : std::string();
        if (member.empty())
            return false;
        archive = parent + ".pak";
        if (ArchiveHolds(archive, member, found))
            return true;
        current = archive;
    }
}

bool PackArchiveHasMember(const std::string& archive, const std::string& member)
{
    FoundArchive found;
    return ArchiveHolds(archive, member, found);
}

bool FindPackArchive(const std::string& path, std::string& archive, std::string& member)
{
    FoundArchive found;
    return SearchPackArchives(path, archive, member, found);
}
