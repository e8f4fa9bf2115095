// The product's record of its CD drive in the registry.
#pragma once

#include "PatchSystem.h"
#include "framework/String.h"

#include <windows.h>

extern const char kSettingsKey[];
extern const char kCdPathValue[];

enum class CdPathResult {
    Recorded,
    // The key belongs to the installed product: without it there is nothing to record in.
    NoKey,
    // The key is there, the value could not be set.
    Failed,
};
// Records cdDrive as "CDPath" under the product's settings key, if that key exists.
CdPathResult RecordCdPath(const PatchSystem& system, const CString& cdDrive);
