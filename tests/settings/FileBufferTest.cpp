#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "settings/Exception.h"
#include "settings/FileBuffer.h"
#include "support/TempFolder.h"

namespace {

using settings_impl::FileBuffer;
using settings_impl::FilePath;

void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

int readCode(const std::string& path) {
    try {
        FileBuffer(FilePath(path)).read();
        return 0;
    } catch (const settings::Exception& error) {
        return error.code();
    }
}

TEST(FileBuffer, ReadsUpTo1048575Bytes) {
    testsupport::TempFolder folder;
    const std::string atLimit = folder.file("limit.cfg");
    writeFile(atLimit, std::string(1048575, 'a'));
    EXPECT_EQ(FileBuffer(FilePath(atLimit)).read().size(), 1048575u);

    const std::string overLimit = folder.file("over.cfg");
    writeFile(overLimit, std::string(1048576, 'a'));
    EXPECT_EQ(readCode(overLimit), 315);
}

TEST(FileBuffer, ReadsBinaryBytesUnchanged) {
    testsupport::TempFolder folder;
    const std::string path = folder.file("crlf.cfg");
    const std::string bytes("A=1\r\nB=\0\r", 9);
    writeFile(path, bytes);
    EXPECT_EQ(FileBuffer(FilePath(path)).read(), bytes);
}

TEST(FileBuffer, ReportsMissingAndNotPlainFiles) {
    testsupport::TempFolder folder;
    EXPECT_EQ(readCode(folder.file("missing.cfg")), 304);
    EXPECT_EQ(readCode(folder.path()), 304) << "a folder does not open as a file";
    const std::string path = folder.file("binary.cfg");
    writeFile(path, "A=\xFF");
    EXPECT_EQ(readCode(path), 314);
}

}  // namespace
