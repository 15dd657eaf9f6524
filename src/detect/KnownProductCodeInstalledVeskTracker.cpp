#include "detect/KnownProductCodeInstalledVeskTracker.h"

#include <cstring>
#include <exception>
#include <iterator>

#include "detect/MsiUtils.h"
#include "detect/SchemeVersion.h"
#include "diag/Logger.h"
#include "diag/tstrings.h"

namespace {

using Template = KnownProductCodeInstalledVeskTracker::Template;

constexpr std::int32_t VRE = TrackedProduct::VRE;
constexpr std::int32_t VDK = TrackedProduct::VDK;
constexpr std::int32_t FX = TrackedProduct::VESK_FX;
constexpr std::int32_t none = -1;

// The product codes of the older releases. M, N, O and U are the digits of the minor,
// micro, update... groups of the version; X is any upper-case hexadecimal digit.
const Template productCodeTemplates[] = {
    {"{935C91E3-2B07-4E9A-B38D-71C4F6142UUX}", VRE, 32, 1, 4, 2, none},
    {"{58E6B27D-5A1C-4F03-8D9E-2B7A0C142UUX}", VDK, 32, 1, 4, 2, none},
    {"{32E6B27D-5A1C-4F03-8D9E-2B7A0C15OUUX}", VDK, 32, 1, 5, none, none},
    {"{64E6B27D-5A1C-4F03-8D9E-2B7A0C15OUUX}", VDK, 64, 1, 5, none, none},
    {"{32E6B27D-5A1C-4F03-8D9E-2B7A0CMNOXXX}", VDK, 32, none, none, none, none},
    {"{64E6B27D-5A1C-4F03-8D9E-2B7A0CMNOXXX}", VDK, 64, none, none, none, none},
    {"{325C91E3-2B07-4E9A-B38D-71C4F6MNOUUX}", VRE, 32, none, none, none, none},
    {"{645C91E3-2B07-4E9A-B38D-71C4F6MNOUUX}", VRE, 64, none, none, none, none},
    {"{7D3E19B0-5C62-4A8F-9E07-4BX32MNOUUXX}", VRE, 32, none, none, none, none},
    {"{7D3E19B0-5C62-4A8F-9E07-4BX64MNOUUXX}", VRE, 64, none, none, none, none},
    {"{7D3E19B0-5C62-4A8F-9E07-4B32MNOUUUXX}", VRE, 32, none, none, none, none},
    {"{7D3E19B0-5C62-4A8F-9E07-4B64MNOUUUXX}", VRE, 64, none, none, none, none},
    {"{3E8C2D05-A41B-4C96-BD25-MNO3251C9A3E}", FX, 32, none, none, none, none},
    {"{3E8C2D05-A41B-4C96-BD25-MNO6451C9A3E}", FX, 64, none, none, none, none},
    {"{3E8C2D05-A41B-4C96-BD25-MNOO032C9A3E}", FX, 32, none, none, none, none},
    {"{3E8C2D05-A41B-4C96-BD25-MNOO064C9A3E}", FX, 64, none, none, none, none},
};

// Enumeration failures in a row after which the installer's list counts as unreadable.
constexpr unsigned maxConsecutiveFailures = 100;

std::string prefilled(std::int32_t value) { return value == none ? "" : tstrings::toDecimal(value); }

struct DigitGroups {
    std::string m, n, o, u;

    std::string* group(char letter) {
        switch (letter) {
            case 'M':
                return &m;
            case 'N':
                return &n;
            case 'O':
                return &o;
            case 'U':
                return &u;
            default:
                return nullptr;
        }
    }

    std::string versionText() const {
        if (m.empty() || n.empty()) {
            return "";
        }
        std::string text = m + "." + n + "." + (o.empty() ? "0" : o);
        if (u.find_first_not_of('0') != std::string::npos) {
            text += "_" + u;
        }
        return text;
    }
};

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// The digit groups of `code` under `row`, or false when the code does not match it.
bool matchRow(const Template& row, const std::string& code, DigitGroups& groups) {
    if (code.size() != std::strlen(row.code)) {
        return false;
    }
    groups = {prefilled(row.m), prefilled(row.n), prefilled(row.o), prefilled(row.u)};
    for (std::size_t i = 0; i < code.size(); ++i) {
        const char wanted = row.code[i];
        const char given = code[i];
        if (wanted == given) {
            continue;
        }
        if (std::string* group = groups.group(wanted)) {
            if (!isDigit(given)) {
                return false;
            }
            *group += given;
        } else if (wanted != 'X' || std::strchr("ABCDEF1234567890", given) == nullptr || given == '\0') {
            return false;
        }
    }
    return true;
}

}  // namespace

std::optional<KnownProductCodeInstalledVeskTracker::Match> KnownProductCodeInstalledVeskTracker::match(
    const std::string& productCode) {
    for (const Template& row : productCodeTemplates) {
        DigitGroups groups;
        if (matchRow(row, productCode, groups)) {
            return Match{&row, groups.versionText()};
        }
    }
    return std::nullopt;
}

std::optional<TrackedProduct> KnownProductCodeInstalledVeskTracker::candidate(const std::string& productCode,
                                                                              const Match& match) {
    try {
        TrackedProduct product;
        product.productCode = productCode;
        product.type = match.row->type;
        product.bits = match.row->bits;
        const VeskVersion version(match.versionText);
        if (product.type == VRE || product.type == VDK) {
            // Only the update is in the code; the build stays unknown.
            product.version = SpecializedVersion<VeskVersionDetails::BaseLegacy>(version).withoutBuild();
        } else {
            product.version = version;
        }
        return product;
    } catch (const std::exception& error) {
        LOG_ERROR("KnownProductCodeInstalledVeskTracker::next",
                  "Product with ProductCode=[" << productCode << "] matches template [" << match.row->code
                                               << "] but gives no usable version, skipped: " << error.what());
        return std::nullopt;
    }
}

const TrackedProduct* KnownProductCodeInstalledVeskTracker::next() {
    unsigned failures = 0;
    while (!exhausted_) {
        const DWORD index = index_++;
        std::string productCode;
        const UINT status = msi::enumProducts(index, productCode);
        if (status == ERROR_NO_MORE_ITEMS) {
            exhausted_ = true;
            break;
        }
        if (status != ERROR_SUCCESS) {
            LOG_ERROR("KnownProductCodeInstalledVeskTracker::next",
                      "MsiEnumProducts(" << index << ") failed with error=[" << status << "] \nIgnored.");
            if (++failures == maxConsecutiveFailures) {
                LOG_ERROR("KnownProductCodeInstalledVeskTracker::next",
                          "MsiEnumProducts failed " << failures << " times in a row up to index " << index
                                                    << "; the remaining products are not tracked.");
                exhausted_ = true;
            }
            continue;
        }
        failures = 0;
        const std::optional<Match> matched = match(productCode);
        if (!matched) {
            continue;
        }
        std::optional<TrackedProduct> product = candidate(productCode, *matched);
        if (product) {
            current_ = std::move(*product);
            return &current_;
        }
    }
    return nullptr;
}
