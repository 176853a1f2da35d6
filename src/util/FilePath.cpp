#include "util/FilePath.h"

#include <fstream>
#include <initializer_list>
#include <optional>
#include <stdexcept>
#include <utility>

#include "host/AppMgr.h"
#include "host/TclDataObj.h"
#include "util/StringUtil.h"

namespace {

using TWords = std::initializer_list<std::string_view>;

void ReportFailure(const CTclEvalObj& command) {
  CAppMgr::SendMsg(kMsgError, command.GetResultMessage());
}

CTclEvalObj MakeCommand(std::string_view prefix, TWords words) {
  CTclEvalObj command(prefix);
  for (const std::string_view word : words) {
    command.AppendElement(word);
  }
  return command;
}

// The result text of prefix + words, or nothing when the evaluation failed
// (reported when report is set).
std::optional<std::string> EvalText(std::string_view prefix, TWords words, bool report) {
  CTclEvalObj command = MakeCommand(prefix, words);
  if (!command.Evaluate(true)) {
    if (report) {
      ReportFailure(command);
    }
    return std::nullopt;
  }
  return command.GetResult().GetStringValue();
}

// Runs prefix + words silently; true on success.
bool EvalOk(std::string_view prefix, TWords words) {
  return EvalText(prefix, words, false).has_value();
}

// The boolean result of prefix + words; a failed evaluation reads as false.
bool EvalBool(std::string_view prefix, TWords words) {
  CTclEvalObj command = MakeCommand(prefix, words);
  return command.Evaluate(true) && command.GetResult().GetBoolValue();
}

std::int64_t EvalInteger(std::string_view prefix, TWords words) {
  CTclEvalObj command = MakeCommand(prefix, words);
  if (!command.Evaluate(true)) {
    return -1;
  }
  try {
    return command.GetResult().GetLongValue();
  } catch (const std::runtime_error&) {
    return -1;
  }
}

// A reported text result brought to native form; "" on failure.
std::string NativeResult(std::string_view prefix, TWords words) {
  std::optional<std::string> result = EvalText(prefix, words, true);
  if (!result) {
    return "";
  }
  NativePath(*result);
  return std::move(*result);
}

bool IsDirectoryPath(std::string_view path) {
  return EvalBool("::file isdirectory", {path});
}

// The list elements of a command result, in order.
void AppendElements(const CTclDataObj& list, TPathList& out) {
  const int count = list.GetNumElements();
  for (int i = 0; i < count; ++i) {
    out.push_back(list.GetElement(i).GetStringValue());
  }
}

}  // namespace

// ---- Construction and assignment ----

CFilePath::CFilePath(const std::string& text) : std::string(text) {
  Native();
}

CFilePath::CFilePath(const char* text, const char* extension) : std::string(text ? text : "") {
  Native();
  if (extension != nullptr) {
    SetExtension(extension);
  }
}

CFilePath::CFilePath(const std::string& text, const std::string& extension) : std::string(text) {
  Native();
  SetExtension(extension);
}

// AssignNative takes its text by value, so assigning a path to itself is safe.
CFilePath& CFilePath::operator=(const CFilePath& other) {
  AssignNative(other);
  return *this;
}

CFilePath& CFilePath::operator=(CFilePath&& other) {
  AssignNative(std::move(other));
  return *this;
}

CFilePath& CFilePath::operator=(const std::string& text) {
  AssignNative(text);
  return *this;
}

CFilePath& CFilePath::operator=(const char* text) {
  AssignNative(text ? text : "");
  return *this;
}

CFilePath CFilePath::Verbatim(std::string text) {
  return CFilePath(VerbatimTag{}, std::move(text));
}

void CFilePath::AssignNative(std::string text) {
  std::string::operator=(std::move(text));
  Native();
}

// ---- Text through the interpreter ----

std::string NativePath(std::string& text) {
  if (text.empty()) {
    return text;
  }
  std::optional<std::string> native = EvalText("::file native", {text}, true);
  if (!native) {
    return "";
  }
  text = std::move(*native);
  return text;
}

void CFilePath::Native() {
  NativePath(*this);
}

