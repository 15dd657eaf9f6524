#include "win/LibrarySearch.h"

#include <windows.h>

#include <gtest/gtest.h>

namespace {

// The test library lies beside this program, where a planted library would lie.
TEST(LibrarySearchTest, ALibraryBesideTheProgramIsNoLongerFoundByName) {
    HMODULE before = LoadLibraryA("vesk_test_library.dll");
    ASSERT_NE(before, nullptr) << "the search did not start beside the program to begin with";
    FreeLibrary(before);

    LibrarySearch::restrictToSystemFolder();

    SetLastError(0);
    EXPECT_EQ(LoadLibraryA("vesk_test_library.dll"), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
    HMODULE system = LoadLibraryA("version.dll");
    EXPECT_NE(system, nullptr);
    FreeLibrary(system);
}

}  // namespace
