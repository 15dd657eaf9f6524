#include "diag/ProcessName.h"

#include <windows.h>

#include <exception>
#include <stdexcept>
#include <vector>

#include "diag/SourceLocation.h"
#include "diag/VdsError.h"

std::string getProcessModulePath() {
    std::vector<char> buffer(MAX_PATH);
    for (;;) {
        const DWORD length = GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) {
            VDS_THROW(std::runtime_error, "SysInfo::getProcessModulePath", "GetModuleFileName(NULL) failed");
        }
        if (length < buffer.size()) {
            return std::string(buffer.data(), length);
        }
        buffer.resize(buffer.size() * 2);
    }
}

const std::string& processName() {
    static const std::string name = [] {
        try {
            return fileNamePart(getProcessModulePath());
        } catch (const std::exception&) {
            return std::string("Unknown");
        }
    }();
    return name;
}
