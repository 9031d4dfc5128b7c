#pragma once
// A folder tree in memory behind the update's file operations, that can lose
// power between any two of them: creates, renames and deletes persist in
// order up to the cut, and of each file's data only what was flushed is
// sure to survive. Files can be held open by "another program". Pure: used
// by the native tests and the journal's fuzz target.
#include "setup/SjisString.h"
#include "update/UpdateFiles.h"

#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

// Thrown when the power goes: the "machine" stops between two operations.
struct CPowerCut {};

class CMemoryUpdateFiles : public CUpdateFiles {
public:
    static constexpr uint32_t kErrorSharingViolation = 32;
    static constexpr uint32_t kErrorDiskFull = 112;

    struct Node {
        std::string name;  // as created
        bool folder = false;
        bool readOnly = false;
        size_t data = 0;  // index into `data` (files)
    };
    struct Data {
        std::string bytes;    // what the file holds now
        std::string durable;  // what it held at its last flush
    };

    std::map<std::string, Node> nodes;  // by folded full path
    std::vector<Data> data;
    std::set<std::string> held;  // folded paths another program holds open
    std::map<std::string, int> busy;  // folded paths whose next renames fail (open a moment)
    long cutAfter = -1;          // operations still allowed; -1: the power stays on
    long operations = 0;
    bool failWrites = false;     // every WriteFile fails (a full disk)
    std::vector<std::string> changes;  // "rename a b", "delete a", ...

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

    // Set-up, not counted: durable at once.
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
        node.name = NameOf(path);
        node.data = data.size();
        data.push_back(Data{bytes, bytes});
    }
    // The tree as folded path -> bytes ("<dir>" for folders).
    std::map<std::string, std::string> Tree() const
    {
        std::map<std::string, std::string> tree;
        for (const auto& node : nodes)
            tree[node.first] = node.second.folder ? "<dir>" : data[node.second.data].bytes;
        return tree;
    }
    std::string Bytes(const std::string& path) const
    {
        auto node = nodes.find(Key(path));
        return node == nodes.end() || node->second.folder ? "<missing>" : data[node->second.data].bytes;
    }
    bool Has(const std::string& path) const { return nodes.count(Key(path)) != 0; }

    // The copy into a staged file: created (or emptied), written, flushed;
    // each an operation.
    void CreateOutput(const std::string& path)
    {
        std::string key = Key(path);
        Operation("create " + key);
        auto node = nodes.find(key);
        if (node != nodes.end()) {
            data[node->second.data].bytes.clear();
            return;
        }
        AddFileNode(path);
    }
    void Write(const std::string& path, const std::string& bytes)
    {
        Operation("write " + Key(path));
        data[nodes.at(Key(path)).data].bytes += bytes;
    }
    void Flush(const std::string& path)
    {
        Operation("flush " + Key(path));
        Data& file = data[nodes.at(Key(path)).data];
        file.durable = file.bytes;
    }
    // The power goes: each file whose unflushed data `lose` picks (by its
    // data index) falls back to what it held at its last flush.
    void PowerCut(const std::function<bool(size_t)>& lose)
    {
        for (size_t i = 0; i < data.size(); ++i)
            if (lose(i))
                data[i].bytes = data[i].durable;
            else
                data[i].durable = data[i].bytes;
        cutAfter = -1;
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
        Operation("mkdir " + key);
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
        Operation("rmdir " + key);
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
        Operation("delete " + key);
        nodes.erase(key);
        return true;
    }
    bool Rename(const std::string& from, const std::string& to) override
    {
        std::string source = Key(from), target = Key(to);
        auto node = nodes.find(source);
        if (node == nodes.end())
            return Error(kErrorFileNotFound);
        if (nodes.count(target))
            return Error(kErrorAlreadyExists);
        if (!IsFolder(Parent(target)))
            return Error(kErrorPathNotFound);
        if (held.count(source) || (busy.count(source) && busy[source]-- > 0))
            return Error(kErrorSharingViolation);
        Operation("rename " + source + " " + target);
        Node moved = node->second;
        moved.name = NameOf(to);
        nodes.erase(node);
        nodes[target] = moved;
        return true;
    }
    bool ReadFile(const std::string& path, std::vector<uint8_t>& bytes) override
    {
        auto node = nodes.find(Key(path));
        if (node == nodes.end())
            return Error(kErrorFileNotFound);
        if (node->second.folder)
            return Error(kErrorAccessDenied);
        const std::string& stored = data[node->second.data].bytes;
        bytes.assign(stored.begin(), stored.end());
        return true;
    }
    bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) override
    {
        std::string key = Key(path);
        if (nodes.count(key))
            return Error(kErrorFileExists);
        if (!IsFolder(Parent(key)))
            return Error(kErrorPathNotFound);
        if (failWrites)
            return Error(kErrorDiskFull);
        CreateOutput(path);
        if (!bytes.empty())
            Write(path, std::string(bytes.begin(), bytes.end()));
        Flush(path);
        return true;
    }
    bool CheckWritable(const std::string& path) override
    {
        std::string key = Key(path);
        if (held.count(key))
            return Error(kErrorSharingViolation);
        return nodes.count(key) || Error(kErrorFileNotFound);
    }
    uint32_t LastError() const override { return m_Error; }
    void Pause(unsigned) override {}

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
    void AddFileNode(const std::string& path)
    {
        Node& node = nodes[Key(path)];
        node.name = NameOf(path);
        node.data = data.size();
        data.push_back(Data());
    }
    // Counts one change; the power goes before it once the allowance is spent.
    void Operation(const std::string& what)
    {
        if (cutAfter == 0)
            throw CPowerCut();
        if (cutAfter > 0)
            --cutAfter;
        ++operations;
        changes.push_back(what);
    }

    uint32_t m_Error = 0;
};
