// CFilePath: a path held as an 8-bit string in the interpreter's native form,
// and the free functions on paths and files.
//
// Path and file-system work is done by the host's Tcl interpreter: each
// operation builds one command from a fixed prefix and appends every path as
// exactly one word, so spaces, braces, brackets, dollar signs and leading
// dashes reach Tcl unchanged. Failures are sent as host error messages
// (CAppMgr::SendMsg, type 2) and turned into a fallback result; nothing here
// throws.
//
// Text entering a CFilePath through a constructor from text, an assignment or
// a path-changing member is brought to native form. The copy constructor
// copies as is; the empty text stays empty.
#pragma once

#include <cstdint>
#include <list>
#include <string>
#include <string_view>

using TPathList = std::list<std::string>;

class CFilePath : public std::string {
 public:
  CFilePath() = default;
  CFilePath(const CFilePath& other) = default;
  CFilePath(CFilePath&& other) noexcept = default;
  // Text converts implicitly: a path is used wherever a string is, and back.
  CFilePath(const std::string& text);
  // The text, then SetExtension with extension when one is given.
  CFilePath(const char* text, const char* extension = nullptr);
  // The text, then always SetExtension: an empty extension removes the path's.
  CFilePath(const std::string& text, const std::string& extension);
  ~CFilePath() = default;

  // Assignment takes the text and brings it to native form.
  CFilePath& operator=(const CFilePath& other);
  CFilePath& operator=(CFilePath&& other);
  CFilePath& operator=(const std::string& text);
  CFilePath& operator=(const char* text);

  // A CFilePath holding text exactly as given, without native conversion.
  static CFilePath Verbatim(std::string text);

  // ---- Text through the interpreter ----
  void Native();                  // in place; the text stays on failure
  std::string DirName() const;    // "" for a bare name (the interpreter's ".")
  std::string Tail() const;       // the last component
  std::string Root() const;       // the path without its extension
  std::string BaseName() const;   // the last component without its extension
  std::string Extension() const;  // with its leading dot; "" when there is none
  bool IsAbsolute() const;        // volume-relative paths are not absolute
  bool IsRelative() const { return !IsAbsolute(); }
  std::string Joined(std::string_view other) const;

  // Appends a component below the path; one leading '/' or '\' of it is
  // dropped, so "/b" and "b" give the same result.
  CFilePath& Join(std::string_view component);
  CFilePath& ToParent();  // "a.txt" gives "."
  // ext with or without its dot; "" removes the extension.
  CFilePath& SetExtension(std::string_view ext);
  CFilePath& SetBaseName(std::string_view name);        // keeps the old extension
  CFilePath& SetFileName(std::string_view name);        // replaces the last component
  CFilePath& SetDirectory(std::string_view directory);  // keeps the last component
  CFilePath& InsertDirectory(std::string_view name);    // d/a.txt, x: d/x/a.txt
  CFilePath& RemoveParentDirectory();                   // c/d/a.txt: c/a.txt

  // Case-insensitive test of the extension; ext with or without its dot, ""
  // matches a path without extension. A null ext is reported and false.
  bool ExtensionIs(const char* ext, int limit = -1) const;
  bool ExtensionIs(const std::string& ext, int limit = -1) const {
    return ExtensionIs(ext.c_str(), limit);
  }

  // ---- File system through the interpreter ----
  bool MakeDir() const;
  bool RenameTo(std::string_view target) const;  // overwrites an existing target
  bool CopyTo(CFilePath directory) const;        // into directory under its own name
  bool Exists() const;
  bool IsDirectory() const;
  bool IsFile() const;
  std::int64_t Size() const;   // bytes, -1 on failure
  std::int64_t MTime() const;  // seconds, -1 on failure
  bool Delete(bool force) const;
  // Appends the matches of pattern in this directory (when it is one).
  void Glob(TPathList& list, std::string_view pattern, const char* types = nullptr) const;
  // Appends the matches here and, with recurse, below (depth first).
  void FindFiles(TPathList& list, std::string_view pattern, bool recurse,
                 const char* types = nullptr) const;
  void FindAllFiles(TPathList& list, std::string_view pattern, bool recurse) const;
  void FindAllDirectories(TPathList& list, std::string_view pattern, bool recurse) const;

  // Changes the working directory to this path (an empty path stays where it
  // is) and returns the previous one, or "" on failure.
  std::string ChangeDir() const;
  // This path below the working directory when it is relative.
  std::string MakeAbsolute() const;
  // This path relative to base (the project directory when base is empty);
  // a relative path comes back unchanged, a path equal to base as ".".
  std::string GetRelativePath(const std::string& base) const;

  // Writes text to the file, replacing it; an empty text touches nothing.
  void WriteText(std::string_view text) const;

  // ---- Text only ----
  void MakeShellSafe();
  bool IsUNC() const;
  std::string ForwardSlashForm() const;
  void UseForwardSlashes();
  void ReplaceUnsafeChars();

  // ---- Installation lookup ----
  // Replaces this file name by its full path in the first search directory
  // that holds it, or by "" when none does.
  bool FindInSearchPath(const TPathList& directories);

 private:
  struct VerbatimTag {};
  CFilePath(VerbatimTag, std::string text) : std::string(std::move(text)) {}
  void AssignNative(std::string text);
};

// ---- Free functions ----

// text becomes its native form and a copy is returned; on failure the text
// stays and "" is returned. The empty text is returned as is.
std::string NativePath(std::string& text);
std::string FileExtension(const std::string& path);
std::string JoinPath(const std::string& base, const std::string& name);
std::string JoinPath(const std::string& base, const char* name);

bool RemovePath(const std::string& path, bool force);
// Deletes every listed path that exists; true when all of them went.
bool RemovePaths(const TPathList& paths);
// Appends the matches of pattern in directory, each in native form. types is
// the interpreter's glob type list ("f", "d", ...) or null for any.
void GlobFiles(TPathList& list, std::string_view pattern, const std::string& directory,
               const char* types = nullptr);
void FindFiles(const std::string& directory, TPathList& list, std::string_view pattern,
               bool recurse, const char* types = nullptr);
void FindAllFiles(const std::string& directory, TPathList& list, std::string_view pattern,
                  bool recurse);
void FindAllDirectories(const std::string& directory, TPathList& list, std::string_view pattern,
                        bool recurse);
std::string GetRelativePath(const std::string& path, const std::string& base);
CFilePath GetHomeDir();

std::string ForwardSlashes(std::string_view text);
// Each of the 22 bytes space ! # $ % & ' ( ) * + , - . < = > ? @ ^ ` ~
// becomes '_' in place; a copy is returned.
std::string ReplaceUnsafeChars(std::string& text);
