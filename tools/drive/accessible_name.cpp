#include "accessible_name.h"

#include <oleacc.h>

namespace drive {

std::wstring AccessibleName(HWND control) {
    HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    std::wstring name;
    IAccessible* accessible = nullptr;
    // __uuidof: MinGW's oleacc library holds IID_IAccessible as an import stub, not as the GUID.
    if (SUCCEEDED(AccessibleObjectFromWindow(control, OBJID_CLIENT, __uuidof(IAccessible),
                                             reinterpret_cast<void**>(&accessible)))) {
        VARIANT self{};
        self.vt = VT_I4;
        self.lVal = CHILDID_SELF;
        BSTR text = nullptr;
        if (accessible->get_accName(self, &text) == S_OK && text) name = text;
        SysFreeString(text);
        accessible->Release();
    }
    if (SUCCEEDED(com)) CoUninitialize();
    return name;
}

}  // namespace drive
