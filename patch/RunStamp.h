// The program's stamp at the temp disk's root while a copy of the CD may lie there: written just
// before the batch file starts, removed by the batch file as its last step. Found at the start of
// a run, it tells that CD entries beside it are the program's own leftovers.
#pragma once

#include "PatchSystem.h"
#include "framework/String.h"

extern const char kRunStampName[];

// Writes the stamp at the root of tempDrive (C:): the CD drive and the time, in a file created
// afresh, with the program's own security where the volume keeps it. False when it cannot be
// written.
bool WriteRunStamp(const CString& tempDrive, const CString& cdDrive);
// Whether the stamp is at the root of drive (C:), whoever wrote it.
bool HasRunStamp(const CString& drive);
// Whether the stamp at the root of drive is the program's own: a plain file (no folder, link or
// other reparse point) of the program's own (see IsOwnEntry), read through one handle. Any user
// can place an entry of that name beside the disk owner's own folders.
bool IsOwnRunStamp(const PatchSystem& system, const CString& drive);
// Removes the stamp at the root of drive.
void RemoveRunStamp(const CString& drive);
// A clean-up that could not finish (a file of the copy still in use by a virus scanner or a
// helper the product's setup left running) leaves CD entries behind: the stamp must stay with
// them, so that the next run recognises them as the program's own and offers to remove them,
// instead of refusing the disk for good. Writes it again where the batch file removed it.
void KeepRunStampWithLeftovers(const CString& tempDrive, const CString& cdDrive);
