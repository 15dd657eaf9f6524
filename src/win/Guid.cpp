#include "win/Guid.h"

#include <objbase.h>

#include <stdexcept>

#include "diag/VdsError.h"
#include "diag/tstrings.h"

namespace {

constexpr std::wstring::size_type bracedLength = 38;

bool isBraced(const std::wstring& text) {
    return !text.empty() && text.front() == L'{' && text.back() == L'}';
}

// Brings the accepted short forms into the braced, dashed form that IIDFromString reads;
// anything that does not come out as 38 characters is left as given.
std::wstring canonicalForm(const std::wstring& text) {
    if ((text.size() == bracedLength && isBraced(text)) || text.size() <= 31) {
        return text;
    }
    std::wstring candidate = text;
    if (candidate.front() != L'{' && candidate.back() != L'}') {
        candidate = L"{" + candidate + L"}";
    }
    if (candidate.find(L'-') == std::wstring::npos) {
        for (const std::wstring::size_type position : {9u, 14u, 19u, 24u}) {
            if (position <= candidate.size()) {
                candidate.insert(position, 1, L'-');
            }
        }
    }
    return candidate.size() == bracedLength ? candidate : text;
}

}  // namespace

Guid::Guid(const std::wstring& text) {
    std::wstring canonical = canonicalForm(text);
    if (FAILED(IIDFromString(canonical.c_str(), &value_))) {
        VDS_THROW(std::runtime_error, "initGuid",
                  "IIDFromString(" + tstrings::toUtf8(canonical) + ") failed");
    }
}

Guid Guid::generate() {
    GUID value;
    if (FAILED(CoCreateGuid(&value))) {
        VDS_THROW(std::runtime_error, "Guid::generate", "CoCreateGuid() failed");
    }
    return Guid(value);
}

std::string Guid::toString() const {
    wchar_t buffer[128];
    if (StringFromGUID2(value_, buffer, 128) < 3) {
        VDS_THROW(std::runtime_error, "Guid::toString", "StringFromGUID2() failed");
    }
    return tstrings::toUtf8(buffer);
}
