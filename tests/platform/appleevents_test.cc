#include "platform/appleevents/AppleEvents.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "hosts/sim/SimDesktop.h"
#include "platform/appleevents/HostAppleEvents.h"
#include "platform/core/Handles.h"
#include "platform/host/Transcript.h"

namespace {

// Disposes of what a test made, whatever path it takes.
struct Desc : AEDesc {
  Desc() = default;
  Desc(const Desc&) = delete;
  ~Desc() { AEDisposeDesc(this); }
};

std::string TextParam(const AppleEvent& e, AEKeyword key, DescType as) {
  char buf[64] = {};
  Size size = 0;
  if (AEGetParamPtr(&e, key, as, nullptr, buf, sizeof buf, &size) != noErr) return "(error)";
  return std::string(buf, static_cast<std::size_t>(std::min<Size>(size, sizeof buf)));
}

void MacsAddress(AEDesc* d) {
  const OSType macs = 'MACS';
  EXPECT_EQ(AECreateDesc(typeApplSignature, &macs, sizeof macs, d), noErr);
}

// ---------------------------------------------------------- descriptors

TEST(AEDescriptors, EventParametersRoundTripAsCopies) {
  Desc event;
  {
    Desc address;
    MacsAddress(&address);
    ASSERT_EQ(AECreateAppleEvent(kAECoreSuite, kAEMove, &address, kAutoGenerateReturnID,
                                 kAnyTransactionID, &event),
              noErr);
  }
  {
    Desc list;
    ASSERT_EQ(AECreateList(nullptr, 0, false, &list), noErr);
    const UInt8 alias1[] = {1, 2, 3}, alias2[] = {4, 5};
    EXPECT_EQ(AEPutPtr(&list, 0, typeAlias, alias1, sizeof alias1), noErr);
    EXPECT_EQ(AEPutPtr(&list, 0, typeAlias, alias2, sizeof alias2), noErr);
    EXPECT_EQ(AEPutParamDesc(&event, keyDirectObject, &list), noErr);
    const OSType alia = 'alia';
    EXPECT_EQ(AEPutParamPtr(&event, keyAEObjectClass, typeType, &alia, sizeof alia), noErr);
  }  // the event holds its own copies

  OSType cls = 0;
  DescType actualType = 0;
  Size size = 0;
  EXPECT_EQ(AEGetParamPtr(&event, keyAEObjectClass, typeType, &actualType, &cls, sizeof cls, &size),
            noErr);
  EXPECT_EQ(cls, OSType('alia'));
  Desc items;
  ASSERT_EQ(AEGetParamDesc(&event, keyDirectObject, typeAEList, &items), noErr);
  long count = 0;
  EXPECT_EQ(AECountItems(&items, &count), noErr);
  EXPECT_EQ(count, 2);
  UInt8 bytes[8] = {};
  AEKeyword keyword = 1;
  EXPECT_EQ(AEGetNthPtr(&items, 2, typeWildCard, &keyword, &actualType, bytes, sizeof bytes, &size),
            noErr);
  EXPECT_EQ(size, 2);
  EXPECT_EQ(actualType, typeAlias);
  EXPECT_EQ(keyword, 0u);
  EXPECT_EQ(bytes[0], 4);

  EXPECT_EQ(
      AEGetParamPtr(&event, keyAEInsertHere, typeWildCard, nullptr, bytes, sizeof bytes, &size),
      errAEDescNotFound);
  OSType eventID = 0;
  EXPECT_EQ(AEGetAttributePtr(&event, keyEventIDAttr, typeType, nullptr, &eventID, 4, &size),
            noErr);
  EXPECT_EQ(eventID, OSType('move'));
  Desc address;
  EXPECT_EQ(AEGetAttributeDesc(&event, keyAddressAttr, typeWildCard, &address), noErr);
  EXPECT_EQ(address.descriptorType, typeApplSignature);
  EXPECT_EQ(AEPutAttributePtr(&items, keyAddressAttr, typeType, &cls, 4), errAENotAppleEvent);
}

TEST(AEDescriptors, ListIndicesAndShortBuffers) {
  Desc list;
  ASSERT_EQ(AECreateList(nullptr, 0, false, &list), noErr);
  const SInt32 one = 1, two = 2, three = 3;
  EXPECT_EQ(AEPutPtr(&list, 1, typeSInt32, &one, 4), noErr);    // count + 1 appends
  EXPECT_EQ(AEPutPtr(&list, 0, typeSInt32, &two, 4), noErr);    // 0 appends
  EXPECT_EQ(AEPutPtr(&list, 1, typeSInt32, &three, 4), noErr);  // replaces the first
  EXPECT_EQ(AEPutPtr(&list, 4, typeSInt32, &one, 4), errAEIllegalIndex);
  SInt32 v = 0;
  Size size = 0;
  EXPECT_EQ(AEGetNthPtr(&list, 1, typeSInt32, nullptr, nullptr, &v, 4, &size), noErr);
  EXPECT_EQ(v, 3);
  EXPECT_EQ(AEGetNthPtr(&list, 0, typeSInt32, nullptr, nullptr, &v, 4, &size), errAEIllegalIndex);
  EXPECT_EQ(AEGetNthPtr(&list, 3, typeSInt32, nullptr, nullptr, &v, 4, &size), errAEIllegalIndex);
  EXPECT_EQ(AEDeleteItem(&list, 1), noErr);
  EXPECT_EQ(AEGetNthPtr(&list, 1, typeSInt32, nullptr, nullptr, &v, 4, &size), noErr);
  EXPECT_EQ(v, 2);

  Desc record;
  ASSERT_EQ(AECreateList(nullptr, 0, true, &record), noErr);
  EXPECT_EQ(AEPutPtr(&record, 0, typeSInt32, &one, 4), errAEWrongDataType);
  Desc text;
  ASSERT_EQ(AECreateDesc(typeChar, "abc", 3, &text), noErr);
  long count = 0;
  EXPECT_EQ(AECountItems(&text, &count), errAEWrongDataType);
  EXPECT_EQ(AEPutKeyDesc(&text, keyDirectObject, &list), errAEWrongDataType);

  // A text longer than the buffer is cut to it; the full size is reported.
  Desc event;
  ASSERT_EQ(AECreateAppleEvent(kAEMiscStandards, kAEDoScript, nullptr, 1, 0, &event), noErr);
  const std::string script(100, 'x');
  ASSERT_EQ(AEPutParamPtr(&event, keyDirectObject, typeChar, script.data(),
                          static_cast<Size>(script.size())),
            noErr);
  char buffer[64];
  std::memset(buffer, '#', sizeof buffer);
  DescType type = 0;
  EXPECT_EQ(AEGetParamPtr(&event, keyDirectObject, typeChar, &type, buffer, 63, &size), noErr);
  EXPECT_EQ(size, 100);
  EXPECT_EQ(buffer[62], 'x');
  EXPECT_EQ(buffer[63], '#');
}

TEST(AEDescriptors, Coercions) {
  Desc event;
  ASSERT_EQ(AECreateAppleEvent(kCoreEventClass, kAEOpenDocuments, nullptr, 1, 0, &event), noErr);
  const char cafeRoman[] = "caf\x8E";  // é in Mac Roman
  ASSERT_EQ(AEPutParamPtr(&event, 'rom ', typeChar, cafeRoman, 4), noErr);
  EXPECT_EQ(TextParam(event, 'rom ', typeUTF8Text), "caf\xC3\xA9");
  const std::u16string sun = u"\u65E5x";
  ASSERT_EQ(AEPutParamPtr(&event, 'uni ', typeUnicodeText, sun.data(), 4), noErr);
  EXPECT_EQ(TextParam(event, 'uni ', typeUTF8Text), "\xE6\x97\xA5x");
  EXPECT_EQ(TextParam(event, 'uni ', typeChar), "(error)");  // not in Mac Roman
  ASSERT_EQ(AEPutParamPtr(&event, 'utf ', typeUTF8Text, "caf\xC3\xA9", 5), noErr);
  EXPECT_EQ(TextParam(event, 'utf ', typeChar), cafeRoman);

  auto coerce = [](DescType from, const void* data, Size n, DescType to, void* out, Size outSize) {
    Desc result;
    OSErr e = AECoercePtr(from, data, n, to, &result);
    if (e == noErr) {
      EXPECT_EQ(AEGetDescData(&result, out, outSize), noErr);
    }
    return e;
  };
  SInt32 big = 70000, five = 5;
  SInt16 s16 = 0;
  EXPECT_EQ(coerce(typeSInt32, &big, 4, typeSInt16, &s16, 2), errAECoercionFail);
  EXPECT_EQ(coerce(typeSInt32, &five, 4, typeSInt16, &s16, 2), noErr);
  EXPECT_EQ(s16, 5);
  UInt32 all = 0xFFFFFFFF;
  SInt32 s32 = 0;
  EXPECT_EQ(coerce(typeUInt32, &all, 4, typeSInt32, &s32, 4), errAECoercionFail);
  SInt64 minusOne = -1;
  UInt64 u64 = 0;
  EXPECT_EQ(coerce(typeSInt64, &minusOne, 8, typeUInt64, &u64, 8), errAECoercionFail);
  double half = 2.5, whole = 2.0;
  EXPECT_EQ(coerce(typeIEEE64BitFloatingPoint, &half, 8, typeSInt32, &s32, 4), errAECoercionFail);
  EXPECT_EQ(coerce(typeIEEE64BitFloatingPoint, &whole, 8, typeSInt32, &s32, 4), noErr);
  EXPECT_EQ(s32, 2);
  Boolean yes = false;
  EXPECT_EQ(coerce(typeTrue, nullptr, 0, typeBoolean, &yes, 1), noErr);
  EXPECT_TRUE(yes);
  EXPECT_EQ(coerce(typeSInt32, &five, 4, typeBoolean, &yes, 1), errAECoercionFail);
  OSType code = 0;
  const OSType enumerated = 'yes ';
  EXPECT_EQ(coerce(typeEnumerated, &enumerated, 4, typeType, &code, 4), noErr);
  EXPECT_EQ(code, OSType('yes '));
  const Point p{10, 20};
  float xy[2] = {};
  EXPECT_EQ(coerce(typeQDPoint, &p, 4, typeHIPoint, xy, 8), noErr);
  EXPECT_EQ(xy[0], 20.0f);
  EXPECT_EQ(xy[1], 10.0f);

  // A record can become an object specifier and still be read by key; a
  // list is never data.
  Desc record, specifier, list;
  ASSERT_EQ(AECreateList(nullptr, 0, true, &record), noErr);
  const OSType prop = 'prop';
  ASSERT_EQ(AEPutKeyPtr(&record, keyAEKeyForm, typeEnumerated, &prop, 4), noErr);
  ASSERT_EQ(AECoerceDesc(&record, typeObjectSpecifier, &specifier), noErr);
  Size size = 0;
  EXPECT_EQ(AEGetKeyPtr(&specifier, keyAEKeyForm, typeType, nullptr, &code, 4, &size), noErr);
  ASSERT_EQ(AECreateList(nullptr, 0, false, &list), noErr);
  Desc refused;
  EXPECT_EQ(AECoerceDesc(&list, typeChar, &refused), errAECoercionFail);
  EXPECT_EQ(AECoerceDesc(&specifier, typeAEList, &refused), errAECoercionFail);
}

TEST(AEDescriptors, DuplicatesAreDeep) {
  Desc list, copy;
  ASSERT_EQ(AECreateList(nullptr, 0, false, &list), noErr);
  ASSERT_EQ(AEPutPtr(&list, 0, typeChar, "a", 1), noErr);
  ASSERT_EQ(AEDuplicateDesc(&list, &copy), noErr);
  ASSERT_EQ(AEPutPtr(&copy, 1, typeChar, "b", 1), noErr);
  EXPECT_EQ(AEDescribe(list), "['TEXT'(\"a\")]");
  EXPECT_EQ(AEDescribe(copy), "['TEXT'(\"b\")]");
}

// -------------------------------------------------------------- rendering

std::string RenderAlias(std::span<const UInt8> data) {
  return std::string(reinterpret_cast<const char*>(data.data()), data.size());
}

TEST(AEDescribe, NestedListsRecordsAndEvents) {
  Desc event, list, inner, record;
  {
    Desc address;
    MacsAddress(&address);
    ASSERT_EQ(AECreateAppleEvent(kAECoreSuite, kAEMove, &address, 7, 0, &event), noErr);
  }
  ASSERT_EQ(AECreateList(nullptr, 0, false, &list), noErr);
  ASSERT_EQ(AECreateList(nullptr, 0, false, &inner), noErr);
  const UInt8 raw[] = {0x0A, 0xFF};
  ASSERT_EQ(AEPutPtr(&inner, 0, typeData, raw, 2), noErr);
  ASSERT_EQ(AEPutPtr(&list, 0, typeChar, "say \"hi\"\n", 9), noErr);
  ASSERT_EQ(AEPutDesc(&list, 0, &inner), noErr);
  ASSERT_EQ(AECreateList(nullptr, 0, true, &record), noErr);
  const SInt32 n = -3;
  ASSERT_EQ(AEPutKeyPtr(&record, 'num ', typeSInt32, &n, 4), noErr);
  ASSERT_EQ(AEPutParamDesc(&event, keyDirectObject, &list), noErr);
  ASSERT_EQ(AEPutParamDesc(&event, keyAEInsertHere, &record), noErr);
  const ProcessSerialNumber psn{0, 5};
  ASSERT_EQ(AEPutParamPtr(&event, 'psn ', typeProcessSerialNumber, &psn, 8), noErr);
  EXPECT_EQ(AEDescribe(event),
            "'core'/'move' to 'sign'('MACS') {'----': ['TEXT'(\"say \\\"hi\\\"\\x0A\"), "
            "['tdta'(<0aff>)]], 'insh': {'num ': 'long'(-3)}, 'psn ': 'psn '(0:5)}");

  Desc specifier;
  ASSERT_EQ(AECoerceDesc(&record, typeObjectSpecifier, &specifier), noErr);
  EXPECT_EQ(AEDescribe(specifier), "'obj '{'num ': 'long'(-3)}");
  EXPECT_EQ(AEDescribe(AEDesc{}), "null");

  Desc alias;
  ASSERT_EQ(AECreateDesc(typeAlias, "/Users/ana", 10, &alias), noErr);
  EXPECT_EQ(AEDescribe(alias), "'alis'(<2f55736572732f616e61>)");
  AESetDataRenderer(typeAlias, RenderAlias);
  EXPECT_EQ(AEDescribe(alias), "'alis'(/Users/ana)");
  AESetDataRenderer(typeAlias, nullptr);
}

// --------------------------------------------------------------- building

TEST(AEBuild, ObjectSpecifierFromTheFormatWithAHandle) {
  const std::u16string path = u"Macintosh HD:Users";
  Handle h = NewHandle(static_cast<Size>(path.size() * 2));
  ASSERT_NE(h, nullptr);
  std::memcpy(*h, path.data(), path.size() * 2);
  const OSType macs = 'MACS';
  Desc event;
  AEBuildError error;
  ASSERT_EQ(AEBuildAppleEvent(kCoreEventClass, kAEOpenDocuments, typeApplSignature, &macs, 4,
                              kAutoGenerateReturnID, kAnyTransactionID, &event, &error,
                              "'----':obj {form:prop, want:type(prop), seld:type(iwnd), "
                              "from:obj {form:name, want:type(alis), seld:utxt(@@), from:null()}}",
                              h),
            noErr);
  DisposeHandle(h);
  EXPECT_EQ(AEDescribe(event),
            "'aevt'/'odoc' to 'sign'('MACS') {'----': 'obj '{'form': 'enum'('prop'), "
            "'want': 'type'('prop'), 'seld': 'type'('iwnd'), 'from': 'obj '{'form': "
            "'enum'('name'), 'want': 'type'('alis'), 'seld': 'utxt'(\"Macintosh HD:Users\"), "
            "'from': null}}}");

  Desc list, given;
  ASSERT_EQ(AECreateDesc(typeChar, "g", 1, &given), noErr);
  const SInt16 seven = 7;
  EXPECT_EQ(AEBuildDesc(&list, &error, "[1, shor(70000)]"), errAECoercionFail);
  EXPECT_EQ(list.dataHandle, nullptr);
  ASSERT_EQ(AEBuildDesc(&list, &error,
                        "[-3, \"caf\xC3\xA9\", shor(@), @, 'to  ', "
                        "tdta(«0a 0B»)]",
                        Size(2), &seven, &given),
            noErr);
  EXPECT_EQ(AEDescribe(list),
            "['long'(-3), 'TEXT'(\"caf\xC3\xA9\"), 'shor'(7), 'TEXT'(\"g\"), 'enum'('to  '), "
            "'tdta'(<0a0b>)]");
}

TEST(AEBuild, SyntaxErrorsSayWhereAndLeaveNothing) {
  struct Case {
    const char* format;
    AEBuildErrorCode code;
    UInt32 pos;
  };
  const Case cases[] = {
      {"'----': [1, 2", aeBuildSyntaxNoCloseBracket, 13},
      {"'----' 5", aeBuildSyntaxNoColon, 7},
      {"'----': «0A»", aeBuildSyntaxUncoercedHex, 8},
      {"kocl: type(alia", aeBuildSyntaxNoCloseParen, 15},
      {"kocl: tdta(«0A0»)", aeBuildSyntaxOddHex, 16},
      {"kocl: enum(x) y", aeBuildSyntaxNoEOF, 14},
      {"kocl: \"open", aeBuildSyntaxNoCloseString, 6},
      {"kocl: toolong", aeBuildSyntaxBadToken, 6},
  };
  for (const auto& c : cases) {
    Desc event;
    AEBuildError error;
    EXPECT_EQ(AEBuildAppleEvent(kCoreEventClass, kAEOpenDocuments, typeApplSignature, "MACS", 4, 1,
                                0, &event, &error, c.format),
              errAEBuildSyntaxError)
        << c.format;
    EXPECT_EQ(error.fError, c.code) << c.format;
    EXPECT_EQ(error.fErrorPos, c.pos) << c.format;
    EXPECT_EQ(event.dataHandle, nullptr) << c.format;
  }
}

// ------------------------------------------------- receiving and sending

struct HandlerLog {
  int calls = 0;
  OSErr result = noErr;
};

OSErr CountingHandler(const AppleEvent*, AppleEvent*, SRefCon refcon) {
  auto* log = static_cast<HandlerLog*>(refcon);
  ++log->calls;
  return log->result;
}

OSErr OtherHandler(const AppleEvent*, AppleEvent*, SRefCon) { return noErr; }

TEST(AEDispatch, InstalledHandlersRunMissingOnesAreReported) {
  SimDesktop desktop;
  HandlerLog quit, wildcard;
  ASSERT_EQ(
      AEInstallEventHandler(kCoreEventClass, kAEQuitApplication, CountingHandler, &quit, false),
      noErr);
  ASSERT_EQ(
      AEInstallEventHandler(kAEMiscStandards, typeWildCard, CountingHandler, &wildcard, false),
      noErr);
  Desc quitEvent, scriptEvent, openEvent, reply;
  ASSERT_EQ(AECreateAppleEvent(kCoreEventClass, kAEQuitApplication, nullptr, 1, 0, &quitEvent),
            noErr);
  ASSERT_EQ(AECreateAppleEvent(kAEMiscStandards, kAEDoScript, nullptr, 2, 0, &scriptEvent), noErr);
  ASSERT_EQ(AECreateAppleEvent(kCoreEventClass, kAEOpenDocuments, nullptr, 3, 0, &openEvent),
            noErr);

  EXPECT_EQ(AEDispatchReceivedEvent(quitEvent, nullptr), noErr);
  EXPECT_EQ(quit.calls, 1);
  EXPECT_EQ(AEDispatchReceivedEvent(scriptEvent, nullptr), noErr);
  EXPECT_EQ(wildcard.calls, 1);

  // A failure reaches the sender as the reply's error number.
  ASSERT_EQ(AECreateAppleEvent(kCoreEventClass, kAEAnswer, nullptr, 3, 0, &reply), noErr);
  EXPECT_EQ(AEDispatchReceivedEvent(openEvent, &reply), errAEEventNotHandled);
  SInt32 number = 0;
  Size size = 0;
  EXPECT_EQ(AEGetParamPtr(&reply, keyErrorNumber, typeSInt32, nullptr, &number, 4, &size), noErr);
  EXPECT_EQ(number, errAEEventNotHandled);

  EXPECT_EQ(AERemoveEventHandler(kCoreEventClass, kAEQuitApplication, OtherHandler, false),
            errAEHandlerNotFound);
  EXPECT_EQ(AERemoveEventHandler(kCoreEventClass, kAEQuitApplication, CountingHandler, false),
            noErr);
  EXPECT_EQ(AEDispatchReceivedEvent(quitEvent, nullptr), errAEEventNotHandled);
  EXPECT_EQ(quit.calls, 1);
  EXPECT_EQ(AERemoveEventHandler(kAEMiscStandards, typeWildCard, CountingHandler, false), noErr);
}

class RecordingReceivers final : public HostAppleEvents {
 public:
  OSErr Deliver(const AppleEvent& event, AppleEvent* reply, AESendMode mode) override {
    lines.push_back(AEDescribe(event) + Fmt(" mode 0x%X", static_cast<unsigned>(mode)));
    hadReply.push_back(reply != nullptr);
    if (reply) {
      const SInt32 answer = 12;
      EXPECT_EQ(AEPutParamPtr(reply, keyDirectObject, typeSInt32, &answer, 4), noErr);
    }
    return result;
  }
  std::vector<std::string> lines;
  std::vector<bool> hadReply;
  OSErr result = noErr;
};

TEST(AESend, ReachesTheHostReceiverWithReplyOnlyWhenWaiting) {
  SimDesktop desktop;
  RecordingReceivers receivers;
  Desc event, reply, noAddress;
  {
    Desc address;
    MacsAddress(&address);
    ASSERT_EQ(AECreateAppleEvent(kAECoreSuite, kAEDelete, &address, 1, 0, &event), noErr);
  }
  EXPECT_EQ(
      AESend(&event, &reply, kAEWaitReply, kAENormalPriority, kAEDefaultTimeout, nullptr, nullptr),
      procNotFound);  // no receivers on this host yet
  desktop.host().appleEvents = &receivers;

  EXPECT_EQ(
      AESend(&event, &reply, kAEWaitReply, kAENormalPriority, kAEDefaultTimeout, nullptr, nullptr),
      noErr);
  SInt32 answer = 0;
  Size size = 0;
  EXPECT_EQ(AEGetParamPtr(&reply, keyDirectObject, typeSInt32, nullptr, &answer, 4, &size), noErr);
  EXPECT_EQ(answer, 12);
  AEDisposeDesc(&reply);

  EXPECT_EQ(AESend(&event, &reply, kAENoReply | kAEAlwaysInteract | kAECanSwitchLayer,
                   kAENormalPriority, kAEDefaultTimeout, nullptr, nullptr),
            noErr);
  EXPECT_EQ(reply.descriptorType, typeNull);
  EXPECT_EQ(receivers.lines,
            (std::vector<std::string>{"'core'/'delo' to 'sign'('MACS') {} mode 0x3",
                                      "'core'/'delo' to 'sign'('MACS') {} mode 0x71"}));
  EXPECT_EQ(receivers.hadReply, (std::vector<bool>{true, false}));

  receivers.result = procNotFound;
  EXPECT_EQ(AESend(&event, &reply, kAEWaitReply, 0, -1, nullptr, nullptr), procNotFound);
  EXPECT_EQ(reply.dataHandle, nullptr);
  EXPECT_EQ(AESend(&event, &reply, 0, 0, -1, nullptr, nullptr), errAEUnknownSendMode);
  ASSERT_EQ(AECreateAppleEvent(kCoreEventClass, kAEQuitApplication, nullptr, 2, 0, &noAddress),
            noErr);
  EXPECT_EQ(AESend(&noAddress, &reply, kAENoReply, 0, -1, nullptr, nullptr),
            errAEUnknownAddressType);
  EXPECT_EQ(AESend(&reply, nullptr, kAENoReply, 0, -1, nullptr, nullptr), errAENotAppleEvent);
  EXPECT_EQ(receivers.lines.size(), 3u);
}

}  // namespace
