#pragma once
// The 1.x shader instruction set as the assembler knows it: versions, the
// token format's register types, source modifiers and opcodes, and one table
// of every instruction with its operands, kind and versions.
#include <cstdint>
#include <string>

namespace shader {

// Shader versions, one bit each in the instruction table.
enum Version { VS10, VS11, PS10, PS11, PS12, PS13, PS14 };
constexpr uint16_t Bit(Version v) { return uint16_t(1u << v); }
constexpr uint16_t kVS = Bit(VS10) | Bit(VS11);
constexpr uint16_t kPS10to13 = Bit(PS10) | Bit(PS11) | Bit(PS12) | Bit(PS13);
constexpr uint16_t kPS12to13 = Bit(PS12) | Bit(PS13);
constexpr uint16_t kPS12up = Bit(PS12) | Bit(PS13) | Bit(PS14);
constexpr uint16_t kPS = kPS10to13 | Bit(PS14);

// Register types of the token format.
constexpr uint32_t kTemp = 0, kInput = 1, kConst = 2, kAddr = 3, kTexture = 3, kRastOut = 4,
                   kAttrOut = 5, kTexCrdOut = 6;

// Source modifiers of the token format.
enum SrcMod : uint32_t {
    kModNone = 0, kModNeg = 1, kModBias = 2, kModBiasNeg = 3, kModSign = 4, kModSignNeg = 5,
    kModComp = 6, kModX2 = 7, kModX2Neg = 8, kModDz = 9, kModDw = 10
};

constexpr uint32_t kMaxRegisterNumber = 0x7FF;  // bits 0-10 of a parameter token
constexpr uint8_t kIdentity = 0xE4;             // .xyzw
constexpr uint8_t kReplicateZ = 0xAA, kReplicateW = 0xFF, kXYZZ = 0xA4, kXYWW = 0xF4;

// Opcodes of the token format (texcrd and texld of ps.1.4 share texcoord's
// and tex's).
enum Opcode : uint16_t {
    kOpNop = 0,
    kOpMov = 1,
    kOpAdd = 2,
    kOpSub = 3,
    kOpMad = 4,
    kOpMul = 5,
    kOpRcp = 6,
    kOpRsq = 7,
    kOpDp3 = 8,
    kOpDp4 = 9,
    kOpMin = 10,
    kOpMax = 11,
    kOpSlt = 12,
    kOpSge = 13,
    kOpExp = 14,
    kOpLog = 15,
    kOpLit = 16,
    kOpDst = 17,
    kOpLrp = 18,
    kOpFrc = 19,
    kOpM4x4 = 20,
    kOpM4x3 = 21,
    kOpM3x4 = 22,
    kOpM3x3 = 23,
    kOpM3x2 = 24,
    kOpTexCoord = 64,
    kOpTexKill = 65,
    kOpTex = 66,
    kOpTexBem = 67,
    kOpTexBeml = 68,
    kOpTexReg2Ar = 69,
    kOpTexReg2Gb = 70,
    kOpTexM3x2Pad = 71,
    kOpTexM3x2Tex = 72,
    kOpTexM3x3Pad = 73,
    kOpTexM3x3Tex = 74,
    kOpTexM3x3Spec = 76,
    kOpTexM3x3VSpec = 77,
    kOpExpp = 78,
    kOpLogp = 79,
    kOpCnd = 80,
    kOpDef = 81,
    kOpTexReg2Rgb = 82,
    kOpTexDp3Tex = 83,
    kOpTexM3x2Depth = 84,
    kOpTexDp3 = 85,
    kOpTexM3x3 = 86,
    kOpTexDepth = 87,
    kOpCmp = 88,
    kOpBem = 89,
};

enum Kind : uint8_t {
    kArith,    // arithmetic
    kTex,      // texture addressing, ps.1.0 to 1.3
    kTex14,    // texture addressing, ps.1.4
};

struct OpInfo {
    const char* name;
    uint16_t opcode;
    bool dest;
    uint8_t sources;
    Kind kind;
    uint16_t versions;
};

// The instruction of that name in the version; null when there is none, with
// otherVersion set when another version has it.
const OpInfo* FindOp(const std::string& name, Version version, bool& otherVersion);
// "vs.1.1", "ps.1.4", ...
const char* VersionName(Version v);

}  // namespace shader