std::string CFilePath::DirName() const {
  std::optional<std::string> dir = EvalText("::file dirname", {*this}, true);
  if (!dir || *dir == ".") {
    return "";
  }
  NativePath(*dir);
  return std::move(*dir);
}

std::string CFilePath::Tail() const {
  return NativeResult("::file tail", {*this});
}

std::string CFilePath::Root() const {
  return NativeResult("::file root", {*this});
}

std::string CFilePath::BaseName() const {
  CTclEvalObj tail = MakeCommand("::file tail", {*this});
  if (!tail.Evaluate(true)) {
    ReportFailure(tail);
    return "";
  }
  CTclEvalObj root("::file root");
  root += tail;
  if (!root.Evaluate(true)) {
    ReportFailure(root);
    return "";
  }
  std::string name = root.GetResult().GetStringValue();
  NativePath(name);
  return name;
}

std::string FileExtension(const std::string& path) {
  return NativeResult("::file extension", {path});
}

std::string CFilePath::Extension() const {
  return FileExtension(*this);
}

bool CFilePath::IsAbsolute() const {
  std::optional<std::string> type = EvalText("::file pathtype", {*this}, true);
  return type && *type == "absolute";
}

std::string CFilePath::Joined(std::string_view other) const {
  return NativeResult("::file join", {*this, other});
}

CFilePath& CFilePath::Join(std::string_view component) {
  if (!component.empty() && (component.front() == '/' || component.front() == '\\')) {
    component.remove_prefix(1);
  }
  std::optional<std::string> joined = EvalText("::file join", {*this, component}, true);
  if (joined) {
    AssignNative(std::move(*joined));
  }
  return *this;
}

CFilePath& CFilePath::ToParent() {
  std::optional<std::string> parent = EvalText("::file dirname", {*this}, true);
  if (parent) {
    AssignNative(std::move(*parent));
  }
  return *this;
}

CFilePath& CFilePath::SetExtension(std::string_view ext) {
  std::optional<std::string> root = EvalText("::file root", {*this}, true);
  if (!root) {
    return *this;
  }
  if (!ext.empty() && ext.front() != '.') {
    *root += '.';
  }
  *root += ext;
  AssignNative(std::move(*root));
  return *this;
}

CFilePath& CFilePath::SetBaseName(std::string_view name) {
  const std::string ext = Extension();
  AssignNative(DirName());
  Join(name);
  return SetExtension(ext);
}

CFilePath& CFilePath::SetFileName(std::string_view name) {
  AssignNative(DirName());
  return Join(name);
}

CFilePath& CFilePath::SetDirectory(std::string_view directory) {
  const std::string tail = Tail();
  AssignNative(std::string(directory));
  return Join(tail);
}

CFilePath& CFilePath::InsertDirectory(std::string_view name) {
  const std::string tail = Tail();
  ToParent();
  Join(name);
  return Join(tail);
}

CFilePath& CFilePath::RemoveParentDirectory() {
  const std::string tail = Tail();
  ToParent();
  ToParent();
  return Join(tail);
}

bool CFilePath::ExtensionIs(const char* ext, int limit) const {
  if (ext == nullptr) {
    CAppMgr::SendMsg(kMsgError, "ERROR: null string passed to file extension comparison");
    return false;
  }
  std::string own = Extension();
  if (own.empty()) {
    return *ext == '\0';
  }
  if (*ext != '.') {
    own.erase(0, 1);
  }
  return CompareText(ext, own, true, limit) == 0;
}

// ---- File system through the interpreter ----

bool CFilePath::MakeDir() const {
  return EvalOk("::file mkdir", {*this});
}

bool CFilePath::RenameTo(std::string_view target) const {
  return EvalOk("::file rename -force --", {*this, target});
}

bool CFilePath::CopyTo(CFilePath directory) const {
  directory.Join(Tail());
  return EvalOk("::file copy -force --", {*this, directory});
}

bool CFilePath::Exists() const {
  return EvalBool("::file exists", {*this});
}

bool CFilePath::IsDirectory() const {
  return IsDirectoryPath(*this);
}

bool CFilePath::IsFile() const {
  return EvalBool("::file isfile", {*this});
}

std::int64_t CFilePath::Size() const {
  return EvalInteger("::file size", {*this});
}

