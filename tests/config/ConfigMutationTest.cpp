// Command lines and install configuration files are input from users and packagers: a
// seeded loop of mutated ones must never crash or hang and always end in success or a
// listed result code. The seed, the count and the time bound come from the environment
// (see MutationBudget); bench/hostile runs the loop long.
#include "ConfigFixture.h"

#include <chrono>
#include <cstdlib>
#include <random>
#include <set>

#include "support/MutationBudget.h"
#include "support/TempFolder.h"
#include "support/TestFiles.h"

namespace configtest {
namespace {

using ConfigMutationTest = ConfigTest;

const std::set<int> kListedResults = {0, 200, 300, 304, 305, 306, 307, 310, 311, 312, 313, 314, 315, 3090};

const char* const kNames[] = {
    "INSTALL_SILENT",
    "eula",
    "AUTO_UPDATE",
    "REPAIRMODE",
    "INSTALLDIR",
    "INSTALLCFG",
    "ProductCode",
    "REBOOT",
    "ADDLOCAL",
    "USAGETRACKER_CFG",
    "DEPLOYMENT_RULE_SET",
    "MSI_CMDLINE",
    "CMDLINE",
    "WEB_VESK_SECURITY_LEVEL",
    "/lang",
    "TEST_CONFIG_FILE_ERRORS",
    "TEST_WELCOME_DIALOGMOS",
    "/s",
    "/S",
    "/qn",
    "/l",
    "-download",
    "/h",
    "FOO",
    "",
    "#x",
};
const char* const kValues[] = {
    "Enable",         "Disable",   "1",     "0",     "enable",       "VH",         "5",
    "0x10",           "010",       "C:\\X", "c.cfg", "\\\\srv\\x",   "C:\\CON\\x", "C:\\a\\..\\..\\..\\b",
    "ReallySuppress", "x\" y=\"1", "",      " ",     "C:\\\xD0\x9F", "a=b:c",
};

class Mutator {
public:
    explicit Mutator(unsigned seed) : random_(seed) {}

    std::size_t below(std::size_t bound) {
        return std::uniform_int_distribution<std::size_t>(0, bound - 1)(random_);
    }

    template <std::size_t N>
    const char* pick(const char* const (&pool)[N]) {
        return pool[below(N)];
    }

    // One settings entry as a user might type it, sometimes damaged.
    std::string entry() {
        std::string text = pick(kNames);
        switch (below(4)) {
            case 0:
                break;
            case 1:
                text += std::string(":") + pick(kValues);
                break;
            default:
                text += std::string("=") + pick(kValues);
                break;
        }
        return below(4) == 0 ? damage(text) : text;
    }

    std::string damage(std::string text) {
        const char noise[] = {'\r', '\n', '"', '\\', '=', ':', '#', ' ', '\t', '\x80', '\xFF', '\xC3', '\0'};
        for (std::size_t count = 1 + below(3); count > 0; --count) {
            const std::size_t position = text.empty() ? 0 : below(text.size() + 1);
            switch (below(3)) {
                case 0:
                    text.insert(position, 1, noise[below(sizeof noise)]);
                    break;
                case 1:
                    if (position < text.size()) text.erase(position, 1);
                    break;
                default:
                    text.insert(position, text.substr(0, position));
                    break;
            }
        }
        return text;
    }

    // A command line of entries, each quoted or not, with stray quotes and backslashes.
    std::wstring commandLine(const std::string& cfg) {
        std::wstring line = L"installer.exe";
        for (std::size_t count = below(6); count > 0; --count) {
            std::string argument = below(8) == 0 ? "INSTALLCFG=" + cfg : entry();
            std::wstring text = tstrings(argument);
            if (below(3) == 0) text = L"\"" + text + L"\"";
            line += L" " + text;
        }
        return line;
    }

    std::string file() {
        std::string text = below(10) == 0 ? "\xEF\xBB\xBF" : "";
        for (std::size_t count = below(8); count > 0; --count) {
            text += entry() + (below(2) ? "\r\n" : "\n");
        }
        return below(5) == 0 ? damage(text) : text;
    }

private:
    // Bytes to UTF-16 as the shell would pass them: valid UTF-8 as such, else byte by byte.
    static std::wstring tstrings(const std::string& bytes) {
        const int size = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(),
                                             static_cast<int>(bytes.size()), nullptr, 0);
        if (size > 0) {
            std::wstring wide(static_cast<std::size_t>(size), L'\0');
            MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), wide.data(), size);
            return wide;
        }
        std::wstring wide;
        for (char c : bytes) wide += static_cast<wchar_t>(c == '\0' ? L' ' : static_cast<unsigned char>(c));
        return wide;
    }

    std::mt19937 random_;
};

TEST_F(ConfigMutationTest, MutatedInputsEndInListedResults) {
    testsupport::MutationBudget budget("config", 4000, 20261210u, std::chrono::seconds(20));
    Mutator mutator(budget.seed());
    testsupport::TempFolder folder;
    const std::string cfg = folder.file("m.cfg");

    while (budget.next()) {
        testsupport::writeFileText(cfg, mutator.file());
        if (mutator.below(4) == 0) {
            writeRuntimeSettings(mutator.file());
        } else {
            SetUp();
        }
        const std::wstring commandLine = mutator.commandLine(cfg);
        SCOPED_TRACE(testing::Message() << "iteration " << budget.ran() << " of seed " << budget.seed());
        try {
            const auto config = makeConfig();
            const int loaded = config->LoadConfigSettings(commandLine);
            ASSERT_TRUE(kListedResults.count(loaded)) << "load result " << loaded;
            if (loaded != 0) continue;
            config->IsSilent();
            config->IsEnabled(BoolKey::STATIC);
            config->IsEnabled(BoolKey::EULA);
            if (config->IsKeySet("TEST_CONFIG_FILE_ERRORS")) config->GetInt(IntKey::TEST_CONFIG_FILE_ERRORS);
            const int exported = config->ExportConfigChanges();
            ASSERT_TRUE(kListedResults.count(exported)) << "export result " << exported;
            const int restored = config->RestoreConfigSettings();
            ASSERT_TRUE(kListedResults.count(restored)) << "restore result " << restored;
        } catch (const std::exception& error) {
            FAIL() << "exception: " << error.what();
        }
    }
}

}  // namespace
}  // namespace configtest
