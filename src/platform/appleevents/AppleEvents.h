// Apple events: descriptors, lists, records, events, sending and receiving.
//
// A descriptor is a plain value the caller disposes of (AEDisposeDesc), as on
// the Mac: the agent's code keeps its explicit dispose steps. The storage
// behind dataHandle is ours and opaque. Lists, records and Apple events own
// copies of what is put into them, so a caller may dispose of its own
// descriptor right after putting it.
//
// Getting data: the Ptr getters copy at most maximumSize bytes and report the
// full size in *actualSize, so a short buffer truncates rather than fails.
// A desired type other than typeWildCard or the stored type goes through the
// coercions listed at AECoerceDesc.
#pragma once

#include <span>
#include <string>

#include "platform/core/MacErrors.h"
#include "platform/core/MacTypes.h"

using AEEventClass = FourCharCode;
using AEEventID = FourCharCode;
using AEReturnID = SInt16;
using AETransactionID = SInt32;
using AESendMode = SInt32;
using AESendPriority = SInt16;
using SRefCon = void*;

// ------------------------------------------------------------ type codes

enum : DescType {
  typeWildCard = '****',
  typeNull = 'null',
  typeBoolean = 'bool',
  typeTrue = 'true',
  typeFalse = 'fals',
  typeSInt16 = 'shor',
  typeUInt16 = 'ushr',
  typeSInt32 = 'long',
  typeUInt32 = 'magn',
  typeSInt64 = 'comp',
  typeUInt64 = 'ucom',
  typeIEEE32BitFloatingPoint = 'sing',
  typeIEEE64BitFloatingPoint = 'doub',
  typeChar = 'TEXT',  // Mac Roman text, no terminator
  typeUTF8Text = 'utf8',
  typeUnicodeText = 'utxt',  // UTF-16 in host order, no terminator
  typeType = 'type',
  typeEnumerated = 'enum',
  typeKeyword = 'keyw',
  typeProperty = 'prop',
  typeData = 'tdta',
  typeAlias = 'alis',
  typeFSRef = 'fsrf',
  typeFileURL = 'furl',
  typeAEList = 'list',
  typeAERecord = 'reco',
  typeAppleEvent = 'aevt',
  typeObjectSpecifier = 'obj ',
  typeProcessSerialNumber = 'psn ',
  typeApplSignature = 'sign',
  typeApplicationBundleID = 'bund',
  typeKernelProcessID = 'kpid',
  typeQDPoint = 'QDpt',
  typeHIPoint = 'hipt',  // two 32-bit floats, x then y
  typeQDRectangle = 'qdrt',
};

// ------------------------------------------------------------- keywords

enum : AEKeyword {
  keyDirectObject = '----',
  keyErrorNumber = 'errn',
  keyErrorString = 'errs',
  keyAEObjectClass = 'kocl',
  keyAEInsertHere = 'insh',
  keyAETo = 'to  ',
  keyAEDesiredClass = 'want',
  keyAEKeyForm = 'form',
  keyAEKeyData = 'seld',
  keyAEContainer = 'from',
  // Attributes of an Apple event.
  keyEventClassAttr = 'evcl',
  keyEventIDAttr = 'evid',
  keyAddressAttr = 'addr',
  keyReturnIDAttr = 'rtid',
  keyTransactionIDAttr = 'tran',
  keyTimeoutAttr = 'timo',
  keyInteractLevelAttr = 'inte',
  keyEventSourceAttr = 'esrc',
  keyOriginalAddressAttr = 'from',
};

// Event classes and IDs the agent sends or accepts.
enum : FourCharCode {
  kCoreEventClass = 'aevt',
  kAEOpenApplication = 'oapp',
  kAEOpenDocuments = 'odoc',
  kAEQuitApplication = 'quit',
  kAEAnswer = 'ansr',
  kAECoreSuite = 'core',
  kAEMiscStandards = 'misc',
  kAEDoScript = 'dosc',
  kAEMakeObjectsVisible = 'mvis',
  kAEDelete = 'delo',
  kAEMove = 'move',
  kAEClone = 'clon',
  kAECreateElement = 'crel',
};

