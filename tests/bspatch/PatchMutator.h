#pragma once

#include <random>
#include <string>

// Damages a patch at random, the way bad media, bad transfers and hostile authors do: bit
// flips, overwritten bytes, header fields set to extreme values, cuts, insertions and
// repeated ranges. Deterministic for a given generator state.
std::string mutatePatch(const std::string& patch, std::mt19937_64& random);
