// LZSS stream and directory, pack header, index and blocks.
#include "filesystem/LzssCodec.h"
#include "filesystem/PackFormat.h"
#include "filesystem/PackIndex.h"
#include "filesystem/ZipCodec.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <vector>

namespace {

std::vector<uint8_t> Decode(const std::vector<uint8_t>& in, uint32_t expected, int64_t* result)
{
    std::vector<uint8_t> out(expected + 8, 0xCC);
    CLZSSCodec codec;
    *result = codec.Decode(in.data(), uint32_t(in.size()), out.data(), expected);
    out.resize(expected);
    return out;
}

// The format as written: a 4096-byte ring, zeroed, written from 4078.
struct RingResult {
    int64_t result;
    uint32_t consumed, written;
    std::vector<uint8_t> out;
};
RingResult RingDecode(const std::vector<uint8_t>& in, uint32_t expected)
{
    std::vector<uint8_t> ring(4096, 0);
    uint32_t r = 4078;
    RingResult res{-1, 0, 0, {}};
    size_t i = 0;
    bool overflow = false, stop = false;
    while (i < in.size() && !overflow && !stop) {
        uint32_t flags = in[i++];
        for (int bit = 0; bit < 8; ++bit, flags >>= 1) {
            if (flags & 1) {
                if (i >= in.size()) { stop = true; break; }
                if (res.out.size() >= expected) { overflow = true; break; }
                uint8_t c = in[i++];
                res.out.push_back(c);
                ring[r] = c;
                r = (r + 1) & 4095;
            } else {
                if (in.size() - i < 2) { stop = true; break; }
                uint32_t pos = in[i] | (in[i + 1] & 0xF0u) << 4, len = (in[i + 1] & 0x0Fu) + 3;
                i += 2;
                if (len > expected - res.out.size()) { overflow = true; break; }
                for (uint32_t k = 0; k < len; ++k) {
                    uint8_t c = ring[(pos + k) & 4095];
                    res.out.push_back(c);
                    ring[r] = c;
                    r = (r + 1) & 4095;
                }
            }
        }
    }
    res.consumed = uint32_t(i);
    res.written = uint32_t(res.out.size());
    res.result = !overflow && res.out.size() == expected ? int64_t(expected) : -1;
    return res;
}

}  // namespace

