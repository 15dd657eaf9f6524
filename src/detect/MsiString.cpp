#include "detect/MsiString.h"

#include <vector>

namespace msi {

UINT readString(const std::function<UINT(char* buffer, DWORD* size)>& call, std::string& value) {
    std::vector<char> buffer(20);
    for (;;) {
        DWORD size = static_cast<DWORD>(buffer.size());
        const UINT status = call(buffer.data(), &size);
        if (status == ERROR_MORE_DATA) {
            buffer.resize(buffer.size() * 2);
            continue;
        }
        if (status == ERROR_SUCCESS) {
            value.assign(buffer.data(), size);
        }
        return status;
    }
}

}  // namespace msi
