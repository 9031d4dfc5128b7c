// Counting vertex declaration tokens, and defs put before the end token.
#include "d3d/VertexDeclaration.h"

#include <gtest/gtest.h>

namespace {

// The token encodings of the platform's declaration macros.
constexpr uint32_t Stream(uint32_t n) { return 0x20000000u | n; }
constexpr uint32_t Reg(uint32_t reg, uint32_t type) { return 0x40000000u | type << 16 | reg; }
constexpr uint32_t Const(uint32_t reg, uint32_t count) { return 0x80000000u | count << 25 | reg; }
constexpr uint32_t Ext(uint32_t count) { return 0xA0000000u | count << 24; }

TEST(VertexDeclaration, CountsTokensUpToAndWithTheEndToken)
{
    const uint32_t three[] = {Stream(0), Reg(0, 2), Reg(1, 4), kVertexDeclarationEnd, 0x12345678};
    EXPECT_EQ(4u, VertexDeclarationLength(three, 5));
    EXPECT_EQ(4u, VertexDeclarationLength(three, 4)) << "the end token as the last one allowed";
    EXPECT_EQ(0u, VertexDeclarationLength(three, 3)) << "no end token within the limit";
    const uint32_t empty[] = {kVertexDeclarationEnd};
    EXPECT_EQ(1u, VertexDeclarationLength(empty, 1));
    EXPECT_EQ(0u, VertexDeclarationLength(nullptr, 100));
    EXPECT_EQ(0u, VertexDeclarationLength(empty, 0));
}

TEST(VertexDeclaration, ConstantDataMayLookLikeTheEndToken)
{
    // Two registers of constants whose floats include the bits 0xFFFFFFFF,
    // then an extension token with one data word of the same bits.
    const uint32_t tokens[] = {Stream(0), Reg(0, 2), Const(4, 2), 1, 2, kVertexDeclarationEnd, 4,
                               kVertexDeclarationEnd, 6, 7, 8, Ext(1), kVertexDeclarationEnd,
                               kVertexDeclarationEnd};
    EXPECT_EQ(14u, VertexDeclarationLength(tokens, 14));
    // A constant token whose data run past the limit.
    const uint32_t cut[] = {Const(0, 3), 1, 2, 3, kVertexDeclarationEnd};
    EXPECT_EQ(0u, VertexDeclarationLength(cut, 5));
}

TEST(VertexDeclaration, ExtraTokensGoBeforeTheEnd)
{
    const std::vector<uint32_t> declaration = {Stream(0), Reg(0, 2), kVertexDeclarationEnd};
    const std::vector<uint32_t> def = {Const(20, 1), 0, 0, 0x3F800000, 0x3F800000};
    const std::vector<uint32_t> full = AppendToDeclaration(declaration, def);
    const std::vector<uint32_t> expected = {Stream(0), Reg(0, 2), Const(20, 1), 0, 0, 0x3F800000, 0x3F800000,
                                            kVertexDeclarationEnd};
    EXPECT_EQ(expected, full);
    EXPECT_EQ(full.size(), VertexDeclarationLength(full.data(), full.size()));
    EXPECT_EQ(declaration, AppendToDeclaration(declaration, {}));
}

}  // namespace
