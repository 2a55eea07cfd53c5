#include "platform/interface/Nibs.h"

#include <vector>

#include "platform/bundles/Bundle.h"
#include "platform/host/Host.h"
#include "platform/interface/HostMenuBar.h"
#include "platform/propertylists/PropertyList.h"

struct OpaqueIBNibRef {
  CFRef<CFDictionaryRef> contents;
};

namespace {

constexpr const char* kNibType = "nib";
constexpr const char* kMenuTitleKey = "Title";
constexpr const char* kMenuItemsKey = "Items";

std::vector<HostMenuBarMenu> MenusOf(CFArrayRef bar) {
  std::vector<HostMenuBarMenu> menus;
  for (CFIndex i = 0; i < CFArrayGetCount(bar); ++i) {
    auto value = static_cast<CFTypeRef>(CFArrayGetValueAtIndex(bar, i));
    if (!value || CFGetTypeID(value) != CFDictionaryGetTypeID()) continue;
    auto menu = static_cast<CFDictionaryRef>(value);
    CFStringRef title = CFDictionaryGetTyped<CFStringRef>(menu, CFSTR(kMenuTitleKey));
    if (!title) continue;
    HostMenuBarMenu out;
    out.title = CFStringToUTF8(title);
    if (CFArrayRef items = CFDictionaryGetTyped<CFArrayRef>(menu, CFSTR(kMenuItemsKey))) {
      for (CFIndex j = 0; j < CFArrayGetCount(items); ++j) {
        auto item = static_cast<CFTypeRef>(CFArrayGetValueAtIndex(items, j));
        if (item && CFGetTypeID(item) == CFStringGetTypeID())
          out.items.push_back(CFStringToUTF8(static_cast<CFStringRef>(item)));
      }
    }
    menus.push_back(std::move(out));
  }
  return menus;
}

}  // namespace

OSStatus CreateNibReference(CFStringRef inNibName, IBNibRef* outNibRef) {
  if (!inNibName || !outNibRef) return paramErr;
  *outNibRef = nullptr;
  CFBundleRef bundle = CFBundleGetMainBundle();
  if (!bundle) return kIBCarbonRuntimeCantFindNibFile;
  CFRef<CFURLRef> url = CFBundleCopyResourceURL(bundle, inNibName, CFSTR(kNibType), nullptr);
  if (!url) return kIBCarbonRuntimeCantFindNibFile;
  CFRef<CFPropertyListRef> contents;
  if (ReadPropertyListFile(url.get()->path, kCFPropertyListImmutable, &contents) != noErr)
    return kIBCarbonRuntimeCantFindNibFile;
  CFRef<CFDictionaryRef> dictionary = CFRefAs<CFDictionaryRef>(std::move(contents));
  if (!dictionary) return kIBCarbonRuntimeCantFindNibFile;
  *outNibRef = new OpaqueIBNibRef{std::move(dictionary)};
  return noErr;
}

OSStatus SetMenuBarFromNib(IBNibRef inNibRef, CFStringRef inName) {
  if (!inNibRef || !inName) return paramErr;
  CFTypeRef entry = static_cast<CFTypeRef>(CFDictionaryGetValue(inNibRef->contents, inName));
  if (!entry) return kIBCarbonRuntimeCantFindObject;
  if (CFGetTypeID(entry) != CFArrayGetTypeID()) return kIBCarbonRuntimeObjectNotOfRequestedType;
  HostMenuBar* bar = CurrentHost().menuBar;
  if (!bar) return unimpErr;
  bar->SetMenus(MenusOf(static_cast<CFArrayRef>(entry)));
  return noErr;
}

void DisposeNibReference(IBNibRef inNibRef) { delete inNibRef; }

void ShowMenuBar() {
  if (HostMenuBar* bar = CurrentHost().menuBar) bar->Show();
}
