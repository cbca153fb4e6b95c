// The default cursor bitmap: "Tobrik.bmp" in the executable's directory.
#pragma once

#include <windows.h>

#include <string>

// Replaces every pair of consecutive backslashes by one, scanning from the start without overlap; the
// second byte of a double-byte character in `codePage` is never taken for a backslash. The two
// backslashes that open a network (\\server\share) or device (\\?\) path are kept.
std::string CollapseDoubledBackslashes(const std::string& path, UINT codePage = CP_ACP);

// The directory of `executablePath` (up to its last backslash) followed by "\Tobrik.bmp", with doubled
// backslashes collapsed.
std::string DefaultBitmapPathFor(const std::string& executablePath, UINT codePage = CP_ACP);

// The default bitmap path of the running executable.
std::string DefaultBitmapPath();
