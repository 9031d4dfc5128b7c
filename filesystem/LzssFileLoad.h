#pragma once
// The load steps and error boxes shared by the LZSS file kinds.
#include <cstddef>
#include <cstdint>
#include <string>

class CFileHandle;

// Owner window of the LZSS readers' error boxes (the application's main
// window); without a source the boxes have no owner.
typedef void* (*MainWindowSource)();
void SetLzssDialogOwner(MainWindowSource source);

// The "ReadError" and "DecodeError" boxes, each with its trace line.
void LzssReadError(const char* method, const std::string& path);
void LzssDecodeError(const char* method, const std::string& path);

// Reads `packed` bytes of an LZSS stream at the file's position and decodes
// them into a block of CBlockPool that holds `decoded` bytes; data and
// capacity receive the block. A failure is reported (allocation in the trace,
// reading and decoding in a box) and leaves nothing allocated.
bool LzssLoadStream(CFileHandle& file, uint32_t packed, uint32_t decoded, const char* method,
                    const std::string& path, uint8_t*& data, size_t& capacity);
