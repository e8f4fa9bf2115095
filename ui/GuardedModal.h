// Runs the main dialog so that a failure nobody handled ends in a message, not in a silent
// termination.
#pragma once

#include "framework/Dialog.h"

// Runs dlg modally. An exception that escapes its modal loop is reported with the program's
// "unexpected error" message; answers false then, true when the dialog ended normally.
bool RunModalGuarded(CDialog& dlg);
