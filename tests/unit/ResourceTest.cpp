// The program's resources as the system reads them: messages, dialog templates, icon, payload.
#include "framework/ResString.h"
#include "res/resource.h"

#include "CaseTrace.h"
#include "TestFiles.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Message {
    unsigned id;
    const wchar_t* text;
};

const Message kMessages[] = {
    {IDS_COPY_TO_HARDDISK, L"Kopieren Sie diese Datei auf Ihre Festplatte und starten Sie erneut."},
    {IDS_BAD_EXE, L"Ung\u00fcltige .exe Datei."},
    {IDS_INSERT_CD_RETRY,
     L"Legen Sie die Nebulark 5 CD in Ihr CD-Laufwerk ein, und versuchen Sie es erneut."},
    {IDS_NO_SPACE,
     L"Das Ziellaufwerk hat nicht gen\u00fcgend freien Speicher. Bitte w\u00e4hlen Sie "
     L"ein\nanderes Laufwerk"},
    {IDS_CANNOT_CREATE_BAT, L"Kann die tempor\u00e4re .bat Datei nicht erzeugen."},
    {IDS_CONFIRM_ABORT, L"Wollen Sie die Installation wirklich abbrechen?"},
    {IDS_CANNOT_START_BAT,
     L"Die Datei temp.bat konnte nicht gestartet werden. Es wurde nichts installiert. Bitte "
     L"versuchen Sie es erneut."},
    {IDS_TARGET_ENTRY_EXISTS,
     L"Auf dem Laufwerk %s gibt es bereits \u201e%s\u201c. Es geh\u00f6rt nicht zu den "
     L"tempor\u00e4ren Dateien dieser Installation und wird nicht ver\u00e4ndert. Bitte "
     L"w\u00e4hlen Sie ein anderes Laufwerk."},
    {IDS_FOLDER_NOT_READABLE,
     L"Der Ordner von install.exe enth\u00e4lt Zeichen, die die Eingabeaufforderung nicht "
     L"lesen kann. Bitte kopieren Sie install.exe in einen Ordner mit einfachem Namen, z. B. "
     L"C:\\Patch."},
    {IDS_COPY_FAILED,
     L"Die CD konnte nicht vollst\u00e4ndig auf das Laufwerk %s kopiert werden. Es wurde "
     L"nichts installiert. Bitte pr\u00fcfen Sie, ob die CD unbesch\u00e4digt im CD-Laufwerk "
     L"liegt, und versuchen Sie es erneut."},
    {IDS_FOLDER_NOT_WRITABLE,
     L"Im Ordner %s kann keine Datei angelegt werden. Bitte kopieren Sie install.exe in einen "
     L"Ordner, in dem Sie schreiben d\u00fcrfen, z. B. auf Ihrer Festplatte, und starten Sie "
     L"install.exe erneut."},
    {IDS_REMOVE_LEFTOVERS,
     L"Auf dem Laufwerk %s liegen noch die tempor\u00e4ren Dateien einer fr\u00fcheren "
     L"Installation von NebuLark 5. Sie m\u00fcssen gel\u00f6scht werden, bevor die "
     L"Installation weitergehen kann. Sollen sie jetzt gel\u00f6scht werden?"},
    {IDS_PATH_TOO_LONG,
     L"Der Pfad von install.exe ist zu lang. Bitte kopieren Sie install.exe in einen Ordner "
     L"mit k\u00fcrzerem Pfad, z. B. C:\\Patch, und starten Sie install.exe erneut."},
    {IDS_UNEXPECTED_ERROR,
     L"Ein unerwarteter Fehler ist aufgetreten. Die Installation wurde abgebrochen."},
    {IDS_ALREADY_RUNNING,
     L"Die Installation von NebuLark 5 l\u00e4uft bereits, m\u00f6glicherweise unter einem "
     L"anderen Benutzerkonto. Bitte warten Sie, bis sie beendet ist, und starten Sie "
     L"install.exe dann erneut."},
    {IDS_LEFTOVERS_REMAIN,
     L"Die tempor\u00e4ren Dateien auf dem Laufwerk %s konnten nicht alle gel\u00f6scht "
     L"werden. Bitte schlie\u00dfen Sie alle anderen Programme oder starten Sie den Computer "
     L"neu, und versuchen Sie es dann erneut."},
    {IDS_TEMP_DISK_UNPROTECTED,
     L"Das Laufwerk %s kann die tempor\u00e4ren Dateien nicht vor \u00c4nderungen "
     L"sch\u00fctzen. Bitte w\u00e4hlen Sie ein Laufwerk mit NTFS."},
    {IDS_NEEDS_ADMINISTRATOR,
     L"Die Installation von NebuLark 5 ben\u00f6tigt Administratorrechte. Bitte melden Sie "
     L"sich als Administrator an und starten Sie install.exe erneut."},
    {IDS_CONFIRM_STOP_COPY,
     L"Wollen Sie die Installation abbrechen? Das Kopieren der CD wird beendet, und es wird "
     L"nichts installiert."},
    {IDS_INSTALL_CANCELLED, L"Die Installation wurde abgebrochen. Es wurde nichts installiert."},
    {IDS_STEP_COPY, L"Die CD wird kopiert: %u von %u MB."},
    {IDS_STEP_SETUP, L"Das Setup von NebuLark 5 l\u00e4uft."},
    {IDS_STEP_CLEANUP, L"Die tempor\u00e4ren Dateien werden gel\u00f6scht."},
    {IDS_TEMP_ROOT_SHARED,
     L"Auf dem Laufwerk %s d\u00fcrfen auch andere Benutzer Ordner umbenennen und "
     L"l\u00f6schen. Die tempor\u00e4ren Dateien w\u00e4ren dort nicht sicher. Bitte "
     L"w\u00e4hlen Sie ein anderes Laufwerk."},
    {IDS_TOO_LATE_TO_STOP,
     L"Die CD ist bereits kopiert. Die Installation kann in diesem Fenster nicht mehr "
     L"abgebrochen werden."},
    {IDS_CANNOT_CREATE_TEMP,
     L"Auf dem Laufwerk %s k\u00f6nnen die tempor\u00e4ren Dateien nicht angelegt werden. "
     L"Bitte w\u00e4hlen Sie ein anderes Laufwerk."},
    {IDS_CDPATH_NOT_RECORDED,
     L"Das Setup von NebuLark 5 ist beendet, aber das CD-Laufwerk %s konnte nicht in der "
     L"Windows-Registrierung gespeichert werden. Bitte starten Sie die Installation erneut."},
    {IDS_SETUP_NOT_STARTED,
     L"Das Setup von NebuLark 5 konnte von der Kopie der CD nicht gestartet werden. Es wurde "
     L"nichts installiert. Bitte versuchen Sie es erneut. Tritt der Fehler wieder auf, "
     L"pr\u00fcfen Sie, ob ein Virenschutzprogramm setup.exe blockiert."},
    {IDS_CD_FOREIGN_ENTRY,
     L"Die CD enth\u00e4lt \u201e%s\u201c, das nicht zur NebuLark 5 CD geh\u00f6rt. Bitte "
     L"legen Sie die NebuLark 5 CD in Ihr CD-Laufwerk ein, und versuchen Sie es erneut."},
    {IDS_LEFTOVERS_AFTER_SETUP,
     L"Das Setup von NebuLark 5 ist beendet, aber die tempor\u00e4ren Dateien auf dem Laufwerk "
     L"%s konnten nicht alle gel\u00f6scht werden. Bitte starten Sie install.exe sp\u00e4ter "
     L"erneut, um sie zu l\u00f6schen."},
};

