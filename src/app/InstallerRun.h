#pragma once

#include "app/InstallerSteps.h"

#include <string>

namespace installer {

// Process exit codes that the entry adds to the install sequence's own result codes.
constexpr int kConfigLoadFailed = 61015;
constexpr int kConfigExportFailed = 61016;
constexpr int kGenericFailure = 610017;

// Runs the entry's steps after the library search path has been hardened and returns the
// process exit code. Never throws.
int run(InstallerSteps& steps, const std::wstring& commandLine);

}  // namespace installer
