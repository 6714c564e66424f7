#include "ui/Accessible_win.h"

#include "base/Heap.h"
#include "base/SystemLibrary_win.h"
#include "base/Wide_win.h"

#include <oleacc.h>

#include <cstring>

namespace {

// Spelled out: MinGW's import library gives IID_IAccessible as code, not data.
const GUID IID_ACCESSIBLE = {0x618736e0, 0x3c3d, 0x11cf, {0x81, 0x0c, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71}};
const GUID IID_DISPATCH = {0x00020400, 0x0000, 0x0000, {0xc0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const GUID IID_UNKNOWN = {0x00000000, 0x0000, 0x0000, {0xc0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

constexpr HRESULT DISCONNECTED = static_cast<HRESULT>(0x80010108);  // RPC_E_DISCONNECTED

bool SameGuid(REFIID a, const GUID& b) {
    return memcmp(&a, &b, sizeof(GUID)) == 0;
}

bool LoadOle(OleCalls* ole) {
    if (ole->tried) {
        return ole->ready;
    }
    ole->tried = true;
    // Kept for the process's life: readers may hold the objects until it ends.
    HMODULE ole32 = LoadSystemLibrary(L"ole32.dll");
    HMODULE oleaut32 = LoadSystemLibrary(L"oleaut32.dll");
    HMODULE oleacc = LoadSystemLibrary(L"oleacc.dll");
    auto coInitializeEx = LibraryFunction<HRESULT(WINAPI*)(LPVOID, DWORD)>(ole32, "CoInitializeEx");
    ole->lresultFromObject = LibraryFunction<decltype(ole->lresultFromObject)>(oleacc, "LresultFromObject");
    ole->createStdAccessibleObject =
        LibraryFunction<decltype(ole->createStdAccessibleObject)>(oleacc, "CreateStdAccessibleObject");
    ole->sysAllocString = LibraryFunction<decltype(ole->sysAllocString)>(oleaut32, "SysAllocString");
    if (!coInitializeEx || !ole->lresultFromObject || !ole->createStdAccessibleObject || !ole->sysAllocString) {
        return false;
    }
    (void)coInitializeEx(nullptr, COINIT_APARTMENTTHREADED);  // the window's thread is an apartment of its own
    ole->ready = true;
    return true;
}

void SetI4(VARIANT* v, LONG value) {
    v->vt = VT_I4;
    v->lVal = value;
}

void SetEmpty(VARIANT* v) {
    v->vt = VT_EMPTY;
}

}  // namespace

class AccessibleObject final : public IAccessible {
public:
    AccessibleHost* host;
    const AccessibleSource* source;
    bool connected = true;
    LONG references = 1;  // the window's

    AccessibleObject(AccessibleHost* h, const AccessibleSource* s) : host(h), source(s) {}

    // IUnknown: the object goes with the last reference, the window's or a reader's.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        if (!out) {
            return E_POINTER;
        }
        if (SameGuid(riid, IID_ACCESSIBLE) || SameGuid(riid, IID_DISPATCH) || SameGuid(riid, IID_UNKNOWN)) {
            *out = static_cast<IAccessible*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&references)); }
    ULONG STDMETHODCALLTYPE Release() override {
        LONG left = InterlockedDecrement(&references);
        if (left == 0) {
            FreeOnHeap(this);
        }
        return static_cast<ULONG>(left);
    }

    // IDispatch: readers use the IAccessible methods directly.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        if (count) {
            *count = 0;
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return E_NOTIMPL;
    }

    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override {
        if (!parent) {
            return E_POINTER;
        }
        *parent = nullptr;
        if (!connected) {
            return DISCONNECTED;
        }
        *parent = source->parentObject ? source->parentObject(source->context) : nullptr;
        if (!*parent && host->ole.createStdAccessibleObject) {
            host->ole.createStdAccessibleObject(source->window, OBJID_WINDOW, IID_DISPATCH, reinterpret_cast<void**>(parent));
        }
        return *parent ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE get_accChildCount(LONG* count) override {
        if (!count) {
            return E_POINTER;
        }
        *count = connected ? source->childCount(source->context) : 0;
        return connected ? S_OK : DISCONNECTED;
    }
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** out) override {
        if (!out) {
            return E_POINTER;
        }
        *out = nullptr;
        int32_t id = 0;
        HRESULT checked = Check(child, &id);
        if (checked != S_OK) {
            return checked;
        }
        *out = id != CHILDID_SELF ? source->childObject(source->context, id) : nullptr;
        return *out ? S_OK : S_FALSE;  // a simple child is reached through this object
    }
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* out) override {
        return Text(child, out, [](const AccElement& e) { return static_cast<const char16_t*>(e.name); });
    }
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* out) override {
        return Text(child, out, [](const AccElement& e) { return static_cast<const char16_t*>(e.value); });
    }
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* out) override {
        return Text(child, out, [](const AccElement& e) { return static_cast<const char16_t*>(e.description); });
    }
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* out) override {
        return Text(child, out, [](const AccElement& e) { return e.defaultAction ? e.defaultAction : u""; });
    }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* out) override {
        AccElement e;
        HRESULT r = Describe(child, out, &e);
        if (r == S_OK) {
            SetI4(out, static_cast<LONG>(e.role));
        }
        return r;
    }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* out) override {
        AccElement e;
        HRESULT r = Describe(child, out, &e);
        if (r == S_OK) {
            SetI4(out, static_cast<LONG>(e.state));
        }
        return r;
    }
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT, BSTR* out) override { return Nothing(out); }
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT, LONG* topic) override {
        if (topic) {
            *topic = 0;
        }
        return Nothing(file);
    }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT, BSTR* out) override { return Nothing(out); }
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* out) override {
        return Child(out, connected ? source->focusedChild(source->context) : -1);
    }
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* out) override {
        return Child(out, connected ? source->selectedChild(source->context) : -1);
    }
    HRESULT STDMETHODCALLTYPE accSelect(LONG flags, VARIANT child) override {
        int32_t id = 0;
        HRESULT checked = Check(child, &id);
        if (checked != S_OK) {
            return checked;
        }
        return source->select && source->select(source->context, id, flags) ? S_OK : DISP_E_MEMBERNOTFOUND;
    }
    HRESULT STDMETHODCALLTYPE accLocation(LONG* left, LONG* top, LONG* width, LONG* height, VARIANT child) override {
        if (!left || !top || !width || !height) {
            return E_POINTER;
        }
        *left = *top = *width = *height = 0;
        AccElement e;
        HRESULT r = Describe(child, nullptr, &e);
        if (r != S_OK) {
            return r;
        }
        POINT origin = {e.rect.left, e.rect.top};
        ClientToScreen(source->window, &origin);
        *left = origin.x;
        *top = origin.y;
        *width = e.rect.right - e.rect.left;
        *height = e.rect.bottom - e.rect.top;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE accNavigate(LONG direction, VARIANT start, VARIANT* out) override {
        if (!out) {
            return E_POINTER;
        }
        SetEmpty(out);
        int32_t id = 0;
        HRESULT checked = Check(start, &id);
        if (checked != S_OK) {
            return checked;
        }
        const int32_t count = source->childCount(source->context);
        int32_t to = -1;
        if (id == CHILDID_SELF) {
            to = direction == NAVDIR_FIRSTCHILD ? 1 : direction == NAVDIR_LASTCHILD ? count : -1;
        } else if (direction == NAVDIR_NEXT || direction == NAVDIR_DOWN) {
            to = id + 1;
        } else if (direction == NAVDIR_PREVIOUS || direction == NAVDIR_UP) {
            to = id - 1;
        }
        if (to < 1 || to > count) {
            return S_FALSE;
        }
        return Child(out, to);
    }
    HRESULT STDMETHODCALLTYPE accHitTest(LONG x, LONG y, VARIANT* out) override {
        if (!out) {
            return E_POINTER;
        }
        SetEmpty(out);
        if (!connected) {
            return DISCONNECTED;
        }
        POINT p = {x, y};
        ScreenToClient(source->window, &p);
        RECT client;
        GetClientRect(source->window, &client);
        if (!PtInRect(&client, p)) {
            return S_FALSE;
        }
        return Child(out, source->childAt(source->context, p.x, p.y));
    }
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override {
        int32_t id = 0;
        HRESULT checked = Check(child, &id);
        if (checked != S_OK) {
            return checked;
        }
        return source->doDefaultAction(source->context, id) ? S_OK : DISP_E_MEMBERNOTFOUND;
    }
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT, BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT, BSTR) override { return E_NOTIMPL; }

