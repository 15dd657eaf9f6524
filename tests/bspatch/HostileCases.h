#pragma once

#include "PatchBuilder.h"

#include <string>
#include <vector>

// Hand-made patches that lie in every way the format allows, each applied to kHostileOld.
// Every one must be refused; `expected` is a fragment of the message that says why.
struct HostileCase {
    std::string name;
    std::string patch;
    std::string expected;
};

// Hand-made valid patches whose old positions reach before and past the old file: the
// parts outside it add nothing, the parts inside add the old bytes.
struct EdgeCase {
    std::string name;
    std::string patch;
    std::string expectedNew;
};

inline const std::string kHostileOld = "0123456789abcdef";

// A valid patch whose difference and extra blocks are bzip2 streams of several small
// blocks each, so that their blocks are decompressed in parallel; applied to kHostileOld.
struct MultiBlockPatch {
    PatchLayout layout;
    std::string expectedNew;
};
MultiBlockPatch multiBlockPatch();

std::vector<HostileCase> hostileCases();
std::vector<EdgeCase> edgeCases();
