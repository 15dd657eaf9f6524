// The box of a configuration error as a person meets it: installer.exe, run without "/s"
// on a malformed install configuration file, shows a real top-level window with caption
// 3073 and the message in the user-interface language, and waits until it is closed.
// The test reads the window through the window API and closes it with its OK button.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>

#include "support/ChildProcess.h"
#include "support/TempFolder.h"
#include "support/TestFiles.h"

namespace {

std::string installer;

constexpr int messageTextId = 0xFFFF;  // the static control of a message box that holds its text

// Caption 3073 in the languages whose run this test is given.
const std::map<WORD, std::string> captions = {
    {LANG_ENGLISH, "Vesk Installation Not Completed"},
    {LANG_GERMAN, "Vesk-Installation nicht abgeschlossen"},
};

// A string of installer.exe's own tables, in the language the resource loader picks.
std::string installerString(UINT id) {
    const HMODULE module = LoadLibraryExA(installer.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (module == nullptr) {
        throw std::runtime_error("cannot load " + installer + " as data");
    }
    char text[1024] = {};
    LoadStringA(module, id, text, sizeof text);
    FreeLibrary(module);
    return text;
}

std::string replaceFirst(std::string text, const std::string& placeholder, const std::string& value) {
    const std::size_t at = text.find(placeholder);
    return at == std::string::npos ? text : text.replace(at, placeholder.size(), value);
}

struct Search {
    DWORD processId;
    HWND box = nullptr;
};

BOOL CALLBACK findBox(HWND window, LPARAM parameter) {
    Search& search = *reinterpret_cast<Search*>(parameter);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    char className[64] = {};
    GetClassNameA(window, className, sizeof className);
    // A box becomes visible once it has its caption and text.
    if (owner == search.processId && std::string(className) == "#32770" && IsWindowVisible(window)) {
        search.box = window;
        return FALSE;
    }
    return TRUE;
}

// The message box of the process, once it appears (within a minute).
std::optional<HWND> waitForBox(testsupport::ChildProcess& process) {
    for (int attempt = 0; attempt < 600; ++attempt) {
        Search search{process.id()};
        EnumWindows(&findBox, reinterpret_cast<LPARAM>(&search));
        if (search.box != nullptr) {
            return search.box;
        }
        if (process.waitFor(100)) {
            return std::nullopt;  // it ended without a box
        }
    }
    return std::nullopt;
}

std::string windowText(HWND window) {
    char text[2048] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

TEST(ErrorBox, IsARealWindowWithCaption3073AndTheMessage) {
    const WORD language = PRIMARYLANGID(GetUserDefaultUILanguage());
    ASSERT_EQ(captions.count(language), 1u) << "no caption known for language " << language;
    testsupport::TempFolder folder;
    const std::string cfg = folder.file("install.cfg");
    testsupport::writeFileText(cfg, "EULA=Enable\r\nAUTO_UPDATE=Disable\r\nEULA\r\n");

    testsupport::ChildProcess run(testsupport::buildCommandLine(installer, {"INSTALLCFG=" + cfg}));
    const std::optional<HWND> box = waitForBox(run);
    ASSERT_TRUE(box.has_value()) << "installer.exe showed no message box";

    EXPECT_EQ(windowText(*box), captions.at(language));
    EXPECT_EQ(windowText(*box), installerString(3073));
    const std::string expected = replaceFirst(replaceFirst(installerString(3079), "%s", cfg), "%s", "3");
    EXPECT_EQ(windowText(GetDlgItem(*box, messageTextId)), expected);
    EXPECT_NE(expected.find(cfg), std::string::npos) << expected;

    // A message box has one button, OK; the run goes on only when the box is closed.
    EXPECT_FALSE(run.waitFor(500).has_value()) << "the run did not wait for the box";
    PostMessageA(*box, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(run.waitFor(60000), std::optional<DWORD>(61015u));
}

}  // namespace

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s installer.exe\n", argv[0]);
        return 2;
    }
    installer = argv[1];
    return RUN_ALL_TESTS();
}