// ------------------------------------------------------- sending options

enum : AESendMode {
  kAENoReply = 0x00000001,
  kAEQueueReply = 0x00000002,
  kAEWaitReply = 0x00000003,
  kAEReplyModeMask = 0x00000003,
  kAENeverInteract = 0x00000010,
  kAECanInteract = 0x00000020,
  kAEAlwaysInteract = 0x00000030,
  kAECanSwitchLayer = 0x00000040,
  kAEDontReconnect = 0x00000080,
  kAEWantReceipt = 0x00000200,
  kAEDontRecord = 0x00001000,
  kAEDontExecute = 0x00002000,
};
enum : AESendPriority { kAENormalPriority = 0, kAEHighPriority = 1 };
enum : SInt32 { kAEDefaultTimeout = -1, kNoTimeOut = -2 };
enum : AEReturnID { kAutoGenerateReturnID = -1 };
enum : AETransactionID { kAnyTransactionID = 0 };

// ----------------------------------------------------------- descriptors

struct OpaqueAEDataStorageType;
using AEDataStorage = OpaqueAEDataStorageType*;

struct AEDesc {
  DescType descriptorType = typeNull;
  AEDataStorage dataHandle = nullptr;
};
using AEDescList = AEDesc;
using AERecord = AEDescList;
using AEAddressDesc = AEDesc;
using AppleEvent = AERecord;

// Sets *desc to the null descriptor without disposing of anything.
void AEInitializeDesc(AEDesc* desc);

// A data descriptor holding a copy of dataSize bytes. typeNull makes the null
// descriptor. Status: noErr; paramErr (no result, negative size, or bytes
// missing).
[[nodiscard]] OSErr AECreateDesc(DescType typeCode, const void* dataPtr, Size dataSize,
                                 AEDesc* result);
// Frees the descriptor (and everything a list, record or event holds) and
// makes it the null descriptor. Status: noErr; paramErr (null pointer).
OSErr AEDisposeDesc(AEDesc* theAEDesc);
// A deep copy. Status: noErr; paramErr.
[[nodiscard]] OSErr AEDuplicateDesc(const AEDesc* theAEDesc, AEDesc* result);
// Size of a data descriptor's bytes; 0 for the null descriptor and for lists,
// records and events, which have no flat form here.
Size AEGetDescDataSize(const AEDesc* theAEDesc);
// Copies up to maximumSize bytes of a data descriptor. Status: noErr;
// paramErr; errAEWrongDataType (a list, record or event).
[[nodiscard]] OSErr AEGetDescData(const AEDesc* theAEDesc, void* dataPtr, Size maximumSize);
// Replaces the type and bytes of *theAEDesc (a previous list or record is
// disposed of). Status: noErr; paramErr.
OSErr AEReplaceDescData(DescType typeCode, const void* dataPtr, Size dataSize, AEDesc* theAEDesc);

// Coercions, the only ones the layer knows: to typeWildCard or the same type
// (a copy); among typeChar, typeUTF8Text and typeUnicodeText; among the
// integer types and the two floating point types when the value fits (a float
// only to an integer when it has no fraction); typeBoolean, typeTrue and
// typeFalse among themselves and to and from integers 0 and 1; among
// typeType, typeEnumerated, typeKeyword and typeProperty; typeQDPoint and
// typeHIPoint; a record to typeAERecord or to any type that is not a list or
// an event (a "coerced record" such as an object specifier); a data
// descriptor to typeAEList (a list of one item).
// Status: noErr; paramErr; errAECoercionFail.
[[nodiscard]] OSErr AECoerceDesc(const AEDesc* theAEDesc, DescType toType, AEDesc* result);
[[nodiscard]] OSErr AECoercePtr(DescType typeCode, const void* dataPtr, Size dataSize,
                                DescType toType, AEDesc* result);

// ----------------------------------------------------- lists and records

// An empty list (isRecord false) or record. Factoring is not supported: the
// factoring arguments must be null and 0. Status: noErr; paramErr.
[[nodiscard]] OSErr AECreateList(const void* factoringPtr, Size factoredSize, Boolean isRecord,
                                 AEDescList* resultList);
