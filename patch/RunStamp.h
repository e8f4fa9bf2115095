// The program's stamp at the temp disk's root while a copy of the CD may lie there: it records
// each entry the program made there by its name and identity. The program holds it through one
// handle from its creation (or from taking over an earlier run's) to its end, rewrites it in place
// and deletes it through that handle: nobody else can take its name meanwhile.
#pragma once

#include "OwnEntry.h"
#include "PatchSystem.h"
#include "framework/Handle.h"
#include "framework/String.h"

#include <vector>

extern const char kRunStampName[];

// Whether anything of the stamp's name is at the root of drive (C:), whoever made it.
bool HasRunStamp(const CString& drive);

struct StampRecord {
    CString name;
    EntryId id;
};

class CRunStamp {
public:
    // Creates the stamp new at the root of drive (through system, with security, which may be
    // null), naming cdDrive and the time, without records yet, and holds it. False with the
    // system's error when it cannot be made (ERROR_FILE_EXISTS: something has its name).
    bool Create(const PatchSystem& system, const CString& drive, const CString& cdDrive,
                SECURITY_ATTRIBUTES* security);
    // Takes over the stamp an earlier run left at the root of drive, with its records, only when
    // it proves itself: a plain file (no folder, link or other reparse point), opened as itself,
    // on a volume that keeps ACLs, owned by a trusted account, with a DACL that lets nobody else
    // change it, and holding only records of the CD's names, each once. False when it is not the
    // program's, or cannot be read.
    bool TakeOver(const PatchSystem& system, const CTrustedOwners& trusted, const CString& drive);

    bool IsHeld() const { return m_file.IsValid(); }
    const std::vector<StampRecord>& Records() const { return m_records; }
    // Whether a record names this entry with this identity.
    bool Holds(const CString& name, const EntryId& id) const;

    // Each writes the stamp anew through its handle, and answers whether that worked.
    bool Add(const CString& name, const EntryId& id);
    bool Drop(const CString& name);
    bool Keep(const std::vector<StampRecord>& records);

    // Deletes the stamp through its handle; answers whether it is gone.
    bool Delete();

private:
    bool Write();

    CHandle m_file;
    CString m_path;
    std::string m_header; // the CD drive and the time, as written first
    std::vector<StampRecord> m_records;
};

// The stamp's text: the header, then one "Entry=<volume> <index> <name>" line per record.
std::string FormatStamp(const std::string& header, const std::vector<StampRecord>& records);
// The header and the records of a stamp's text; lines that are no records belong to the header.
// False when a record ("Entry=" line) is malformed, names anything but one of the CD's top-level
// names as the program writes them, or names one twice.
bool ParseStamp(const std::string& text, std::string& header, std::vector<StampRecord>& records);
