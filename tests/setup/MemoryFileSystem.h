#pragma once
// A folder tree in memory behind the update's file operations, with files
// held open by "another program", a kill switch that ends the "process"
// after a given number of changes, and a log of every change. Pure: used by
// the native tests and the journal's fuzz target.
#include "setup/JournalStorage.h"
#include "setup/StepFileSystem.h"
#include "setup/SjisString.h"

#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

// Thrown when the kill switch trips: the "process" dies between two changes.
struct CKilled {};

class CMemoryFileSystem : public CStepFileSystem {
public:
    static constexpr uint32_t kErrorSharingViolation = 32;

    struct Node {
        std::string name;  // as created
        bool folder = false;
        bool readOnly = false;
        std::string bytes;
    };
    struct Change {
        std::string op, path, to;
        std::string removed;  // the bytes a delete took
    };

    std::map<std::string, Node> nodes;  // by folded full path
    std::set<std::string> held;         // folded paths held open by another program
    std::vector<Change> changes;
    std::function<void(int)> onPause;   // gets the count of pauses so far
    int pauses = 0;
    long killAfter = -1;  // changes still allowed; -1: never killed
    std::string output;   // folded path of the open output

    static std::string Key(const std::string& path)
    {
        std::string key = ToLowerAscii(path);
        while (key.size() > 2 && EndsWithBackslash(key))
            key.pop_back();
        return key;
    }
    static std::string Parent(const std::string& key)
    {
        size_t cut = FindLastSeparator(key);
        return cut == std::string::npos ? std::string() : key.substr(0, cut);
    }

    // Test set-up, not counted as changes.
    void AddFolder(const std::string& path)
    {
        std::string key = Key(path);
        if (!Parent(key).empty() && !nodes.count(Parent(key)))
            AddFolder(Parent(path));
        Node& node = nodes[key];
        node.folder = true;
        node.name = NameOf(path);
    }
    void AddFile(const std::string& path, const std::string& bytes, bool readOnly = false)
    {
        std::string key = Key(path);
        if (!nodes.count(Parent(key)))
            AddFolder(Parent(path));
        Node& node = nodes[key];
        node.folder = false;
        node.readOnly = readOnly;
        node.bytes = bytes;
        node.name = NameOf(path);
    }
    // The tree as folded path -> bytes ("<dir>" for folders).
    std::map<std::string, std::string> Tree() const
    {
        std::map<std::string, std::string> tree;
        for (const auto& node : nodes)
            tree[node.first] = node.second.folder ? "<dir>" : node.second.bytes;
        return tree;
    }
    // A file's bytes, "<missing>" when there is none.
    std::string Bytes(const std::string& path) const
    {
        auto node = nodes.find(Key(path));
        return node == nodes.end() || node->second.folder ? "<missing>" : node->second.bytes;
    }
    bool Has(const std::string& path) const { return nodes.count(Key(path)) != 0; }
    // The copy: appends bytes to the open output (one change).
    void Write(const std::string& bytes)
    {
        Change_("write", output);
        nodes[output].bytes += bytes;
    }

    Kind GetKind(const std::string& path) override
    {
        auto node = nodes.find(Key(path));
        if (node == nodes.end())
            return kMissing;
        if (node->second.folder)
            return kFolder;
        return node->second.readOnly ? kReadOnlyFile : kFile;
    }
    bool ListFolder(const std::string& folder, std::vector<std::string>& names) override
    {
        std::string key = Key(folder);
        auto node = nodes.find(key);
        if (node == nodes.end() || !node->second.folder)
            return Error(kErrorPathNotFound);
        for (const auto& child : nodes)
            if (Parent(child.first) == key)
                names.push_back(child.second.name);
        return true;
    }
    bool MakeFolder(const std::string& path) override
    {
        std::string key = Key(path);
        if (nodes.count(key))
            return Error(kErrorAlreadyExists);
        if (!IsFolder(Parent(key)))
            return Error(kErrorPathNotFound);
        Change_("mkdir", key);
        nodes[key].folder = true;
        nodes[key].name = NameOf(path);
        return true;
    }
    bool RemoveFolder(const std::string& path) override
    {
        std::string key = Key(path);
        auto node = nodes.find(key);
        if (node == nodes.end())
            return true;
        if (!node->second.folder)
            return Error(267);  // ERROR_DIRECTORY
        for (const auto& child : nodes)
            if (Parent(child.first) == key)
                return Error(kErrorDirNotEmpty);
        if (held.count(key))
            return Error(kErrorSharingViolation);
        Change_("rmdir", key);
        nodes.erase(key);
        return true;
    }
    bool RemoveFile(const std::string& path) override
    {
        std::string key = Key(path);
        auto node = nodes.find(key);
        if (node == nodes.end() || node->second.folder)
            return true;
        if (held.count(key))
            return Error(kErrorSharingViolation);
        if (node->second.readOnly)
            return Error(kErrorAccessDenied);
        Change_("delete", key);
        changes.back().removed = node->second.bytes;
        nodes.erase(key);
        return true;
    }
    bool RemoveFileIfEmpty(const std::string& path) override
    {
        auto node = nodes.find(Key(path));
        if (node == nodes.end() || node->second.folder || !node->second.bytes.empty())
            return true;
        return RemoveFile(path);
    }
    bool Rename(const std::string& from, const std::string& to) override
    {
        if (nodes.count(Key(to)))
            return Error(kErrorAlreadyExists);
        return Move(from, to);
    }
    bool RenameOver(const std::string& from, const std::string& to) override
    {
        auto target = nodes.find(Key(to));
        if (target != nodes.end() && target->second.folder)
            return Error(kErrorAccessDenied);
        if (held.count(Key(to)))
            return Error(kErrorSharingViolation);
        return Move(from, to);
    }
    bool OpenOutput(const std::string& path, bool createNew) override
    {
        std::string key = Key(path);
        auto node = nodes.find(key);
        if (!IsFolder(Parent(key)))
            return Error(kErrorPathNotFound);
        if (node != nodes.end()) {
            if (createNew)
                return Error(kErrorFileExists);
            if (node->second.folder || node->second.readOnly)
                return Error(kErrorAccessDenied);
        }
        if (held.count(key))
            return Error(kErrorSharingViolation);
        Change_(createNew ? "create" : "truncate", key);
        nodes[key].bytes.clear();
        nodes[key].name = NameOf(path);
        output = key;
        return true;
    }
    uint32_t LastError() const override { return m_Error; }
    void Pause(unsigned) override
    {
        ++pauses;
        if (onPause)
            onPause(pauses);
    }

