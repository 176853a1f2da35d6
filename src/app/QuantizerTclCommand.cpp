#include "app/QuantizerTclCommand.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "app/QuantizerForms.h"
#include "host/HostInterp.h"

namespace {

constexpr const char* kCommand = "::ReportApp::quantizer";

constexpr const char* kUsage =
    "usage: ::ReportApp::quantizer new ?-mode fixed|ufixed? ?-round "
    "floor|ceil|fix|round|nearest|convergent? ?-overflow wrap|saturate? ?-wordlength N? "
    "?-fractionlength N? ?-header TEXT?\n"
    "Makes a fixed-point quantizer object and returns its name (defaults: fixed, floor, "
    "saturate, 16, 15; -header takes a test-vector header such as {fixed saturate nearest "
    "[16 15]} and the other options then change it). The object's subcommands:\n"
    "  $q quantize LIST   the quantized values of a list of reals\n"
    "  $q codes LIST      their integer codes (value times 2^fractionlength)\n"
    "  $q hex LIST        their timing-file tokens (two's complement, lower case)\n"
    "  $q header          the header line of a test-vector file (without the %)\n"
    "  $q configure ?-option ?value ...??   the options as a dict, one option, or changes\n"
    "  $q cget -option    one option (-mode, -round, -overflow, -wordlength, "
    "-fractionlength, -header)\n"
    "  $q destroy         deletes the object";

constexpr const char* kSubcommands = "codes, configure, cget, destroy, header, hex, or quantize";
constexpr const char* kOptions =
    "-mode, -round, -overflow, -wordlength, -fractionlength, or -header";

// A failure reported under {REPORTAPP QUANTIZER kind}.
class CTclFailure : public std::runtime_error {
 public:
  CTclFailure(std::string kind, const std::string& text)
      : std::runtime_error(text), kind_(std::move(kind)) {}
  const std::string& Kind() const { return kind_; }