std::int64_t CFilePath::MTime() const {
  return EvalInteger("::file mtime", {*this});
}

bool RemovePath(const std::string& path, bool force) {
  // "--" ends the options, so a path that begins with '-' is deleted too.
  return force ? EvalOk("::file delete -force --", {path}) : EvalOk("::file delete --", {path});
}

bool CFilePath::Delete(bool force) const {
  return RemovePath(*this, force);
}

bool RemovePaths(const TPathList& paths) {
  bool allRemoved = true;
  for (const std::string& listed : paths) {
    std::string path = listed;
    NativePath(path);
    if (EvalBool("::file exists", {path})) {
      const bool removed = RemovePath(path, true);
      allRemoved = allRemoved && removed;
    }
  }
  return allRemoved;
}

void GlobFiles(TPathList& list, std::string_view pattern, const std::string& directory,
               const char* types) {
  CTclEvalObj command("::glob -directory");
  command.AppendElement(directory);
  if (types != nullptr) {
    command.AppendElement("-types");
    command.AppendElement(types);
  }
  // "--" ends the options, so a pattern that begins with '-' is a pattern.
  command.AppendElement("--");
  command.AppendElement(pattern);
  if (!command.Evaluate(true)) {
    return;
  }
  TPathList matches;
  AppendElements(command.GetResult(), matches);
  for (std::string& match : matches) {
    NativePath(match);
    list.push_back(std::move(match));
  }
}

void CFilePath::Glob(TPathList& list, std::string_view pattern, const char* types) const {
  if (IsDirectory()) {
    GlobFiles(list, pattern, *this, types);
  }
}

void CFilePath::FindFiles(TPathList& list, std::string_view pattern, bool recurse,
                          const char* types) const {
  const bool isDirectory = IsDirectory();
  if (isDirectory) {
    GlobFiles(list, pattern, *this, types);
  }
  if (!recurse || !isDirectory) {
    return;
  }
  TPathList subdirectories;
  GlobFiles(subdirectories, "*", *this, "d");
  for (const std::string& subdirectory : subdirectories) {
    CFilePath(subdirectory).FindFiles(list, pattern, recurse, types);
  }
}

void CFilePath::FindAllFiles(TPathList& list, std::string_view pattern, bool recurse) const {
  FindFiles(list, pattern, recurse, "f");
}

void CFilePath::FindAllDirectories(TPathList& list, std::string_view pattern, bool recurse) const {
  FindFiles(list, pattern, recurse, "d");
}

void FindFiles(const std::string& directory, TPathList& list, std::string_view pattern,
               bool recurse, const char* types) {
  CFilePath(directory).FindFiles(list, pattern, recurse, types);
}

void FindAllFiles(const std::string& directory, TPathList& list, std::string_view pattern,
                  bool recurse) {
  CFilePath(directory).FindAllFiles(list, pattern, recurse);
}

void FindAllDirectories(const std::string& directory, TPathList& list, std::string_view pattern,
                        bool recurse) {
  CFilePath(directory).FindAllDirectories(list, pattern, recurse);
}

std::string CFilePath::ChangeDir() const {
  if (!empty() && !IsDirectory()) {
    CAppMgr::SendMsg(kMsgError, "Attempting to cd to a non-directory");
    return "";
  }
  // Without the current directory there is no way back: do not move.
  std::optional<std::string> previous = EvalText("::pwd", {}, true);
  if (!previous) {
    return "";
  }
  const std::string_view target = empty() ? std::string_view(".") : std::string_view(*this);
  if (!EvalText("::cd", {target}, true)) {
    return "";
  }
  return std::move(*previous);
}

std::string CFilePath::MakeAbsolute() const {
  if (IsAbsolute()) {
    return *this;
  }
  std::optional<std::string> workingDir = EvalText("::pwd", {}, true);
  if (!workingDir) {
    return "";
  }
  std::string_view relative = *this;
  if (relative.size() >= 2 && relative[0] == '.' && (relative[1] == '/' || relative[1] == '\\')) {
    relative.remove_prefix(2);
  }
  return EvalText("::file join", {*workingDir, relative}, true).value_or("");
}

