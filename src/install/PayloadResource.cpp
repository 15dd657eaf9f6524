#include "install/PayloadResource.h"

PayloadResource::PayloadResource(HMODULE module, WORD id) {
    HRSRC info = FindResourceA(module, MAKEINTRESOURCEA(id), RT_RCDATA);
    HGLOBAL loaded = info != nullptr ? LoadResource(module, info) : nullptr;
    data = loaded != nullptr ? static_cast<const BYTE*>(LockResource(loaded)) : nullptr;
    size = data != nullptr ? SizeofResource(module, info) : 0;
}