// Items of a list, or keyed items of a record or parameters of an event.
// Status: noErr; paramErr; errAEWrongDataType (not a list, record or event).
[[nodiscard]] OSErr AECountItems(const AEDescList* theAEDescList, long* theCount);
// Puts an item into a list: index 0 or count + 1 appends, 1..count replaces.
// Status: noErr; paramErr; errAEWrongDataType (not a list);
// errAEIllegalIndex.
OSErr AEPutPtr(AEDescList* theAEDescList, long index, DescType typeCode, const void* dataPtr,
               Size dataSize);
OSErr AEPutDesc(AEDescList* theAEDescList, long index, const AEDesc* theAEDesc);
// Reads item index (1-based) of a list, record or event, coerced to
// desiredType; *theAEKeyword gets its keyword (0 in a list).
// Status: noErr; paramErr; errAEWrongDataType (not a list, or a Ptr read
// of a list or record item); errAEIllegalIndex; errAECoercionFail.
[[nodiscard]] OSErr AEGetNthPtr(const AEDescList* theAEDescList, long index, DescType desiredType,
                                AEKeyword* theAEKeyword, DescType* typeCode, void* dataPtr,
                                Size maximumSize, Size* actualSize);
[[nodiscard]] OSErr AEGetNthDesc(const AEDescList* theAEDescList, long index, DescType desiredType,
                                 AEKeyword* theAEKeyword, AEDesc* result);
// Status: noErr; paramErr; errAEWrongDataType; errAEIllegalIndex.
OSErr AEDeleteItem(AEDescList* theAEDescList, long index);

// Keyed items of a record (also of an Apple event: its parameters). Putting a
// keyword that exists replaces it. Status as the list calls, with
// errAEDescNotFound for a missing keyword.
OSErr AEPutKeyPtr(AERecord* theAERecord, AEKeyword theAEKeyword, DescType typeCode,
                  const void* dataPtr, Size dataSize);
OSErr AEPutKeyDesc(AERecord* theAERecord, AEKeyword theAEKeyword, const AEDesc* theAEDesc);
[[nodiscard]] OSErr AEGetKeyPtr(const AERecord* theAERecord, AEKeyword theAEKeyword,
                                DescType desiredType, DescType* typeCode, void* dataPtr,
                                Size maximumSize, Size* actualSize);
[[nodiscard]] OSErr AEGetKeyDesc(const AERecord* theAERecord, AEKeyword theAEKeyword,
                                 DescType desiredType, AEDesc* result);
OSErr AEDeleteKeyDesc(AERecord* theAERecord, AEKeyword theAEKeyword);

// ---------------------------------------------------------- Apple events

// A new event with the given class and ID, a copy of target as its address
// (null: no address) and its return and transaction IDs
// (kAutoGenerateReturnID draws the next one from a counter).
// Status: noErr; paramErr.
[[nodiscard]] OSErr AECreateAppleEvent(AEEventClass theAEEventClass, AEEventID theAEEventID,
                                       const AEAddressDesc* target, AEReturnID returnID,
                                       AETransactionID transactionID, AppleEvent* result);
// Parameters: the keyed items of the event (the record calls). Status as
// there; errAEDescNotFound for a missing parameter.
OSErr AEPutParamPtr(AppleEvent* theAppleEvent, AEKeyword theAEKeyword, DescType typeCode,
                    const void* dataPtr, Size dataSize);
OSErr AEPutParamDesc(AppleEvent* theAppleEvent, AEKeyword theAEKeyword, const AEDesc* theAEDesc);
[[nodiscard]] OSErr AEGetParamPtr(const AppleEvent* theAppleEvent, AEKeyword theAEKeyword,
                                  DescType desiredType, DescType* actualType, void* dataPtr,
                                  Size maximumSize, Size* actualSize);
[[nodiscard]] OSErr AEGetParamDesc(const AppleEvent* theAppleEvent, AEKeyword theAEKeyword,
                                   DescType desiredType, AEDesc* result);
