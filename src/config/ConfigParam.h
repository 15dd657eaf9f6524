#pragma once

#include <string>
#include <vector>

// One key the installer takes from its sources, with how it travels between them.
struct ConfigParam {
    std::string name;
    // Kept by export normalisation, so it reaches the runtime settings file.
    bool exportToRuntime = false;
    // Copied into CMDLINE.
    bool inCmdLine = false;
    // The argument is also appended to MSI_CMDLINE.
    bool msiPassThrough = false;
    // Matched by prefix and loaded as the bare key name ("/qn" loads "/q").
    bool nameOnly = false;
    // The value names a file that must open for reading.
    bool checkReadable = false;
    // The value names a file that is meant to be plain text.
    bool checkPlainText = false;
    // Refused unless the installer runs as the enterprise variant.
    bool enterpriseOnly = false;

    // The six switches: keys given without a separator.
    bool isSwitch() const;
};

namespace configparams {

// The parameter table in its fixed order: the order of CMDLINE, of the log dump, of the
// parameter checks and of export normalisation.
const std::vector<ConfigParam>& table();

}  // namespace configparams
