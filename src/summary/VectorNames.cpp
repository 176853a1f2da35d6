#include "summary/VectorNames.h"

#include <filesystem>
#include <map>
#include <set>

#include "summary/RunSummary.h"

std::vector<std::string> UniqueVectorNames(const std::vector<CFileResult>& files) {
  std::map<std::string, std::size_t> uses;
  for (const CFileResult& file : files) {
    ++uses[TimingBaseName(file.timingFile)];
  }
  std::vector<std::string> names;
  names.reserve(files.size());
  std::set<std::string> taken;
  for (const CFileResult& file : files) {
    const std::string base = TimingBaseName(file.timingFile);
    std::string name = uses[base] == 1 ? base : file.timingFile;
    for (std::size_t copy = 2; !taken.insert(name).second; ++copy) {
      name = (uses[base] == 1 ? base : file.timingFile) + " (" + std::to_string(copy) + ")";
    }
    names.push_back(std::move(name));
  }
  return names;
}

std::string PathRelativeTo(const std::string& path, const std::string& workingDirectory) {
  namespace fs = std::filesystem;
  const fs::path given(path);
  if (path.empty()) {
    return path;
  }
  if (given.is_relative()) {
    const std::string clean = given.lexically_normal().generic_string();
    return clean.empty() ? path : clean;
  }
  const fs::path relative =
      given.lexically_normal().lexically_relative(fs::path(workingDirectory).lexically_normal());
  return relative.empty() ? path : relative.generic_string();
}
