#pragma once
// Vertex declarations of Direct3D 8: 32-bit tokens ending with 0xFFFFFFFF.
// Pure.
#include <cstddef>
#include <cstdint>
#include <vector>

constexpr uint32_t kVertexDeclarationEnd = 0xFFFFFFFFu;

// The number of tokens up to and including the end token, stepping over
// the data of constant-memory and extension tokens (which may hold any
// value); 0 when no end token comes within max tokens.
size_t VertexDeclarationLength(const uint32_t* tokens, size_t max);

// The declaration with extra tokens (constant-memory tokens with their
// data) put before its end token.
std::vector<uint32_t> AppendToDeclaration(const std::vector<uint32_t>& declaration,
                                          const std::vector<uint32_t>& extra);
