#include "platform/core/MacTypes.h"

#include <cstdio>

std::string FourCCString(OSType code) {
  std::string out;
  for (int shift = 24; shift >= 0; shift -= 8) {
    unsigned c = (code >> shift) & 0xFF;
    if (c >= 0x20 && c < 0x7F && c != '\\') {
      out.push_back(static_cast<char>(c));
    } else {
      char buf[5];
      std::snprintf(buf, sizeof buf, "\\x%02X", c);
      out += buf;
    }
  }
  return out;
}
