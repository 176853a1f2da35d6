#include "host/TclDataObj.h"

#include <climits>
#include <stdexcept>

#include "host/HostInterp.h"
#include "host/TclListText.h"

namespace {

Tcl_Obj* NewText(std::string_view text) {
  return Tcl_NewStringObj(text.data(), static_cast<int>(text.size()));
}

std::string NotAnInteger(Tcl_Obj* obj) {
  int length = 0;
  const char* text = Tcl_GetStringFromObj(obj, &length);
  return "expected integer but got \"" + std::string(text, static_cast<std::size_t>(length)) + "\"";
}

// Whether Tcl may read obj as a list: it is a list already, or its text holds
// no backslash that Tcl's list reading mishandles (see TclListText.h).
bool SafeToReadAsList(Tcl_Obj* obj) {
  static const Tcl_ObjType* const kListType = Tcl_GetObjType("list");
  if (obj->typePtr != nullptr && obj->typePtr == kListType) {
    return true;
  }
  int length = 0;
  const char* text = Tcl_GetStringFromObj(obj, &length);
  return !BackslashBeforeNonUtf8(std::string_view(text, static_cast<std::size_t>(length)));
}

}  // namespace

// --- CTclDataObj -------------------------------------------------------------

CTclDataObj::CTclDataObj() : obj_(Tcl_NewObj()) {
  Tcl_IncrRefCount(obj_);
}

CTclDataObj::CTclDataObj(std::string_view text) : obj_(NewText(text)) {
  Tcl_IncrRefCount(obj_);
}

CTclDataObj::CTclDataObj(const char* text) : CTclDataObj(std::string_view(text ? text : "")) {}

CTclDataObj::CTclDataObj(int value) : obj_(Tcl_NewIntObj(value)) {
  Tcl_IncrRefCount(obj_);
}

CTclDataObj::CTclDataObj(Tcl_Obj* obj) : obj_(obj ? obj : Tcl_NewObj()) {
  Tcl_IncrRefCount(obj_);
}

CTclDataObj::CTclDataObj(const CTclDataObj& other) : obj_(other.obj_) {
  Tcl_IncrRefCount(obj_);
}

CTclDataObj::CTclDataObj(CTclDataObj&& other) noexcept : obj_(other.obj_) {
  other.obj_ = nullptr;
}

CTclDataObj& CTclDataObj::operator=(const CTclDataObj& other) {
  Tcl_IncrRefCount(other.obj_);
  if (obj_) {
    Tcl_DecrRefCount(obj_);
  }
  obj_ = other.obj_;
  return *this;
}

CTclDataObj& CTclDataObj::operator=(CTclDataObj&& other) noexcept {
  if (this != &other) {
    if (obj_) {
      Tcl_DecrRefCount(obj_);
    }
    obj_ = other.obj_;
    other.obj_ = nullptr;
  }
  return *this;
}

CTclDataObj::~CTclDataObj() {
  if (obj_) {
    Tcl_DecrRefCount(obj_);
  }
}

Tcl_Obj* CTclDataObj::Unshared() {
  if (!obj_) {
    obj_ = Tcl_NewObj();
    Tcl_IncrRefCount(obj_);
  } else if (Tcl_IsShared(obj_)) {
    Tcl_Obj* copy = Tcl_DuplicateObj(obj_);
    Tcl_IncrRefCount(copy);
    Tcl_DecrRefCount(obj_);
    obj_ = copy;
  }
  return obj_;
}

std::string CTclDataObj::GetStringValue() const {
  return std::string(GetStringView());
}

std::string_view CTclDataObj::GetStringView() const {
  if (!obj_) {
    return {};
  }
  int length = 0;
  const char* text = Tcl_GetStringFromObj(obj_, &length);
  return {text, static_cast<std::size_t>(length)};
}

int CTclDataObj::GetIntValue() const {
  long value = GetLongValue();
  if (value < INT_MIN || value > INT_MAX) {
    throw std::runtime_error("integer value too large to represent: \"" + GetStringValue() + "\"");
  }
  return static_cast<int>(value);
}

long CTclDataObj::GetLongValue() const {
  long value = 0;
  if (!obj_ || Tcl_GetLongFromObj(nullptr, obj_, &value) != TCL_OK) {
    throw std::runtime_error(obj_ ? NotAnInteger(obj_) : "expected integer but got \"\"");
  }
  return value;
}

bool CTclDataObj::GetBoolValue() const {
  int value = 0;
  return obj_ && Tcl_GetBooleanFromObj(nullptr, obj_, &value) == TCL_OK && value != 0;
}

void CTclDataObj::MakeList() {
  SetStringValue({});
}

bool CTclDataObj::ReadsSafelyAsList() const {
  return obj_ && SafeToReadAsList(obj_);
}

int CTclDataObj::GetNumElements() const {
  int count = 0;
  if (!ReadsSafelyAsList() || Tcl_ListObjLength(nullptr, obj_, &count) != TCL_OK) {
    return 0;
  }
  return count;
}

CTclDataObj CTclDataObj::GetElement(int i) const {
  Tcl_Obj* element = nullptr;
  if (!ReadsSafelyAsList() || Tcl_ListObjIndex(nullptr, obj_, i, &element) != TCL_OK) {
    return CTclDataObj();
  }
  return CTclDataObj(element);
}

