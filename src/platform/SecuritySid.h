#pragma once

#include <windows.h>

#include <string>

namespace security {

// A copy of one Windows security identifier, held in a buffer large enough for any SID,
// so that it can be passed around and kept by value.
class Sid {
public:
    // Copies the SID at `sid`; throws VdsError<SysError> "CopySid failed".
    static Sid fromPSID(PSID sid);

    // The user the current process runs as (the user of its token).
    static Sid processOwnerUser();

    // The string form, e.g. "S-1-5-21-...".
    std::string toString() const;

    PSID get() const { return const_cast<BYTE*>(buffer_); }

    friend bool operator==(const Sid& a, const Sid& b) { return EqualSid(a.get(), b.get()) != 0; }

private:
    Sid() = default;

    BYTE buffer_[SECURITY_MAX_SID_SIZE] = {};
};

}  // namespace security
