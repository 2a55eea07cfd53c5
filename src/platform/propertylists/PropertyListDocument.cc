// Property list files kept as libplist read them, for writing back with a
// few top-level keys changed and everything else exactly as it was.
#include <plist/plist.h>

#include <cerrno>
#include <cstring>
#include <utility>
#include <vector>

#include "platform/host/Transcript.h"
#include "platform/propertylists/PropertyListInternal.h"

using namespace plist_internal;

PropertyListDocument::PropertyListDocument() : root_(plist_new_dict()) {}

PropertyListDocument::~PropertyListDocument() {
  if (root_) plist_free(static_cast<plist_t>(root_));
}

PropertyListDocument::PropertyListDocument(PropertyListDocument&& other) noexcept
    : root_(std::exchange(other.root_, nullptr)),
      format_(other.format_),
      skipped_(other.skipped_),
      skippedStrings_(other.skippedStrings_),
      holdsNUL_(other.holdsNUL_) {}

PropertyListDocument& PropertyListDocument::operator=(PropertyListDocument&& other) noexcept {
  if (this != &other) {
    if (root_) plist_free(static_cast<plist_t>(root_));
    root_ = std::exchange(other.root_, nullptr);
    format_ = other.format_;
    skipped_ = other.skipped_;
    skippedStrings_ = other.skippedStrings_;
    holdsNUL_ = other.holdsNUL_;
  }
  return *this;
}

OSStatus PropertyListDocument::Read(const std::string& path, std::string* reason) {
  *this = PropertyListDocument();
  std::string why;
  OSStatus status = noErr;
  std::vector<unsigned char> bytes;
  int error = ReadWholeFile(path, &bytes);
  if (error == EFBIG) {
    status = memFullErr;
    why = "it is larger than 64 MiB";
  } else if (error == EISDIR || error == EINVAL) {
    status = ioErr;
    why = error == EISDIR ? "it is a folder" : "it is not a regular file";
  } else if (error) {
    status = error == ENOENT || error == ENOTDIR ? fnfErr
             : error == EACCES || error == EPERM ? permErr
                                                 : ioErr;
    why = std::strerror(error);
  } else if (!bytes.empty()) {
    ParsedNodes parsed = ParseNodes(bytes.data(), bytes.size());
    if (!parsed.root) {
      status = kCFPropertyListReadCorruptError;
      why = parsed.error;
    } else if (plist_get_node_type(static_cast<plist_t>(parsed.root.get())) != PLIST_DICT) {
      status = kCFPropertyListReadCorruptError;
      why = "its top level is not a dictionary";
    } else {
      // The tree is read once here so that a value nested too deeply for
      // the reader makes the whole file unreadable rather than half read.
      bool tooDeep = false;
      (void)ValueFromNode(parsed.root.get(), kCFPropertyListImmutable, &tooDeep);
      if (tooDeep) {
        status = kCFPropertyListReadCorruptError;
        why = Fmt("it is nested more than %d levels deep", kMaxDepth);
      } else {
        plist_free(static_cast<plist_t>(root_));
        root_ = parsed.root.release();
        format_ = parsed.format;
        skipped_ = parsed.skippedDictionaries;
        skippedStrings_ = parsed.skippedStrings;
        holdsNUL_ = parsed.holdsNUL;
      }
    }
  }
  if (reason) *reason = why;
  return status;
}

CFRef<CFMutableDictionaryRef> PropertyListDocument::CopyValues() const {
  auto values = CFRefAs<CFDictionaryRef>(ValueFromNode(root_, kCFPropertyListImmutable, nullptr));
  if (!values)
    return CFDictionaryCreateMutable(nullptr, 0, &kCFTypeDictionaryKeyCallBacks,
                                     &kCFTypeDictionaryValueCallBacks);
  return CFDictionaryCreateMutableCopy(nullptr, 0, values);
}

bool PropertyListDocument::SetValue(CFStringRef key, CFPropertyListRef value) {
  if (!key || !CFPropertyListIsValid(key, kCFPropertyListBinaryFormat_v1_0)) return false;
  std::string name = CFStringToUTF8(key);
  auto dict = static_cast<plist_t>(root_);
  if (!value) {
    if (plist_dict_get_item(dict, name.c_str())) plist_dict_remove_item(dict, name.c_str());
    return true;
  }
  if (!CFPropertyListIsValid(value, kCFPropertyListBinaryFormat_v1_0)) return false;
  void* node = NodeFromValue(value);
  if (!node) return false;
  plist_dict_set_item(dict, name.c_str(), static_cast<plist_t>(node));
  return true;
}

CFPropertyListFormat PropertyListDocument::WriteFormat() const {
  if (format_ == kCFPropertyListBinaryFormat_v1_0 || !NodeTreeFitsXML(root_))
    return kCFPropertyListBinaryFormat_v1_0;
  return kCFPropertyListXMLFormat_v1_0;
}

int PropertyListDocument::Write(const std::string& path, mode_t mode) const {
  std::string bytes = SerializeNodes(root_, WriteFormat());
  if (bytes.empty()) return EINVAL;
  return WriteFileAtomically(path, bytes.data(), bytes.size(), mode);
}
