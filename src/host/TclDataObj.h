// Tcl values as the host framework hands them to the plug-in.
//
// CTclDataObj owns one reference to a Tcl_Obj. Copies share the object; every
// write first duplicates it when it is shared, so a copy never changes under
// another holder. All calls need the Tcl library to be initialised (an
// interpreter bound with BindHostInterp, or stubs set up by the extension).
#pragma once

#include <tcl.h>

#include <string>
#include <string_view>

class CTclDataObj {
 public:
  CTclDataObj();  // an empty string value
  explicit CTclDataObj(std::string_view text);
  explicit CTclDataObj(const char* text);  // null gives the empty string
  explicit CTclDataObj(const std::string& text) : CTclDataObj(std::string_view(text)) {}
  explicit CTclDataObj(int value);
  explicit CTclDataObj(Tcl_Obj* obj);  // takes a new reference; null gives ""
  CTclDataObj(const CTclDataObj& other);
  CTclDataObj(CTclDataObj&& other) noexcept;
  CTclDataObj& operator=(const CTclDataObj& other);
  CTclDataObj& operator=(CTclDataObj&& other) noexcept;
  virtual ~CTclDataObj();

  std::string GetStringValue() const;
  std::string_view GetStringView() const;  // valid while this object is unchanged

  // Integer reads throw std::runtime_error naming the text when it is not an integer.
  int GetIntValue() const;
  long GetLongValue() const;
  // Tcl's boolean forms (1/0, true/false, yes/no, on/off); anything else is false.
  bool GetBoolValue() const;

  void MakeList();  // becomes the empty list
  // Whether the value may be read as a list: it is one already, or its text
  // lacks a backslash before bytes that are not UTF-8, which Tcl 8.6.13's
  // list reading mishandles (see host/TclListText.h). Such a text is never
  // handed to Tcl's list reading: it counts as not a well-formed list.
  bool ReadsSafelyAsList() const;
  // Number of list elements; a text that is not a well-formed list counts as 0.
  int GetNumElements() const;
  // Element i of the list, or an empty value when i is out of range.
  CTclDataObj GetElement(int i) const;

  // Each call adds exactly one list element.
  virtual void AppendElement(std::string_view text);
  void AppendElement(const char* text) { AppendElement(std::string_view(text ? text : "")); }
  void AppendElement(const std::string& text) { AppendElement(std::string_view(text)); }
  virtual void AppendElement(int value);
  virtual void AppendElement(const CTclDataObj& element);

  void SetStringValue(std::string_view text);
  Tcl_Obj* GetObj() const { return obj_; }  // borrowed reference

 protected:
  Tcl_Obj* Unshared();  // this object's value, duplicated first when shared
  void AppendObj(Tcl_Obj* element);

 private:
  Tcl_Obj* obj_;
};

// The result of a command or of an evaluation: a value plus, after a failed
// evaluation, the error text.
class CTclResultObj : public CTclDataObj {
 public:
  using CTclDataObj::CTclDataObj;
  CTclResultObj() = default;
  explicit CTclResultObj(const CTclDataObj& value) : CTclDataObj(value) {}

  const std::string& GetResultMessage() const { return message_; }
  void SetResultMessage(std::string message) { message_ = std::move(message); }

 private:
  std::string message_;
};

// A command for the interpreter: a script prefix plus appended words.
//
// Without appended words the prefix is evaluated as a script, so
// "expr [Report -memory -workingsetsize] / 1024" works. Every appended word
// reaches the command as exactly one word and is never substituted.
class CTclEvalObj : public CTclDataObj {
 public:
  CTclEvalObj() = default;
  explicit CTclEvalObj(std::string_view script);
  explicit CTclEvalObj(const char* script) : CTclEvalObj(std::string_view(script ? script : "")) {}
  explicit CTclEvalObj(const std::string& script) : CTclEvalObj(std::string_view(script)) {}

  CTclEvalObj& operator=(std::string_view script);  // replaces the script and drops the words
  CTclEvalObj& operator=(const char* script) {
    return *this = std::string_view(script ? script : "");
  }
  CTclEvalObj& operator=(const std::string& script) { return *this = std::string_view(script); }
  // Appends the other evaluator's result as one word.
  CTclEvalObj& operator+=(const CTclEvalObj& other);

  using CTclDataObj::AppendElement;
  void AppendElement(std::string_view word) override;
  void AppendElement(int value) override;
  void AppendElement(const CTclDataObj& word) override;

  // Evaluates in the bound interpreter; global selects evaluation at global
  // level. Returns true on success. The result (or the error text) is kept for
  // GetResult; the interpreter's own result is left as it was.
  bool Evaluate(bool global = false);

  const CTclResultObj& GetResult() const { return result_; }
  const std::string& GetResultMessage() const { return result_.GetResultMessage(); }
  int GetNumWords() const;

 private:
  void AddWord(const CTclDataObj& word);  // to the words and the command text

  std::string script_;
  CTclDataObj words_;  // a list of the appended words
  bool hasWords_ = false;
  CTclResultObj result_;
};
