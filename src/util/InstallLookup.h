// Paths tied to the product's installation: the installation directory,
// files looked up in a list of search directories, and paths expressed
// relative to the product directory the host reports.
#pragma once

#include <string>

#include "util/FilePath.h"

// The directory above the one that holds the running executable, as the
// interpreter gives it; "" when the interpreter cannot tell.
std::string GetInstallDir();

// The full path of name in the first directory of the list that holds it;
// relative directories are taken below the installation directory. "" when
// no directory holds it.
std::string FindInSearchPath(const std::string& name, const TPathList& directories);

// Replaces an absolute path by its form relative to the product directory
// ("AppInfo ProductDir", looked up until it is first found, then kept).
// True for an empty path and for a path made relative. False, with the path
// unchanged, for a relative path or when the product directory is unknown;
// false for a path that has no relative form (reported when report is set).
bool MakeInstallRelative(CFilePath& path, bool report);