 private:
  std::string kind_;
};

// The number of the next object's name, per interpreter.
struct CQuantizerNames {
  unsigned long next = 1;
};

Tcl_Obj* Text(const std::string& text) {
  return Tcl_NewStringObj(text.data(), static_cast<int>(text.size()));
}

std::string Word(Tcl_Obj* obj) {
  int length = 0;
  const char* text = Tcl_GetStringFromObj(obj, &length);
  return std::string(text, static_cast<std::size_t>(length));
}

int IntegerOption(Tcl_Obj* value, const std::string& option) {
  int n = 0;
  if (Tcl_GetIntFromObj(nullptr, value, &n) != TCL_OK) {
    throw CTclFailure("OPTION",
                      "expected integer for \"" + option + "\" but got \"" + Word(value) + "\"");
  }
  return n;
}

// Applies option/value pairs to a quantizer's settings; -header first, the
// other options over it. The quantizer is made anew, so a failure changes
// nothing.
CQuantizer Configure(const CQuantizer& start, int objc, Tcl_Obj* const objv[]) {
  if (objc % 2 != 0) {
    throw CTclFailure("ARGS", "missing value for \"" + Word(objv[objc - 1]) + "\"");
  }
  CQuantizerSettings settings = SettingsOf(start);
  for (int i = 0; i < objc; i += 2) {
    if (Word(objv[i]) == "-header") {
      settings = SettingsOf(QuantizerFromHeader(Word(objv[i + 1])));
    }
  }
  for (int i = 0; i < objc; i += 2) {
    const std::string option = Word(objv[i]);
    if (option == "-mode") {
      settings.mode = Word(objv[i + 1]);
    } else if (option == "-round") {
      settings.round = Word(objv[i + 1]);
    } else if (option == "-overflow") {
      settings.overflow = Word(objv[i + 1]);
    } else if (option == "-wordlength") {
      settings.wordLength = IntegerOption(objv[i + 1], option);
    } else if (option == "-fractionlength") {
      settings.fractionLength = IntegerOption(objv[i + 1], option);
    } else if (option != "-header") {
      throw CTclFailure("OPTION", "bad option \"" + option + "\": must be " + kOptions);
    }
  }
  return MakeQuantizer(settings);
}

Tcl_Obj* OptionValue(const CQuantizer& quantizer, const std::string& option) {
  const CQuantizerSettings settings = SettingsOf(quantizer);
  if (option == "-mode") {
    return Text(settings.mode);
  }
  if (option == "-round") {
    return Text(settings.round);
  }
  if (option == "-overflow") {
    return Text(settings.overflow);
  }
  if (option == "-wordlength") {
    return Tcl_NewIntObj(settings.wordLength);
  }
  if (option == "-fractionlength") {
    return Tcl_NewIntObj(settings.fractionLength);
  }
  if (option == "-header") {
    return Text(HeaderOf(quantizer));
  }
  throw CTclFailure("OPTION", "bad option \"" + option + "\": must be " + kOptions);
}

Tcl_Obj* AllOptions(const CQuantizer& quantizer) {
  Tcl_Obj* dict = Tcl_NewDictObj();
  for (const char* option :
       {"-mode", "-round", "-overflow", "-wordlength", "-fractionlength", "-header"}) {
    Tcl_DictObjPut(nullptr, dict, Tcl_NewStringObj(option, -1), OptionValue(quantizer, option));
  }
  return dict;
}

// The reals of a Tcl list. An element that already holds a double (not NaN,
// which Tcl does not take as a real) is read directly.
void ReadValues(Tcl_Obj* list, std::vector<double>& values) {
  int count = 0;
  Tcl_Obj** elements = nullptr;
  if (Tcl_ListObjGetElements(nullptr, list, &count, &elements) != TCL_OK) {
    throw CTclFailure("VALUE", "expected a list of reals but got \"" + Word(list) + "\"");
  }
  static const Tcl_ObjType* const doubleType = Tcl_GetObjType("double");
  values.resize(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) {
    double& value = values[static_cast<std::size_t>(i)];
    if (elements[i]->typePtr == doubleType && doubleType != nullptr) {
      value = elements[i]->internalRep.doubleValue;
      if (!std::isnan(value)) {
        continue;
      }
    }
    if (Tcl_GetDoubleFromObj(nullptr, elements[i], &value) != TCL_OK) {
      throw CTclFailure("VALUE", "expected a real but got \"" + Word(elements[i]) + "\" at index " +
                                     std::to_string(i));
    }
  }
}

void Quantize(const CQuantizer& quantizer, Tcl_Obj* list, std::vector<double>& values) {
  ReadValues(list, values);
  quantizer.QuantizeInPlace(values);
}

// Double objects for quantized values, one object shared by every element
// of the same value (a quantized list holds at most 2^W values) and kept for
// the quantizations that follow. A direct-mapped cache indexed by the low
// bits of the integer code and checked on the value's bits, so +0 and -0
// stay apart; NaN and infinities get objects of their own. The cache holds
// one reference to each object it keeps (so no script can change it in
// place: Tcl copies a shared object before changing it), each list element
// another. An object pushed out of its slot may already stand in the list
// being built, which takes its references only when it is made; the cache
// lets go of such objects in Release, after that.
class CDoubleObjCache {
 public:
  CDoubleObjCache() = default;
  CDoubleObjCache(CDoubleObjCache&& other) noexcept : scale_(other.scale_) {
    slots_.swap(other.slots_);
    evicted_.swap(other.evicted_);
  }
  CDoubleObjCache(const CDoubleObjCache&) = delete;
  CDoubleObjCache& operator=(const CDoubleObjCache&) = delete;
  CDoubleObjCache& operator=(CDoubleObjCache&&) = delete;
  ~CDoubleObjCache() {
    ReleaseEvicted();
    for (Slot& slot : slots_) {
      if (slot.object != nullptr) {
        Tcl_DecrRefCount(slot.object);
      }
    }
  }

  // Prepares for a list of count values of a format with fractionLength
  // bits: the cache grows with the lists, up to 2^16 objects.
  void Prepare(std::size_t count, int fractionLength) {
    scale_ = std::ldexp(1.0, fractionLength);
    const std::size_t slots = SlotsFor(count);
    if (slots > slots_.size()) {
      for (Slot& slot : slots_) {
        if (slot.object != nullptr) {
          Tcl_DecrRefCount(slot.object);
        }
      }
      slots_.assign(slots, Slot{});
    }
  }

  Tcl_Obj* Get(double value) {
    const double code = value * scale_;
    if (slots_.empty() || !(std::fabs(code) < kLargestCode)) {
      return Tcl_NewDoubleObj(value);
    }
    std::uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    const auto index =
        static_cast<std::size_t>(static_cast<std::int64_t>(code)) & (slots_.size() - 1);
    Slot& slot = slots_[index];
    if (slot.object == nullptr || slot.bits != bits) {
      if (slot.object != nullptr) {
        evicted_.push_back(slot.object);
      }
      slot.object = Tcl_NewDoubleObj(value);
      Tcl_IncrRefCount(slot.object);
      slot.bits = bits;
    }
    return slot.object;
  }