TEST(LzssStream, DecoderMatchesTheRingAlgorithm)
{
    // Groups of eight longest references ending exactly at the expected size:
    // the last group must not overrun the output.
    for (int groups = 1; groups < 6; ++groups) {
        std::vector<uint8_t> in = {0xFF, 'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h'};
        uint32_t produced = 8;
        for (int g = 0; g < groups; ++g) {
            in.push_back(0);
            for (int k = 0; k < 8; ++k, produced += 18) {
                uint32_t pos = (produced + 4078 - 8) & 4095;
                in.push_back(uint8_t(pos));
                in.push_back(uint8_t((pos >> 4 & 0xF0) | 15));
            }
        }
        std::vector<uint8_t> out(produced + 32, 0xCC);
        CLZSSCodec codec;
        ASSERT_EQ(int64_t(produced), codec.Decode(in.data(), uint32_t(in.size()), out.data(), produced));
        EXPECT_TRUE(RingDecode(in, produced).out == std::vector<uint8_t>(out.begin(), out.begin() + produced));
        for (size_t k = produced; k < out.size(); ++k)
            ASSERT_EQ(0xCC, out[k]) << "byte " << k << " past the expected " << produced << " was written";
    }

    // Streams of every shape: literal runs, near and overlapping references
    // (distances 1..18), far ones, references into the zeroed ring at the
    // start, and plain noise; expected sizes below, at and past what each
    // stream yields. The fast group path must agree with the ring byte for
    // byte and write nothing past the expected size.
    std::mt19937 rng(11);
    for (int round = 0; round < 400; ++round) {
        std::vector<uint8_t> in;
        int groups = 1 + int(rng() % 600);
        uint32_t produced = 0;
        for (int g = 0; g < groups; ++g) {
            uint8_t flags = round % 7 == 0 ? uint8_t(rng()) : uint8_t(rng() % 3 == 0 ? 0xFF : rng() & rng());
            in.push_back(flags);
            for (int bit = 0; bit < 8; ++bit) {
                if (flags >> bit & 1) {
                    in.push_back(uint8_t(rng() % 4 == 0 ? rng() : 'a' + rng() % 3));
                    ++produced;
                    continue;
                }
                uint32_t len = 3 + rng() % 16, d;
                switch (rng() % 4) {
                case 0: d = 1 + rng() % 18; break;
                case 1: d = 1 + rng() % 300; break;
                case 2: d = 1 + rng() % 4096; break;
                default: d = rng() % 4096; break;  // may reach the zeroed ring
                }
                uint32_t pos = (produced + 4078 - d) & 4095;
                in.push_back(uint8_t(pos));
                in.push_back(uint8_t((pos >> 4 & 0xF0) | (len - 3)));
                produced += len;
            }
        }
        if (round % 5 == 1)
            in.resize(in.size() - rng() % (in.size() / 2 + 1));  // cut short
        uint32_t sizes[] = {produced, produced ? produced - 1 : 0, produced + 1, uint32_t(rng() % (produced + 1))};
        for (uint32_t expected : sizes) {
            RingResult want = RingDecode(in, expected);
            std::vector<uint8_t> out(expected + 32, 0xCC);
            CLZSSCodec codec;
            int64_t got = codec.Decode(in.data(), uint32_t(in.size()), out.data(), expected);
            ASSERT_EQ(want.result, got) << "round " << round << ", expected " << expected;
            ASSERT_EQ(want.consumed, codec.GetConsumed()) << "round " << round;
            ASSERT_EQ(want.written, codec.GetWritten()) << "round " << round;
            ASSERT_TRUE(std::equal(want.out.begin(), want.out.end(), out.begin())) << "round " << round;
            for (size_t k = expected; k < out.size(); ++k)
                ASSERT_EQ(0xCC, out[k]) << "byte " << k << " past the expected " << expected << " was written";
        }
    }
}

TEST(LzssStream, LiteralsReferencesAndEnd)
{
    int64_t r;
    // Empty stream: only an expected size of 0 succeeds.
    EXPECT_EQ(0, Decode({}, 0, &r).size());
    EXPECT_EQ(0, r);
    Decode({}, 1, &r);
    EXPECT_EQ(-1, r);

    // Flag 0xFF announces 8 literals; only 2 come: harmless when exact.
    auto out = Decode({0xFF, 'a', 'b'}, 2, &r);
    EXPECT_EQ(2, r);
    EXPECT_EQ('a', out[0]);
    EXPECT_EQ('b', out[1]);
    // Fewer bytes than expected fails at the end, more fails at the first excess.
    Decode({0xFF, 'a', 'b'}, 3, &r);
    EXPECT_EQ(-1, r);
    Decode({0xFF, 'a', 'b'}, 1, &r);
    EXPECT_EQ(-1, r);

    // Reference to write index - 1 (0xFEE after one literal is 0xFEF; the last
    // byte sits at 0xFEE) with length 18 repeats it: overlapping copy.
    out = Decode({0x01, 'z', 0xEE, 0xFF}, 19, &r);
    ASSERT_EQ(19, r);
    for (int i = 0; i < 19; ++i)
        EXPECT_EQ('z', out[i]) << "byte " << i;

    // The first reference into 0..4077 yields zeros from the initial ring.
    out = Decode({0x00, 0x10, 0x00}, 3, &r);
    ASSERT_EQ(3, r);
    EXPECT_EQ(std::vector<uint8_t>(3, 0), out);
    // A reference crossing from the zeroed ring into the written bytes.
    out = Decode({0x01, 'q', 0xED, 0xF1}, 5, &r);
    ASSERT_EQ(5, r);
    EXPECT_EQ((std::vector<uint8_t>{'q', 0, 'q', 0, 'q'}), out);
    // A reference cut by the end of the input stops decoding.
    Decode({0x00, 0x10}, 0, &r);
    EXPECT_EQ(0, r);
    // A reference longer than the space left fails.
    Decode({0x01, 'z', 0xEE, 0xFF}, 10, &r);
    EXPECT_EQ(-1, r);
}

