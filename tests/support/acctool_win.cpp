// Reads a window's accessible tree as a screen reader does, from another process, for the
// end-to-end tests (and the same calls in-process, for the Wine test).
//
//   acctool tree CLASS      prints one line per child of the window's client object:
//                           "ID|ROLE|STATE|NAME|VALUE|DESCRIPTION|DEFAULT ACTION" (role and state
//                           in hex, texts in UTF-8); a child that is an object of its own is
//                           followed by its children as "ID.CHILD|..."
//   acctool do CLASS ID     does the default action of child ID
//   acctool focus CLASS     prints the child that has the focus
#include <windows.h>
#include <ole2.h>
#include <oleacc.h>

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

const GUID IID_ACCESSIBLE = {0x618736e0, 0x3c3d, 0x11cf, {0x81, 0x0c, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71}};

std::string Utf8(BSTR text) {
    if (!text) {
        return "";
    }
    char out[1024];
    int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, out, sizeof(out), nullptr, nullptr);
    SysFreeString(text);
    return n > 0 ? std::string(out, static_cast<size_t>(n - 1)) : std::string();
}

VARIANT Child(LONG id) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_I4;
    v.lVal = id;
    return v;
}

void PrintChild(IAccessible* object, LONG id, const std::string& prefix) {
    VARIANT child = Child(id);
    VARIANT role, state;
    VariantInit(&role);
    VariantInit(&state);
    object->get_accRole(child, &role);
    object->get_accState(child, &state);
    BSTR name = nullptr, value = nullptr, description = nullptr, action = nullptr;
    object->get_accName(child, &name);
    object->get_accValue(child, &value);
    object->get_accDescription(child, &description);
    object->get_accDefaultAction(child, &action);
    printf("%s%ld|%lx|%lx|%s|%s|%s|%s\n", prefix.c_str(), id, role.vt == VT_I4 ? role.lVal : -1L,
           state.vt == VT_I4 ? state.lVal : -1L, Utf8(name).c_str(), Utf8(value).c_str(), Utf8(description).c_str(),
           Utf8(action).c_str());
}

void PrintTree(IAccessible* object, const std::string& prefix) {
    LONG count = 0;
    object->get_accChildCount(&count);
    PrintChild(object, CHILDID_SELF, prefix);
    for (LONG id = 1; id <= count; id++) {
        IDispatch* dispatch = nullptr;
        if (object->get_accChild(Child(id), &dispatch) == S_OK && dispatch) {
            IAccessible* inner = nullptr;
            if (SUCCEEDED(dispatch->QueryInterface(IID_ACCESSIBLE, reinterpret_cast<void**>(&inner)))) {
                PrintChild(object, id, prefix);
                PrintTree(inner, prefix + std::to_string(id) + ".");
                inner->Release();
            }
            dispatch->Release();
            continue;
        }
        PrintChild(object, id, prefix);
    }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) {
        fprintf(stderr, "usage: acctool tree|do|focus CLASS [ID]\n");
        return 2;
    }
    HWND window = FindWindowW(argv[2], nullptr);
    if (!window) {
        return 1;
    }
    CoInitialize(nullptr);
    IAccessible* object = nullptr;
    HRESULT got = AccessibleObjectFromWindow(window, static_cast<DWORD>(OBJID_CLIENT), IID_ACCESSIBLE,
                                             reinterpret_cast<void**>(&object));
    if (FAILED(got) || !object) {
        fprintf(stderr, "no accessible object: %08lx\n", static_cast<unsigned long>(got));
        return 3;
    }
    int result = 0;
    if (wcscmp(argv[1], L"tree") == 0) {
        PrintTree(object, "");
    } else if (wcscmp(argv[1], L"do") == 0 && argc == 4) {
        HRESULT done = object->accDoDefaultAction(Child(_wtoi(argv[3])));
        result = SUCCEEDED(done) ? 0 : 4;
    } else if (wcscmp(argv[1], L"focus") == 0) {
        VARIANT focus;
        VariantInit(&focus);
        object->get_accFocus(&focus);
        printf("%ld\n", focus.vt == VT_I4 ? focus.lVal : focus.vt == VT_DISPATCH ? -2L : -1L);
        VariantClear(&focus);
    } else {
        result = 2;
    }
    object->Release();
    CoUninitialize();
    fflush(stdout);
    return result;
}