  // Lets go of the objects pushed out of their slots since the last call;
  // the lists that hold them keep them.
  void ReleaseEvicted() {
    for (Tcl_Obj* object : evicted_) {
      Tcl_DecrRefCount(object);
    }
    evicted_.clear();
  }

 private:
  struct Slot {
    std::uint64_t bits = 0;
    Tcl_Obj* object = nullptr;
  };
  static constexpr double kLargestCode = 9.0e18;  // below 2^63
  static constexpr std::size_t kMaxSlots = std::size_t{1} << 16;

  // A power of two near the count, up to 2^16; none for short lists.
  static std::size_t SlotsFor(std::size_t count) {
    if (count < 64) {
      return 0;
    }
    std::size_t slots = 64;
    while (slots < count && slots < kMaxSlots) {
      slots *= 2;
    }
    return slots;
  }

  double scale_ = 1.0;
  std::vector<Slot> slots_;
  std::vector<Tcl_Obj*> evicted_;
};

struct CQuantizerObject {
  CQuantizer quantizer;
  // Scratch of the list subcommands, kept between calls, so that quantizing
  // a large list again takes no fresh memory.
  std::vector<double> values;
  std::vector<Tcl_Obj*> elements;
  CDoubleObjCache objects;
};

template <class TMakeElement>
Tcl_Obj* ListOf(std::size_t count, TMakeElement makeElement, std::vector<Tcl_Obj*>& elements) {
  elements.resize(count);
  for (std::size_t i = 0; i < count; ++i) {
    elements[i] = makeElement(i);
  }
  return Tcl_NewListObj(static_cast<int>(count), elements.data());
}

// The patterns of the quantized values; a value without one (NaN, from
// wrapping an infinity) is an error naming its index.
std::vector<std::uint64_t> Patterns(const CQuantizer& quantizer, const CCodeFormat& format,
                                    Tcl_Obj* list, std::vector<double>& values) {
  Quantize(quantizer, list, values);
  std::vector<std::uint64_t> patterns(values.size());
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (!format.PatternOfValue(values[i], patterns[i])) {
      throw CTclFailure("CODE", "the value at index " + std::to_string(i) + " quantizes to " +
                                    std::to_string(values[i]) + ", which has no code");
    }
  }
  return patterns;
}

Tcl_Obj* CodeObj(const CCodeFormat& format, std::uint64_t pattern) {
  if (format.IsSigned() || pattern <= static_cast<std::uint64_t>(INT64_MAX)) {
    return Tcl_NewWideIntObj(static_cast<Tcl_WideInt>(format.SignedCode(pattern)));
  }
  return Text(std::to_string(pattern));  // beyond a wide integer: Tcl reads it as a bignum
}

void RequireWords(int objc, int expected, const char* usage) {
  if (objc != expected) {
    throw CTclFailure("ARGS", std::string("wrong # args: should be \"") + usage + "\"");
  }
}

Tcl_Obj* ObjectSubcommand(Tcl_Interp* interp, CQuantizerObject& object, int objc,
                          Tcl_Obj* const objv[]) {
  const std::string sub = Word(objv[1]);
  const std::string name = Word(objv[0]);
  CQuantizer& q = object.quantizer;
  if (sub == "-help") {
    return Tcl_NewStringObj(kUsage, -1);
  }
  if (sub == "quantize") {
    RequireWords(objc, 3, (name + " quantize list").c_str());
    std::vector<double>& values = object.values;
    Quantize(q, objv[2], values);
    object.objects.Prepare(values.size(), q.GetFractionalLength());
    Tcl_Obj* const list = ListOf(
        values.size(), [&](std::size_t i) { return object.objects.Get(values[i]); },
        object.elements);
    object.objects.ReleaseEvicted();
    return list;
  }
  if (sub == "codes" || sub == "hex") {
    RequireWords(objc, 3, (name + " " + sub + " list").c_str());
    const CCodeFormat format(q);
    const std::vector<std::uint64_t> patterns = Patterns(q, format, objv[2], object.values);
    if (sub == "codes") {
      return ListOf(
          patterns.size(), [&](std::size_t i) { return CodeObj(format, patterns[i]); },
          object.elements);
    }
    std::string token;
    return ListOf(
        patterns.size(),
        [&](std::size_t i) {
          token.clear();
          AppendHexToken(patterns[i], format.HexDigits(), token);
          return Text(token);
        },
        object.elements);
  }
  if (sub == "header") {
    RequireWords(objc, 2, (name + " header").c_str());
    return Text(HeaderOf(q));
  }
  if (sub == "cget") {
    RequireWords(objc, 3, (name + " cget option").c_str());
    return OptionValue(q, Word(objv[2]));
  }
  if (sub == "configure") {
    if (objc == 2) {
      return AllOptions(q);
    }
    if (objc == 3) {
      return OptionValue(q, Word(objv[2]));
    }
    q = Configure(q, objc - 2, objv + 2);
    return Tcl_NewObj();
  }
  if (sub == "destroy") {
    RequireWords(objc, 2, (name + " destroy").c_str());
    Tcl_DeleteCommandFromToken(interp, Tcl_GetCommandFromObj(interp, objv[0]));
    return Tcl_NewObj();
  }
  throw CTclFailure("ARGS", "bad subcommand \"" + sub + "\": must be " + kSubcommands);
}