    // Counts one change; throws CKilled once the switch has run out.
    void Change_(const std::string& op, const std::string& path, const std::string& to = std::string())
    {
        if (killAfter == 0)
            throw CKilled();
        if (killAfter > 0)
            --killAfter;
        changes.push_back(Change{op, path, to});
    }

private:
    static std::string NameOf(const std::string& path)
    {
        size_t cut = FindLastSeparator(path);
        return cut == std::string::npos ? path : path.substr(cut + 1);
    }
    bool IsFolder(const std::string& key) const
    {
        auto node = nodes.find(key);
        return node != nodes.end() && node->second.folder;
    }
    bool Error(uint32_t error)
    {
        m_Error = error;
        return false;
    }
    bool Move(const std::string& from, const std::string& to)
    {
        std::string source = Key(from), target = Key(to);
        auto node = nodes.find(source);
        if (node == nodes.end())
            return Error(kErrorFileNotFound);
        if (!IsFolder(Parent(target)))
            return Error(kErrorPathNotFound);
        if (held.count(source))
            return Error(kErrorSharingViolation);
        Change_("rename", source, target);
        Node moved = node->second;
        moved.name = NameOf(to);
        nodes.erase(node);
        nodes[target] = moved;
        return true;
    }

    uint32_t m_Error = 0;
};

// The journal in memory; every call but Flush counts as a change of the same
// file system, so the kill switch can fall between any two.
class CMemoryJournal : public CJournalStorage {
public:
    explicit CMemoryJournal(CMemoryFileSystem& files) : m_Files(files) {}

    bool exists = false;
    std::vector<uint8_t> bytes;
    int flushes = 0;
    bool failWrites = false;

    bool Create(const std::vector<uint8_t>& data) override
    {
        if (exists || failWrites)
            return Fail(exists ? CStepFileSystem::kErrorFileExists : 112);  // ERROR_DISK_FULL
        m_Files.Change_("journal-create", "");
        exists = true;
        bytes = data;
        return true;
    }
    bool Append(const std::vector<uint8_t>& data) override
    {
        if (!exists || failWrites)
            return Fail(112);
        m_Files.Change_("journal-append", "");
        bytes.insert(bytes.end(), data.begin(), data.end());
        return true;
    }
    bool Overwrite(size_t offset, const std::vector<uint8_t>& data) override
    {
        if (!exists || offset + data.size() > bytes.size())
            return Fail(CStepFileSystem::kErrorAccessDenied);
        m_Files.Change_("journal-overwrite", "");
        std::copy(data.begin(), data.end(), bytes.begin() + offset);
        return true;
    }
    bool Flush() override
    {
        ++flushes;
        return exists;
    }
    bool Remove() override
    {
        if (exists)
            m_Files.Change_("journal-remove", "");
        exists = false;
        bytes.clear();
        return true;
    }
    uint32_t LastError() const override { return m_Error; }

private:
    bool Fail(uint32_t error)
    {
        m_Error = error;
        return false;
    }
    CMemoryFileSystem& m_Files;
    uint32_t m_Error = 0;
};
