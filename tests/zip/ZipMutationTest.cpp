// A seeded run over damaged copies of a valid archive: truncations and changed bytes.
// Whatever the damage, the reader must fail cleanly or succeed, and never create
// anything outside the destination folder. The seed, the count and the time bound come
// from the environment (see MutationBudget); bench/hostile runs the loop long.

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "ZipTestFiles.h"
#include "support/LogRecords.h"
#include "support/MutationBudget.h"
#include "support/TempFolder.h"
#include "zip/ZipFile.h"

namespace {

using ziptest::listTree;

constexpr int caseCount = 3000;
constexpr std::chrono::seconds timeLimit{90};

std::string mutate(const std::string& original, std::mt19937& random) {
    std::string data = original;
    const auto pick = [&](std::size_t below) {
        return std::uniform_int_distribution<std::size_t>(0, below - 1)(random);
    };
    switch (pick(4)) {
        case 0:  // cut the file short
            data.resize(pick(data.size()));
            break;
        case 1:  // change a few bytes anywhere
            for (std::size_t n = 1 + pick(4); n > 0; --n) {
                data[pick(data.size())] = static_cast<char>(pick(256));
            }
            break;
        default: {  // change a few bytes of the central directory and end record, where the sizes are
            const std::size_t tail = std::min<std::size_t>(data.size(), 400);
            for (std::size_t n = 1 + pick(3); n > 0; --n) {
                const std::size_t at = data.size() - 1 - pick(tail);
                data[at] = pick(3) == 0 ? static_cast<char>(0xFF) : static_cast<char>(pick(256));
            }
            break;
        }
    }
    return data;
}

TEST(ZipMutationTest, DamagedArchivesFailCleanlyAndStayInsideTheDestination) {
    const std::string original = testsupport::readFileText(ziptest::fixture("mutation_base.zip"));
    ASSERT_FALSE(original.empty());
    const testsupport::TempFolder folder;
    const std::string archivePath = folder.file("case.zip");
    const std::string home = folder.file("home");

    testsupport::MutationBudget budget("zip", caseCount, 20240517u, timeLimit);
    std::mt19937 random(budget.seed());
    int opened = 0;
    int extracted = 0;
    while (budget.next()) {
        const std::string data = mutate(original, random);
        std::ofstream(archivePath, std::ios::binary | std::ios::trunc)
            .write(data.data(), std::streamsize(data.size()));
        try {
            const ZipFile zip(archivePath);
            ++opened;
            try {
                (void)zip.extractEntryAsUtf8String("m/deflated.txt");
            } catch (const std::exception&) {
            }
            zip.extractAll(home, {});
            ++extracted;
        } catch (const std::exception&) {
        }
        for (const std::string& path : listTree(folder.path())) {
            ASSERT_TRUE(path == "case.zip" || path.rfind("home\\", 0) == 0)
                << "case " << budget.ran() << " of seed " << budget.seed() << " created " << path;
        }
    }
    std::printf("%d damaged archives: %d opened, %d extracted without error\n", budget.ran(), opened, extracted);
    EXPECT_GT(opened, 0);
    EXPECT_LT(extracted, budget.ran());
}

}  // namespace
