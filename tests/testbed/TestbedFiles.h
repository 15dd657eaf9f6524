#pragma once

#include <string>

// Small file helpers and the testbed's folders for the testbed suites.
namespace testbedfiles {

std::string binPath(const std::string& name);      // a built file of the runtime's bin folder
std::string imagePath(const std::string& name);    // baseimagefam8, newimage, diff, images.sha256
std::string fixturePath(const std::string& name);  // rt.pack, rt.vpk, rt.entries.txt

// The whole file as bytes; throws std::runtime_error when it cannot be read.
std::string readFile(const std::string& path);
// Writes (replaces) the file; throws std::runtime_error on failure.
void writeFile(const std::string& path, const std::string& bytes);
bool exists(const std::string& path);
// Copies the file, replacing the target; throws std::runtime_error on failure.
void copyFile(const std::string& source, const std::string& target);
// Creates the folder and its parents.
void makeFolders(const std::string& path);

}  // namespace testbedfiles
