#pragma once

#include <string>

// What the testbed runtime's programs have in common: where they live and how they
// introduce themselves.
namespace standin {

// The full path of the running program.
std::string programPath();

// The runtime home: the folder above the program's own folder (home\bin\vesk.exe -> home).
std::string homeDirectory();

// Prints "<name> <file version> (Vesk testbed runtime)" and returns 0.
int introduce(const char* name);

// Prints "<name>: <message>" to the error stream and returns 1.
int fail(const char* name, const std::string& message);

}  // namespace standin
