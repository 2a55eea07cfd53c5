// Reference counting and the generic operations on every value.
#include <cassert>
#include <cstdlib>

#include "platform/corefoundation/CoreFoundation.h"

namespace {
const char kNullAllocator = 0;
const char kMallocAllocator = 0;
const char kSystemAllocator = 0;
}  // namespace

const CFAllocatorRef kCFAllocatorNull = &kNullAllocator;
const CFAllocatorRef kCFAllocatorMalloc = &kMallocAllocator;
const CFAllocatorRef kCFAllocatorSystemDefault = &kSystemAllocator;

CFTypeRef CFRetain(CFTypeRef cf) {
  assert(cf && "CFRetain(NULL)");
  if (!cf->immortal) ++cf->retainCount;
  return cf;
}

void CFRelease(CFTypeRef cf) {
  assert(cf && "CFRelease(NULL)");
  if (cf->immortal) return;
  assert(cf->retainCount > 0);
  if (--cf->retainCount == 0) delete cf;
}

CFIndex CFGetRetainCount(CFTypeRef cf) { return cf ? cf->retainCount : 0; }

CFTypeID CFGetTypeID(CFTypeRef cf) { return cf ? cf->TypeID() : 0; }

Boolean CFEqual(CFTypeRef a, CFTypeRef b) {
  if (a == b) return true;
  if (!a || !b) return false;
  if (a->TypeID() != b->TypeID()) return false;
  return a->Equals(*b);
}

CFHashCode CFHash(CFTypeRef cf) { return cf ? cf->Hash() : 0; }

std::string CFDescribe(CFTypeRef cf) { return cf ? cf->Describe() : "null"; }
