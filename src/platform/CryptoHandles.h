#pragma once

#include <windows.h>

#include <wincrypt.h>

#include "win/AutoHandle.h"

// Releasing of CryptoAPI handles for the objects that own them. A failed release is
// logged as one ERROR record and never thrown; the handle counts as released anyway.

// Releases a provider context; a null handle is skipped.
void closeHCRYPTPROV(HCRYPTPROV provider) noexcept;

// Destroys a hash object; a null handle is skipped.
void closeHCRYPTHASH(HCRYPTHASH hash) noexcept;

struct CryptProviderTraits {
    using Handle = HCRYPTPROV;
    static bool valid(HCRYPTPROV provider) { return provider != 0; }
    static void close(HCRYPTPROV provider) { closeHCRYPTPROV(provider); }
};

struct CryptHashTraits {
    using Handle = HCRYPTHASH;
    static bool valid(HCRYPTHASH hash) { return hash != 0; }
    static void close(HCRYPTHASH hash) { closeHCRYPTHASH(hash); }
};

// Sole owner of a provider context.
using AutoCryptProvider = UniqueHandle<CryptProviderTraits>;

// Sole owner of a hash object.
using AutoCryptHash = UniqueHandle<CryptHashTraits>;
