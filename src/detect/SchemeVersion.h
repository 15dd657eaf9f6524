#pragma once

#include <stdexcept>

#include "detect/VeskVersion.h"
#include "diag/VdsError.h"

// A version restricted to one scheme (VeskVersionDetails::BaseLegacy or BaseNuform),
// made from a general value of that scheme by reading its text again. A value of another
// scheme throws VdsError<std::runtime_error> "<text> is not recognized as a ... Vesk
// version string".
template <class Scheme>
class SpecializedVersion : public Scheme {
public:
    explicit SpecializedVersion(const VeskVersionDetails::Base& general) {
        if (general.tag() != Scheme::schemeTag) {
            VDS_THROW(std::runtime_error, "SpecializedVersion::SpecializedVersion", general.text() + Scheme::rejection);
        }
        this->init(general.text());
    }
};
