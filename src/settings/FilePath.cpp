#include "settings/FilePath.h"

#include <windows.h>

#include "diag/tstrings.h"
#include "settings/PathRules.h"

namespace settings_impl {

FilePath::FilePath(const std::string& path)
    : narrow_(pathrules::canonicalize(path)), wide_(tstrings::toUtf16(narrow_, CP_UTF8)) {}

}  // namespace settings_impl
