// The dialog as the system creates it from template 102: every control in order
// with its class, text, styles and rectangle, the tab order, the default button,
// the list's entries and the texts with accents.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include "dialog/setup_dlg.h"
#include "res/resource.h"
#include "support/modal_run.h"
#include "support/drive_c.h"

#include <cstring>
#include <string>
#include <vector>

namespace {

using namespace dialog_driver;

// Every control also has WS_CHILD | WS_VISIBLE.
struct TemplateRow {
    int id;
    const char* cls;
    const wchar_t* text;    // nullptr: checked apart
    RECT dlu;               // x, y, width, height in dialog units
    DWORD style;
};

#define ROW(id, cls, text, x, y, w, h, style) {id, cls, text, {x, y, w, h}, style}
const TemplateRow kTemplate[] = {
    ROW(IDOK, "Button", L"OK", 333, 6, 45, 14, BS_DEFPUSHBUTTON | WS_TABSTOP),
    ROW(IDCANCEL, "Button", L"Annuler", 334, 22, 44, 14, BS_PUSHBUTTON | WS_TABSTOP),
    ROW(1000, "Edit", L"", 70, 16, 36, 14, WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL),
    ROW(-1, "Static", L"Hauteur", 20, 17, 26, 13, SS_LEFT | WS_GROUP),
    ROW(-1, "Static", L"Largeur", 20, 35, 40, 8, SS_LEFT | WS_GROUP),
    ROW(1001, "Edit", L"", 70, 31, 36, 14, WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL),
    ROW(-1, "Static", L"Bits par pixel", 148, 75, 40, 8, SS_LEFT | WS_GROUP),
    ROW(-1, "Static", L"Ouvrières", 20, 68, 35, 8, SS_LEFT | WS_GROUP),
    ROW(1005, "Edit", L"", 70, 66, 36, 14, WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL),
    ROW(-1, "Static", L"Sentinelles", 20, 90, 35, 8, SS_LEFT | WS_GROUP),
    ROW(1006, "Edit", L"", 70, 86, 36, 14, WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL),
    ROW(-1, "Static", L"Citernes", 20, 106, 40, 8, SS_LEFT | WS_GROUP),
    ROW(1008, "Edit", L"", 70, 105, 36, 14, WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL),
    ROW(1012, "ComboBox", L"", 201, 72, 36, 34, CBS_DROPDOWNLIST | WS_VSCROLL | WS_GROUP | WS_TABSTOP),
    ROW(-1, "Static", L"Densité", 155, 17, 35, 8, SS_LEFT | WS_GROUP),
    ROW(1009, "Edit", L"", 217, 14, 29, 14, WS_BORDER | WS_GROUP | WS_TABSTOP | ES_AUTOHSCROLL),
    ROW(-1, "Button", L"Nourriture", 145, 6, 111, 47, BS_GROUPBOX | WS_GROUP),
    ROW(-1, "Button", L"Fourmis", 12, 57, 113, 72, BS_GROUPBOX),
    ROW(-1, "Button", L"Configuration du terrain", 13, 6, 112, 44, BS_GROUPBOX),
    ROW(-1, "Static", L"Quantité par paquet", 151, 33, 64, 11, SS_LEFT | WS_GROUP),
    ROW(1010, "Edit", L"", 217, 33, 29, 14, WS_BORDER | WS_GROUP | WS_TABSTOP | ES_AUTOHSCROLL),
    ROW(-1, "Button", L"Graphique", 145, 62, 111, 53, BS_GROUPBOX | WS_GROUP),
    ROW(-1, "Static", L"vitesse", 148, 90, 22, 8, SS_LEFT | WS_GROUP),
    ROW(-1, "Static", nullptr, 143, 243, 112, 18, SS_CENTER | SS_CENTERIMAGE | WS_BORDER),
    ROW(-1, "Static", nullptr, 339, 65, 21, 20, SS_ICON | SS_SUNKEN | WS_BORDER),
    ROW(1017, "msctls_trackbar32", L"Slider1", 183, 90, 61, 14, TBS_AUTOTICKS | WS_TABSTOP),
    ROW(-1, "Static", L"max", 179, 105, 14, 8, SS_LEFT | WS_GROUP),
    ROW(-1, "Static", L"min", 231, 105, 12, 8, SS_LEFT | WS_GROUP),
    ROW(1018, "Button", L"Charger kv", 330, 47, 48, 10, BS_AUTOCHECKBOX | WS_TABSTOP),
    ROW(1019, "Edit", L"", 154, 148, 46, 12, WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL),
    ROW(-1, "Static", L"Freq de reproduction en tours", 153, 138, 95, 8, SS_LEFT | WS_GROUP),
    ROW(-1, "Button", L"Ennemis", 12, 139, 113, 77, BS_GROUPBOX),
    ROW(-1, "Static", L"Nombre d'ennemis", 20, 154, 59, 8, SS_LEFT | WS_GROUP),
    ROW(-1, "Static", L"Max. ennemis", 20, 171, 44, 8, SS_LEFT | WS_GROUP),
    ROW(-1, "Static", L"Freq. des naissances en tours", 20, 186, 95, 8, SS_LEFT | WS_GROUP),
    ROW(-1, "Button", L"Reine et Larves", 145, 127, 111, 91, BS_GROUPBOX),
    ROW(1020, "Edit", L"", 93, 152, 32, 12, WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL),
    ROW(1021, "Edit", L"", 93, 170, 32, 12, WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL),
    ROW(1022, "Edit", L"", 32, 198, 51, 13, WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL),
    ROW(-1, "Static", L"Pourcentage d'ouvrier dans larves", 153, 166, 96, 16, SS_LEFT | WS_GROUP),
    ROW(1023, "msctls_trackbar32", L"Slider2", 154, 186, 95, 19, TBS_AUTOTICKS | WS_TABSTOP),
    ROW(-1, "Static", L"100", 233, 204, 15, 8, SS_LEFT | WS_GROUP),
    ROW(-1, "Static", L"0", 157, 204, 12, 10, SS_LEFT | WS_GROUP),
    ROW(-1, "Button", L"Clans", 273, 99, 105, 96, BS_GROUPBOX),
    ROW(-1, "Static", L"Nombre de Clans", 282, 116, 55, 8, SS_LEFT | WS_GROUP),
    ROW(1024, "Edit", L"", 347, 114, 18, 14, WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL),
};
#undef ROW

// The dialog template resource as written: DLGTEMPLATEEX and its items.
struct ParsedItem {
    DWORD style, exStyle;
    short x, y, cx, cy;
    int id;
    std::wstring cls, text;     // a class by atom becomes its name; a text by ordinal "#n"
};
struct ParsedTemplate {
    DWORD style = 0, exStyle = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    std::wstring caption, font;
    WORD pointSize = 0;
    std::vector<ParsedItem> items;
};

ParsedTemplate ParseTemplate()
{
    ParsedTemplate t;
    HRSRC res = FindResourceA(nullptr, MAKEINTRESOURCEA(IDD_SETUP_DIALOG), MAKEINTRESOURCEA(5));
    const auto* base = static_cast<const BYTE*>(LockResource(LoadResource(nullptr, res)));
    const BYTE* p = base;
    auto word = [&p] { WORD v; memcpy(&v, p, 2); p += 2; return v; };
    auto dword = [&p] { DWORD v; memcpy(&v, p, 4); p += 4; return v; };
    // A string, or an ordinal: a class's atom becomes its name, another number "#n".
    auto text = [&p, &word](bool isClass = false) -> std::wstring {
        WORD first;
        memcpy(&first, p, 2);
        if (first == 0xFFFF) {
            p += 2;
            const WORD ordinal = word();
            const wchar_t* atoms[] = {L"Button", L"Edit", L"Static", L"ListBox", L"ScrollBar", L"ComboBox"};
            if (isClass && ordinal >= 0x80 && ordinal <= 0x85)
                return atoms[ordinal - 0x80];
            return L"#" + std::to_wstring(ordinal);
        }
        std::wstring s;
        for (WORD c; (c = word()) != 0;)
            s += static_cast<wchar_t>(c);
        return s;
    };
    EXPECT_EQ(word(), 1);           // DLGTEMPLATEEX
    EXPECT_EQ(word(), 0xFFFF);
    dword();                        // help id
    t.exStyle = dword();
    t.style = dword();
    const WORD count = word();
    t.x = static_cast<short>(word()); t.y = static_cast<short>(word());
    t.cx = static_cast<short>(word()); t.cy = static_cast<short>(word());
    EXPECT_EQ(text(), L"") << "no menu";
    EXPECT_EQ(text(), L"") << "the standard dialog class";
    t.caption = text();
    t.pointSize = word();
    word(); p += 2;                 // weight, italic, charset
    t.font = text();
    for (WORD i = 0; i < count; ++i) {
        p = base + ((p - base + 3) & ~3);
        ParsedItem item;
        dword();                    // help id
        item.exStyle = dword();
        item.style = dword();
        item.x = static_cast<short>(word()); item.y = static_cast<short>(word());
        item.cx = static_cast<short>(word()); item.cy = static_cast<short>(word());
        item.id = static_cast<int>(dword());
        item.cls = text(true);
        item.text = text();
        p += word();                // creation data
        t.items.push_back(item);
    }
    return t;
}

std::wstring Wide(const char* s) { return std::wstring(s, s + strlen(s)); }

TEST(DialogTemplateResource, EveryControlAsTheTableGivesIt)
{
    // Dialog, initial data, icon and version, all in French (France).
    for (const auto& [type, id] : {std::pair{5, IDD_SETUP_DIALOG}, {240, IDD_SETUP_DIALOG}, {14, IDI_APP_ICON}, {16, 1}})
        EXPECT_NE(FindResourceExA(nullptr, MAKEINTRESOURCEA(type), MAKEINTRESOURCEA(id), MAKELANGID(LANG_FRENCH, SUBLANG_FRENCH)),
                  nullptr) << "resource type " << type;
    const ParsedTemplate t = ParseTemplate();
    EXPECT_EQ(t.style, static_cast<DWORD>(WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT |
                                          DS_3DLOOK | DS_SETFOREGROUND));
    EXPECT_EQ(t.exStyle, static_cast<DWORD>(WS_EX_APPWINDOW));
    EXPECT_EQ(t.x, 0); EXPECT_EQ(t.y, 0); EXPECT_EQ(t.cx, 392); EXPECT_EQ(t.cy, 268);
    EXPECT_EQ(t.caption, L"Korvane Setup 1.03 bêta");
    EXPECT_EQ(t.font, L"MS Sans Serif");
    EXPECT_EQ(t.pointSize, 8);
    ASSERT_EQ(t.items.size(), std::size(kTemplate));
    for (std::size_t i = 0; i < t.items.size(); ++i) {
        SCOPED_TRACE("control #" + std::to_string(i + 1));
        const ParsedItem& a = t.items[i];
        const TemplateRow& e = kTemplate[i];
        EXPECT_EQ(a.id, e.id);
        EXPECT_EQ(_wcsicmp(a.cls.c_str(), Wide(e.cls).c_str()), 0) << "class";
        EXPECT_EQ(a.style, e.style | WS_CHILD | WS_VISIBLE) << std::hex << "style 0x" << a.style;
        EXPECT_EQ(a.exStyle, 0u);
        EXPECT_EQ(a.x, e.dlu.left); EXPECT_EQ(a.y, e.dlu.top);
        EXPECT_EQ(a.cx, e.dlu.right); EXPECT_EQ(a.cy, e.dlu.bottom);
        if (e.text != nullptr) {
            EXPECT_EQ(a.text, e.text);
        }
    }
    EXPECT_EQ(t.items[24].text, L"#" + std::to_wstring(IDI_APP_ICON)) << "the icon control shows icon 133";
}

class DialogTemplate : public ::testing::Test {
protected:
    testing_drive_c::CleanDriveC m_drive;
};

// The dialog as the system made it: the template's 46 controls and no other, the
// tab order, the default button, the list with its entries, the icon and the
// sliders.
TEST_F(DialogTemplate, TabOrderDefaultButtonListAndIcon)
{
    CSetupDlg dlg;
    RunModal(dlg, {
        [](HWND h) {
            std::vector<int> ids, expected;
            for (HWND child = GetWindow(h, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT))
                ids.push_back(GetDlgCtrlID(child));
            for (const TemplateRow& row : kTemplate)
                expected.push_back(row.id);
            EXPECT_EQ(ids, expected);
            const int order[] = {IDOK, IDCANCEL, 1000, 1001, 1005, 1006, 1008, 1012, 1009, 1010,
                                 1017, 1018, 1019, 1020, 1021, 1022, 1023, 1024, IDOK};
            HWND at = GetDlgItem(h, IDOK);
            for (std::size_t i = 1; i < std::size(order); ++i) {
                at = GetNextDlgTabItem(h, at, FALSE);
                EXPECT_EQ(GetDlgCtrlID(at), order[i]) << "tab stop " << i;
            }
            EXPECT_EQ(SendMessageA(h, DM_GETDEFID, 0, 0), MAKELONG(IDOK, DC_HASDEFID));

            HWND list = GetDlgItem(h, IDC_COMBO_COLOR_DEPTH);
            ASSERT_EQ(SendMessageA(list, CB_GETCOUNT, 0, 0), 3);
            const char* entries[] = {"8", "16", "24"};
            for (int i = 0; i < 3; ++i) {
                char text[16] = {};
                SendMessageA(list, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
                EXPECT_STREQ(text, entries[i]);
            }
            EXPECT_FALSE(GetWindowLongA(list, GWL_STYLE) & CBS_SORT);
            EXPECT_EQ(GetWindowLongA(list, GWL_STYLE) & 3, CBS_DROPDOWNLIST) << "cannot be typed into";
            // Closed, the list is as high as its selection field; open, it hangs
            // below within the template's 34 units, cut to whole entries (hence its
            // scroll bar), at least one of which shows.
            RECT closed, open, height = {0, 0, 0, 34};
            GetWindowRect(list, &closed);
            MapDialogRect(h, &height);
            SendMessageA(list, CB_SHOWDROPDOWN, TRUE, 0);
            COMBOBOXINFO info{};
            info.cbSize = sizeof info;
            GetComboBoxInfo(list, &info);
            GetWindowRect(info.hwndList, &open);
            SendMessageA(list, CB_SHOWDROPDOWN, FALSE, 0);
            EXPECT_EQ(open.top, closed.bottom);
            EXPECT_LE(open.bottom, closed.top + height.bottom) << "open height";
            EXPECT_GT(open.bottom - open.top, 2 * (closed.bottom - closed.top) / 3) << "at least one entry shows";
            EXPECT_TRUE(GetWindowLongA(info.hwndList, GWL_STYLE) & WS_VSCROLL);

            // The icon control shows icon 133; the credit line names product, maker and year.
            HWND iconCtl = GetWindow(h, GW_CHILD);
            for (char cls[16]; iconCtl != nullptr; iconCtl = GetWindow(iconCtl, GW_HWNDNEXT)) {
                GetClassNameA(iconCtl, cls, sizeof cls);
                if (_stricmp(cls, "Static") == 0 && (GetWindowLongA(iconCtl, GWL_STYLE) & SS_TYPEMASK) == SS_ICON)
                    break;
            }
            ASSERT_NE(iconCtl, nullptr);
            EXPECT_NE(SendMessageA(iconCtl, STM_GETICON, 0, 0), 0);
            const std::wstring credit = Text(GetWindow(iconCtl, GW_HWNDPREV));
            EXPECT_NE(credit.find(L"Korvane Setup"), std::wstring::npos);
            EXPECT_NE(credit.find(L"2000"), std::wstring::npos);

            // Ranges and ticks of the sliders.
            HWND speed = GetDlgItem(h, IDC_SLIDER_SPEED), ratio = GetDlgItem(h, IDC_SLIDER_WORKER_RATIO);
            EXPECT_EQ(SendMessageA(speed, TBM_GETRANGEMIN, 0, 0), 1);
            EXPECT_EQ(SendMessageA(speed, TBM_GETRANGEMAX, 0, 0), 10);
            EXPECT_EQ(SendMessageA(ratio, TBM_GETRANGEMIN, 0, 0), 1);
            EXPECT_EQ(SendMessageA(ratio, TBM_GETRANGEMAX, 0, 0), 100);
            EXPECT_EQ(SendMessageA(ratio, TBM_GETNUMTICS, 0, 0), 21) << "a tick every 5 from 1 to 100";
            EXPECT_EQ(SendMessageA(speed, TBM_GETNUMTICS, 0, 0), 10) << "a tick at every position";
            Click(h, IDCANCEL);
        },
    });
}

// The list's initial entries are decoded as UTF-8, as the resource script is
// written, whatever code page the system uses for programs that are not Unicode.
TEST(DialogInitialData, ListEntriesBeyondAscii)
{
    CDialog dlg(900);   // a dialog of the tests' own resources
    std::vector<std::wstring> entries;
    RunModal(dlg, {
        [&](HWND h) {
            HWND list = GetDlgItem(h, 1012);
            for (LRESULT i = 0; i < SendMessageW(list, CB_GETCOUNT, 0, 0); ++i) {
                wchar_t text[32] = {};
                SendMessageW(list, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
                entries.push_back(text);
            }
            Click(h, IDCANCEL);
        },
    });
    EXPECT_EQ(entries, std::vector<std::wstring>({L"bêta", L"日本"}));
}

// What the user sees: the template's font at 8 points, Windows' dialog base units
// at 96 DPI, and every label whole, measured with the label's own font the way a
// static control draws its text (wrapped within its box, or on one line).
TEST_F(DialogTemplate, TheTemplatesFontAndEveryLabelWhole)
{
    CSetupDlg dlg;
    RunModal(dlg, {
        [](HWND h) {
            HDC dc = GetDC(h);
            HFONT font = reinterpret_cast<HFONT>(SendMessageW(h, WM_GETFONT, 0, 0));
            HGDIOBJ old = SelectObject(dc, font);
            wchar_t face[LF_FACESIZE] = {};
            GetTextFaceW(dc, LF_FACESIZE, face);
            EXPECT_STREQ(face, L"MS Sans Serif")
                << "the Wine prefix lacks Wine's own fonts: copy /usr/share/wine/fonts/* into its "
                   "drive_c/windows/Fonts (scripts/lib/wine-session.sh does it for the project's prefixes)";
            LOGFONTW lf = {};
            GetObjectW(font, sizeof lf, &lf);
            EXPECT_EQ(GetDeviceCaps(dc, LOGPIXELSY), 96);
            EXPECT_EQ(lf.lfHeight, -MulDiv(8, 96, 72)) << "8 points";
            RECT units = {0, 0, 4, 8};
            MapDialogRect(h, &units);
            EXPECT_EQ(units.right, 6) << "horizontal dialog base unit";
            EXPECT_EQ(units.bottom, 13) << "vertical dialog base unit";

            std::vector<std::wstring> cut;
            for (HWND child = GetWindow(h, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
                char cls[16];
                GetClassNameA(child, cls, sizeof cls);
                const DWORD style = static_cast<DWORD>(GetWindowLongW(child, GWL_STYLE));
                const DWORD type = style & SS_TYPEMASK;
                if (_stricmp(cls, "Static") != 0 || (type != SS_LEFT && type != SS_CENTER && type != SS_RIGHT))
                    continue;
                const std::wstring text = Text(child);
                SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(child, WM_GETFONT, 0, 0)));
                RECT box;
                GetClientRect(child, &box);
                RECT need = {0, 0, box.right, 0};
                const UINT lines = (style & SS_CENTERIMAGE) ? DT_SINGLELINE : DT_WORDBREAK;
                DrawTextW(dc, text.c_str(), -1, &need, DT_CALCRECT | DT_EXPANDTABS | lines);
                if (need.right > box.right || need.bottom > box.bottom)
                    cut.push_back(text + L" (" + std::to_wstring(need.right) + L"x" + std::to_wstring(need.bottom) +
                                  L" in " + std::to_wstring(box.right) + L"x" + std::to_wstring(box.bottom) + L")");
            }
            SelectObject(dc, old);
            ReleaseDC(h, dc);
            std::wstring all;
            for (const std::wstring& label : cut)
                all += label + L"; ";
            EXPECT_TRUE(cut.empty()) << "labels cut: " << all;
            Click(h, IDCANCEL);
        },
    });
}

}  // namespace
