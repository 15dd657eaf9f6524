#include <windows.h>
// sddl.h needs the declarations of windows.h.
#include <sddl.h>

#include <gtest/gtest.h>

#include <string>

#include "diag/SysError.h"
#include "platform/FileUtils.h"
#include "platform/SecurityDescriptor.h"
#include "platform/SecuritySid.h"
#include "support/TempFolder.h"

namespace {

constexpr const char* folderDacl = "D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;FR;;;WD)";

// The SID of the token user, read here independently of security::Sid.
std::string tokenUserSid() {
    HANDLE token = nullptr;
    EXPECT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token));
    BYTE buffer[512];
    DWORD size = 0;
    EXPECT_TRUE(GetTokenInformation(token, TokenUser, buffer, sizeof buffer, &size));
    CloseHandle(token);
    char* text = nullptr;
    EXPECT_TRUE(ConvertSidToStringSidA(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid, &text));
    const std::string sid = text;
    LocalFree(text);
    return sid;
}

// The SDDL text of the parts of a binary descriptor named by `information`.
std::string sddlOf(const security::SecurityDescriptor& descriptor, SECURITY_INFORMATION information) {
    char* text = nullptr;
    EXPECT_TRUE(ConvertSecurityDescriptorToStringSecurityDescriptorA(descriptor.get(), SDDL_REVISION_1,
                                                                     information, &text, nullptr));
    const std::string sddl = text == nullptr ? "" : text;
    LocalFree(text);
    return sddl;
}

TEST(SidTest, ProcessOwnerUserIsTheTokenUser) {
    const security::Sid user = security::Sid::processOwnerUser();
    EXPECT_EQ(user.toString(), tokenUserSid());
    EXPECT_EQ(user.toString().substr(0, 4), "S-1-");
}

TEST(SidTest, FromPSIDCopiesByValue) {
    PSID system = nullptr;
    ASSERT_TRUE(ConvertStringSidToSidA("S-1-5-18", &system));
    const security::Sid copy = security::Sid::fromPSID(system);
    LocalFree(system);
    const security::Sid second = copy;
    EXPECT_EQ(second.toString(), "S-1-5-18");
    EXPECT_TRUE(second == copy);
    EXPECT_FALSE(second == security::Sid::processOwnerUser());
}

TEST(SidTest, AnInvalidSidRaises) {
    BYTE notASid[SECURITY_MAX_SID_SIZE] = {};
    try {
        security::Sid::fromPSID(notASid);
        FAIL() << "no exception";
    } catch (const SysError& error) {
        EXPECT_NE(std::string(error.what()).find("CopySid failed"), std::string::npos) << error.what();
    }
}

TEST(SecurityDescriptorTest, OwnerDescriptorNamesTheProcessUserAndRoundTrips) {
    const std::string user = tokenUserSid();
    const std::string sddl = security::ownerFolderSddl();
    EXPECT_EQ(sddl, "O:" + user + folderDacl);

    const security::SecurityDescriptor descriptor = security::ownerFolderDescriptor();
    EXPECT_TRUE(IsValidSecurityDescriptor(descriptor.get()));
    EXPECT_EQ(GetSecurityDescriptorLength(descriptor.get()), descriptor.size());
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    ASSERT_TRUE(GetSecurityDescriptorControl(descriptor.get(), &control, &revision));
    EXPECT_TRUE(control & SE_SELF_RELATIVE);
    // Nothing of the folder above reaches a folder secured with it.
    EXPECT_TRUE(control & SE_DACL_PROTECTED);

    PSID owner = nullptr;
    BOOL defaulted = FALSE;
    ASSERT_TRUE(GetSecurityDescriptorOwner(descriptor.get(), &owner, &defaulted));
    ASSERT_NE(owner, nullptr);
    EXPECT_TRUE(security::Sid::fromPSID(owner) == security::Sid::processOwnerUser());
    EXPECT_EQ(sddlOf(descriptor, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION), sddl);
}

TEST(SecurityDescriptorTest, TheProgramsDaclOnlyDescriptorsRoundTrip) {
    for (const std::string sddl :
         {"D:(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;FRFX;;;WD)", "D:(A;;FA;;;SY)(A;;FA;;;BA)(A;;FR;;;WD)"}) {
        const security::SecurityDescriptor descriptor(sddl);
        PSID owner = reinterpret_cast<PSID>(1);
        BOOL defaulted = FALSE;
        ASSERT_TRUE(GetSecurityDescriptorOwner(descriptor.get(), &owner, &defaulted));
        EXPECT_EQ(owner, nullptr);
        // FR and FX together are written back as one access mask.
        const security::SecurityDescriptor again(sddlOf(descriptor, DACL_SECURITY_INFORMATION));
        EXPECT_EQ(sddlOf(again, DACL_SECURITY_INFORMATION), sddlOf(descriptor, DACL_SECURITY_INFORMATION));
        EXPECT_EQ(again.size(), descriptor.size());
    }
}

TEST(SecurityDescriptorTest, TheCommandPathDescriptorIsProtectedAndLetsEveryoneRunPrograms) {
    EXPECT_EQ(std::string(security::commandPathSddl),
              "D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;FRFX;;;WD)");
    const security::SecurityDescriptor descriptor = security::commandPathDescriptor();
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    ASSERT_TRUE(GetSecurityDescriptorControl(descriptor.get(), &control, &revision));
    EXPECT_TRUE(control & SE_DACL_PROTECTED);
}

TEST(SecurityDescriptorTest, ASyntaxErrorRaises) {
    try {
        security::SecurityDescriptor descriptor("D:(A;OICI;FA;;;SY");
        FAIL() << "no exception";
    } catch (const SysError& error) {
        EXPECT_NE(
            std::string(error.what()).find("ConvertStringSecurityDescriptorToSecurityDescriptor failed"),
            std::string::npos)
            << error.what();
    }
}

TEST(SecurityDescriptorTest, TheOwnerDescriptorAppliesToAFolder) {
    const testsupport::TempFolder temp;
    const security::SecurityDescriptor descriptor = security::ownerFolderDescriptor();
    FileUtils::setSecurity(temp.path(), descriptor);
    FileUtils::createDirWithSecurity(temp.file(R"(a\b)"), descriptor);
    EXPECT_TRUE(FileUtils::isDirectory(temp.file(R"(a\b)")));
}

}  // namespace
