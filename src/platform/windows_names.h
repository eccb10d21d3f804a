// Windows file names that reach something other than a file on a disk: the reserved device names (CON, PRN,
// AUX, NUL, COM1 to COM9, LPT1 to LPT9, CONIN$, CONOUT$), which the system opens as devices in any folder,
// in any case, with any extension and with trailing dots or blanks, and the device namespaces ("\\.\",
// "\\?\GLOBALROOT", "\??\"). Exports and status logs are never written to them.
#pragma once

#include <string_view>

namespace kestrav {

// Whether the name (a relative, full or "\\?\" path; '/' and '\' both separate folders) names a device.
bool IsDeviceFileName(std::wstring_view name);

// Whether the name (relative, full or "\\?\") holds a colon other than its drive's: "x.csv:hidden" and
// "x.csv::$DATA" name a stream of x.csv, not a file.
bool IsStreamName(std::wstring_view name);

} // namespace kestrav
