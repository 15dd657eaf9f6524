// The resources of installer.exe besides its texts: the program icon, the images, the
// version block and the manifest, read from the program file itself.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <set>
#include <stdexcept>
#include <string>

extern std::string installerPath;

namespace {

HMODULE installerModule() {
    static const HMODULE module = LoadLibraryExA(installerPath.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (module == nullptr) throw std::runtime_error("cannot load " + installerPath);
    return module;
}

std::string resourceBytes(LPCSTR name, LPCSTR type) {
    HRSRC info = FindResourceA(installerModule(), name, type);
    if (info == nullptr) return {};
    const auto* data = static_cast<const char*>(LockResource(LoadResource(installerModule(), info)));
    return std::string(data, SizeofResource(installerModule(), info));
}

#pragma pack(push, 2)
struct GroupIconEntry {
    BYTE width, height, colors, reserved;
    WORD planes, bitCount;
    DWORD bytes;
    WORD id;
};
#pragma pack(pop)

TEST(InstallerResourcesTest, TheIconGroupHoldsTwelveImagesWithIdsOneToTwelve) {
    const std::string group = resourceBytes("IDI_VESK", RT_GROUP_ICON);
    ASSERT_GE(group.size(), 6u) << "no icon group IDI_VESK";
    WORD count = 0;
    std::memcpy(&count, group.data() + 4, sizeof count);
    ASSERT_EQ(count, 12);
    ASSERT_EQ(group.size(), 6 + count * sizeof(GroupIconEntry));
    std::set<WORD> ids;
    for (WORD index = 0; index < count; ++index) {
        GroupIconEntry entry;
        std::memcpy(&entry, group.data() + 6 + index * sizeof entry, sizeof entry);
        ids.insert(entry.id);
        const std::string image = resourceBytes(MAKEINTRESOURCEA(entry.id), RT_ICON);
        EXPECT_EQ(image.size(), entry.bytes) << "icon image " << entry.id;
    }
    EXPECT_EQ(ids, (std::set<WORD>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}));
}

TEST(InstallerResourcesTest, TheImagesArePngs) {
    for (WORD id : {4000, 4001, 4002, 4003, 4004, 4005, 4006, 4007, 4009, 4010, 4011}) {
        EXPECT_EQ(resourceBytes(MAKEINTRESOURCEA(id), "VESK_INSTALLER").substr(0, 8), "\x89PNG\r\n\x1a\n")
            << id;
    }
    EXPECT_TRUE(resourceBytes(MAKEINTRESOURCEA(4008), "VESK_INSTALLER").empty());
}

TEST(InstallerResourcesTest, VersionAndManifestArePresent) {
    EXPECT_FALSE(resourceBytes(MAKEINTRESOURCEA(1), RT_VERSION).empty());
    EXPECT_NE(resourceBytes(MAKEINTRESOURCEA(1), RT_MANIFEST).find("<assembly"), std::string::npos);
}

}  // namespace
