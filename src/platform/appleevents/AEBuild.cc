// Building descriptors from the AEBuild text format (grammar in
// AppleEvents.h). A recursive descent over the format; every descriptor made
// on the way is owned until it is handed to its container, so a syntax error
// anywhere leaves nothing behind.
#include <charconv>
#include <cstdarg>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/appleevents/AppleEvents.h"
#include "platform/core/Handles.h"

namespace {

struct Owned {
  AEDesc desc;
  Owned() = default;
  Owned(const Owned&) = delete;
  Owned& operator=(const Owned&) = delete;
  ~Owned() { AEDisposeDesc(&desc); }
  AEDesc Release() {
    AEDesc out = desc;
    desc = AEDesc{};
    return out;
  }
};

constexpr std::string_view kOpenHex = "\xC2\xAB";         // «
constexpr std::string_view kCloseHex = "\xC2\xBB";        // »
constexpr std::string_view kOpenQuote = "\xE2\x80\x9C";   // “
constexpr std::string_view kCloseQuote = "\xE2\x80\x9D";  // ”

bool IsIdentChar(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' ||
         c == '-';
}
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

class Parser {
 public:
  Parser(const char* src, va_list* args) : src_(src), args_(args) {}

  const AEBuildError& Error() const { return error_; }

  OSStatus Document(AEDesc* out) {
    Owned v;
    if (OSStatus e = Value(&v.desc); e != noErr) return e;
    SkipSpace();
    if (pos_ != src_.size()) return Fail(aeBuildSyntaxNoEOF);
    *out = v.Release();
    return noErr;
  }

  OSStatus Parameters(AppleEvent* event) {
    SkipSpace();
    while (pos_ < src_.size()) {
      OSType key = 0;
      if (!Code(&key)) return Fail(aeBuildSyntaxNoKey);
      SkipSpace();
      if (!Eat(":")) return Fail(aeBuildSyntaxNoColon);
      Owned v;
      if (OSStatus e = Value(&v.desc); e != noErr) return e;
      if (OSStatus e = AEPutParamDesc(event, key, &v.desc); e != noErr) return e;
      SkipSpace();
      if (!Eat(",")) break;
      SkipSpace();
    }
    if (pos_ != src_.size()) return Fail(aeBuildSyntaxNoEOF);
    return noErr;
  }

 private:
  OSStatus Fail(AEBuildErrorCode code) {
    error_ = AEBuildError{code, static_cast<UInt32>(pos_)};
    return errAEBuildSyntaxError;
  }
  void SkipSpace() {
    while (pos_ < src_.size() &&
           (src_[pos_] == ' ' || src_[pos_] == '\t' || src_[pos_] == '\n' || src_[pos_] == '\r'))
      ++pos_;
  }
  bool Peek(std::string_view s) const { return src_.substr(pos_, s.size()) == s; }
  bool Eat(std::string_view s) {
    if (!Peek(s)) return false;
    pos_ += s.size();
    return true;
  }

  // An identifier or a quoted code, padded with spaces to four characters.
  bool Code(OSType* out) {
    std::string text;
    if (Eat("'")) {
      std::size_t close = src_.find('\'', pos_);
      if (close == std::string_view::npos || close - pos_ > 4) return false;
      text = std::string(src_.substr(pos_, close - pos_));
      pos_ = close + 1;
    } else {
      std::size_t start = pos_;
      if (pos_ >= src_.size() || IsDigit(src_[pos_])) return false;
      if (src_[pos_] == '-' && pos_ + 1 < src_.size() && IsDigit(src_[pos_ + 1])) return false;
      while (pos_ < src_.size() && IsIdentChar(src_[pos_])) ++pos_;
      if (pos_ == start || pos_ - start > 4) {
        pos_ = start;
        return false;
      }
      text = std::string(src_.substr(start, pos_ - start));
    }
    if (text.empty()) return false;
    text.resize(4, ' ');
    *out = FourCC(text);
    return true;
  }

