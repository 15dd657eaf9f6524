#pragma once

#include <string>

// Where in our sources something happened: the file as compiled in, the qualified
// function name given by hand (the compiler's __func__ lacks the class), and the line.
struct SourceLocation {
    std::string file;
    std::string function;
    int line = 0;
};

// The location of the current line inside the function named `qualifiedFunction`,
// for example VDS_LOCATION("Guid::toString").
#define VDS_LOCATION(qualifiedFunction) (SourceLocation{__FILE__, (qualifiedFunction), __LINE__})

// The part of `path` after its last '\' or '/'; the whole text when it has neither.
std::string fileNamePart(const std::string& path);

// "<file name>(<line>) at <function>(): " - the prefix that places a text in our sources.
std::string locationPrefix(const SourceLocation& location);
