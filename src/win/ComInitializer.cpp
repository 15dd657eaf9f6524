#include "win/ComInitializer.h"

#include <objbase.h>

#include "diag/ErrorText.h"
#include "diag/Logger.h"

ComInitializer::ComInitializer() : result_(CoInitialize(nullptr)) {
    if (FAILED(result_)) {
        LOG_WARNING("ComInitializer::ComInitializer", "CoInitialize failed with " << comErrorPart(result_));
    }
}

ComInitializer::~ComInitializer() {
    if (SUCCEEDED(result_)) {
        CoUninitialize();
    }
}
