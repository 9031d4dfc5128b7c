#pragma once
// A folder of one test that removes itself with everything below it.
#include <string>

class CTempFolder {
public:
    // A new empty folder below the system's temporary folder, named after the
    // tag, the process and a counter.
    explicit CTempFolder(const std::string& tag);
    // The given folder, emptied first (for fixtures below the build tree).
    static CTempFolder At(const std::string& path);
    CTempFolder(CTempFolder&& other);
    ~CTempFolder();

    const std::string& Path() const { return m_Path; }
    // Path + "\" + relative.
    std::string operator/(const std::string& relative) const { return m_Path + "\\" + relative; }

private:
    CTempFolder() {}
    CTempFolder(const CTempFolder&) = delete;
    CTempFolder& operator=(const CTempFolder&) = delete;

    std::string m_Path;
};
