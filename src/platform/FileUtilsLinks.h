#pragma once

#include <string>

// Junctions and symbolic links. Link targets are UTF-8 text.
namespace FileUtils {

// Makes `link` (created as an empty folder when missing) a junction to the folder
// `target`. Throws VdsError<SysError> "<link>: cannot open" or "<link>: cannot set
// reparse point" with the Windows error when the file system refuses.
void createJunction(const std::string& link, const std::string& target);

// Removes the junction `path` (not its target); a path that is not a reparse point
// throws VdsError<std::runtime_error> "<path>: is not a junction".
void deleteJunction(const std::string& path);

// What kind of link a reparse point is.
enum class LinkKind { Junction, SymbolicLink };

// The target of the junction or symbolic link `path`, without the "\??\" prefix; a
// target on a share comes back as "\\server\share...", and the target of a relative
// symbolic link as the full path it names from the link's folder. `kind`, when given,
// receives the kind of the link.
std::string getLinkTarget(const std::string& path, LinkKind* kind = nullptr);

// Removes the file symbolic link `path` (not its target); a path that is not a reparse
// point throws VdsError<std::runtime_error> "Not a symlink: <path>".
void deleteSymLink(const std::string& path);

}  // namespace FileUtils