CFilePath GetHomeDir() {
  std::optional<std::string> home = EvalText("::file native ~", {}, true);
  return home ? CFilePath(*home) : CFilePath();
}

void CFilePath::WriteText(std::string_view text) const {
  if (text.empty()) {
    return;
  }
  const std::string failure = "ERROR: Unable to write to file \"" + *this + "\".\n";
  std::ofstream file(c_str(), std::ios::out | std::ios::trunc);
  if (!file.is_open()) {
    CAppMgr::SendMsg(kMsgError, failure);
    return;
  }
  file.write(text.data(), static_cast<std::streamsize>(text.size()));
  file.close();
  if (file.fail()) {
    CAppMgr::SendMsg(kMsgError, failure);
  }
}

// ---- Text only ----

std::string ForwardSlashes(std::string_view text) {
  std::string copy(text);
  ReplaceChar(copy, '\\', '/');
  return copy;
}

std::string CFilePath::ForwardSlashForm() const {
  return ForwardSlashes(*this);
}

void CFilePath::UseForwardSlashes() {
  ReplaceChar(*this, '\\', '/');
}

std::string ReplaceUnsafeChars(std::string& text) {
  for (char& c : text) {
    const auto byte = static_cast<unsigned char>(c);
    const bool unsafe = byte == 0x20 || byte == 0x21 || (byte >= 0x23 && byte <= 0x2E) ||
                        (byte >= 0x3C && byte <= 0x40) || byte == 0x5E || byte == 0x60 ||
                        byte == 0x7E;
    if (unsafe) {
      c = '_';
    }
  }
  return text;
}

void CFilePath::ReplaceUnsafeChars() {
  ::ReplaceUnsafeChars(*this);
}

std::string JoinPath(const std::string& base, const std::string& name) {
  return CFilePath::Verbatim(base).Join(name);
}

std::string JoinPath(const std::string& base, const char* name) {
  return JoinPath(base, std::string(name ? name : ""));
}

// ---- Relative paths ----

namespace {

// The elements of "::file split" of path, evaluated at the caller's level;
// nothing (reported) on failure.
std::optional<TPathList> SplitPath(std::string_view path) {
  CTclEvalObj command = MakeCommand("::file split", {path});
  if (!command.Evaluate(false)) {
    ReportFailure(command);
    return std::nullopt;
  }
  TPathList parts;
  AppendElements(command.GetResult(), parts);
  return parts;
}

// The base for GetRelativePath: the given one, or the project directory.
CFilePath RelativeBase(const std::string& base) {
  CFilePath native(base);
  if (native.empty()) {
    CTclEvalObj command("::GetProjectOption -directory");
    if (command.Evaluate(false)) {
      native = command.GetResult().GetStringValue();
    }
  }
  return native;
}

}  // namespace

std::string CFilePath::GetRelativePath(const std::string& base) const {
  const CFilePath from = RelativeBase(base);
  if (from.empty() || !IsAbsolute()) {
    return *this;
  }
  if (!from.IsAbsolute()) {
    CAppMgr::SendMsg(kMsgError, "GetRelativePath parameter not absolute");
    return "";
  }
  const std::optional<TPathList> own = SplitPath(*this);
  if (!own) {
    return *this;
  }
  const std::optional<TPathList> baseParts = SplitPath(from);
  if (!baseParts) {
    return *this;
  }
  auto ownIt = own->begin();
  auto baseIt = baseParts->begin();
  while (ownIt != own->end() && baseIt != baseParts->end() && *ownIt == *baseIt) {
    ++ownIt;
    ++baseIt;
  }
  CTclEvalObj join("::file join");
  bool anyWord = false;
  for (; baseIt != baseParts->end(); ++baseIt) {
    join.AppendElement("..");
    anyWord = true;
  }
  for (; ownIt != own->end(); ++ownIt) {
    join.AppendElement(*ownIt);
    anyWord = true;
  }
  if (!anyWord) {
    return ".";  // the path is its base
  }
  if (!join.Evaluate(false)) {
    ReportFailure(join);
    return *this;
  }
  return join.GetResult().GetStringValue();
}

std::string GetRelativePath(const std::string& path, const std::string& base) {
  return CFilePath(path).GetRelativePath(base);
}