// The text in code page 1252, as the ANSI functions hand it out.
std::string ToCp1252(const std::wstring& text) {
    char out[2048];
    BOOL bUsedDefault = FALSE;
    const int n = ::WideCharToMultiByte(1252, WC_NO_BEST_FIT_CHARS, text.c_str(),
                                        static_cast<int>(text.size()), out, sizeof out, nullptr,
                                        &bUsedDefault);
    EXPECT_FALSE(bUsedDefault) << "not in code page 1252";
    return std::string(out, n > 0 ? n : 0);
}

// A reader over a dialog template resource, classic or extended.
class TemplateReader {
public:
    explicit TemplateReader(const BYTE* p) : m_p(p) {}
    WORD Word() { return Take<WORD>(); }
    DWORD Dword() { return Take<DWORD>(); }
    short Short() { return Take<short>(); }
    BYTE Byte() { return Take<BYTE>(); }
    // A text or an ordinal (shown as "#<n>"), or nothing.
    std::wstring SzOrOrd() {
        const WORD first = Word();
        if (first == 0)
            return std::wstring();
        if (first == 0xFFFF)
            return L"#" + std::to_wstring(Word());
        std::wstring text(1, static_cast<wchar_t>(first));
        for (WORD ch = Word(); ch != 0; ch = Word())
            text += static_cast<wchar_t>(ch);
        return text;
    }
    void AlignDword() {
        while (reinterpret_cast<UINT_PTR>(m_p) % 4)
            ++m_p;
    }
    void Skip(size_t n) { m_p += n; }

private:
    template <typename T> T Take() {
        T value;
        memcpy(&value, m_p, sizeof value);
        m_p += sizeof value;
        return value;
    }
    const BYTE* m_p;
};

struct Control {
    int id;
    std::wstring windowClass;
    std::wstring text;
    short x, y, cx, cy;
    DWORD style;
};

struct DialogTemplate {
    DWORD style = 0, exStyle = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    std::wstring caption, font;
    WORD pointSize = 0;
    std::vector<Control> controls;
};

