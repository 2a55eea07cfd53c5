// Hot-key signatures: a hot key identifier carries a 32-bit signature, which
// cannot hold a pointer. The table below hands out small handles instead and
// maps each back to the binding entry or trigger it stands for.
#include <map>
#include <string_view>

#include "bindings/KeyBindings.h"

namespace {

// 'K' and three characters of this alphabet: 62^3 - 1 handles, all printable.
constexpr std::string_view kHandleDigits =
    "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
constexpr UInt32 kHandleBase = static_cast<UInt32>(kHandleDigits.size());
constexpr UInt32 kHandleCount = kHandleBase * kHandleBase * kHandleBase;
constexpr OSType kHandlePrefix = static_cast<OSType>('K') << 24;

struct Use {
  const void* object = nullptr;
  UInt32 count = 0;
};

// Live handles by serial number, and the serial handed out last.
std::map<UInt32, Use>& Handles() {
  static std::map<UInt32, Use> handles;
  return handles;
}
UInt32 gLastSerial = 0;

UInt32 SignatureOfSerial(UInt32 serial) {
  const UInt32 d2 = serial % kHandleBase;
  const UInt32 d1 = serial / kHandleBase % kHandleBase;
  const UInt32 d0 = serial / (kHandleBase * kHandleBase);
  return kHandlePrefix | static_cast<UInt32>(kHandleDigits[d0]) << 16 |
         static_cast<UInt32>(kHandleDigits[d1]) << 8 | static_cast<UInt32>(kHandleDigits[d2]);
}

// The serial a signature names; 0 (never a serial) for anything else.
UInt32 SerialOfSignature(UInt32 signature) {
  if ((signature & 0xFF000000) != kHandlePrefix) return 0;
  UInt32 serial = 0;
  for (int shift = 16; shift >= 0; shift -= 8) {
    const auto pos = kHandleDigits.find(static_cast<char>((signature >> shift) & 0xFF));
    if (pos == std::string_view::npos) return 0;
    serial = serial * kHandleBase + static_cast<UInt32>(pos);
  }
  return serial;
}

}  // namespace

UInt32 HotKeySignatureFor(const void* object) {
  if (!object) return 0;
  auto& handles = Handles();
  for (auto& [serial, use] : handles) {
    if (use.object == object) {
      ++use.count;
      return SignatureOfSerial(serial);
    }
  }
  if (handles.size() >= kHandleCount - 1) return 0;
  // The next serial after the last one handed out, wrapping past the end and
  // skipping those still in use, so that a released handle is not handed out
  // again until every other one has had its turn.
  UInt32 serial = gLastSerial;
  do {
    serial = serial + 1 < kHandleCount ? serial + 1 : 1;
  } while (handles.contains(serial));
  gLastSerial = serial;
  handles[serial] = Use{object, 1};
  return SignatureOfSerial(serial);
}

void ReleaseHotKeySignature(UInt32 signature) {
  auto& handles = Handles();
  auto it = handles.find(SerialOfSignature(signature));
  if (it == handles.end()) return;
  if (--it->second.count == 0) handles.erase(it);
}

const void* HotKeyObjectForSignature(UInt32 signature) {
  auto& handles = Handles();
  auto it = handles.find(SerialOfSignature(signature));
  return it == handles.end() ? nullptr : it->second.object;
}
