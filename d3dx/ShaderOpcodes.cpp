#include "d3dx/ShaderOpcodes.h"

namespace shader {

namespace {

const OpInfo kOps[] = {
    // Both shader kinds (the versions say which).
    {"nop", kOpNop, false, 0, kArith, kVS | kPS},
    {"mov", kOpMov, true, 1, kArith, kVS | kPS},
    {"add", kOpAdd, true, 2, kArith, kVS | kPS},
    {"sub", kOpSub, true, 2, kArith, kVS | kPS},
    {"mad", kOpMad, true, 3, kArith, kVS | kPS},
    {"mul", kOpMul, true, 2, kArith, kVS | kPS},
    {"dp3", kOpDp3, true, 2, kArith, kVS | kPS},
    {"dp4", kOpDp4, true, 2, kArith, kVS | kPS12up},
    // Vertex shaders.
    {"rcp", kOpRcp, true, 1, kArith, kVS},
    {"rsq", kOpRsq, true, 1, kArith, kVS},
    {"min", kOpMin, true, 2, kArith, kVS},
    {"max", kOpMax, true, 2, kArith, kVS},
    {"slt", kOpSlt, true, 2, kArith, kVS},
    {"sge", kOpSge, true, 2, kArith, kVS},
    {"exp", kOpExp, true, 1, kArith, kVS},
    {"log", kOpLog, true, 1, kArith, kVS},
    {"lit", kOpLit, true, 1, kArith, kVS},
    {"dst", kOpDst, true, 2, kArith, kVS},
    {"frc", kOpFrc, true, 1, kArith, kVS},
    {"m4x4", kOpM4x4, true, 2, kArith, kVS},
    {"m4x3", kOpM4x3, true, 2, kArith, kVS},
    {"m3x4", kOpM3x4, true, 2, kArith, kVS},
    {"m3x3", kOpM3x3, true, 2, kArith, kVS},
    {"m3x2", kOpM3x2, true, 2, kArith, kVS},
    {"expp", kOpExpp, true, 1, kArith, kVS},
    {"logp", kOpLogp, true, 1, kArith, kVS},
    // Pixel shader arithmetic.
    {"lrp", kOpLrp, true, 3, kArith, kPS},
    {"cnd", kOpCnd, true, 3, kArith, kPS},
    {"cmp", kOpCmp, true, 3, kArith, kPS12up},
    {"bem", kOpBem, true, 2, kArith, Bit(PS14)},
    // Texture addressing, ps.1.0 to 1.3: the operand after the destination
    // is a texture register of an earlier stage.
    {"texcoord", kOpTexCoord, true, 0, kTex, kPS10to13},
    {"texkill", kOpTexKill, true, 0, kTex, kPS10to13},
    {"tex", kOpTex, true, 0, kTex, kPS10to13},
    {"texbem", kOpTexBem, true, 1, kTex, kPS10to13},
    {"texbeml", kOpTexBeml, true, 1, kTex, kPS10to13},
    {"texreg2ar", kOpTexReg2Ar, true, 1, kTex, kPS10to13},
    {"texreg2gb", kOpTexReg2Gb, true, 1, kTex, kPS10to13},
    {"texm3x2pad", kOpTexM3x2Pad, true, 1, kTex, kPS10to13},
    {"texm3x2tex", kOpTexM3x2Tex, true, 1, kTex, kPS10to13},
    {"texm3x3pad", kOpTexM3x3Pad, true, 1, kTex, kPS10to13},
    {"texm3x3tex", kOpTexM3x3Tex, true, 1, kTex, kPS10to13},
    {"texm3x3spec", kOpTexM3x3Spec, true, 2, kTex, kPS10to13},
    {"texm3x3vspec", kOpTexM3x3VSpec, true, 1, kTex, kPS10to13},
    {"texreg2rgb", kOpTexReg2Rgb, true, 1, kTex, kPS12to13},
    {"texdp3tex", kOpTexDp3Tex, true, 1, kTex, kPS12to13},
    {"texm3x2depth", kOpTexM3x2Depth, true, 1, kTex, Bit(PS13)},
    {"texdp3", kOpTexDp3, true, 1, kTex, kPS12to13},
    {"texm3x3", kOpTexM3x3, true, 1, kTex, kPS12to13},
    // Texture addressing, ps.1.4.
    {"texcrd", kOpTexCoord, true, 1, kTex14, Bit(PS14)},
    {"texkill", kOpTexKill, true, 0, kTex14, Bit(PS14)},
    {"texld", kOpTex, true, 1, kTex14, Bit(PS14)},
    {"texdepth", kOpTexDepth, true, 0, kTex14, Bit(PS14)},
};

}  // namespace

const OpInfo* FindOp(const std::string& name, Version version, bool& otherVersion)
{
    otherVersion = false;
    for (const OpInfo& op : kOps) {
        if (name != op.name)
            continue;
        if (op.versions & Bit(version))
            return &op;
        otherVersion = true;
    }
    return nullptr;
}

const char* VersionName(Version v)
{
    static const char* const names[] = {"vs.1.0", "vs.1.1", "ps.1.0", "ps.1.1", "ps.1.2", "ps.1.3", "ps.1.4"};
    return names[v];
}

}  // namespace shader
