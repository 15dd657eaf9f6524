// What detection reads comes from the machine, where other installers, damaged packages
// and hostile users leave it: version strings, product codes and the manifest inside an
// installed runtime's lib\rt.vpk. Seeded loops of mutated inputs must only ever give a
// value or one of the parsers' own exceptions, never a crash, a hang or a value that
// does not read back as itself. The seed, the count and the time bound come from the
// environment (see MutationBudget); bench/hostile runs the loops long.
#include <windows.h>
#include <zlib.h>

#include <gtest/gtest.h>

#include <cctype>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <iterator>
#include <string>
#include <vector>

#include "detect/KnownProductCodeInstalledVeskTracker.h"
#include "detect/ManifestVersion.h"
#include "detect/SchemeVersion.h"
#include "detect/VeskEnvironment.h"
#include "detect/VeskVersion.h"
#include "support/MutationBudget.h"
#include "support/TempFolder.h"
#include "support/TestFiles.h"
#include "win/Guid.h"

namespace {

using testsupport::MutationBudget;

constexpr std::chrono::seconds timeBound{40};

template <std::size_t N>
const char* pick(MutationBudget& budget, const char* const (&pool)[N]) {
    return pool[budget.below(N)];
}

// A few edits of `text`: noise characters put in, characters taken out, a part repeated,
// a run of digits made huge or negative, the whole repeated many times.
std::string damage(std::string text, MutationBudget& budget, const char* const* noise,
                   std::size_t noiseCount) {
    for (std::size_t edits = 1 + budget.below(4); edits > 0; --edits) {
        const std::size_t at = budget.below(text.size() + 1);
        switch (budget.below(6)) {
            case 0:
                text.insert(at, noise[budget.below(noiseCount)]);
                break;
            case 1:
                if (at < text.size()) text.erase(at, 1 + budget.below(3));
                break;
            case 2:
                text.insert(at, text.substr(budget.below(at + 1), budget.below(8)));
                break;
            case 3: {
                const char* const numbers[] = {"2147483647", "2147483648",
                                               "4294967296", "99999999999999999999",
                                               "-1",         "0000000000000000000001",
                                               "00"};
                text.insert(at, pick(budget, numbers));
                break;
            }
            case 4:
                if (at < text.size()) text[at] = static_cast<char>(budget.below(256));
                break;
            default:
                if (budget.below(8) == 0) {
                    const std::string unit = text.substr(0, 1 + budget.below(4));
                    for (std::size_t copies = 1000 + budget.below(4000); copies > 0; --copies) text += unit;
                }
                break;
        }
    }
    return text;
}

const char* const versionNoise[] = {".", "-",  "_",    "+", "b",    "-b",       "-ea", "+9", "..", "__",
                                    " ", "\t", "\r\n", "a", "\xFF", "\xC3\xA9", "e",   "0",  "9",  "x"};

const char* const versionSeeds[] = {"1.8.0_321-b07",
                                    "1.8.0",
                                    "1.8.0_05",
                                    "1.8.0-ea",
                                    "1.8.0_60-ea-b13",
                                    "1.7.0_80-b15",
                                    "9",
                                    "10+46",
                                    "11.0.2+9",
                                    "11.0.2-ea+9",
                                    "11.0.2.1",
                                    "17",
                                    "2.2.3",
                                    "1.4.2_05",
                                    "21.0.1+12-LTS",
                                    "",
                                    "1",
                                    "1.",
                                    "_",
                                    "+"};

// A parsed version reads back as itself from its own text, and its family, its value
// without build and its scheme's own value behave.
void checkParsedVersion(const VeskVersion& version) {
    const VeskVersion again(version.toString());
    EXPECT_EQ(again, version) << "[" << version.text() << "] renders as [" << version.toString() << "]";
    EXPECT_LE(version.knownSlots(), VeskVersion::Slots().size());
    if (version.hasFamily()) {
        EXPECT_LE(version.family(), version.withoutBuild());
        EXPECT_LE(version.withoutBuild().knownSlots(), version.knownSlots());
        (void)version.family().toString();
    }
    try {
        (void)SpecializedVersion<VeskVersionDetails::BaseLegacy>(version).updateNumber();
    } catch (const std::runtime_error&) {
    }
    try {
        (void)SpecializedVersion<VeskVersionDetails::BaseNuform>(version).featureNumber();
    } catch (const std::runtime_error&) {
    }
}

// Runs `check` for one case: an exception other than the parsers' own (std::exception)
// fails it, as a failed expectation does. Whether the input was taken (no exception), so
// that a loop can show it reached both the values and the refusals.
template <class Check>
bool runCase(const MutationBudget& budget, const std::string& input, Check&& check) {
    SCOPED_TRACE(testing::Message() << "case " << budget.ran() << " of seed " << budget.seed() << ": ["
                                    << input.substr(0, 200) << "]");
    try {
        check();
        return true;
    } catch (const std::exception&) {
        // The parsers' own refusal.
    } catch (...) {
        ADD_FAILURE() << "an exception of no standard type";
    }
    return false;
}

// Both kinds of ending were reached.
void expectTakenAndRefused(const MutationBudget& budget, int taken) {
    std::printf("%d of %d inputs taken\n", taken, budget.ran());
    EXPECT_GT(taken, 0);
    EXPECT_LT(taken, budget.ran());
}

TEST(DetectMutation, VersionStrings) {
    MutationBudget budget("version", 20000, 20261210u, timeBound);
    int taken = 0;
    while (budget.next()) {
        const std::string text =
            budget.below(10) == 0
                ? std::string(pick(budget, versionSeeds)) + pick(budget, versionSeeds)
                : damage(pick(budget, versionSeeds), budget, versionNoise, std::size(versionNoise));
        taken += runCase(budget, text, [&] {
            const VeskVersion version(text);
            checkParsedVersion(version);
        });
    }
    expectTakenAndRefused(budget, taken);
}

const char* const codeNoise[] = {"{", "}", "-",    "X",    "x",  "0",  "F", "G",
                                 "u", " ", "\xFF", "\xE9", "\r", "%s", "\\"};

TEST(DetectMutation, ProductCodes) {
    const char* const seeds[] = {
        "{645C91E3-2B07-4E9A-B38D-71C4F6180321}", "{7D3E19B0-5C62-4A8F-9E07-4B64180321F0}",
        "{935C91E3-2B07-4E9A-B38D-71C4F614205X}", "{3E8C2D05-A41B-4C96-BD25-11006451C9A3E}",
        "7D3E19B0-5C62-4A8F-9E07-4B64180321F0",   "7D3E19B05C624A8F9E074B64180321F0",
        "{00000000-0000-0000-0000-000000000000}", ""};
    MutationBudget budget("productcode", 20000, 20261211u, timeBound);
    int taken = 0;
    const VeskEnvironment::InstalledVesks nothingInstalled;
    while (budget.next()) {
        std::string text = damage(pick(budget, seeds), budget, codeNoise, std::size(codeNoise));
        if (budget.below(4) == 0) {
            for (char& c : text) {
                if (budget.below(2) == 0) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            }
        }
        taken += runCase(budget, text, [&] {
            // A product code that names a template gives a version text of its digit groups.
            if (const auto match = KnownProductCodeInstalledVeskTracker::match(text)) {
                EXPECT_NE(match->row, nullptr);
                if (!match->versionText.empty()) {
                    try {
                        checkParsedVersion(VeskVersion(match->versionText));
                    } catch (const std::runtime_error&) {
                    }
                }
            }
            // No product is installed: any text ends in the lookup's own refusal.
            bool refused = false;
            try {
                (void)VeskEnvironment::selectByProductCode(nothingInstalled, text);
            } catch (const std::exception&) {
                refused = true;
            }
            EXPECT_TRUE(refused);
            std::wstring wide;
            for (const char c : text) wide += static_cast<wchar_t>(static_cast<unsigned char>(c));
            const Guid code(wide);
            const std::string rendered = code.toString();
            EXPECT_EQ(Guid(std::wstring(rendered.begin(), rendered.end())), code) << rendered;
        });
    }
    expectTakenAndRefused(budget, taken);
}

// An archive of stored entries, as small as the format allows: enough for the reader to
// find the manifest inside lib\rt.vpk.
std::string storedZip(const std::vector<std::pair<std::string, std::string>>& entries) {
    std::string archive;
    std::string directory;
    const auto put16 = [](std::string& to, unsigned value) {
        to += static_cast<char>(value & 0xFF);
        to += static_cast<char>((value >> 8) & 0xFF);
    };
    const auto put32 = [&](std::string& to, std::uint32_t value) {
        put16(to, value & 0xFFFF);
        put16(to, value >> 16);
    };
    for (const auto& [name, data] : entries) {
        const auto crc = static_cast<std::uint32_t>(
            crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())));
        const auto offset = static_cast<std::uint32_t>(archive.size());
        const auto size = static_cast<std::uint32_t>(data.size());
        put32(archive, 0x04034b50);
        put16(archive, 20), put16(archive, 0), put16(archive, 0), put16(archive, 0), put16(archive, 0);
        put32(archive, crc), put32(archive, size), put32(archive, size);
        put16(archive, static_cast<unsigned>(name.size())), put16(archive, 0);
        archive += name + data;
        put32(directory, 0x02014b50);
        put16(directory, 20), put16(directory, 20), put16(directory, 0), put16(directory, 0);
        put16(directory, 0), put16(directory, 0);
        put32(directory, crc), put32(directory, size), put32(directory, size);
        put16(directory, static_cast<unsigned>(name.size()));
        put16(directory, 0), put16(directory, 0), put16(directory, 0), put16(directory, 0);
        put32(directory, 0), put32(directory, offset);
        directory += name;
    }
    const auto directoryOffset = static_cast<std::uint32_t>(archive.size());
    archive += directory;
    put32(archive, 0x06054b50);
    put16(archive, 0), put16(archive, 0);
    put16(archive, static_cast<unsigned>(entries.size())),
        put16(archive, static_cast<unsigned>(entries.size()));
    put32(archive, static_cast<std::uint32_t>(directory.size())), put32(archive, directoryOffset);
    put16(archive, 0);
    return archive;
}