void CTclDataObj::AppendObj(Tcl_Obj* element) {
  Tcl_Obj* list = Unshared();
  if (!SafeToReadAsList(list) || Tcl_ListObjAppendElement(nullptr, list, element) != TCL_OK) {
    // The current text is not a list: it becomes the first element.
    Tcl_Obj* fresh = Tcl_NewListObj(1, &list);
    Tcl_ListObjAppendElement(nullptr, fresh, element);
    Tcl_IncrRefCount(fresh);
    Tcl_DecrRefCount(obj_);
    obj_ = fresh;
  }
}

void CTclDataObj::AppendElement(std::string_view text) {
  AppendObj(NewText(text));
}

void CTclDataObj::AppendElement(int value) {
  AppendObj(Tcl_NewIntObj(value));
}

void CTclDataObj::AppendElement(const CTclDataObj& element) {
  AppendObj(element.obj_);
}

void CTclDataObj::SetStringValue(std::string_view text) {
  Tcl_Obj* fresh = NewText(text);
  Tcl_IncrRefCount(fresh);
  if (obj_) {
    Tcl_DecrRefCount(obj_);
  }
  obj_ = fresh;
}

// --- CTclEvalObj -------------------------------------------------------------

CTclEvalObj::CTclEvalObj(std::string_view script) : CTclDataObj(script), script_(script) {}

CTclEvalObj& CTclEvalObj::operator=(std::string_view script) {
  script_.assign(script);
  words_.MakeList();
  hasWords_ = false;
  SetStringValue(script_);
  return *this;
}

CTclEvalObj& CTclEvalObj::operator+=(const CTclEvalObj& other) {
  AppendElement(static_cast<const CTclDataObj&>(other.GetResult()));
  return *this;
}

void CTclEvalObj::AppendElement(std::string_view word) {
  AddWord(CTclDataObj(word));
}

void CTclEvalObj::AppendElement(int value) {
  AddWord(CTclDataObj(value));
}

void CTclEvalObj::AppendElement(const CTclDataObj& word) {
  AddWord(word);
}

int CTclEvalObj::GetNumWords() const {
  return hasWords_ ? words_.GetNumElements() : 0;
}

void CTclEvalObj::AddWord(const CTclDataObj& word) {
  // The command text: the prefix without its trailing blanks, then each word
  // after one blank in list quoting, quoted as if it stood first (so a
  // leading "#" stays literal).
  if (!hasWords_) {
    std::string_view prefix(script_);
    while (!prefix.empty() && (prefix.back() == ' ' || prefix.back() == '\t')) {
      prefix.remove_suffix(1);
    }
    SetStringValue(prefix);
  }
  CTclDataObj single;
  single.MakeList();
  single.AppendElement(word);
  const std::string_view quoted = single.GetStringView();
  Tcl_Obj* text = Unshared();
  if (!GetStringView().empty()) {
    Tcl_AppendToObj(text, " ", 1);
  }
  Tcl_AppendToObj(text, quoted.data(), static_cast<int>(quoted.size()));
  words_.AppendElement(word);
  hasWords_ = true;
}

bool CTclEvalObj::Evaluate(bool global) {
  Tcl_Interp* interp = GetHostInterp();
  if (!interp) {
    result_ = CTclResultObj("no interpreter is bound to the host layer");
    result_.SetResultMessage(result_.GetStringValue());
    return false;
  }
  const int flags = global ? TCL_EVAL_GLOBAL : 0;
  Tcl_InterpState saved = Tcl_SaveInterpState(interp, TCL_OK);
  int code = TCL_OK;
  Tcl_Obj* prefixWords = nullptr;
  int prefixCount = 0;
  Tcl_Obj** prefixObjv = nullptr;
  Tcl_Obj* script = Tcl_NewStringObj(script_.data(), static_cast<int>(script_.size()));
  Tcl_IncrRefCount(script);
  if (!hasWords_) {
    code = Tcl_EvalObjEx(interp, script, flags);
  } else if (SafeToReadAsList(script) &&
             Tcl_ListObjGetElements(nullptr, script, &prefixCount, &prefixObjv) == TCL_OK) {
    // The prefix is a list of words: evaluate prefix and words as one objv,
    // so no word is ever parsed or substituted.
    prefixWords = Tcl_DuplicateObj(script);
    Tcl_IncrRefCount(prefixWords);
    int wordCount = 0;
    Tcl_Obj** wordObjv = nullptr;
    Tcl_ListObjGetElements(nullptr, words_.GetObj(), &wordCount, &wordObjv);
    Tcl_ListObjReplace(nullptr, prefixWords, prefixCount, 0, wordCount, wordObjv);
    int objc = 0;
    Tcl_Obj** objv = nullptr;
    Tcl_ListObjGetElements(nullptr, prefixWords, &objc, &objv);
    code = Tcl_EvalObjv(interp, objc, objv, flags);
  } else {
    // A prefix that is not a plain list: the command text already holds the
    // words in list quoting.
    code = Tcl_EvalObjEx(interp, GetObj(), flags);
  }
  Tcl_Obj* value = Tcl_GetObjResult(interp);
  result_ = CTclResultObj(value);
  result_.SetResultMessage(code == TCL_OK ? std::string() : result_.GetStringValue());
  if (prefixWords) {
    Tcl_DecrRefCount(prefixWords);
  }
  Tcl_DecrRefCount(script);
  Tcl_RestoreInterpState(interp, saved);
  return code == TCL_OK;
}
