// CAccessibleName: a control's name for screen readers where the system's own rule
// cannot find its label (Windows names an edit, a list or a trackbar after the text
// just before it in window order, which a template may not follow). The control
// then answers an accessibility client asking for its client area (WM_GETOBJECT,
// OBJID_CLIENT) with this object, which gives the name and leaves every other
// answer (role, value, state, location, navigation, children) to the system's
// standard object for that control. Nothing is loaded until a client asks: then
// oleacc, from the system folder.
#pragma once

#include <windows.h>
#include <oleacc.h>

class CAccessibleName : public IAccessible, public IOleWindow {
public:
    CAccessibleName() = default;
    ~CAccessibleName();     // detaches
    CAccessibleName(const CAccessibleName&) = delete;
    CAccessibleName& operator=(const CAccessibleName&) = delete;

    // Starts answering for the control hWnd, in front of its window procedure,
    // with the text of its label: the child window of the control's parent at
    // nLabelPosition in window order (1 is the first; in a dialog, the template's
    // order), read when a client first asks. FALSE when the control's
    // GWLP_USERDATA is taken.
    BOOL Attach(HWND hWnd, int nLabelPosition);
    // Stops answering: clients in other processes are cut off and the standard
    // object is released. Done by itself when the control is destroyed; a client
    // that still holds the object is told it is gone.
    void Detach();

    // IUnknown. The object lives as long as its owner, not by its count.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // IOleWindow: the control.
    HRESULT STDMETHODCALLTYPE GetWindow(HWND* phwnd) override;
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL fEnterMode) override;

    // IDispatch, as the standard object answers it.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* pctinfo) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT iTInfo, LCID lcid, ITypeInfo** ppTInfo) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid,
                                            DISPID* ids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO* excepInfo, UINT* argErr) override;

    // IAccessible: the name of the control itself is ours, the rest the standard one's.
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT varChild, BSTR* pszName) override;
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** ppdispParent) override;
    HRESULT STDMETHODCALLTYPE get_accChildCount(LONG* pcountChildren) override;
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT varChild, IDispatch** ppdispChild) override;
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT varChild, BSTR* pszValue) override;
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT varChild, BSTR* pszDescription) override;
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT varChild, VARIANT* pvarRole) override;
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT varChild, VARIANT* pvarState) override;
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT varChild, BSTR* pszHelp) override;
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* pszHelpFile, VARIANT varChild, LONG* pidTopic) override;
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT varChild, BSTR* pszKeyboardShortcut) override;
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* pvarChild) override;
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* pvarChildren) override;
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT varChild, BSTR* pszDefaultAction) override;
    HRESULT STDMETHODCALLTYPE accSelect(LONG flagsSelect, VARIANT varChild) override;
    HRESULT STDMETHODCALLTYPE accLocation(LONG* pxLeft, LONG* pyTop, LONG* pcxWidth, LONG* pcyHeight,
                                          VARIANT varChild) override;
    HRESULT STDMETHODCALLTYPE accNavigate(LONG navDir, VARIANT varStart, VARIANT* pvarEndUpAt) override;
    HRESULT STDMETHODCALLTYPE accHitTest(LONG xLeft, LONG yTop, VARIANT* pvarChild) override;
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT varChild) override;
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT varChild, BSTR szName) override;
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT varChild, BSTR szValue) override;

private:
    static LRESULT CALLBACK WindowProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
    // The answer to WM_GETOBJECT for the client area; 0 leaves it to the control.
    LRESULT OnGetObject(WPARAM wParam);

    HWND m_hWnd = nullptr;
    WNDPROC m_pfnDefault = nullptr;         // the control's own window procedure
    int m_nLabelPosition = 0;
    wchar_t m_szName[128] = {};             // the label's text, once read
    IAccessible* m_pStandard = nullptr;     // the control's own object, once a client asked
    ULONG m_nRefs = 0;
};
