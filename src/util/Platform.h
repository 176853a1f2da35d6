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
