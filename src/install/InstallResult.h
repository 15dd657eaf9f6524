#pragma once

#include <cstdint>

// The result codes of InstallVRE: 0, or the number of the step that failed.
namespace InstallResult {

inline constexpr std::int32_t success = 0;
// The cache or working folder, the payload or the base image.
inline constexpr std::int32_t extractionFailed = 61000;
inline constexpr std::int32_t patchingFailed = 61001;
inline constexpr std::int32_t unzippingFailed = 61002;
inline constexpr std::int32_t unpackingFailed = 61003;
// The product has no home directory to install into.
inline constexpr std::int32_t noHomeDirectory = 61008;
// System integration, and the registration with the runtime's deployment library.
inline constexpr std::int32_t installVeskFailed = 61012;
inline constexpr std::int32_t registerDeployFailed = 61014;

}  // namespace InstallResult