DialogTemplate ReadDialog(unsigned id, bool& extended) {
    DialogTemplate dlg;
    HMODULE hModule = ::GetModuleHandleA(nullptr);
    HRSRC hRes = ::FindResourceA(hModule, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(5) /*RT_DIALOG*/);
    EXPECT_NE(nullptr, hRes);
    if (!hRes)
        return dlg;
    TemplateReader r(static_cast<const BYTE*>(::LockResource(::LoadResource(hModule, hRes))));
    const WORD first = r.Word(), second = r.Word();
    extended = first == 1 && second == 0xFFFF;
    WORD count;
    if (extended) {
        r.Dword(); // help id
        dlg.exStyle = r.Dword();
        dlg.style = r.Dword();
    } else {
        dlg.style = MAKELONG(first, second);
        dlg.exStyle = r.Dword();
    }
    count = r.Word();
    dlg.x = r.Short(), dlg.y = r.Short(), dlg.cx = r.Short(), dlg.cy = r.Short();
    r.SzOrOrd(); // menu
    r.SzOrOrd(); // class
    dlg.caption = r.SzOrOrd();
    if (dlg.style & DS_SETFONT) {
        dlg.pointSize = r.Word();
        if (extended) {
            r.Word(); // weight
            r.Byte(); // italic
            r.Byte(); // character set
        }
        dlg.font = r.SzOrOrd();
    }
    for (WORD i = 0; i < count; ++i) {
        r.AlignDword();
        Control c;
        if (extended) {
            r.Dword(); // help id
            r.Dword(); // extended style
            c.style = r.Dword();
        } else {
            c.style = r.Dword();
            r.Dword(); // extended style
        }
        c.x = r.Short(), c.y = r.Short(), c.cx = r.Short(), c.cy = r.Short();
        c.id = extended ? static_cast<int>(r.Dword()) : static_cast<short>(r.Word());
        c.windowClass = r.SzOrOrd();
        c.text = r.SzOrOrd();
        r.Skip(r.Word()); // creation data
        dlg.controls.push_back(c);
    }
    return dlg;
}

const DWORD kChild = WS_CHILD | WS_VISIBLE;

void ExpectControls(const std::vector<Control>& expected, const std::vector<Control>& actual) {
    ASSERT_EQ(expected.size(), actual.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        const Control &e = expected[i], &a = actual[i];
        const CaseTrace trace("control " + std::to_string(i));
        EXPECT_EQ(e.id, a.id);
        // Class names are case-insensitive; the resource compiler writes them in upper case.
        EXPECT_EQ(0, _wcsicmp(e.windowClass.c_str(), a.windowClass.c_str()))
            << a.windowClass.c_str();
        EXPECT_EQ(e.text, a.text);
        EXPECT_EQ(e.x, a.x);
        EXPECT_EQ(e.y, a.y);
        EXPECT_EQ(e.cx, a.cx);
        EXPECT_EQ(e.cy, a.cy);
        EXPECT_EQ(e.style, a.style);
    }
}

} // namespace

TEST(ResourceTest, MessagesAreTheGermanTextsExactly) {
    for (const Message& m : kMessages) {
        wchar_t buffer[512];
        const int n = ::LoadStringW(::GetModuleHandleA(nullptr), m.id, buffer, 512);
        EXPECT_EQ(std::wstring(m.text), std::wstring(buffer, n > 0 ? n : 0)) << "id " << m.id;
        EXPECT_EQ(ToCp1252(m.text), LoadResString(m.id).str()) << "id " << m.id;
    }
    EXPECT_STREQ("Ung\xFCltige .exe Datei.", LoadResString(IDS_BAD_EXE));
}

TEST(ResourceTest, AMissingStringLoadsAsTheEmptyText) {
    EXPECT_TRUE(LoadResString(8).IsEmpty());
    EXPECT_TRUE(LoadResString(4711).IsEmpty());
}

