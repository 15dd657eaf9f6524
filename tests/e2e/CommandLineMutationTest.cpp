// installer.exe is started by deployment tools and by hand, with whatever command line
// they build: line breaks, stray quotes, very long and non-ASCII arguments, thousands of
// them. A seeded loop of mutated command lines runs installer.exe itself as a child
// (no product is installed, so nothing can be installed by chance): each run must end,
// and with one of the exit codes the program documents; a crash shows as an exception
// code such as 0xC0000005. The seed, the count and the time bound come from the
// environment (see MutationBudget); bench/hostile runs the loop long.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "InstallRun.h"
#include "support/CapturedChild.h"
#include "support/ChildProcess.h"
#include "support/MutationBudget.h"
#include "support/TempFolder.h"
#include "support/TestFiles.h"

using namespace e2e;

namespace {

// Success (or the configuration-error test hook), the install steps' codes, the loading
// and writing of the configuration, and the generic failure.
const std::set<DWORD> documentedCodes = {0,     61000, 61001, 61002, 61003, 61008,
                                         61012, 61014, 61015, 61016, 610017};

// The longest that one run may take before it counts as hung.
constexpr DWORD hangMilliseconds = 60000;
// Windows takes at most 32767 characters on a command line.
constexpr std::size_t longestCommandLine = 32000;

const char* const names[] = {"INSTALL_SILENT",
                             "EULA",
                             "AUTO_UPDATE",
                             "REPAIRMODE",
                             "INSTALLDIR",
                             "INSTALLCFG",
                             "ProductCode",
                             "REBOOT",
                             "STATIC",
                             "WEB_VESK",
                             "WEB_VESK_SECURITY_LEVEL",
                             "USAGETRACKER_CFG",
                             "DEPLOYMENT_RULE_SET",
                             "MSI_CMDLINE",
                             "/s",
                             "/S",
                             "-download",
                             "/h",
                             "/lang",
                             "TEST_CONFIG_FILE_ERRORS",
                             "NOSUCHKEY",
                             ""};
const char* const values[] = {"Enable",
                              "Disable",
                              "1",
                              "0",
                              "VH",
                              "{645C91E3-2B07-4E9A-B38D-71C4F6180321}",
                              "x",
                              "",
                              " ",
                              "C:\\X",
                              "\\\\srv\\share\\x",
                              "C:\\CON\\x",
                              "C:\\a\\..\\..\\b",
                              "\"",
                              "a=b",
                              "%TEMP%",
                              "\xC4\xD6\xDC",
                              "\xE9t\xE9",
                              "\x80\x81\xFE\xFF"};
const char* const noise[] = {"\r", "\n", "\r\n", "\"",   "\\\"", "\\", "=",
                             " ",  "\t", "\xA0", "\xFF", "^",    "%",  "\"\""};

template <std::size_t N>
const char* pick(testsupport::MutationBudget& budget, const char* const (&pool)[N]) {
    return pool[budget.below(N)];
}

std::string argument(testsupport::MutationBudget& budget, const std::string& cfg) {
    std::string text = budget.below(10) == 0 ? "INSTALLCFG=" + cfg : pick(budget, names);
    if (budget.below(4) != 0) {
        text += std::string(budget.below(5) == 0 ? ":" : "=") + pick(budget, values);
    }
    for (std::size_t edits = budget.below(3); edits > 0; --edits) {
        text.insert(budget.below(text.size() + 1), pick(budget, noise));
    }
    if (budget.below(12) == 0) {
        text += std::string(1000 + budget.below(20000), budget.below(2) ? 'A' : '\xE9');
    }
    return text;
}

// A command line after the program's name: a few arguments, or thousands, quoted or raw.
std::string mutatedArguments(testsupport::MutationBudget& budget, const std::string& cfg) {
    std::string line;
    const std::size_t count = budget.below(8) == 0 ? 1000 + budget.below(4000) : budget.below(8);
    for (std::size_t i = 0; i < count && line.size() < longestCommandLine; ++i) {
        const std::string text = argument(budget, cfg);
        line += " " + (budget.below(3) == 0 ? testsupport::quoteArgument(text) : text);
    }
    return line.substr(0, longestCommandLine);
}

std::string mutatedFile(testsupport::MutationBudget& budget, const std::string& cfg) {
    std::string text;
    for (std::size_t lines = budget.below(6); lines > 0; --lines) {
        text += argument(budget, cfg) + (budget.below(2) ? "\r\n" : "\n");
    }
    return text;
}

TEST(InstallerCommandLine, MutatedCommandLinesEndInDocumentedCodes) {
    const testsupport::TempFolder folder;
    const std::string cfg = folder.file("install.cfg");
    testsupport::MutationBudget budget("commandline", 30, 20261213u, std::chrono::seconds(150));
    std::map<DWORD, int> endings;
    while (budget.next()) {
        testsupport::writeFileText(cfg, mutatedFile(budget, cfg));
        const std::string commandLine =
            testsupport::quoteArgument(inputs.installer) + mutatedArguments(budget, cfg);
        SCOPED_TRACE(testing::Message() << "case " << budget.ran() << " of seed " << budget.seed() << ": "
                                        << commandLine.substr(0, 300));
        testsupport::CapturedChild installer(commandLine);
        const std::optional<DWORD> code = installer.waitFor(hangMilliseconds);
        ++endings[code.value_or(WAIT_TIMEOUT)];
        if (!code) {
            ADD_FAILURE() << "installer.exe did not end within " << hangMilliseconds << " ms";
        } else if (documentedCodes.count(*code) == 0) {
            ADD_FAILURE() << "exit code " << *code << " (0x" << std::hex << *code << std::dec
                          << ") is none of the documented ones";
        }
    }
    for (const auto& [code, count] : endings) {
        std::printf("exit code %lu: %d runs\n", static_cast<unsigned long>(code), count);
    }
}

}  // namespace
