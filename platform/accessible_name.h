// CAccessibleName: a control's name for screen readers where the system's own rule
// cannot find its label (Windows names an edit, a list or a trackbar after the text
// just before it in window order, which a template may not follow). The control
// then answers an accessibility client asking for its client area (WM_GETOBJECT,
// OBJID_CLIENT) with this object, which gives the name and leaves every other
// answer (role, value, state, location, navigation, children) to the system's
// standard object for that control. Nothing is loaded until a client asks: then
// oleacc, from the system folder, and COM for the thread (see AfxOleInit).
//
// A client may hold the object after the control is gone (a screen reader's helper
// inside this process holds a plain pointer), so the objects live in the
// application object, not in a dialog: one that is detached answers
// CO_E_OBJNOTCONNECTED and serves a control again only once no client holds it.
#pragma once

#include <windows.h>
#include <oleacc.h>

class CAccessibleName : public IAccessible, public IOleWindow {
public:
    CAccessibleName() = default;
    CAccessibleName(const CAccessibleName&) = delete;
    CAccessibleName& operator=(const CAccessibleName&) = delete;

    // Names the control hWnd with one of the application's objects that is free:
    // it answers in front of the control's window procedure with the text of its
    // label, the child window of the control's parent at nLabelPosition in window
    // order (1 is the first; in a dialog, the template's order), read when a client
    // first asks. FALSE when no object is free or the control's GWLP_USERDATA is
    // taken; the control then answers for itself.
    static BOOL NameControl(HWND hWnd, int nLabelPosition);

    // Stops answering: clients in other processes are cut off and the standard
    // object is released. Done by itself when the control is destroyed; a client
    // that still holds the object is told it is gone.
    void Detach();

    // IUnknown. The storage is the application's; the count says whether a client
    // still holds the object.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return ++m_nRefs; }
    ULONG STDMETHODCALLTYPE Release() override { return m_nRefs > 0 ? --m_nRefs : 0; }

    // IOleWindow: the control.
    HRESULT STDMETHODCALLTYPE GetWindow(HWND* phwnd) override;
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return m_hWnd ? E_NOTIMPL : CO_E_OBJNOTCONNECTED; }

    // IAccessible: the name of the control itself is ours.
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT varChild, BSTR* pszName) override;

    // Every other answer is the standard object's, while there is one.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* p) override { return Forward(&IDispatch::GetTypeInfoCount, p); }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT i, LCID l, ITypeInfo** p) override { return Forward(&IDispatch::GetTypeInfo, i, l, p); }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID r, LPOLESTR* n, UINT c, LCID l, DISPID* d) override { return Forward(&IDispatch::GetIDsOfNames, r, n, c, l, d); }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID d, REFIID r, LCID l, WORD f, DISPPARAMS* p, VARIANT* v, EXCEPINFO* e, UINT* a) override { return Forward(&IDispatch::Invoke, d, r, l, f, p, v, e, a); }
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** p) override { return Forward(&IAccessible::get_accParent, p); }
    HRESULT STDMETHODCALLTYPE get_accChildCount(LONG* p) override { return Forward(&IAccessible::get_accChildCount, p); }
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT v, IDispatch** p) override { return Forward(&IAccessible::get_accChild, v, p); }
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT v, BSTR* p) override { return Forward(&IAccessible::get_accValue, v, p); }
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT v, BSTR* p) override { return Forward(&IAccessible::get_accDescription, v, p); }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT v, VARIANT* p) override { return Forward(&IAccessible::get_accRole, v, p); }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT v, VARIANT* p) override { return Forward(&IAccessible::get_accState, v, p); }
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT v, BSTR* p) override { return Forward(&IAccessible::get_accHelp, v, p); }
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* f, VARIANT v, LONG* t) override { return Forward(&IAccessible::get_accHelpTopic, f, v, t); }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT v, BSTR* p) override { return Forward(&IAccessible::get_accKeyboardShortcut, v, p); }
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* p) override { return Forward(&IAccessible::get_accFocus, p); }
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* p) override { return Forward(&IAccessible::get_accSelection, p); }
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT v, BSTR* p) override { return Forward(&IAccessible::get_accDefaultAction, v, p); }
    HRESULT STDMETHODCALLTYPE accSelect(LONG f, VARIANT v) override { return Forward(&IAccessible::accSelect, f, v); }
    HRESULT STDMETHODCALLTYPE accLocation(LONG* x, LONG* y, LONG* w, LONG* h, VARIANT v) override { return Forward(&IAccessible::accLocation, x, y, w, h, v); }
    HRESULT STDMETHODCALLTYPE accNavigate(LONG d, VARIANT v, VARIANT* p) override { return Forward(&IAccessible::accNavigate, d, v, p); }
    HRESULT STDMETHODCALLTYPE accHitTest(LONG x, LONG y, VARIANT* p) override { return Forward(&IAccessible::accHitTest, x, y, p); }
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT v) override { return Forward(&IAccessible::accDoDefaultAction, v); }
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT v, BSTR s) override { return Forward(&IAccessible::put_accName, v, s); }
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT v, BSTR s) override { return Forward(&IAccessible::put_accValue, v, s); }

private:
    template <class Interface, class... Params, class... Args>
    HRESULT Forward(HRESULT (STDMETHODCALLTYPE Interface::*pfn)(Params...), Args... args)
    {
        return m_pStandard != nullptr ? (m_pStandard->*pfn)(args...) : CO_E_OBJNOTCONNECTED;
    }

    static LRESULT CALLBACK WindowProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
    // The answer to WM_GETOBJECT for the client area; 0 leaves it to the control.
    LRESULT OnGetObject(WPARAM wParam);

    HWND m_hWnd = nullptr;
    WNDPROC m_pfnDefault = nullptr;         // the control's own window procedure
    int m_nLabelPosition = 0;
    HWND m_hLabel = nullptr;                // found when a client first asked
    IAccessible* m_pStandard = nullptr;     // the control's own object, once a client asked
    ULONG m_nRefs = 0;
};
