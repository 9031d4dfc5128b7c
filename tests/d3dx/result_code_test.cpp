// The name of every result code, and the text for codes without one.
#include "d3dx/ResultCode.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace {

// Written out independently of the table under test.
const struct {
    uint32_t code;
    const char* name;
} kExpected[] = {
    {0x88760818, "D3DERR_WRONGTEXTUREFORMAT"},
    {0x88760819, "D3DERR_UNSUPPORTEDCOLOROPERATION"},
    {0x8876081A, "D3DERR_UNSUPPORTEDCOLORARG"},
    {0x8876081B, "D3DERR_UNSUPPORTEDALPHAOPERATION"},
    {0x8876081C, "D3DERR_UNSUPPORTEDALPHAARG"},
    {0x8876081D, "D3DERR_TOOMANYOPERATIONS"},
    {0x8876081E, "D3DERR_CONFLICTINGTEXTUREFILTER"},
    {0x8876081F, "D3DERR_UNSUPPORTEDFACTORVALUE"},
    {0x88760821, "D3DERR_CONFLICTINGRENDERSTATE"},
    {0x88760822, "D3DERR_UNSUPPORTEDTEXTUREFILTER"},
    {0x88760826, "D3DERR_CONFLICTINGTEXTUREPALETTE"},
    {0x88760827, "D3DERR_DRIVERINTERNALERROR"},
    {0x88760866, "D3DERR_NOTFOUND"},
    {0x88760867, "D3DERR_MOREDATA"},
    {0x88760868, "D3DERR_DEVICELOST"},
    {0x88760869, "D3DERR_DEVICENOTRESET"},
    {0x8876086A, "D3DERR_NOTAVAILABLE"},
    {0x8876017C, "D3DERR_OUTOFVIDEOMEMORY"},
    {0x8876086B, "D3DERR_INVALIDDEVICE"},
    {0x8876086C, "D3DERR_INVALIDCALL"},
    {0x8876086D, "D3DERR_DRIVERINVALIDCALL"},
    {0x88760B54, "D3DXERR_CANNOTMODIFYINDEXBUFFER"},
    {0x88760B55, "D3DXERR_INVALIDMESH"},
    {0x88760B56, "D3DXERR_CANNOTATTRSORT"},
    {0x88760B57, "D3DXERR_SKINNINGNOTSUPPORTED"},
    {0x88760B58, "D3DXERR_TOOMANYINFLUENCES"},
    {0x88760B59, "D3DXERR_INVALIDDATA"},
    {0x88760B5A, "D3DXERR_LOADEDMESHASNODATA"},
    {0x00000000, "S_OK"},
    {0x00000001, "S_FALSE"},
    {0x8000FFFF, "E_UNEXPECTED"},
    {0x80004001, "E_NOTIMPL"},
    {0x80004002, "E_NOINTERFACE"},
    {0x80004003, "E_POINTER"},
    {0x80004004, "E_ABORT"},
    {0x80004005, "E_FAIL"},
    {0x8000000A, "E_PENDING"},
    {0x80070005, "E_ACCESSDENIED"},
    {0x80070006, "E_HANDLE"},
    {0x8007000E, "E_OUTOFMEMORY"},
    {0x80070057, "E_INVALIDARG"},
    {0x80040110, "CLASS_E_NOAGGREGATION"},
    {0x80040111, "CLASS_E_CLASSNOTAVAILABLE"},
    {0x80040154, "REGDB_E_CLASSNOTREG"},
    {0x800401F0, "CO_E_NOTINITIALIZED"},
};

}  // namespace

TEST(ResultCode, EveryNameOfTheTable)
{
    size_t count = 0;
    const d3dx::ResultCodeName* table = d3dx::ResultCodeNames(count);
    ASSERT_EQ(sizeof kExpected / sizeof kExpected[0], count) << "names in the table";
    for (const auto& e : kExpected) {
        EXPECT_EQ(std::string(e.name), d3dx::ResultCodeText(int32_t(e.code)))
            << "code 0x" << std::hex << e.code;
    }
    std::set<int32_t> codes;
    std::set<std::string> names;
    for (size_t i = 0; i < count; ++i) {
        EXPECT_TRUE(codes.insert(table[i].code).second) << "code given twice: " << table[i].name;
        EXPECT_TRUE(names.insert(table[i].name).second) << "name given twice: " << table[i].name;
    }
}

TEST(ResultCode, CodesWithoutANameAreSpelledInHex)
{
    EXPECT_EQ("Unrecognized error: 0x88760b5b", d3dx::ResultCodeText(int32_t(0x88760B5B)));
    EXPECT_EQ("Unrecognized error: 0x00000002", d3dx::ResultCodeText(2));
    EXPECT_EQ("Unrecognized error: 0xffffffff", d3dx::ResultCodeText(-1));
    EXPECT_EQ(nullptr, d3dx::FindResultCodeName(0x7FFFFFFF));
}
