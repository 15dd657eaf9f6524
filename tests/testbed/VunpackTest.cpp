// vunpack.exe: expands our packed format (a gzip stream of an archive's bytes) byte-exact,
// removes the source on -r, and on any failure exits non-zero leaving no target behind.
#include "TestbedFiles.h"
#include "support/ChildProcess.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <functional>
#include <random>

namespace {

using testbedfiles::exists;
using testbedfiles::readFile;
using testbedfiles::writeFile;
using testsupport::quoteArgument;

// One gzip member of `data`, made with zlib's own encoder.
std::string gzipMember(const std::string& data) {
    z_stream stream{};
    if (deflateInit2(&stream, 6, Z_DEFLATED, 16 + MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
        throw std::runtime_error("deflateInit2 failed");
    }
    std::string packed(deflateBound(&stream, static_cast<uLong>(data.size())), '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    stream.avail_in = static_cast<uInt>(data.size());
    stream.next_out = reinterpret_cast<Bytef*>(packed.data());
    stream.avail_out = static_cast<uInt>(packed.size());
    const int status = deflate(&stream, Z_FINISH);
    packed.resize(stream.total_out);
    deflateEnd(&stream);
    if (status != Z_STREAM_END) {
        throw std::runtime_error("deflate failed");
    }
    return packed;
}

// Bytes that are partly noise and partly repetitive, like archive contents.
std::string sampleBytes(std::size_t size, unsigned seed) {
    std::mt19937 random(seed);
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] =
            (i / 4096) % 2 ? static_cast<char>(random()) : static_cast<char>("vesk/lang/Object"[i % 16]);
    }
    return bytes;
}

DWORD vunpack(const std::string& arguments) {
    return testsupport::runChild(quoteArgument(testbedfiles::binPath("vunpack.exe")) + " " + arguments);
}

class VunpackTest : public ::testing::Test {
protected:
    testsupport::TempFolder folder;
    const std::string source = folder.file("rt.pack");
    const std::string target = folder.file("rt.vpk");
    const std::string quoted = quoteArgument(source) + " " + quoteArgument(target);
};

TEST_F(VunpackTest, ExpandsTheImagesRuntimeArchiveByteExactAndKeepsTheSource) {
    testbedfiles::copyFile(testbedfiles::fixturePath("rt.pack"), source);
    ASSERT_EQ(0u, vunpack(quoted));
    EXPECT_EQ(readFile(testbedfiles::fixturePath("rt.vpk")), readFile(target));
    EXPECT_TRUE(exists(source));
}

TEST_F(VunpackTest, StreamsLargeAndConcatenatedStreamsAndReplacesAnOldTarget) {
    // Several times the expander's buffer, in two gzip members, as gzip itself reads them.
    const std::string first = sampleBytes(3 * 1024 * 1024 + 17, 1);
    const std::string second = sampleBytes(700 * 1024, 2);
    writeFile(source, gzipMember(first) + gzipMember(second));
    writeFile(target, "an older archive");
    ASSERT_EQ(0u, vunpack(quoted));
    EXPECT_TRUE(readFile(target) == first + second);
}

TEST_F(VunpackTest, RemovesTheSourceAfterSuccessWithR) {
    const std::string data = sampleBytes(100000, 3);
    writeFile(source, gzipMember(data));
    ASSERT_EQ(0u, vunpack("-r " + quoted));
    EXPECT_EQ(data, readFile(target));
    EXPECT_FALSE(exists(source));
}

struct DamagedCase {
    const char* name;
    std::function<std::string(const std::string& good)> damage;
};

class VunpackDamagedTest : public VunpackTest, public ::testing::WithParamInterface<DamagedCase> {};

TEST_P(VunpackDamagedTest, FailsAndLeavesNoTargetAndKeepsTheSource) {
    const std::string damaged = GetParam().damage(gzipMember(sampleBytes(600 * 1024, 4)));
    writeFile(source, damaged);
    EXPECT_NE(0u, vunpack("-r " + quoted));
    EXPECT_FALSE(exists(target));
    EXPECT_FALSE(exists(target + ".part"));
    EXPECT_EQ(damaged, readFile(source));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, VunpackDamagedTest,
    ::testing::Values(
        DamagedCase{"Truncated", [](const std::string& good) { return good.substr(0, good.size() / 2); }},
        DamagedCase{"WithoutItsTrailer",
                    [](const std::string& good) { return good.substr(0, good.size() - 8); }},
        DamagedCase{"WrongChecksum",
                    [](std::string good) {
                        good[good.size() - 8] ^= 0x5A;
                        return good;
                    }},
        DamagedCase{"FlippedDataByte",
                    [](std::string good) {
                        good[good.size() / 3] ^= 0xFF;
                        return good;
                    }},
        DamagedCase{"TrailingGarbage",
                    [](const std::string& good) { return good + "garbage after the stream"; }},
        DamagedCase{"NotGzip",
                    [](const std::string&) { return std::string("PK\x03\x04 a zip, not packed"); }},
        DamagedCase{"Empty", [](const std::string&) { return std::string(); }}),
    [](const ::testing::TestParamInfo<DamagedCase>& info) { return std::string(info.param.name); });

TEST_F(VunpackTest, FailsOnAMissingSourceOrTargetFolder) {
    EXPECT_NE(0u, vunpack(quoted));
    EXPECT_FALSE(exists(target));

    writeFile(source, gzipMember("data"));
    const std::string unreachable = folder.file("no-such-folder\\rt.vpk");
    EXPECT_NE(0u, vunpack("-r " + quoteArgument(source) + " " + quoteArgument(unreachable)));
    EXPECT_TRUE(exists(source));
}

TEST_F(VunpackTest, RejectsAWrongCommandLine) {
    EXPECT_EQ(2u, vunpack(""));
    EXPECT_EQ(2u, vunpack("-r " + quoteArgument(source)));
    EXPECT_EQ(2u, vunpack(quoted + " extra"));
}

}  // namespace
