#include "platform/ChecksumString.h"
#include "platform/Crypto.h"

#include <gtest/gtest.h>

#include <ios>
#include <stdexcept>
#include <string>
#include <vector>

#include "HashFixtures.h"
#include "diag/Logger.h"
#include "diag/VdsError.h"
#include "support/ChildProcess.h"
#include "support/LogRecords.h"
#include "support/TempFolder.h"

namespace {

std::string fixturePath(const char* name) {
    const std::string self = testsupport::selfPath();
    return self.substr(0, self.find_last_of('\\')) + "\\hash-fixtures\\" + name;
}

std::string sha256Of(const std::string& path) {
    HashBase hash = createHash();
    hash.appendFile(path);
    return hash.getSha256StringValue();
}

class FileDigestTest : public testing::TestWithParam<HashFixture> {};

// Empty, exactly one read block, and one block and one byte: the digest matches one
// computed without CryptoAPI.
TEST_P(FileDigestTest, MatchesTheIndependentDigest) {
    EXPECT_EQ(sha256Of(fixturePath(GetParam().file)), GetParam().sha256);
}

INSTANTIATE_TEST_SUITE_P(Files, FileDigestTest, testing::ValuesIn(hashFixtures),
                         [](const testing::TestParamInfo<HashFixture>& info) {
                             const std::string file = info.param.file;
                             return file.substr(0, file.find('.'));
                         });

TEST(CryptoTest, RendersLowerCaseDigitsWithLeadingZeros) {
    // "abc" hashes to a digest with bytes below 0x10 and bytes with letters.
    testsupport::TempFolder folder;
    const std::string path = folder.file("abc.txt");
    FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    std::fputs("abc", file);
    std::fclose(file);
    EXPECT_EQ(sha256Of(path), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
}

struct ChecksumCase {
    const char* name;
    std::string value;
    std::string expectedError;  // empty: valid
};

class ChecksumStringTest : public testing::TestWithParam<ChecksumCase> {};

TEST_P(ChecksumStringTest, ChecksOnlyLowerCaseHexOfLength64) {
    const ChecksumCase& c = GetParam();
    if (c.expectedError.empty()) {
        EXPECT_EQ(checkSha256String(c.value), c.value);
        return;
    }
    try {
        checkSha256String(c.value);
        FAIL() << "accepted " << c.value;
    } catch (const VdsError<std::runtime_error>& error) {
        const std::string text = error.what();
        EXPECT_NE(text.find(") at verifyChecksumString(): " + c.expectedError), std::string::npos) << text;
        EXPECT_EQ(text.substr(text.size() - c.expectedError.size()), c.expectedError);
    }
}

const std::string valid = "0123456789abcdef0123456789abcdef0123456789abcdef0123456789abcdef";

std::string withCharacter(char c) {
    std::string value = valid;
    value[17] = c;
    return value;
}

INSTANTIATE_TEST_SUITE_P(
    Values, ChecksumStringTest,
    testing::Values(
        ChecksumCase{"Valid", valid, ""},
        ChecksumCase{"Abc", "abc", "Unexpected length of abc sha256 hash string."},
        ChecksumCase{"Empty", "", "Unexpected length of  sha256 hash string."},
        ChecksumCase{"OneTooLong", valid + "0", "Unexpected length of " + valid + "0 sha256 hash string."},
        ChecksumCase{"UpperCase", "E3B0C44298FC1C149AFBF4C8996FB92427AE41E4649B934CA495991B7852B855",
                     "Illegal character in E3B0C44298FC1C149AFBF4C8996FB92427AE41E4649B934CA495991B7852B855 "
                     "sha256 hash string."},
        ChecksumCase{"Blank", withCharacter(' '),
                     "Illegal character in " + withCharacter(' ') + " sha256 hash string."},
        ChecksumCase{"LetterG", withCharacter('g'),
                     "Illegal character in " + withCharacter('g') + " sha256 hash string."}),
    [](const testing::TestParamInfo<ChecksumCase>& info) { return std::string(info.param.name); });

TEST(CryptoTest, VerifyNamesTheHashInItsMessage) {
    try {
        verifyChecksumString("abc", "md5");
        FAIL() << "accepted abc";
    } catch (const std::runtime_error& error) {
        const std::string text = error.what();
        EXPECT_EQ(text.substr(text.find("Unexpected")), "Unexpected length of abc md5 hash string.");
    }
}

bool providerLoaded() { return GetModuleHandleA("rsaenh.dll") != nullptr; }

enum ReleaseCheck { released = 0, leaked = 1, wrongError = 2, providerStaysLoaded = 3 };

// Runs in a fresh process, where no other context has been made: the provider library
// stays loaded exactly as long as a context on it lives.
int hashMissingFile(const std::vector<std::string>& arguments) {
    // Probed with the plain calls, so that a leak of our own cannot pass for this.
    HCRYPTPROV probe = 0;
    if (!CryptAcquireContextA(&probe, nullptr, nullptr, PROV_RSA_AES, CRYPT_VERIFYCONTEXT) ||
        !CryptReleaseContext(probe, 0) || providerLoaded()) {
        return providerStaysLoaded;
    }
    try {
        HashBase hash = createHash();
        hash.appendFile(arguments.at(0));
        return wrongError;
    } catch (const std::ios_base::failure&) {
        return providerLoaded() ? leaked : released;
    } catch (...) {
        return wrongError;
    }
}

const bool hashMissingFileRegistered =
    testsupport::registerChildRoutine("hash-missing-file", &hashMissingFile);

TEST(CryptoTest, MissingFileRaisesTheStreamFailureAndReleasesTheHandles) {
    testsupport::TempFolder folder;
    const std::uint64_t logStart = testsupport::fileSize(Logger::instance().path());
    const DWORD result = testsupport::runChild(
        testsupport::childCommandLine("hash-missing-file", {folder.file("missing.bin")}));
    if (result == providerStaysLoaded) {
        GTEST_SKIP() << "rsaenh.dll stays loaded after its last context is released here";
    }
    EXPECT_EQ(result, DWORD{released});
    // No release failed.
    EXPECT_TRUE(testsupport::readLogRecords(Logger::instance().path(), logStart).empty());
}

// Moving a hash hands over both handles: the moved-from object releases nothing, the new
// owner still hashes.
TEST(CryptoTest, MovedHashKeepsWorking) {
    HashBase first = createHash();
    HashBase second = std::move(first);
    second.appendFile(fixturePath("oneblockandbyte.bin"));
    EXPECT_EQ(second.getSha256StringValue(), hashFixtures[2].sha256);
}

}  // namespace
