// The product's record of its CD drive in the registry.
#pragma once

#include "framework/String.h"

#include <windows.h>

extern const char kSettingsKey[];
extern const char kCdPathValue[];

// Records cdDrive as "CDPath" under the product's settings key, if that key exists.
void RecordCdPath(const CString& cdDrive);
