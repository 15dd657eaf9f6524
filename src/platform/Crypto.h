#pragma once

#include "platform/HashBase.h"

// SHA-256 digests of files through CryptoAPI.

// A SHA-256 hash ready for data, on a verify-only context of the AES provider.
HashBase createHash();
