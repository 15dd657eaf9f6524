#include "win/Resource.h"

#include "diag/SysError.h"
#include "diag/VdsError.h"
#include "diag/tstrings.h"

namespace {

// Entries of a string table are grouped in blocks of 16; block n holds ids 16(n-1) to 16n-1.
constexpr UINT kStringsPerBlock = 16;

std::string resourceNameText(LPCSTR name) {
    if (IS_INTRESOURCE(name)) {
        return "#" + tstrings::toDecimal(reinterpret_cast<ULONG_PTR>(name));
    }
    return name;
}

bool isStringTable(LPCSTR type) { return IS_INTRESOURCE(type) && type == RT_STRING; }

}  // namespace

Resource::Resource(UINT id, HMODULE module, LPCSTR type, LANGID language)
    : id_(id),
      module_(module),
      type_(type),
      language_(language),
      name_(resourceNameText(MAKEINTRESOURCEA(id))),
      typeName_(resourceNameText(type)) {}

const void* Resource::getPtr(std::size_t& size) const {
    const bool strings = isStringTable(type_);
    const UINT lookupId = strings ? id_ / kStringsPerBlock + 1 : id_;
    const std::string what = " (name='" + name_ + "', type='" + typeName_ + "')";

    HRSRC info = FindResourceExA(module_, type_, MAKEINTRESOURCEA(lookupId), language_);
    if (info == nullptr) {
        const DWORD code = GetLastError();
        VDS_THROW(SysError, "Resource::getPtr", "cannot find resource" + what, FindResourceExA, code);
    }
    HGLOBAL loaded = LoadResource(module_, info);
    const void* data = loaded != nullptr ? LockResource(loaded) : nullptr;
    if (data == nullptr) {
        const DWORD code = GetLastError();
        VDS_THROW(SysError, "Resource::getPtr", "cannot load resource" + what, LoadResource, code);
    }
    const DWORD dataSize = SizeofResource(module_, info);
    if (!strings) {
        size = dataSize;
        return data;
    }

    // Each entry is a 16-bit character count followed by that many UTF-16 characters.
    // A block that ends early (a malformed module) yields an empty text rather than a read
    // past its end.
    const auto* block = static_cast<const WCHAR*>(data);
    const std::size_t blockLength = dataSize / sizeof(WCHAR);
    std::size_t position = 0;
    for (UINT skip = id_ % kStringsPerBlock; skip > 0 && position < blockLength; --skip) {
        position += 1 + std::size_t{block[position]};
    }
    if (position >= blockLength || blockLength - position - 1 < block[position]) {
        size = 0;
        return block;
    }
    size = std::size_t{block[position]} * sizeof(WCHAR);
    return block + position + 1;
}

std::string Resource::getString() const { return tstrings::toAnsi(getWideString()); }

std::wstring Resource::getWideString() const {
    std::size_t size = 0;
    const auto* characters = static_cast<const WCHAR*>(getPtr(size));
    return std::wstring(characters, size / sizeof(WCHAR));
}
