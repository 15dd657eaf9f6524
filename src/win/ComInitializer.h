#pragma once

#include <windows.h>

// COM for the current thread while the object lives: CoInitialize when made,
// CoUninitialize when it goes, only if the initialisation succeeded. A failed
// initialisation is logged as a WARNING "CoInitialize failed with <HRESULT text>" and
// the caller carries on (COM may already be initialised in another mode).
class ComInitializer {
public:
    ComInitializer();
    ~ComInitializer();
    ComInitializer(const ComInitializer&) = delete;
    ComInitializer& operator=(const ComInitializer&) = delete;

private:
    HRESULT result_;
};