int Fail(Tcl_Interp* interp, const std::string& kind, const char* text) {
  Tcl_SetObjResult(interp, Tcl_NewStringObj(text, -1));
  Tcl_SetErrorCode(interp, "REPORTAPP", "QUANTIZER", kind.c_str(), nullptr);
  return TCL_ERROR;
}

// Runs a subcommand body; every exception becomes a Tcl error.
template <class TBody>
int Guarded(Tcl_Interp* interp, TBody body) {
  const CScopedHostInterp bound(interp);
  try {
    Tcl_SetObjResult(interp, body());
    return TCL_OK;
  } catch (const CTclFailure& e) {
    return Fail(interp, e.Kind(), e.what());
  } catch (const CQuantizerError& e) {
    return Fail(interp, e.Kind(), e.what());
  } catch (const std::exception& e) {
    return Fail(interp, "FAILED", e.what());
  }
}

int ObjectObjCmd(ClientData data, Tcl_Interp* interp, int objc, Tcl_Obj* const objv[]) {
  if (objc < 2) {
    Tcl_WrongNumArgs(interp, 1, objv, "subcommand ?arg ...?");
    Tcl_SetErrorCode(interp, "REPORTAPP", "QUANTIZER", "ARGS", nullptr);
    return TCL_ERROR;
  }
  auto* object = static_cast<CQuantizerObject*>(data);
  return Guarded(interp, [&] { return ObjectSubcommand(interp, *object, objc, objv); });
}

void DeleteObject(ClientData data) {
  delete static_cast<CQuantizerObject*>(data);
}

Tcl_Obj* NewObject(Tcl_Interp* interp, int objc, Tcl_Obj* const objv[]) {
  static const CQuantizerSettings kDefaults;
  auto object = std::make_unique<CQuantizerObject>(
      CQuantizerObject{Configure(MakeQuantizer(kDefaults), objc, objv), {}, {}, {}});
  CQuantizerNames& names = GetInterpState().Get<CQuantizerNames>();
  std::string name;
  do {
    name = std::string(kCommand) + std::to_string(names.next++);
  } while (Tcl_FindCommand(interp, name.c_str(), nullptr, TCL_GLOBAL_ONLY) != nullptr);
  Tcl_CreateObjCommand(interp, name.c_str(), ObjectObjCmd, object.release(), DeleteObject);
  return Text(name);
}

int QuantizerObjCmd(ClientData, Tcl_Interp* interp, int objc, Tcl_Obj* const objv[]) {
  return Guarded(interp, [&]() -> Tcl_Obj* {
    const std::string sub = objc >= 2 ? Word(objv[1]) : "";
    if (sub == "-help") {
      return Tcl_NewStringObj(kUsage, -1);
    }
    if (sub != "new") {
      throw CTclFailure("ARGS", objc < 2 ? std::string("wrong # args: should be \"") + kCommand +
                                               " new ?-option value ...?\""
                                         : "bad subcommand \"" + sub + "\": must be new or -help");
    }
    return NewObject(interp, objc - 2, objv + 2);
  });
}

}  // namespace

void CreateQuantizerTclCommand(Tcl_Interp* interp) {
  Tcl_CreateObjCommand(interp, kCommand, QuantizerObjCmd, nullptr, nullptr);
}
