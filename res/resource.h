// Resource ids of the program.
#pragma once

#define IDS_COPY_TO_HARDDISK 6
#define IDS_BAD_EXE 7
#define IDS_INSERT_CD_RETRY 9
#define IDS_NO_SPACE 10
#define IDS_CANNOT_CREATE_BAT 11
#define IDS_CONFIRM_ABORT 12
#define IDS_CANNOT_START_BAT 13
#define IDS_TARGET_ENTRY_EXISTS 14 // "%s" and "%s" stand for the drive (F:) and the entry's name
#define IDS_FOLDER_NOT_READABLE 15
#define IDS_COPY_FAILED 16 // "%s" stands for the drive of the copy (F:)
#define IDS_FOLDER_NOT_WRITABLE 17 // "%s" stands for the program's folder
#define IDS_REMOVE_LEFTOVERS 18 // "%s" stands for the drive (F:)
#define IDS_PATH_TOO_LONG 19
#define IDS_UNEXPECTED_ERROR 20
#define IDS_ALREADY_RUNNING 21
#define IDS_LEFTOVERS_REMAIN 22 // "%s" stands for the drive (F:)
#define IDS_TEMP_DISK_UNPROTECTED 23 // "%s" stands for the drive (F:)
#define IDS_NEEDS_ADMINISTRATOR 24
#define IDS_CONFIRM_STOP_COPY 25
#define IDS_INSTALL_CANCELLED 26
#define IDS_STEP_COPY 27 // "%u von %u" stand for the megabytes copied and the CD's
#define IDS_STEP_SETUP 28
#define IDS_STEP_CLEANUP 29
#define IDS_TEMP_ROOT_SHARED 30 // "%s" stands for the drive (F:)
#define IDS_TOO_LATE_TO_STOP 31
#define IDS_CANNOT_CREATE_TEMP 32  // "%s" stands for the drive (F:)
#define IDS_CDPATH_NOT_RECORDED 33 // "%s" stands for the CD drive (D:)
#define IDS_SETUP_NOT_STARTED 34
#define IDS_CD_FOREIGN_ENTRY 35 // "%s" stands for the entry's name as the CD shows it
#define IDS_LEFTOVERS_AFTER_SETUP 36 // "%s" stands for the drive (F:)

#define IDD_INSTALL_DIALOG 102
#define IDR_MAINFRAME 128
#define IDR_PAYLOAD 130 // of the named type "RT_RCDATA"
#define IDD_WAIT_DIALOG 132

#define IDC_CD_DRIVE 1000
#define IDC_TEMP_DRIVE 1002
#define IDC_NEXT 1003
#define IDC_WAIT_STEP 1010
#define IDC_WAIT_PROGRESS 1011