TEST(LzssStream, CompressorRoundTrips)
{
    std::mt19937 rng(7);
    std::vector<std::vector<uint8_t>> samples = {{}, {1}, {1, 2}, std::vector<uint8_t>(5000, 0),
                                                 std::vector<uint8_t>(70001, 'x')};
    std::vector<uint8_t> noise(100003), text;
    for (auto& b : noise) b = uint8_t(rng());
    static const char* const words[] = {"the ", "game ", "script ", "line ", "said ", "she ", "\n"};
    while (text.size() < 20000)
        for (const char* c = words[rng() % 7]; *c; ++c) text.push_back(uint8_t(*c));
    samples.push_back(noise);
    samples.push_back(text);
    for (const auto& s : samples) {
        std::vector<uint8_t> packed = LzssCompress(s.data(), s.size());
        int64_t r;
        auto back = Decode(packed, uint32_t(s.size()), &r);
        ASSERT_EQ(int64_t(s.size()), r) << "size " << s.size();
        EXPECT_TRUE(back == s) << "size " << s.size();
    }
    // It really compresses repetitive data.
    std::vector<uint8_t> packed = LzssCompress(text.data(), text.size());
    EXPECT_LT(packed.size(), text.size() / 2);
}

TEST(LzssDirectory, EntriesMaskAndTerminator)
{
    std::vector<uint8_t> dir(3 * kLzssEntrySize);
    LzssEntry a;
    a.name = "bg/a.bmp";
    a.decodedSize = 5;
    a.compressedSize = 6;
    a.offset = 420;
    LzssBuildEntry(a, dir.data());
    EXPECT_EQ(uint8_t(5 ^ 0x5D), dir[128]);
    EXPECT_EQ(0x5D, dir[130]);
    EXPECT_EQ(0x00, dir[131]);
    LzssBuildEntry(LzssEntry(), dir.data() + 2 * kLzssEntrySize);  // all masked words = mask
    LzssEntry e;
    EXPECT_EQ(kLzssFound, LzssMatchEntry(dir.data(), "bg\\a.bmp", "bg/a.bmp", e));
    EXPECT_EQ(420u, e.offset);
    EXPECT_EQ(kLzssOther, LzssMatchEntry(dir.data(), "BG\\A.BMP", "BG/A.BMP", e));
    // 140 zero bytes end the directory even before later entries.
    EXPECT_EQ(kLzssEnd, LzssMatchEntry(dir.data() + kLzssEntrySize, "x", "x", e));
    EXPECT_EQ(kLzssOther, LzssMatchEntry(dir.data() + 2 * kLzssEntrySize, "x", "x", e));
}

TEST(LzssDirectory, DamagedEntriesFailWithoutAllocating)
{
    std::vector<uint8_t> payload(100, 'p');
    std::vector<uint8_t> packed = LzssCompress(payload.data(), payload.size());
    std::vector<uint8_t> file(2 * kLzssEntrySize);
    LzssEntry e;
    e.name = "a.bmp";
    e.decodedSize = 100;
    e.compressedSize = uint32_t(packed.size());
    e.offset = uint32_t(file.size());
    LzssBuildEntry(e, file.data());
    file.insert(file.end(), packed.begin(), packed.end());
    std::vector<uint8_t> out;
    ASSERT_EQ(1, LzssExtractMember(file.data(), file.size(), "a.bmp", "a.bmp", out));
    EXPECT_EQ(payload, out);

    auto damaged = [&](uint32_t decoded, uint32_t compressed, uint32_t offset) {
        std::vector<uint8_t> f = file;
        LzssEntry d = e;
        d.decodedSize = decoded;
        d.compressedSize = compressed;
        d.offset = offset;
        LzssBuildEntry(d, f.data());
        return LzssExtractMember(f.data(), f.size(), "a.bmp", "a.bmp", out);
    };
    EXPECT_EQ(-1, damaged(0xFFFFFFF0u, e.compressedSize, e.offset)) << "decoded size beyond the input";
    EXPECT_EQ(-1, damaged(100, 0xFFFFFFF0u, e.offset)) << "compressed size past the end";
    EXPECT_EQ(-1, damaged(100, e.compressedSize, 0xFFFFFF00u)) << "offset past the end";
    EXPECT_TRUE(LzssSizeReachable(16 * 5, 5));
    EXPECT_FALSE(LzssSizeReachable(16 * 5 + 1, 5));
}

