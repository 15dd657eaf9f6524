#include "win/Dll.h"

#include <gtest/gtest.h>

#include <string>

#include "diag/ErrorText.h"
#include "diag/SysError.h"
#include "diag/tstrings.h"
#include "support/ChildProcess.h"
#include "support/FolderLink.h"
#include "support/TempFolder.h"
#include "win/DllFunction.h"

namespace {

std::string testLibraryPath() {
    const std::string self = testsupport::selfPath();
    return self.substr(0, self.find_last_of('\\') + 1) + "vesk_test_library.dll";
}

std::wstring widen(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }

std::string systemDirectory() {
    char directory[MAX_PATH];
    const UINT length = GetSystemDirectoryA(directory, MAX_PATH);
    return std::string(directory, length);
}

// Expects `call` to throw a SysError for `code` whose located text is
// "<file>(<line>) at <function>(): <message>. System error [<code>](system error <code> (...))".
template <class Call>
void expectSysError(Call call, const std::string& file, const std::string& function,
                    const std::string& message, DWORD code) {
    try {
        call();
        ADD_FAILURE() << "no exception for " << message;
    } catch (const SysError& error) {
        EXPECT_EQ(error.code(), code);
        const std::string text = error.what();
        EXPECT_EQ(text.substr(0, file.size() + 1), file + "(") << text;
        const std::string tail = ") at " + function + "(): " + message + ". System error [" +
                                 std::to_string(code) + "](" + systemErrorText(code) + ")";
        ASSERT_GE(text.size(), tail.size());
        EXPECT_EQ(text.substr(text.size() - tail.size()), tail);
    }
}

TEST(DllTest, LoadsByWideAndUtf8PathAndFreesWhenDone) {
    const std::string path = testLibraryPath();
    {
        const Dll library = Dll::load(widen(path));
        EXPECT_EQ(library.path(), path);
        EXPECT_EQ(GetModuleHandleA(path.c_str()), library.handle());
        const auto answer = reinterpret_cast<int (*)()>(
            reinterpret_cast<void*>(library.getFunction("vesk_test_answer", true)));
        ASSERT_NE(answer, nullptr);
        EXPECT_EQ(answer(), 42);
    }
    EXPECT_EQ(GetModuleHandleA(path.c_str()), nullptr);

    // A folder whose name is outside every ANSI code page reaches LoadLibraryW intact.
    testsupport::TempFolder folder;
    const std::wstring wideFolder = widen(folder.path()) + L"\\\u0416\u03a9\u00fc";
    ASSERT_TRUE(CreateDirectoryW(wideFolder.c_str(), nullptr));
    ASSERT_TRUE(CopyFileW(widen(path).c_str(), (wideFolder + L"\\copy.dll").c_str(), FALSE));
    const std::string utf8Path = folder.path() + "\\\xd0\x96\xce\xa9\xc3\xbc\\copy.dll";
    Dll copy = Dll::loadUtf8(utf8Path);
    EXPECT_EQ(copy.path(), utf8Path);
    EXPECT_EQ(GetModuleHandleW((wideFolder + L"\\copy.dll").c_str()), copy.handle());

    // Moving hands over the one reference; only the last owner frees the library.
    Dll moved = std::move(copy);
    EXPECT_NE(GetModuleHandleW((wideFolder + L"\\copy.dll").c_str()), nullptr);
    moved = Dll::load(widen(path));
    EXPECT_EQ(GetModuleHandleW((wideFolder + L"\\copy.dll").c_str()), nullptr);
}

TEST(DllTest, SystemLibrariesComeFromTheSystemDirectory) {
    const Dll kernel = Dll::loadSystem("kernel32.dll");
    EXPECT_EQ(kernel.path(), systemDirectory() + "\\kernel32.dll");
    EXPECT_EQ(kernel.handle(), GetModuleHandleA("kernel32.dll"));

    const Dll loaded = Dll::loaded(L"kernel32.dll");
    EXPECT_EQ(loaded.handle(), GetModuleHandleA("kernel32.dll"));
    EXPECT_EQ(loaded.path(), "kernel32.dll");
    EXPECT_NE(loaded.getFunction("GetTickCount", true), nullptr);
}

TEST(DllTest, FailureTexts) {
    expectSysError([] { Dll::load(L"C:\\nowhere\\missing.dll"); }, "Dll.cpp", "loadLibrary",
                   "LoadLibraryW(C:\\nowhere\\missing.dll) failed", ERROR_PATH_NOT_FOUND);
    expectSysError([] { Dll::loadSystem("vesk-missing.dll"); }, "Dll.cpp", "loadLibrary",
                   "LoadLibraryW(" + systemDirectory() + "\\vesk-missing.dll) failed", ERROR_FILE_NOT_FOUND);
    expectSysError([] { Dll::loaded(L"vesk-not-loaded.dll"); }, "Dll.cpp", "Dll::Dll",
                   "GetModuleHandleExW(vesk-not-loaded.dll) failed", ERROR_MOD_NOT_FOUND);
    const Dll kernel = Dll::loaded(L"kernel32.dll");
    expectSysError([&] { kernel.getFunction("VeskNoSuchFunction", true); }, "Dll.cpp", "Dll::getFunction",
                   "GetProcAddress(kernel32.dll, VeskNoSuchFunction) failed", ERROR_PROC_NOT_FOUND);
    EXPECT_EQ(kernel.getFunction("VeskNoSuchFunction", false), nullptr);
}

// Only a plain file at the path loads: nothing is searched for in place of a missing
// file, not even a library that Wine implements itself, and neither a folder nor a link
// of the library's name is followed.
TEST(DllTest, OnlyAPlainFileAtThePathLoads) {
    testsupport::TempFolder folder;
    const HMODULE builtinBefore = GetModuleHandleA("ucrtbase.dll");
    expectSysError([&] { Dll::load(widen(folder.file("ucrtbase.dll"))); }, "Dll.cpp", "loadLibrary",
                   "LoadLibraryW(" + folder.file("ucrtbase.dll") + ") failed", ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(GetModuleHandleA("ucrtbase.dll"), builtinBefore)
        << "a library was loaded in place of the missing file";

    ASSERT_TRUE(CreateDirectoryA(folder.file("folder.dll").c_str(), nullptr));
    expectSysError([&] { Dll::load(widen(folder.file("folder.dll"))); }, "Dll.cpp", "loadLibrary",
                   "LoadLibraryW(" + folder.file("folder.dll") + ") failed",
                   336 /* directory not supported */);

    ASSERT_TRUE(CreateDirectoryA(folder.file("target").c_str(), nullptr));
    ASSERT_TRUE(CopyFileA(testLibraryPath().c_str(), folder.file("target\\link.dll").c_str(), FALSE));
    const std::string whyNoLink = testsupport::makeFolderLink(folder.file("link.dll"), folder.file("target"));
    if (!whyNoLink.empty()) {
        GTEST_SKIP() << "no folder link to load through: " << whyNoLink;
    }
    // Where a handle does not show the link, it is refused as the folder it leads to.
    const bool linkShown = testsupport::handleShowsReparsePoint(folder.file("link.dll"));
    expectSysError([&] { Dll::load(widen(folder.file("link.dll"))); }, "Dll.cpp", "loadLibrary",
                   "LoadLibraryW(" + folder.file("link.dll") + ") failed",
                   linkShown ? ERROR_CANT_ACCESS_FILE : 336);
    if (!linkShown) {
        GTEST_SKIP()
            << "a handle on a folder link shows no reparse point here (Wine): the link was refused as a "
               "folder, its own refusal is not seen";
    }
}

// A bare or relative name would be searched for, beside this program first.
TEST(DllTest, OnlyFullPathsAreLoaded) {
    for (const wchar_t* path : {L"vesk_test_library.dll", L".\\vesk_test_library.dll",
                                L"C:vesk_test_library.dll", L"\\vesk_test_library.dll"}) {
        try {
            Dll::load(path);
            ADD_FAILURE() << "loaded " << tstrings::toUtf8(path);
        } catch (const std::invalid_argument& error) {
            EXPECT_NE(std::string(error.what()).find("refused: a library is loaded by its full path only"),
                      std::string::npos)
                << error.what();
        }
    }
}

TEST(DllFunctionTest, PresentAndMissingFunctions) {
    const Dll library = Dll::load(widen(testLibraryPath()));
    const DllFunction<int()> answer(library, "vesk_test_answer");
    EXPECT_TRUE(answer.available());
    EXPECT_EQ(answer(), 42);

    const DllFunction<decltype(GetTickCount)> missing(library, "GetTickCount");
    EXPECT_FALSE(missing.available());
    try {
        missing();
        ADD_FAILURE() << "no exception";
    } catch (const std::runtime_error& error) {
        const std::string text = error.what();
        EXPECT_EQ(text.substr(0, 14), "DllFunction.h(") << text;
        const std::string tail = "(): GetTickCount() function is not available in " + testLibraryPath();
        ASSERT_GE(text.size(), tail.size());
        EXPECT_EQ(text.substr(text.size() - tail.size()), tail);
    }
}

}  // namespace
