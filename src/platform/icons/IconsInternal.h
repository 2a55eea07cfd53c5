// What the Icon Services files of the layer share among themselves. Not for
// the agent's code.
#pragma once

#include <sys/stat.h>

#include <string>
#include <string_view>

#include "platform/icons/Icons.h"

// DescribeIconForPath for an item whose lstat the caller already has, so
// that listing a folder does not read each entry's status once more.
bool DescribeIconForItem(const std::string& path, const struct stat& st, std::string_view name,
                         IconDescription& out);