TEST(PackFormat, KeyScrambleAndBlocks)
{
    EXPECT_EQ('a' + 'b', PackNameKey("ab", 2));
    EXPECT_EQ(int8_t(0x83) + int8_t(0x5C), PackNameKey("\x83\x5C", 2));  // signed bytes
    EXPECT_EQ(0, PackNameKey("", 0));

    // Only bytes 0..2 change, and scrambling is its own inverse.
    std::vector<uint8_t> b(40, 0);
    PackScramble(b.data(), uint32_t(b.size()));
    uint8_t k0 = uint8_t((40 >> 3) + kPackScramble);
    EXPECT_EQ(k0, b[0]);
    EXPECT_EQ(uint8_t(k0 * 8), b[1]);
    EXPECT_EQ(uint8_t(k0 * 64), b[2]);
    for (size_t i = 3; i < b.size(); ++i) EXPECT_EQ(0, b[i]);
    PackScramble(b.data(), uint32_t(b.size()));
    EXPECT_EQ(std::vector<uint8_t>(40, 0), b);
    uint8_t tiny[1] = {0};
    PackScramble(tiny, 1);  // stops at the end of a short block
    EXPECT_EQ(uint8_t((1 >> 3) + kPackScramble), tiny[0]);

    std::vector<uint8_t> data(3000);
    for (size_t i = 0; i < data.size(); ++i) data[i] = uint8_t(i * i);
    std::vector<uint8_t> block = PackBuildBlock(data.data(), data.size());
    CZipCodec codec;
    ASSERT_TRUE(codec.Decode(block.data(), uint32_t(block.size())));
    EXPECT_EQ(data, std::vector<uint8_t>(codec.GetOutput(), codec.GetOutput() + codec.GetOutputLength()));

    // A trailer larger than the stream yields still loads, at zlib's length.
    block = PackBuildBlock(data.data(), data.size());
    PackScramble(block.data(), uint32_t(block.size()));
    block[block.size() - 4] += 10;
    PackScramble(block.data(), uint32_t(block.size()));
    ASSERT_TRUE(codec.Decode(block.data(), uint32_t(block.size())));
    EXPECT_EQ(3000u, codec.GetOutputLength());
    // An absurd trailer is capped, a trailer too small fails, and so does garbage.
    block = PackBuildBlock(data.data(), data.size());
    PackScramble(block.data(), uint32_t(block.size()));
    std::memset(&block[block.size() - 4], 0xFF, 4);
    PackScramble(block.data(), uint32_t(block.size()));
    EXPECT_TRUE(codec.Decode(block.data(), uint32_t(block.size())));
    block = PackBuildBlock(data.data(), data.size());
    PackScramble(block.data(), uint32_t(block.size()));
    block[block.size() - 4] = 1;
    block[block.size() - 3] = 0;
    PackScramble(block.data(), uint32_t(block.size()));
    EXPECT_FALSE(codec.Decode(block.data(), uint32_t(block.size())));
    uint8_t junk[3] = {1, 2, 3};
    EXPECT_FALSE(codec.Decode(junk, 3));
    EXPECT_FALSE(codec.Decode(junk, 0));
}

