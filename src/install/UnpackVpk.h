#pragma once

#include <string>

// Expands one packed archive of a runtime image with the runtime's own expander,
// home\bin\vunpack.exe, which removes the packed form once the archive is expanded.
class UnpackVpk {
public:
    // The archives an image carries packed, relative to home, in the order they are
    // expanded.
    static constexpr const char* archives[] = {
        "lib/plugin.vpk", "lib/veskws.vpk",   "lib/deploy.vpk",         "lib/rt.vpk",
        "lib/vsse.vpk",   "lib/charsets.vpk", "lib/ext/localedata.vpk",
    };

    explicit UnpackVpk(const std::string& home);

    // Expands home\<archive> from its ".pack" form; false (logged) when the expander
    // fails.
    bool operator()(const std::string& archive) const;

private:
    std::string home_;
    std::string tool_;
};
