// Loads string resources of the program into CString values.
#pragma once

#include "String.h"

// The string resource nID of the program, through LoadStringA with a buffer of 4095 characters
// (the NUL included); the empty text when there is no such string.
CString LoadResString(unsigned nID);
