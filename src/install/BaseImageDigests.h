#pragma once

#include <string>
#include <vector>

// The SHA-256 digests (lower-case hexadecimal) of the base images that the install
// sequence accepts in its patch cache.
namespace BaseImageDigests {

// The two base images of the product.
inline constexpr const char* kProduct[] = {
    "fe7870985a9af11cff29ed00c1a8042d5e1f3194b465146ddcaa9612a51a3195",
    "0a01e1f33b0dd6af5d71fd26261b97eda1f9da77553704afd0a9d176de733c11",
};

// The base images this build accepts besides them: a build input (the CMake cache
// variable VESK_BASE_IMAGE_SHA256, plus the base image of the payload the build
// generates when it is given none).
const std::vector<std::string>& extra();

// The product's digests followed by this build's extra ones.
std::vector<std::string> accepted();

}  // namespace BaseImageDigests