const char* const manifestLines[] = {
    "Manifest-Version: 1.0",
    "Implementation-Version: 1.8.0_322",
    "Implementation-Version: 17.0.2",
    "Implementation-Version:",
    "Implementation-Version: ",
    "implementation-version: 1.8.0_321-b09",
    "Implementation-Title: Vesk",
    "  Runtime Environment",
    "Created-By: testbed",
    "Name: vesk/lang/",
    "",
    "Implementation-Version=1.8.0",
    "Implementation-Version: 11+9",
    ": 1.0",
    "Implementation-Version: 1.8.0_322 trailing",
};
const char* const manifestNoise[] = {"\r",           "\n",   "\r\n", ":", " ", "\0",
                                     "\xEF\xBB\xBF", "\xFF", "=",    "#", "\t"};

std::string mutatedManifest(MutationBudget& budget) {
    std::string manifest;
    for (std::size_t lines = budget.below(8); lines > 0; --lines) {
        manifest += pick(budget, manifestLines);
        manifest += budget.below(3) == 0 ? "\n" : "\r\n";
    }
    return budget.below(3) == 0 ? damage(manifest, budget, manifestNoise, std::size(manifestNoise))
                                : manifest;
}

TEST(DetectMutation, ManifestsInsideTheRuntimeArchive) {
    const testsupport::TempFolder home;
    ASSERT_TRUE(CreateDirectoryA(home.file("lib").c_str(), nullptr));
    const std::string archive = ManifestVersion::runtimeArchivePath(home.path());
    MutationBudget budget("manifest", 1000, 20261212u, timeBound);
    int taken = 0;
    while (budget.next()) {
        const std::string manifest = mutatedManifest(budget);
        std::vector<std::pair<std::string, std::string>> entries = {{"META-INF/MANIFEST.MF", manifest}};
        if (budget.below(4) == 0)
            entries.insert(entries.begin(), {"vesk/lang/Object.class", "\xca\xfe\xba\xbe"});
        if (budget.below(8) == 0) entries.front().first = "META-INF/manifest.mf";
        testsupport::writeFileText(archive, storedZip(entries));
        taken += runCase(budget, manifest, [&] {
            const std::string read = ManifestVersion::readRuntimeManifest(home.path());
            const VeskVersion version = ManifestVersion::versionFromManifest(read);
            checkParsedVersion(version);
        });
        // Reading never writes: the home holds the archive alone.
        EXPECT_EQ(home.listing(), "lib");
    }
    expectTakenAndRefused(budget, taken);
}

}  // namespace
