#include "platform/accessible_name.h"

#include <cwchar>
#include <iterator>

#include "platform/app.h"

namespace {

bool IsSelf(const VARIANT& varChild)
{
    return varChild.vt == VT_I4 && varChild.lVal == CHILDID_SELF;
}

}  // namespace

BOOL CAccessibleName::NameControl(HWND hWnd, int nLabelPosition)
{
    // The control's window procedure is ours in front of its class's; the control
    // keeps no data of its own in GWLP_USERDATA, which is the program's to use.
    CWinApp* pApp = AfxGetApp();
    if (pApp == nullptr || hWnd == nullptr || ::GetWindowLongPtrW(hWnd, GWLP_USERDATA) != 0)
        return FALSE;
    for (CAccessibleName& name : pApp->m_accessibleNames) {
        if (name.m_hWnd != nullptr || name.m_nRefs != 0)
            continue;   // serving a control, or held by a client
        name.m_nLabelPosition = nLabelPosition;
        name.m_hLabel = nullptr;
        ::SetWindowLongPtrW(hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&name));
        name.m_pfnDefault = reinterpret_cast<WNDPROC>(
            ::SetWindowLongPtrW(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(WindowProc)));
        name.m_hWnd = hWnd;
        return TRUE;
    }
    return FALSE;
}

void CAccessibleName::Detach()
{
    if (m_hWnd != nullptr) {
        if (::GetWindowLongPtrW(m_hWnd, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(WindowProc))
            ::SetWindowLongPtrW(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnDefault));
        ::SetWindowLongPtrW(m_hWnd, GWLP_USERDATA, 0);
        m_hWnd = nullptr;
    }
    if (m_pStandard != nullptr) {
        // A client that took the object into another process is served until cut off.
        if (const auto pfn = AFX_GET_PROC(::GetModuleHandleW(L"ole32.dll"), CoDisconnectObject))
            pfn(static_cast<IAccessible*>(this), 0);
        IAccessible* pStandard = m_pStandard;
        m_pStandard = nullptr;
        pStandard->Release();
    }
}

LRESULT CALLBACK CAccessibleName::WindowProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* pThis = reinterpret_cast<CAccessibleName*>(::GetWindowLongPtrW(hWnd, GWLP_USERDATA));
    if (pThis == nullptr)
        return ::DefWindowProcW(hWnd, message, wParam, lParam);
    const WNDPROC pfnDefault = pThis->m_pfnDefault;
    if (message == WM_GETOBJECT && static_cast<LONG>(lParam) == OBJID_CLIENT) {
        if (const LRESULT result = pThis->OnGetObject(wParam))
            return result;
    } else if (message == WM_NCDESTROY) {
        pThis->Detach();
    }
    return ::CallWindowProcW(pfnDefault, hWnd, message, wParam, lParam);
}

LRESULT CAccessibleName::OnGetObject(WPARAM wParam)
{
    // Found once, by a walk through the parent's windows (each step asks the
    // window manager: not worth doing for a dialog no client reads).
    if (m_hLabel == nullptr) {
        HWND hLabel = ::GetWindow(::GetParent(m_hWnd), GW_CHILD);
        for (int i = 1; i < m_nLabelPosition && hLabel != nullptr; ++i)
            hLabel = ::GetWindow(hLabel, GW_HWNDNEXT);
        if (hLabel == nullptr || ::GetWindowTextLengthW(hLabel) == 0)
            return 0;   // no label: the standard object answers
        m_hLabel = hLabel;
    }
    // COM hands the object to the client through this thread's apartment.
    if (!AfxOleInit())
        return 0;
    // Loaded by the first request of any control, then found among the loaded DLLs.
    HMODULE hOleacc = ::GetModuleHandleW(L"oleacc.dll");
    if (hOleacc == nullptr)
        hOleacc = AfxLoadSystemLibrary(L"oleacc.dll");
    if (m_pStandard == nullptr) {
        const auto pfnCreate = AFX_GET_PROC(hOleacc, CreateStdAccessibleObject);
        void* pStandard = nullptr;
        if (pfnCreate == nullptr || FAILED(pfnCreate(m_hWnd, OBJID_CLIENT, __uuidof(IAccessible), &pStandard)))
            return 0;
        m_pStandard = static_cast<IAccessible*>(pStandard);
    }
    const auto pfnResult = AFX_GET_PROC(hOleacc, LresultFromObject);
    const LRESULT result = pfnResult != nullptr ? pfnResult(__uuidof(IAccessible), wParam, static_cast<IAccessible*>(this)) : 0;
    return result > 0 ? result : 0;
}

HRESULT CAccessibleName::QueryInterface(REFIID riid, void** ppv)
{
    if (ppv == nullptr)
        return E_POINTER;
    *ppv = nullptr;
    if (m_pStandard == nullptr)
        return CO_E_OBJNOTCONNECTED;
    // Only this object's own faces, so that each gives back the same IUnknown: its
    // window too (IOleWindow), which clients ask to find the control. Its children
    // clients then count and fetch one by one (get_accChild), as for any object
    // without IEnumVARIANT.
    if (IsEqualIID(riid, __uuidof(IUnknown)) || IsEqualIID(riid, __uuidof(IDispatch)) ||
        IsEqualIID(riid, __uuidof(IAccessible)))
        *ppv = static_cast<IAccessible*>(this);
    else if (IsEqualIID(riid, __uuidof(IOleWindow)))
        *ppv = static_cast<IOleWindow*>(this);
    else
        return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

HRESULT CAccessibleName::GetWindow(HWND* phwnd)
{
    if (phwnd == nullptr)
        return E_POINTER;
    *phwnd = m_hWnd;
    return m_hWnd != nullptr ? S_OK : CO_E_OBJNOTCONNECTED;
}

HRESULT CAccessibleName::get_accName(VARIANT varChild, BSTR* pszName)
{
    if (m_pStandard == nullptr)
        return CO_E_OBJNOTCONNECTED;
    if (!IsSelf(varChild))
        return m_pStandard->get_accName(varChild, pszName);
    if (pszName == nullptr)
        return E_POINTER;
    // The client frees it with the system's string allocator, which oleacc loaded.
    const auto pfn = AFX_GET_PROC(::GetModuleHandleW(L"oleaut32.dll"), SysAllocString);
    wchar_t name[128];
    ::GetWindowTextW(m_hLabel, name, static_cast<int>(std::size(name)));
    *pszName = pfn != nullptr ? pfn(name) : nullptr;
    return *pszName != nullptr ? S_OK : E_OUTOFMEMORY;
}
