#pragma once

#include <exception>

#include "diag/SourceLocation.h"

// Boundary functions that must not let an exception through log what they caught with
// these and carry on with their own failure result.

// One ERROR record "Exception with message '<what()>' caught".
void logException(const SourceLocation& location, const std::exception& error);

// One ERROR record "Unknown exception caught".
void logUnknownException(const SourceLocation& location);

// The two catch clauses that log any exception at `qualifiedFunction`:
//   try { ... } VDS_CATCH_AND_LOG("InstallVesk")
#define VDS_CATCH_AND_LOG(qualifiedFunction)                      \
    catch (const std::exception& vdsError_) {                     \
        logException(VDS_LOCATION(qualifiedFunction), vdsError_); \
    }                                                             \
    catch (...) {                                                 \
        logUnknownException(VDS_LOCATION(qualifiedFunction));     \
    }
