#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/Registry.h"

// Where Windows keeps what it knows of an installed product outside Windows Installer:
// its uninstall key, in the registry view of the product's architecture.
namespace ProductRegistry {

// A key of HKLM and the view it was found in.
struct FoundKey {
    Registry key;
    std::int32_t bits;  // 32 or 64
};

// "SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\" + the product code.
std::string uninstallKeyPath(const std::string& productCode);

// Opens `path` below HKLM for reading, from the 32-bit view or, on 64-bit Windows, the
// 64-bit view; when both have it, the 64-bit one with a WARNING. Nothing when neither has
// it.
std::optional<FoundKey> findRegKey(const std::string& path);

// The same, but a key that neither view has throws VdsError<std::runtime_error>
// "Registry key '<path>' not found in none of HKLM hives".
FoundKey getRegKey(const std::string& path);

// The bits of a product: those of the view that holds its uninstall key.
std::int32_t detectBits(const std::string& productCode);

}  // namespace ProductRegistry
