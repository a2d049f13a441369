#pragma once

#include <span>

namespace host {

// The bitness of a Windows program or library from the first bytes of its file, as read: 32, 64
// (x64 or ARM64), or 0 when they are not such a file's or its header lies beyond them.
int bitEseguibile(std::span<const unsigned char> inizio);

} // namespace host