  OSStatus Value(AEDesc* out) {
    SkipSpace();
    if (pos_ >= src_.size()) return Fail(aeBuildSyntaxBadEOF);
    if (Eat("[")) return List(out);
    if (Eat("{")) return Record(typeAERecord, out);
    if (Peek("@@")) return Fail(aeBuildSyntaxUncoercedDoubleAt);
    if (Eat("@")) {
      const AEDesc* given = va_arg(*args_, const AEDesc*);
      if (!given) return Fail(aeBuildSyntaxBadData);
      return AEDuplicateDesc(given, out);
    }
    if (Peek(kOpenHex)) return Fail(aeBuildSyntaxUncoercedHex);
    if (Peek("\"") || Peek(kOpenQuote)) return Text(out);
    if (IsDigit(src_[pos_]) || src_[pos_] == '-') {
      if (src_[pos_] == '-' && !(pos_ + 1 < src_.size() && IsDigit(src_[pos_ + 1])))
        return Fail(aeBuildSyntaxBadNegative);
      return Number(out);
    }
    std::size_t start = pos_;
    OSType type = 0;
    if (!Code(&type)) {
      pos_ = start;
      return Fail(Peek("'") ? aeBuildSyntaxMissingQuote : aeBuildSyntaxBadToken);
    }
    SkipSpace();
    if (Eat("(")) return Coerced(type, out);
    if (Eat("{")) return Record(type, out);
    if (Peek("[")) return Fail(aeBuildSyntaxCoercedList);
    return AECreateDesc(typeEnumerated, &type, sizeof type, out);
  }

  OSStatus List(AEDesc* out) {
    Owned list;
    (void)AECreateList(nullptr, 0, false, &list.desc);
    SkipSpace();
    if (!Eat("]")) {
      for (;;) {
        Owned item;
        if (OSStatus e = Value(&item.desc); e != noErr) return e;
        if (OSStatus e = AEPutDesc(&list.desc, 0, &item.desc); e != noErr) return e;
        SkipSpace();
        if (Eat("]")) break;
        if (!Eat(",")) return Fail(aeBuildSyntaxNoCloseBracket);
      }
    }
    *out = list.Release();
    return noErr;
  }

  OSStatus Record(DescType type, AEDesc* out) {
    Owned record;
    (void)AECreateList(nullptr, 0, true, &record.desc);
    SkipSpace();
    if (!Eat("}")) {
      for (;;) {
        SkipSpace();
        OSType key = 0;
        if (!Code(&key)) return Fail(aeBuildSyntaxNoKey);
        SkipSpace();
        if (!Eat(":")) return Fail(aeBuildSyntaxNoColon);
        Owned item;
        if (OSStatus e = Value(&item.desc); e != noErr) return e;
        if (OSStatus e = AEPutKeyDesc(&record.desc, key, &item.desc); e != noErr) return e;
        SkipSpace();
        if (Eat("}")) break;
        if (!Eat(",")) return Fail(aeBuildSyntaxNoCloseBrace);
      }
    }
    if (type == typeAERecord) {
      *out = record.Release();
      return noErr;
    }
    return AECoerceDesc(&record.desc, type, out);
  }

  OSStatus Text(AEDesc* out) {
    const std::size_t start = pos_;
    const bool curly = Eat(kOpenQuote);
    if (!curly) Eat("\"");
    std::size_t close = src_.find(curly ? kCloseQuote : std::string_view("\""), pos_);
    if (close == std::string_view::npos) {
      pos_ = start;
      return Fail(aeBuildSyntaxNoCloseString);
    }
    std::string_view text = src_.substr(pos_, close - pos_);
    pos_ = close + (curly ? kCloseQuote.size() : 1);
    return AECoercePtr(typeUTF8Text, text.data(), static_cast<Size>(text.size()), typeChar, out);
  }

  OSStatus Number(AEDesc* out) {
    std::size_t start = pos_;
    if (src_[pos_] == '-') ++pos_;
    while (pos_ < src_.size() && IsDigit(src_[pos_])) ++pos_;
    SInt64 value = 0;
    auto [end, ec] = std::from_chars(src_.data() + start, src_.data() + pos_, value);
    if (ec != std::errc() || end != src_.data() + pos_) {
      pos_ = start;
      return Fail(aeBuildSyntaxBadData);
    }
    if (value >= INT32_MIN && value <= INT32_MAX) {
      SInt32 v32 = static_cast<SInt32>(value);
      return AECreateDesc(typeSInt32, &v32, sizeof v32, out);
    }
    return AECreateDesc(typeSInt64, &value, sizeof value, out);
  }