TEST(ResourceTest, MainDialogTemplate) {
    bool extended = false;
    const DialogTemplate dlg = ReadDialog(IDD_INSTALL_DIALOG, extended);
    EXPECT_TRUE(extended);
    EXPECT_EQ(DWORD(DS_MODALFRAME | DS_SETFONT | WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU),
              dlg.style); // no DS_CENTER: the dialog class centres it
    EXPECT_EQ(DWORD(WS_EX_APPWINDOW), dlg.exStyle);
    EXPECT_EQ(0, dlg.x);
    EXPECT_EQ(0, dlg.y);
    EXPECT_EQ(305, dlg.cx);
    EXPECT_EQ(116, dlg.cy);
    EXPECT_EQ(L"NebuLark 5 Installation", dlg.caption);
    EXPECT_EQ(8, dlg.pointSize);
    EXPECT_EQ(L"MS Sans Serif", dlg.font);

    const DWORD combo = kChild | CBS_DROPDOWNLIST | CBS_SORT | WS_VSCROLL | WS_TABSTOP;
    ExpectControls(
        {
            {-1, L"#130", L"Legen Sie bitte die NebuLark 5 CD in Ihr CD-Laufwerk ein.", 7, 7, 291,
             13, kChild | SS_LEFT | WS_GROUP},
            {-1, L"#130", L"W\u00e4hlen Sie das CD-Laufwerk aus:", 8, 25, 150, 15,
             kChild | SS_RIGHT | WS_GROUP},
            {IDC_CD_DRIVE, L"ComboBoxEx32", L"", 164, 23, 133, 65, combo},
            {-1, L"#130",
             L"W\u00e4hlen Sie die Festplatte zum Speichern der tempor\u00e4ren Dateien "
             L"aus\n(700Mb) :",
             7, 59, 154, 25, kChild | SS_RIGHT | WS_GROUP},
            {IDC_TEMP_DRIVE, L"ComboBoxEx32", L"", 165, 62, 133, 65, combo},
            {IDOK, L"#128", L"Beenden", 191, 94, 49, 15, kChild | BS_DEFPUSHBUTTON | WS_TABSTOP},
            {IDC_NEXT, L"#128", L"Weiter >>>", 248, 95, 50, 14,
             kChild | BS_PUSHBUTTON | WS_TABSTOP},
        },
        dlg.controls);
}

TEST(ResourceTest, WaitDialogTemplateHasNoCloseBox) {
    bool extended = true;
    const DialogTemplate dlg = ReadDialog(IDD_WAIT_DIALOG, extended);
    EXPECT_EQ(DWORD(DS_MODALFRAME | DS_CENTER | DS_SETFONT | WS_POPUP | WS_VISIBLE | WS_CAPTION),
              dlg.style);
    EXPECT_EQ(200, dlg.cx);
    EXPECT_EQ(66, dlg.cy);
    EXPECT_EQ(L"Warning", dlg.caption);
    EXPECT_EQ(8, dlg.pointSize);
    EXPECT_EQ(L"MS Sans Serif", dlg.font);
    ExpectControls(
        {
            {-1, L"#130", L"Bitte warten...", 7, 4, 186, 10, kChild | SS_CENTER | WS_GROUP},
            {IDC_WAIT_STEP, L"#130", L"", 7, 17, 186, 10, kChild | SS_LEFT | WS_GROUP},
            {IDC_WAIT_PROGRESS, L"msctls_progress32", L"", 7, 29, 186, 10, kChild | WS_BORDER},
            // Enabled only while the CD is copied.
            {IDCANCEL, L"#128", L"Abbrechen", 143, 45, 50, 14,
             kChild | BS_PUSHBUTTON | WS_TABSTOP | WS_DISABLED},
        },
        dlg.controls);
}

TEST(ResourceTest, IconHasA32And16PixelImageOf16Colours) {
    HMODULE hModule = ::GetModuleHandleA(nullptr);
    HRSRC hGroup = ::FindResourceA(hModule, MAKEINTRESOURCEA(IDR_MAINFRAME), MAKEINTRESOURCEA(14));
    ASSERT_NE(nullptr, hGroup);
    const BYTE* dir = static_cast<const BYTE*>(::LockResource(::LoadResource(hModule, hGroup)));
    const WORD count = *reinterpret_cast<const WORD*>(dir + 4);
    ASSERT_EQ(2, count);
    std::vector<int> sizes;
    for (WORD i = 0; i < count; ++i) {
        const BYTE* entry = dir + 6 + 14 * i; // GRPICONDIRENTRY
        sizes.push_back(entry[0]);
        EXPECT_EQ(entry[0], entry[1]);
        EXPECT_EQ(16, entry[2]) << "colours";
        EXPECT_EQ(4, *reinterpret_cast<const WORD*>(entry + 6)) << "bits per pixel";
    }
    EXPECT_EQ((std::vector<int>{32, 16}), sizes);
    HICON hIcon = ::LoadIconA(hModule, MAKEINTRESOURCEA(IDR_MAINFRAME));
    EXPECT_NE(nullptr, hIcon);
}

TEST(ResourceTest, PayloadIsTheSetupScriptByteForByteUnderTheNamedType) {
    const std::string payload = PayloadBytes();
    ASSERT_EQ(192437u, payload.size());
    EXPECT_EQ("aLuZ", payload.substr(0, 4));
    std::string source;
    ASSERT_TRUE(ReadFileBytes(SourcePath("res/setup.inx"), source));
    EXPECT_EQ(source, payload);
    // Not under the predefined numeric data type.
    EXPECT_EQ(nullptr, ::FindResourceA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_PAYLOAD),
                                       MAKEINTRESOURCEA(10)));
}
