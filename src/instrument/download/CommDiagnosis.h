#pragma once
// Plain-words causes of a connection that failed, where the system can tell
// them: a serial device that is missing, not a terminal, busy or not
// permitted, a GPIB library that cannot be loaded. Each text is one paragraph
// to put below "No response."; empty when the system knows no cause (the
// device opens, the library loads: then the instrument itself did not answer).
#include <string>

namespace kivelo {

// Looks at the device: exists? opens for reading and writing? a terminal?
std::string SerialDeviceCause(const std::string& path);

// The text for a failed open of path with errno `error`; `group` owns the
// device (empty when unknown) and is the one to join for access.
std::string SerialOpenErrorText(const std::string& path, int error, const std::string& group);

// Tries to load the GPIB library at path (the one the ports would use, see
// PortOptions::GpibLibraryPath) and says why it cannot be used.
std::string GpibLibraryCause(const std::string& path);

}  // namespace kivelo
