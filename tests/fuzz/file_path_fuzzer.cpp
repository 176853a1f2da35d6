// Feeds arbitrary text through the text operations of CFilePath.
//
// Input: a flag byte, a path text and a second text (ended by NUL bytes).
// Every operation that changes text only is run; none may crash, and the
// results are checked against Tcl's own file commands on the same words.
#include <cstddef>
#include <cstdint>
#include <string>

#include "support/FuzzSupport.h"
#include "util/FilePath.h"

namespace {

std::string TclFile(std::string_view subcommand, std::string_view path, bool& ok) {
  std::string result;
  ok = FuzzEvalWords({"::file", subcommand, path}, result) == TCL_OK;
  return result;
}

// Tcl's result brought to native form as CFilePath brings its results.
std::string TclFileNative(std::string_view subcommand, std::string_view path, bool& ok) {
  const std::string result = TclFile(subcommand, path, ok);
  if (!ok || result.empty()) {
    return result;
  }
  bool nativeOk = false;
  const std::string native = TclFile("nativename", result, nativeOk);
  return nativeOk ? native : result;  // CFilePath keeps a text it cannot convert
}

void CheckAgainstTcl(const CFilePath& path, std::string_view input) {
  bool ok = false;
  const std::string tail = TclFileNative("tail", path, ok);
  FuzzCheck(!ok || path.Tail() == tail, "Tail is file tail", input);
  const std::string extension = TclFileNative("extension", path, ok);
  FuzzCheck(!ok || path.Extension() == extension, "Extension is file extension", input);
  const std::string root = TclFileNative("rootname", path, ok);
  FuzzCheck(!ok || path.Root() == root, "Root is file rootname", input);
  const std::string pathType = TclFile("pathtype", path, ok);
  FuzzCheck(!ok || path.IsAbsolute() == (pathType == "absolute"), "IsAbsolute", input);
  const std::string dir = TclFileNative("dirname", path, ok);
  const std::string dirText = TclFile("dirname", path, ok);
  FuzzCheck(!ok || path.DirName() == (dirText == "." ? std::string() : dir), "DirName", input);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  FuzzInterp();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  CFuzzFields fields(data, size);
  const std::uint8_t flags = fields.Byte();
  const std::string text(fields.Text());
  const std::string other(fields.Text());

  const CFilePath path(text);
  CheckAgainstTcl(path, input);
  (void)path.BaseName();
  (void)path.Joined(other);
  (void)path.ExtensionIs(other, static_cast<int>(flags % 8) - 1);
  (void)path.IsUNC();

  CFilePath changed(path);
  switch (flags % 8) {
    case 0:
      changed.Join(other);
      break;
    case 1:
      changed.SetExtension(other);
      break;
    case 2:
      changed.SetBaseName(other);
      break;
    case 3:
      changed.SetFileName(other);
      break;
    case 4:
      changed.SetDirectory(other);
      break;
    case 5:
      changed.InsertDirectory(other);
      break;
    case 6:
      changed.RemoveParentDirectory();
      break;
    default:
      changed.ToParent();
      break;
  }
  CheckAgainstTcl(changed, input);

  CFilePath verbatim = CFilePath::Verbatim(text);
  const std::string slashes = verbatim.ForwardSlashForm();
  FuzzCheck(slashes.size() == text.size() && slashes.find('\\') == std::string::npos,
            "ForwardSlashForm replaces every backslash", input);
  std::string unsafe = text;
  ReplaceUnsafeChars(unsafe);
  FuzzCheck(unsafe.size() == text.size() &&
                unsafe.find_first_of(" !#$%&'()*+,-.<=>?@^`~") == std::string::npos,
            "ReplaceUnsafeChars leaves none of its bytes", input);
  verbatim.MakeShellSafe();
  return 0;
}
