#include "support/PendingRenames.h"

#include "diag/tstrings.h"
#include "platform/PendingRenames.h"

namespace testsupport {

std::vector<PendingRename> pendingRenames() {
    std::vector<PendingRename> renames;
    for (const PendingRenames::Operation& operation : PendingRenames::read()) {
        renames.push_back(
            PendingRename{tstrings::toAnsi(operation.source), tstrings::toAnsi(operation.target)});
    }
    return renames;
}

std::string pendingPath(const std::string& path) { return "\\??\\" + path; }

}  // namespace testsupport
