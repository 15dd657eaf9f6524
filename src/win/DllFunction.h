#pragma once

#include <stdexcept>
#include <string>

#include "diag/VdsError.h"
#include "win/Dll.h"

// A function of a library looked up at run time, for functions that older Windows
// versions lack: DllFunction<decltype(RegDeleteKeyExW)> f(advapi32, "RegDeleteKeyExW").
// The lookup happens once, when the object is made; using a missing function throws
// VdsError<std::runtime_error> "<name>() function is not available in <library>".
// The library must stay loaded while the function is used.
template <class Signature>
class DllFunction {
public:
    using Pointer = Signature*;

    DllFunction(const Dll& library, std::string name)
        : name_(std::move(name)),
          libraryPath_(library.path()),
          address_(reinterpret_cast<Pointer>(reinterpret_cast<void*>(library.getFunction(name_, false)))) {}

    bool available() const { return address_ != nullptr; }

    operator Pointer() const {
        if (address_ == nullptr) {
            VDS_THROW(std::runtime_error, "DllFunction::operator Pointer",
                      name_ + "() function is not available in " + libraryPath_);
        }
        return address_;
    }

private:
    std::string name_;
    std::string libraryPath_;
    Pointer address_;
};

// The body of a stand-in for a function of a system library that this program must not
// import statically: the stand-in has the name and type of the library's function and
// calls it through `library` (a Dll that stays loaded), looking it up once.
//   UINT WINAPI MsiCloseHandle(MSIHANDLE h) { VESK_FORWARD_TO(msiLibrary(), MsiCloseHandle)(h); }
#define VESK_FORWARD_TO(library, name)                                 \
    static const DllFunction<decltype(name)> function(library, #name); \
    return function