TEST(PackFormat, IndexWalkAndMatching)
{
    std::vector<PackSource> members = {{"BG/A.BMP", {1}}, {"c\\d.txt", {2, 3}}};
    std::vector<uint8_t> pak = PackBuildArchive(members);
    uint32_t length = 0;
    ASSERT_TRUE(PackParseHeader(pak.data(), 'A', length));
    EXPECT_FALSE(PackParseHeader(pak.data(), 'S', length));
    EXPECT_EQ(0, std::memcmp(pak.data(), "ZORVIDEX4A", 10));
    std::vector<PackEntry> entries;
    ASSERT_TRUE(PackParseIndex(pak.data() + 14, length, entries));
    ASSERT_EQ(2u, entries.size());
    EXPECT_EQ("c\\d.txt", entries[1].name);

    std::string key, alt;
    PackMemberKeys("bg\\\\a.bmp", key, alt);
    EXPECT_EQ("bg\\a.bmp", key);
    EXPECT_EQ("bg/a.bmp", alt);
    PackEntry found;
    EXPECT_TRUE(PackFindMember(pak.data() + 14, length, key, alt, found));
    EXPECT_EQ("BG/A.BMP", found.name);
    PackMemberKeys("C/D.TXT", key, alt);
    EXPECT_TRUE(PackFindMember(pak.data() + 14, length, key, alt, found));
    // A second byte 0x5C of a double-byte character is no separator.
    PackMemberKeys("\x83\x5C/A", key, alt);
    EXPECT_EQ("\x83\x5C\\a", key);
    EXPECT_EQ("\x83\x5C/a", alt);

    // An empty index finds nothing; a name running past the index is damage.
    uint8_t empty[4] = {0, 0, 0, 0};
    EXPECT_TRUE(PackParseIndex(empty, 4, entries));
    EXPECT_TRUE(entries.empty());
    std::vector<uint8_t> index(pak.begin() + 14, pak.begin() + 14 + length);
    index[0] = 0xF0;
    EXPECT_FALSE(PackParseIndex(index.data(), length, entries));
    EXPECT_FALSE(PackParseIndex(pak.data() + 14, length - 1, entries));
    EXPECT_EQ(1u, entries.size()) << "entries before the damage stay";
    index[0] = 0;
    index[1] = 0x10;  // 4096 > 259 + zero
    EXPECT_FALSE(PackParseIndex(index.data(), length, entries));
}

TEST(PackFormat, HashedIndexFindsWhatTheWalkFinds)
{
    // Names differing in case and slashes (the first of several matches
    // wins, whichever key it matches), Shift-JIS names with 0x5C trail
    // bytes, then the same index cut short at every length.
    std::vector<PackSource> members = {{"a/B.txt", {1}}, {"A\\b.TXT", {2}}, {"x", {3}},
                                       {"\x95\x5C/\x83\x5C.bmp", {4}}, {"\x95\x5C\\\x83\x5C.BMP", {5}},
                                       {"deep\\dir\\n.dat", {6}}, {"X", {7}}};
    std::vector<uint8_t> pak = PackBuildArchive(members);
    uint32_t length = 0;
    ASSERT_TRUE(PackParseHeader(pak.data(), 'A', length));
    const char* const asks[] = {"a\\b.txt", "A/B.TXT", "x", "\x95\x5C\\\x83\x5C.bmp", "\x95\x5C/\x83\x5C.bmp",
                                "DEEP/DIR/N.DAT", "missing", "a\\b.tx", ""};
    for (uint32_t cut = 0; cut <= length; ++cut) {
        CPackIndex index;
        index.Build(pak.data() + 14, cut);
        for (const char* ask : asks) {
            std::string key, alt;
            PackMemberKeys(ask, key, alt);
            PackEntry walk, hashed;
            bool w = PackFindMember(pak.data() + 14, cut, key, alt, walk);
            ASSERT_EQ(w, index.Find(key, alt, hashed)) << ask << " in an index cut to " << cut;
            if (w) {
                EXPECT_EQ(walk.name, hashed.name) << ask;
                EXPECT_EQ(walk.offset, hashed.offset) << ask;
                EXPECT_EQ(walk.size, hashed.size) << ask;
            }
        }
    }
}

TEST(PackFormat, SingleFileRecordAndName)
{
    EXPECT_EQ("v_006_00098109112", PackSingleStem("v_006_000", "bmp"));
    EXPECT_EQ("a", PackSingleStem("a", ""));
    EXPECT_EQ("x-125", PackSingleStem("x", "\x83"));
    std::vector<uint8_t> pak = PackBuildSingle({"A.Bmp", {9, 8, 7}});
    uint32_t length = 0;
    ASSERT_TRUE(PackParseHeader(pak.data(), 'S', length));
    EXPECT_EQ(6u, length);
    PackEntry e;
    ASSERT_TRUE(PackParseSingle(pak.data() + 14, length, e));
    EXPECT_EQ("A.Bmp", e.name);
    EXPECT_EQ(14u + 6 + 8, e.offset);
    EXPECT_EQ(pak.size() - e.offset, e.size);
}
