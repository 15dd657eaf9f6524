#pragma once

#include <windows.h>

#include <cstddef>

// The payload resources an installer may carry.
namespace PayloadIds {
constexpr WORD patch = 5;
constexpr WORD baseImage = 6;
constexpr WORD patchTool = 7;
}  // namespace PayloadIds

// The bytes of one RT_RCDATA payload resource of a module, valid while the module stays
// loaded; data is null when the module does not carry the resource or it cannot be loaded.
struct PayloadResource {
    PayloadResource(HMODULE module, WORD id);

    const BYTE* data = nullptr;
    DWORD size = 0;
};