OSErr AEDeleteParam(AppleEvent* theAppleEvent, AEKeyword theAEKeyword);
// Attributes (class, ID, address, return ID, ...). Status: noErr; paramErr;
// errAENotAppleEvent; errAEDescNotFound; errAECoercionFail.
OSErr AEPutAttributePtr(AppleEvent* theAppleEvent, AEKeyword theAEKeyword, DescType typeCode,
                        const void* dataPtr, Size dataSize);
OSErr AEPutAttributeDesc(AppleEvent* theAppleEvent, AEKeyword theAEKeyword,
                         const AEDesc* theAEDesc);
[[nodiscard]] OSErr AEGetAttributePtr(const AppleEvent* theAppleEvent, AEKeyword theAEKeyword,
                                      DescType desiredType, DescType* typeCode, void* dataPtr,
                                      Size maximumSize, Size* actualSize);
[[nodiscard]] OSErr AEGetAttributeDesc(const AppleEvent* theAppleEvent, AEKeyword theAEKeyword,
                                       DescType desiredType, AEDesc* result);

// ---------------------------------------------------------------- building

// Descriptors built from a text format, as the Mac's AEBuild calls read it:
//   value      := data | type '(' data ')' | type '(' ')' | '[' values ']'
//                 | '{' key ':' value, ... '}' | type '{' ... '}' | '@'
//   data       := integer | identifier | 'quoted code' | "text" | «hex»
//                 | '@' | '@@'
// An identifier or quoted code (1 to 4 characters, padded with spaces) alone
// is typeEnumerated; an integer is typeSInt32; "text" is typeChar. type(x)
// coerces x to type; hex data and '@' data take type as is; type{...} is a
// record coerced to type (an object specifier, for example). The arguments
// after the format are consumed left to right: '@' as a value takes a
// const AEDesc*; type(@) takes a Size and then a const void*; type(@@) takes
// a Handle whose bytes are used.
enum AEBuildErrorCode : UInt32 {
  aeBuildSyntaxNoErr = 0,
  aeBuildSyntaxBadToken = 1,
  aeBuildSyntaxBadEOF = 2,
  aeBuildSyntaxNoEOF = 3,
  aeBuildSyntaxBadNegative = 4,
  aeBuildSyntaxMissingQuote = 5,
  aeBuildSyntaxBadHex = 6,
  aeBuildSyntaxOddHex = 7,
  aeBuildSyntaxNoCloseHex = 8,
  aeBuildSyntaxUncoercedHex = 9,
  aeBuildSyntaxNoCloseString = 10,
  aeBuildSyntaxBadDesc = 11,
  aeBuildSyntaxBadData = 12,
  aeBuildSyntaxNoCloseParen = 13,
  aeBuildSyntaxNoCloseBracket = 14,
  aeBuildSyntaxNoCloseBrace = 15,
  aeBuildSyntaxNoKey = 16,
  aeBuildSyntaxNoColon = 17,
  aeBuildSyntaxCoercedList = 18,
  aeBuildSyntaxUncoercedDoubleAt = 19,
};
struct AEBuildError {
  AEBuildErrorCode fError = aeBuildSyntaxNoErr;
  UInt32 fErrorPos = 0;  // byte offset into the format
};

// One descriptor. Status: noErr; paramErr; errAEBuildSyntaxError (*error,
// when given, tells what and where); errAECoercionFail (a type(x) that does
// not coerce).
[[nodiscard]] OSStatus AEBuildDesc(AEDesc* dst, AEBuildError* error, const char* src, ...);
// Puts the parameters of paramsFmt ("key: value, ...") into event.
// Status: as AEBuildDesc; errAENotAppleEvent.
[[nodiscard]] OSStatus AEBuildParameters(AppleEvent* event, AEBuildError* error, const char* format,
                                         ...);
// A new event addressed by (addressType, addressData) with the parameters of
// paramsFmt. On failure nothing is left in *result. Status: as AEBuildDesc.
[[nodiscard]] OSStatus AEBuildAppleEvent(AEEventClass theClass, AEEventID theID,
                                         DescType addressType, const void* addressData,
                                         Size addressLength, SInt16 returnID, SInt32 transactionID,
                                         AppleEvent* result, AEBuildError* error,
                                         const char* paramsFmt, ...);

