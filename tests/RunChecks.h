// What the tests look at after a patch run: the setup stub's record, the registry value, what
// is left at a disk's root.
#pragma once

#include "support/AdminSecurity.h"

#include <windows.h>

#include <map>
#include <string>
#include <vector>

// The stub's "key=value" lines, grouped by key (empty when it did not run).
std::map<std::string, std::vector<std::string>> ReadStubRecord(const std::string& path);
// The text with each line feed written as CR LF, as a text-mode file holds it.
std::string WithCrLf(const std::string& text);
// The product's settings key under HKEY_LOCAL_MACHINE, in the registry's 32-bit view where the
// product keeps it and, in a 64-bit prefix, in the 64-bit view as well (bOtherView).
bool SettingsKeyCreate(bool bProductView = true, bool bOtherView = true);
void SettingsKeyDelete();
// Whether the key exists in any view.
bool SettingsKeyExists();
// The CDPath value in the product's view and its type; false when there is none.
bool ReadCdPath(std::string& value, DWORD& type);
// The CDPath value in the 64-bit view of a 64-bit prefix; false in a 32-bit one.
bool ReadCdPathOutsideTheProductView(std::string& value, DWORD& type);
// Checks that CDPath holds cdDrive as REG_SZ.
void ExpectCdPathRecorded(const char* cdDrive);
// The top-level CD entries that exist at the root of drive (C:).
std::vector<std::string> CdEntriesOn(const std::string& drive);
// Removes them.
void RemoveCdEntriesFrom(const std::string& drive);

// The setup stub's "inx" line for our script: its name, size and hash.
std::string PayloadRecordLine();

// The program's message nID with its first "%s" standing for first, its second for second.
std::string MessageNaming(unsigned nID, const std::string& first,
                          const std::string& second = std::string());

// Who the tests trust: the system's accounts and the owner of a file this process
// creates.
const CTrustedOwners& OwnTrust();

// What an interrupted run leaves at the root of drive (C:): the copy of the CD (each folder
// holding copied.txt) and the program's stamp, made by the program's own code and recording
// each entry by identity.
void LayOutInterruptedRun(const std::string& drive);
// The text of the stamp at the root of drive, and the names it records, read while the program
// may hold it; empty when there is none.
std::string StampText(const std::string& drive);
std::vector<std::string> StampRecordNames(const std::string& drive);
// Puts a new entry of the user's own under the name of the program's entry at path, with a file
// in it: made before the program's goes, so that the two differ on any file system.
void ReplaceWithUsersOwn(const std::string& path);

// Checks what a completed patch run leaves: setup.inx (the payload) and temp.bat (the expanded
// template in text mode) in programFolder (lower case, with its final backslash); the setup stub
// started from the copy's Disk1, in it, with -noMSI, seeing our script as its only one; nothing of
// the CD left at the root of tempDrive.
void ExpectCompletedRun(const std::string& programFolder, const char* cdDrive,
                        const char* tempDrive, const std::string& recordPath);
