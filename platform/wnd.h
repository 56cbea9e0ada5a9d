// CCmdTarget and CWnd: the objects that receive messages, and their message maps.
// A message map is a constant table of (message, command id, handler) entries, one
// per class, chained to the base class's table; the most derived entry wins.
#pragma once

#include <windows.h>

class CCmdTarget;
typedef void (CCmdTarget::*AFX_PMSG)();
typedef HCURSOR (CCmdTarget::*AFX_PMSG_HCURSOR)();

// How an entry's handler is called and what it returns.
enum AfxSig {
    AfxSig_end = 0,
    AfxSig_vv,      // void Handler()
    AfxSig_hv,      // HCURSOR Handler(), the result of the message
};

// The handler, by its signature: the member that nSig names is the one set.
union AFX_PMSG_ANY {
    AFX_PMSG pfn_vv;
    AFX_PMSG_HCURSOR pfn_hv;
};

struct AFX_MSGMAP_ENTRY {
    UINT nMessage;  // the window message
    UINT nID;       // the command id, for WM_COMMAND entries
    AfxSig nSig;
    AFX_PMSG_ANY pfn;
};

struct AFX_MSGMAP {
    const AFX_MSGMAP* (*pfnGetBaseMap)();   // null for the first class; a function, so
                                            // that every map is a constant
    const AFX_MSGMAP_ENTRY* lpEntries;
};

#define DECLARE_MESSAGE_MAP()                            \
protected:                                               \
    static const AFX_MSGMAP* GetThisMessageMap();        \
    const AFX_MSGMAP* GetMessageMap() const override;

#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                          \
    const AFX_MSGMAP* theClass::GetMessageMap() const { return GetThisMessageMap(); }   \
    const AFX_MSGMAP* theClass::GetThisMessageMap()                                     \
    {                                                                                   \
        using ThisClass [[maybe_unused]] = theClass;                                    \
        using TheBaseClass = baseClass;                                                 \
        static const AFX_MSGMAP_ENTRY entries[] = {

#define END_MESSAGE_MAP()                                                               \
            {0, 0, AfxSig_end, {nullptr}}};                                             \
        static const AFX_MSGMAP map = {&TheBaseClass::GetThisMessageMap, entries};      \
        return &map;                                                                    \
    }

#define ON_COMMAND(id, memberFxn) \
    {WM_COMMAND, static_cast<UINT>(id), AfxSig_vv, {.pfn_vv = static_cast<AFX_PMSG>(&memberFxn)}},
#define ON_MESSAGE_VOID(message, memberFxn) \
    {static_cast<UINT>(message), 0, AfxSig_vv, {.pfn_vv = static_cast<AFX_PMSG>(&memberFxn)}},
#define ON_WM_PAINT() \
    {WM_PAINT, 0, AfxSig_vv, {.pfn_vv = static_cast<AFX_PMSG>(&ThisClass::OnPaint)}},
#define ON_WM_QUERYDRAGICON() \
    {WM_QUERYDRAGICON, 0, AfxSig_hv, {.pfn_hv = static_cast<AFX_PMSG_HCURSOR>(&ThisClass::OnQueryDragIcon)}},

class CCmdTarget {
public:
    virtual ~CCmdTarget() = default;

    // Runs the handler that the message map names for this message (or, for
    // WM_COMMAND, this command id). False when the map has none.
    bool OnCmdMsg(UINT message, UINT nID, LRESULT* pResult);

protected:
    static const AFX_MSGMAP* GetThisMessageMap();
    virtual const AFX_MSGMAP* GetMessageMap() const;
};

class CWnd : public CCmdTarget {
public:
    // A window object that is the application's main window stops being it.
    ~CWnd() override;

    HWND m_hWnd = nullptr;

    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const
    {
        return ::SendMessageW(m_hWnd, message, wParam, lParam);
    }
    BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const
    {
        return ::PostMessageW(m_hWnd, message, wParam, lParam);
    }
    // A message box owned by this window, with its caption.
    int MessageBox(const wchar_t* text, UINT nType = MB_OK) const;
    // While one is open the window is disabled, and nothing it is sent should act.
    bool IsShowingMessageBox() const { return m_nMessageBoxes > 0; }
    HWND GetDlgItem(int nID) const { return ::GetDlgItem(m_hWnd, nID); }
    BOOL IsIconic() const { return ::IsIconic(m_hWnd); }
    void GetClientRect(RECT* pRect) const { ::GetClientRect(m_hWnd, pRect); }
    HICON SetIcon(HICON hIcon, BOOL bBigIcon)
    {
        return reinterpret_cast<HICON>(SendMessage(WM_SETICON, bBigIcon ? ICON_BIG : ICON_SMALL,
                                                   reinterpret_cast<LPARAM>(hIcon)));
    }
    // Centres the window over its owner, or over the screen's work area.
    void CenterWindow();

    // From a message handler: leave the message to the default processing too.
    LRESULT Default()
    {
        m_bDefault = true;
        return 0;
    }

protected:
    bool m_bDefault = false;    // Default() was called for the message being handled

private:
    mutable int m_nMessageBoxes = 0;        // of MessageBox, open over this window
};
