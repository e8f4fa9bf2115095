// The payload: the corrected compiled setup script the program carries as a resource.
#pragma once

#include "framework/String.h"
#include "support/FreshFile.h"

#include <windows.h>

enum class PayloadResult { Written, MissingResource, CannotWrite };

// Writes the payload resource byte for byte to scriptPath, afresh, and holds the file in script
// until the batch file has copied it. A file that could not be written whole is removed again, so
// no truncated script is left behind as if it were good.
PayloadResult WritePayload(const CString& scriptPath, CHeldFile& script, DWORD& nWritten);