// ------------------------------------------------------------------ sending

using AEIdleProcPtr = Boolean (*)(void* theEvent, SInt32* sleepTime, void** mouseRgn);
using AEIdleUPP = AEIdleProcPtr;
using AEFilterProcPtr = Boolean (*)(void* theEvent, SInt32 returnID, AETransactionID transactionID,
                                    const AEAddressDesc* sender);
using AEFilterUPP = AEFilterProcPtr;

// Hands the event to the host's receiver of the process its address names
// (typeProcessSerialNumber, typeApplSignature, typeApplicationBundleID or
// typeKernelProcessID). With kAEWaitReply and a reply pointer, *reply is a
// reply event ('aevt'/'ansr') the receiver filled in; otherwise *reply (when
// given) is the null descriptor. A receiver's own failure arrives, as on the
// Mac, as keyErrorNumber in the reply, not as the result. Priority, timeout
// and the two procedures are accepted and not used.
// Status: noErr; paramErr; errAENotAppleEvent; errAEUnknownSendMode (no
// reply mode); errAEUnknownAddressType (no address or one of another type);
// procNotFound (no receiver answers, or the host has no receivers);
// errAETimeout and other statuses the host reports.
OSErr AESend(const AppleEvent* theAppleEvent, AppleEvent* reply, AESendMode sendMode,
             AESendPriority sendPriority, SInt32 timeOutInTicks, AEIdleUPP idleProc,
             AEFilterUPP filterProc);

// ---------------------------------------------------------------- receiving

using AEEventHandlerProcPtr = OSErr (*)(const AppleEvent* theAppleEvent, AppleEvent* reply,
                                        SRefCon handlerRefcon);
using AEEventHandlerUPP = AEEventHandlerProcPtr;
inline AEEventHandlerUPP NewAEEventHandlerUPP(AEEventHandlerProcPtr p) { return p; }
inline void DisposeAEEventHandlerUPP(AEEventHandlerUPP) {}

// Installs the handler for (class, ID), replacing one already installed for
// the pair. typeWildCard matches any class or ID; an exact pair wins over a
// wildcard one. System handlers share the one table.
// Status: noErr; paramErr (no handler).
OSErr AEInstallEventHandler(AEEventClass theAEEventClass, AEEventID theAEEventID,
                            AEEventHandlerUPP handler, SRefCon handlerRefcon, Boolean isSysHandler);
// Status: noErr; errAEHandlerNotFound (nothing installed for the pair, or a
// different handler).
OSErr AERemoveEventHandler(AEEventClass theAEEventClass, AEEventID theAEEventID,
                           AEEventHandlerUPP handler, Boolean isSysHandler);
// Status: noErr; errAEHandlerNotFound.
[[nodiscard]] OSErr AEGetEventHandler(AEEventClass theAEEventClass, AEEventID theAEEventID,
                                      AEEventHandlerUPP* handler, SRefCon* handlerRefcon,
                                      Boolean isSysHandler);

// Our own: what a host calls when an Apple event arrives for this process.
// Runs the installed handler and returns its result; a failure is also put as
// keyErrorNumber into the reply when reply is an event without one.
// Status: the handler's; errAENotAppleEvent; errAEEventNotHandled (no
// handler for the event's class and ID).
OSErr AEDispatchReceivedEvent(const AppleEvent& theAppleEvent, AppleEvent* reply);

// ---------------------------------------------------------------- rendering

// Deterministic text of a descriptor for transcripts: four-character codes in
// single quotes, text as quoted text, numbers in decimal, other data in hex;
// lists as [a, b], records as {'key': value}, an event as
// 'core'/'move' to <address> {params}.
std::string AEDescribe(const AEDesc& desc);
// Lets the module that knows a data type render it (for example aliases as
// the path they name); the function gets the data bytes. Null removes it.
using AEDataRenderer = std::string (*)(std::span<const UInt8> data);
void AESetDataRenderer(DescType type, AEDataRenderer renderer);