  OSStatus Hex(DescType type, AEDesc* out) {
    std::size_t close = src_.find(kCloseHex, pos_);
    if (close == std::string_view::npos) return Fail(aeBuildSyntaxNoCloseHex);
    std::string bytes;
    int pending = -1;
    for (; pos_ < close; ++pos_) {
      char c = src_[pos_];
      if (c == ' ') continue;
      int v = IsDigit(c)               ? c - '0'
              : (c >= 'a' && c <= 'f') ? c - 'a' + 10
              : (c >= 'A' && c <= 'F') ? c - 'A' + 10
                                       : -1;
      if (v < 0) return Fail(aeBuildSyntaxBadHex);
      if (pending < 0) {
        pending = v;
      } else {
        bytes.push_back(static_cast<char>(pending * 16 + v));
        pending = -1;
      }
    }
    if (pending >= 0) return Fail(aeBuildSyntaxOddHex);
    pos_ = close + kCloseHex.size();
    return AECreateDesc(type, bytes.data(), static_cast<Size>(bytes.size()), out);
  }

  // After "type(": raw data, or a value coerced to type.
  OSStatus Coerced(DescType type, AEDesc* out) {
    SkipSpace();
    Owned value;
    if (Eat(")")) return AECreateDesc(type, nullptr, 0, out);
    if (Eat(kOpenHex)) {
      if (OSStatus e = Hex(type, &value.desc); e != noErr) return e;
    } else if (Eat("@@")) {
      Handle h = va_arg(*args_, Handle);
      if (!h) return Fail(aeBuildSyntaxBadData);
      if (OSStatus e = AECreateDesc(type, *h, GetHandleSize(h), &value.desc); e != noErr) return e;
    } else if (Eat("@")) {
      Size size = va_arg(*args_, Size);
      const void* data = va_arg(*args_, const void*);
      if (size < 0 || (size > 0 && !data)) return Fail(aeBuildSyntaxBadData);
      if (OSStatus e = AECreateDesc(type, data, size, &value.desc); e != noErr) return e;
    } else {
      if (Peek("[") || Peek("{")) return Fail(aeBuildSyntaxBadData);
      Owned inner;
      if (OSStatus e = Value(&inner.desc); e != noErr) return e;
      if (OSStatus e = AECoerceDesc(&inner.desc, type, &value.desc); e != noErr) return e;
    }
    SkipSpace();
    if (!Eat(")")) return Fail(aeBuildSyntaxNoCloseParen);
    *out = value.Release();
    return noErr;
  }

  std::string_view src_;
  std::size_t pos_ = 0;
  va_list* args_;
  AEBuildError error_;
};

}  // namespace

OSStatus AEBuildDesc(AEDesc* dst, AEBuildError* error, const char* src, ...) {
  if (!dst || !src) return paramErr;
  va_list args;
  va_start(args, src);
  Parser parser(src, &args);
  AEDesc built;
  OSStatus e = parser.Document(&built);
  va_end(args);
  if (error) *error = parser.Error();
  if (e == noErr) *dst = built;
  return e;
}

OSStatus AEBuildParameters(AppleEvent* event, AEBuildError* error, const char* format, ...) {
  if (!event || !format) return paramErr;
  if (event->descriptorType != typeAppleEvent || !event->dataHandle) return errAENotAppleEvent;
  va_list args;
  va_start(args, format);
  Parser parser(format, &args);
  OSStatus e = parser.Parameters(event);
  va_end(args);
  if (error) *error = parser.Error();
  return e;
}

OSStatus AEBuildAppleEvent(AEEventClass theClass, AEEventID theID, DescType addressType,
                           const void* addressData, Size addressLength, SInt16 returnID,
                           SInt32 transactionID, AppleEvent* result, AEBuildError* error,
                           const char* paramsFmt, ...) {
  if (!result || !paramsFmt) return paramErr;
  Owned address, event;
  if (OSStatus e = AECreateDesc(addressType, addressData, addressLength, &address.desc); e != noErr)
    return e;
  if (OSStatus e =
          AECreateAppleEvent(theClass, theID, &address.desc, returnID, transactionID, &event.desc);
      e != noErr)
    return e;
  va_list args;
  va_start(args, paramsFmt);
  Parser parser(paramsFmt, &args);
  OSStatus e = parser.Parameters(&event.desc);
  va_end(args);
  if (error) *error = parser.Error();
  if (e == noErr) *result = event.Release();
  return e;
}
