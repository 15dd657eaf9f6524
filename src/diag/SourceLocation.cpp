#include "diag/SourceLocation.h"

std::string fileNamePart(const std::string& path) {
    const std::string::size_type separator = path.find_last_of("\\/");
    return separator == std::string::npos ? path : path.substr(separator + 1);
}

std::string locationPrefix(const SourceLocation& location) {
    return fileNamePart(location.file) + "(" + std::to_string(location.line) + ") at " + location.function +
           "(): ";
}
