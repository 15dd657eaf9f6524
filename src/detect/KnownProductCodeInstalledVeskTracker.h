#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>

#include "detect/InstalledVeskTracker.h"

// Finds the products of older releases, whose product codes follow fixed templates, among
// all products that Windows Installer lists (MsiEnumProductsA).
class KnownProductCodeInstalledVeskTracker : public InstalledVeskTracker {
public:
    static constexpr const char* name = "KnownProductCodeInstalledVeskTracker";

    // One row of the template table.
    struct Template {
        const char* code;  // "{935C91E3-...-71C4F6142UUX}"
        std::int32_t type;
        std::int32_t bits;
        // Prefilled values of the digit groups M, N, O, U; -1 for none.
        std::int32_t m, n, o, u;
    };

    // What a product code tells: its template row and the version text its digit groups
    // spell ("1.4.2_05"; empty when they spell none).
    struct Match {
        const Template* row;
        std::string versionText;
    };

    // The first row of the table that `productCode` matches, or nothing.
    static std::optional<Match> match(const std::string& productCode);

    const TrackedProduct* next() override;

private:
    // The candidate that a matched product code gives; nothing (and a log line) when its
    // version text is no version of the row's scheme.
    static std::optional<TrackedProduct> candidate(const std::string& productCode, const Match& match);

    DWORD index_ = 0;
    bool exhausted_ = false;
    TrackedProduct current_;
};
