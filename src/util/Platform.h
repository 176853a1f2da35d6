// Calls on the operating system that the path layer makes itself; every
// other file-system operation goes through the interpreter (FilePath.h).
// This is the one file pair to replace for another platform.
#pragma once

#include <string>
#include <string_view>

#include "util/FilePath.h"

// The host setting "Settings::never_show_customer_turn_off_shell_safe_paths",
// read on first use and kept for the life of the process.
bool AreShellSafePathsOff();

// A form of path that command shells and external tools take as one word.
// This platform has no short (8.3) names: the path comes back unchanged.
std::string ShellSafePath(const std::string& path);

// The process's working directory, in native form, of any length; "" when it
// cannot be read (it was removed, or a parent is not searchable).
CFilePath GetCurrentDir();

// True for "//server..." and "\\server...": two slashes or two backslashes
// followed by a server name.
bool IsUNCPath(std::string_view text);

// Gives owner, group and others read, write and execute access to the file
// or directory. False when it does not exist or its mode cannot be changed.
bool GrantEveryoneFullAccess(const char* objectName);

// The name to hand the operating system for a path text that came from the
// interpreter. Tcl keeps a character outside Unicode's basic plane as two
// surrogates of three bytes each; the file system knows the character by its
// four-byte UTF-8 form, which Tcl's own open and file commands pass on. Each
// such surrogate pair is written in that form; every other byte stays as it
// is, so a name given in the four-byte form (from a shell) is unchanged.
std::string FileSystemName(std::string_view path);
