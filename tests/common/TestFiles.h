#pragma once
// Files and folders for the Windows tests, through the real file system.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

// A host path ("/work/x") as Wine sees it ("Z:\work\x").
std::string WinePath(std::string hostPath);
// Creates the folder and every missing folder above it.
void MakeFolders(const std::string& folder);
// Deletes the folder with everything below it; a missing folder is fine.
void RemoveTree(const std::string& folder);
// Writes the bytes to path (its folders made as needed); a failure fails
// the test and returns false.
bool PutFile(const std::string& path, const std::string& bytes);
bool PutFile(const std::string& path, const std::vector<uint8_t>& bytes);
// The file's bytes, or "<missing>" when it cannot be opened.
std::string GetFile(const std::string& path);
// True when a file or folder of that name exists.
bool PathExists(const std::string& path);

// A 24-bit bitmap file (rows stored bottom-up) of the pixels 0xRRGGBB given
// top row first.
std::vector<uint8_t> MakeBitmapFile(unsigned width, unsigned height, const std::vector<uint32_t>& rgb);
// Writes that bitmap file; false when it cannot be written whole.
bool SaveBitmapFile(const std::string& path, const std::vector<uint32_t>& rgb, unsigned width, unsigned height);
// Whether two 0xRRGGBB colours differ by at most tolerance in every channel.
bool NearRgb(uint32_t a, uint32_t b, int tolerance);

// Every file and folder below root: relative path -> bytes ("<dir>" for a
// folder).
std::map<std::string, std::string> SnapshotTree(const std::string& root);
// Empty when the trees are equal; otherwise one line per path that differs,
// with sizes rather than bytes.
std::string TreeDifference(const std::map<std::string, std::string>& expected,
                           const std::map<std::string, std::string>& actual);
