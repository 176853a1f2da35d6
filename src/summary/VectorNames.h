// The names a regression's documents give its test vectors (JUnit test
// cases, Markdown rows): the timing file's base name, or where two files
// share one (the same name in two folders) the path as given, so that every
// name is unique and a CI dashboard keeps their histories apart.
#pragma once

#include <string>
#include <vector>

#include "analysis/FileResult.h"

// One name per file, in file order, no two equal. A base name used by one
// file only stays as it is; shared ones become the timing file's path, and a
// path given twice gets " (2)", " (3)" ... on its later uses.
std::vector<std::string> UniqueVectorNames(const std::vector<CFileResult>& files);

// The timing file's path relative to workingDirectory (an absolute folder):
// an absolute path inside or beside it made relative, a relative one cleaned
// of "." steps; a path that cannot be made relative stays as it is.
std::string PathRelativeTo(const std::string& path, const std::string& workingDirectory);
