// Core value types shared by every manager of the platform layer.
//
// The names are those of the classic Mac OS interfaces the agent's code is
// written against; the representation is ours. Everything here is a plain
// value type with a fixed size where the stored or exchanged layout matters.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

using UInt8 = std::uint8_t;
using SInt8 = std::int8_t;
using UInt16 = std::uint16_t;
using SInt16 = std::int16_t;
using UInt32 = std::uint32_t;
using SInt32 = std::int32_t;
using UInt64 = std::uint64_t;
using SInt64 = std::int64_t;
using Float32 = float;
using Float64 = double;
using Boolean = bool;
using UniChar = char16_t;
using UniCharCount = std::size_t;
using ByteCount = std::size_t;
using ItemCount = std::size_t;
using Size = long;
using Ptr = char*;
using Handle = char**;
using StringPtr = unsigned char*;
using ConstStringPtr = const unsigned char*;
using Str255 = unsigned char[256];
using Str63 = unsigned char[64];
using Str31 = unsigned char[32];

using OSStatus = SInt32;
using OSErr = SInt16;

// A four-character code, stored big-endian in its bytes: 'abcd' == 0x61626364.
using OSType = UInt32;
using FourCharCode = UInt32;
using ResType = UInt32;
using DescType = UInt32;
using AEKeyword = UInt32;
using ScriptCode = SInt16;
using FSVolumeRefNum = SInt16;
using MenuID = SInt16;
using MenuItemIndex = UInt16;
using MenuCommand = UInt32;
using EventTime = double;  // seconds
using EventTimeout = double;
using EventTimerInterval = double;  // seconds
using CGFloat = double;

// Builds a four-character code from its text ("abcd" -> 'abcd'); shorter
// texts are padded with zero bytes at the end.
constexpr OSType FourCC(std::string_view s) {
  OSType v = 0;
  for (std::size_t i = 0; i < 4; ++i)
    v = (v << 8) | (i < s.size() ? static_cast<unsigned char>(s[i]) : 0u);
  return v;
}
// The four bytes of a code as text; bytes outside printable ASCII are shown
// as \xNN so that transcripts stay readable and deterministic.
std::string FourCCString(OSType code);

struct Point {
  SInt16 v = 0;
  SInt16 h = 0;
  friend bool operator==(const Point&, const Point&) = default;
};

struct Rect {
  SInt16 top = 0;
  SInt16 left = 0;
  SInt16 bottom = 0;
  SInt16 right = 0;
  friend bool operator==(const Rect&, const Rect&) = default;
};

struct RGBColor {
  UInt16 red = 0;
  UInt16 green = 0;
  UInt16 blue = 0;
  friend bool operator==(const RGBColor&, const RGBColor&) = default;
};

struct ProcessSerialNumber {
  UInt32 highLongOfPSN = 0;
  UInt32 lowLongOfPSN = 0;
  friend bool operator==(const ProcessSerialNumber&, const ProcessSerialNumber&) = default;
};
static_assert(sizeof(ProcessSerialNumber) == 8);

enum : UInt32 { kNoProcess = 0, kSystemProcess = 1, kCurrentProcess = 2 };

// 8 bytes: 16-bit high seconds, 32-bit low seconds, 16-bit fraction, seconds
// since 1904-01-01 UTC.
#pragma pack(push, 2)
struct UTCDateTime {
  UInt16 highSeconds = 0;
  UInt32 lowSeconds = 0;
  UInt16 fraction = 0;
  friend bool operator==(const UTCDateTime&, const UTCDateTime&) = default;
};
#pragma pack(pop)
static_assert(sizeof(UTCDateTime) == 8);

// 80 opaque bytes naming a file system object. On Linux (see FilesRef.cc)
// the bytes hold the device, inode and a handle to the path the ref was made
// from; two refs name the same object when device and inode are equal.
struct FSRef {
  UInt8 hidden[80] = {};
};
static_assert(sizeof(FSRef) == 80);

using FSRefPtr = FSRef*;

// Every user of the core types also needs the status codes.
#include "platform/core/MacErrors.h"
