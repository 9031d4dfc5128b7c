#pragma once
#include <string>
#include <vector>

// Recursive file listing: full paths of the files below a folder, in the
// order the system returns them, a subfolder's files where it was met.
class CFileList {
public:
    void List(const std::string& folder, const std::string& pattern, bool recurse);
    const std::vector<std::string>& Files() const { return m_Files; }

private:
    void ListInto(const std::string& folder, const std::string& pattern, bool recurse);
    std::vector<std::string> m_Files;
};