private:
    HRESULT Check(const VARIANT& child, int32_t* id) const {
        if (!connected) {
            return DISCONNECTED;
        }
        if (child.vt != VT_I4 || child.lVal < 0 || child.lVal > source->childCount(source->context)) {
            return E_INVALIDARG;
        }
        *id = child.lVal;
        return S_OK;
    }
    HRESULT Describe(const VARIANT& child, VARIANT* out, AccElement* e) const {
        if (out) {
            SetEmpty(out);
        }
        int32_t id = 0;
        HRESULT checked = Check(child, &id);
        if (checked != S_OK) {
            return checked;
        }
        return source->describe(source->context, id, e) ? S_OK : E_INVALIDARG;
    }
    template <typename Pick>
    HRESULT Text(const VARIANT& child, BSTR* out, Pick pick) const {
        if (!out) {
            return E_POINTER;
        }
        *out = nullptr;
        AccElement* e = &host->scratch;  // large
        HRESULT r = Describe(child, nullptr, e);
        if (r != S_OK) {
            return r;
        }
        const char16_t* text = pick(*e);
        if (!text[0]) {
            return S_FALSE;
        }
        *out = host->ole.sysAllocString(AsWide(text));
        return *out ? S_OK : E_OUTOFMEMORY;
    }
    HRESULT Nothing(BSTR* out) const {
        if (out) {
            *out = nullptr;
        }
        return connected ? S_FALSE : DISCONNECTED;
    }
    // A child as a VARIANT: its own object when it has one, else its id; -1 for none.
    HRESULT Child(VARIANT* out, int32_t id) const {
        if (!out) {
            return E_POINTER;
        }
        SetEmpty(out);
        if (!connected) {
            return DISCONNECTED;
        }
        if (id < 0) {
            return S_FALSE;
        }
        IDispatch* object = id != CHILDID_SELF ? source->childObject(source->context, id) : nullptr;
        if (object) {
            out->vt = VT_DISPATCH;
            out->pdispVal = object;
        } else {
            SetI4(out, id);
        }
        return S_OK;
    }
};

AccessibleObject* MakeAccessibleObject(AccessibleHost* host, const AccessibleSource* source) {
    return MakeOnHeap<AccessibleObject>(host, source);
}

bool AnswerGetObject(AccessibleObject* object, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    if (!object || !object->connected || static_cast<LONG>(lParam) != OBJID_CLIENT || !LoadOle(&object->host->ole)) {
        return false;
    }
    *result = object->host->ole.lresultFromObject(IID_ACCESSIBLE, wParam, static_cast<IAccessible*>(object));
    return true;
}

IDispatch* AccessibleDispatch(AccessibleObject* object) {
    if (!object || !object->connected) {
        return nullptr;
    }
    object->AddRef();
    return static_cast<IAccessible*>(object);
}

void DisconnectAccessible(AccessibleObject* object) {
    if (object && object->connected) {
        object->connected = false;
        object->Release();
    }
}

void NotifyAccessible(HWND window, DWORD event, int32_t child) {
    NotifyWinEvent(event, window, OBJID_CLIENT, child);
}
