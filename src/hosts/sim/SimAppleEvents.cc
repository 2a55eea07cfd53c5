#include "hosts/sim/SimAppleEvents.h"

#include <cstring>
#include <string>
#include <vector>

#include "hosts/sim/SimFileOperations.h"
#include "hosts/sim/SimProcesses.h"
#include "platform/bundles/Bundle.h"
#include "platform/host/Transcript.h"

namespace {

// The identifier in the Info.plist of a process's bundle, if any.
std::string BundleIdentifierOf(const HostProcessInfo& info) {
  if (info.bundlePath.empty()) return {};
  CFRef<CFURLRef> url = CFURLCreateFromFileSystemRepresentation(
      nullptr, reinterpret_cast<const UInt8*>(info.bundlePath.data()),
      static_cast<CFIndex>(info.bundlePath.size()), true);
  CFRef<CFBundleRef> bundle = url ? CFBundleCreate(nullptr, url) : nullptr;
  CFStringRef id = bundle ? CFBundleGetIdentifier(bundle) : nullptr;
  return id ? CFStringToUTF8(id) : std::string();
}

}  // namespace

std::optional<ProcessSerialNumber> SimAppleEvents::Receiver(const AppleEvent& event) const {
  AEDesc address;
  if (AEGetAttributeDesc(&event, keyAddressAttr, typeWildCard, &address) != noErr)
    return std::nullopt;
  std::vector<UInt8> bytes(static_cast<std::size_t>(AEGetDescDataSize(&address)));
  const bool read = AEGetDescData(&address, bytes.data(), static_cast<Size>(bytes.size())) == noErr;
  const DescType type = address.descriptorType;
  AEDisposeDesc(&address);
  if (!read) return std::nullopt;

  for (const ProcessSerialNumber& psn : processes_.ProcessList()) {
    std::optional<HostProcessInfo> info = processes_.Info(psn);
    if (!info) continue;
    bool match = false;
    switch (type) {
      case typeProcessSerialNumber: {
        ProcessSerialNumber wanted;
        if (bytes.size() != sizeof wanted) return std::nullopt;
        std::memcpy(&wanted, bytes.data(), sizeof wanted);
        if (wanted == ProcessSerialNumber{0, kCurrentProcess}) wanted = processes_.Self();
        match = wanted == psn;
        break;
      }
      case typeApplSignature: {
        OSType creator = 0;
        if (bytes.size() != sizeof creator) return std::nullopt;
        std::memcpy(&creator, bytes.data(), sizeof creator);
        match = creator == info->creator;
        break;
      }
      case typeKernelProcessID: {
        pid_t pid = 0;
        if (bytes.size() != sizeof pid) return std::nullopt;
        std::memcpy(&pid, bytes.data(), sizeof pid);
        match = pid == info->pid;
        break;
      }
      case typeApplicationBundleID:
        match =
            !bytes.empty() && BundleIdentifierOf(*info) == std::string(bytes.begin(), bytes.end());
        break;
      default: return std::nullopt;
    }
    if (match) return psn;
  }
  return std::nullopt;
}

OSErr SimAppleEvents::Deliver(const AppleEvent& event, AppleEvent* reply, AESendMode mode) {
  const std::string description = AEDescribe(event);
  std::optional<ProcessSerialNumber> to = Receiver(event);
  std::optional<HostProcessInfo> info = to ? processes_.Info(*to) : std::nullopt;
  if (!info) {
    Transcribe("apple event reaches nobody: " + description);
    return procNotFound;
  }
  Transcribe(Fmt("apple event to %s: %s", info->name.c_str(), description.c_str()));
  delivered.push_back(description);
  modes.push_back(mode);
  OSErr result = noErr;
  if (carryingOut.contains(info->name)) result = CarryOutFileOperation(event, home);
  if (result == noErr && answer) result = answer(*to, event, reply);
  if (result != noErr && reply) {
    SInt32 number = result;
    (void)AEPutParamPtr(reply, keyErrorNumber, typeSInt32, &number, sizeof number);
  }
  return noErr;
}
