// The toolbar's object for Active Accessibility (and UI Automation through its bridge). Its
// children are simple elements named by child ids from 1; the bar itself (CHILDID_SELF) is a
// tool bar whose parent, place and state the system's standard object for the client area gives.
#include "ui/toolbar_accessible.h"

#include <oleacc.h>

#include <string>
#include <string_view>

#include "win/com_object.h"
#include "win/handles.h"

namespace qb::ui {
namespace {

using win::ComRef;

BSTR Text(std::wstring_view text) {
    return SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
}

// Writes a string result, or S_FALSE for one the object does not have.
HRESULT TextResult(std::wstring_view text, BSTR* out) {
    if (out == nullptr) {
        return E_POINTER;
    }
    *out = nullptr;
    if (text.empty()) {
        return S_FALSE;
    }
    *out = Text(text);
    return *out != nullptr ? S_OK : E_OUTOFMEMORY;
}

void SetChild(VARIANT* out, LONG id) {
    VariantInit(out);
    out->vt = VT_I4;
    out->lVal = id;
}

class ToolbarAccessible final : public win::ComObject<ToolbarAccessible, IAccessible> {
  public:
    explicit ToolbarAccessible(HWND bar) : bar_(bar) {
        CreateStdAccessibleObject(bar, OBJID_CLIENT, __uuidof(IAccessible),
                                  reinterpret_cast<void**>(standard_.put()));
    }

    static bool Answers(REFIID iid) {
        return IsEqualIID(iid, __uuidof(IDispatch)) || IsEqualIID(iid, __uuidof(IAccessible));
    }

    // ---- IDispatch: no type information; clients call the IAccessible methods directly ----

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        if (count == nullptr) {
            return E_POINTER;
        }
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
        if (info != nullptr) {
            *info = nullptr;
        }
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                     UINT*) override {
        return E_NOTIMPL;
    }

    // ---- IAccessible ----

    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override {
        if (parent == nullptr) {
            return E_POINTER;
        }
        *parent = nullptr;
        return standard_ ? standard_->get_accParent(parent) : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE get_accChildCount(LONG* count) override {
        if (count == nullptr) {
            return E_POINTER;
        }
        *count = static_cast<LONG>(ToolbarAccessibleButtons(bar_).size());
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT, IDispatch** child) override {
        // The buttons are simple elements, not objects of their own.
        if (child == nullptr) {
            return E_POINTER;
        }
        *child = nullptr;
        return S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
        if (IsSelf(child)) {
            return standard_ ? standard_->get_accName(child, name) : TextResult({}, name);
        }
        AccessibleButton button;
        if (!Find(child, button)) {
            return E_INVALIDARG;
        }
        return TextResult(button.name, name);
    }
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override {
        AccessibleButton button;
        if (!IsSelf(child) && !Find(child, button)) {
            return E_INVALIDARG;
        }
        return TextResult({}, value);
    }
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* description) override {
        return get_accValue(child, description);
    }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override {
        if (role == nullptr) {
            return E_POINTER;
        }
        AccessibleButton button;
        if (!IsSelf(child) && !Find(child, button)) {
            return E_INVALIDARG;
        }
        SetChild(role, IsSelf(child) ? ROLE_SYSTEM_TOOLBAR : ROLE_SYSTEM_PUSHBUTTON);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override {
        if (state == nullptr) {
            return E_POINTER;
        }
        if (IsSelf(child)) {
            if (standard_) {
                return standard_->get_accState(child, state);
            }
            SetChild(state, 0);
            return S_OK;
        }
        AccessibleButton button;
        if (!Find(child, button)) {
            return E_INVALIDARG;
        }
        LONG flags = 0;
        if (!button.enabled) {
            flags |= STATE_SYSTEM_UNAVAILABLE;
        }
        if (button.hot) {
            flags |= STATE_SYSTEM_HOTTRACKED;
        }
        if (button.pressed) {
            flags |= STATE_SYSTEM_PRESSED;
        }
        if (!button.shown) {
            flags |= STATE_SYSTEM_INVISIBLE | STATE_SYSTEM_OFFSCREEN;
        }
        SetChild(state, flags);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* help) override {
        return get_accValue(child, help);
    }
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT, LONG* topic) override {
        if (file != nullptr) {
            *file = nullptr;
        }
        if (topic != nullptr) {
            *topic = 0;
        }
        return S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* keys) override {
        if (IsSelf(child)) {
            return TextResult({}, keys);
        }
        AccessibleButton button;
        if (!Find(child, button)) {
            return E_INVALIDARG;
        }
        return TextResult(button.shortcut, keys);
    }
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* focus) override {
        // The bar never takes the keyboard focus.
        if (focus == nullptr) {
            return E_POINTER;
        }
        VariantInit(focus);
        return S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* selection) override {
        return get_accFocus(selection);
    }
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override {
        if (IsSelf(child)) {
            return TextResult({}, action);
        }
        AccessibleButton button;
        if (!Find(child, button)) {
            return E_INVALIDARG;
        }
        return TextResult(kPressActionName, action);
    }
    HRESULT STDMETHODCALLTYPE accSelect(LONG, VARIANT) override { return DISP_E_MEMBERNOTFOUND; }
    HRESULT STDMETHODCALLTYPE accLocation(LONG* left, LONG* top, LONG* width, LONG* height,
                                          VARIANT child) override {
        if (left == nullptr || top == nullptr || width == nullptr || height == nullptr) {
            return E_POINTER;
        }
        *left = *top = *width = *height = 0;
        if (IsSelf(child)) {
            return standard_ ? standard_->accLocation(left, top, width, height, child) : S_FALSE;
        }
        AccessibleButton button;
        if (!Find(child, button)) {
            return E_INVALIDARG;
        }
        if (!button.shown) {
            return S_FALSE;
        }
        *left = button.screen.left;
        *top = button.screen.top;
        *width = button.screen.right - button.screen.left;
        *height = button.screen.bottom - button.screen.top;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE accNavigate(LONG direction, VARIANT start, VARIANT* end) override {
        if (end == nullptr) {
            return E_POINTER;
        }
        VariantInit(end);
        const LONG count = static_cast<LONG>(ToolbarAccessibleButtons(bar_).size());
        LONG from = 0;
        if (!IsSelf(start)) {
            AccessibleButton button;
            if (!Find(start, button)) {
                return E_INVALIDARG;
            }
            from = start.lVal;
        }
        LONG to = 0;
        switch (direction) {
            case NAVDIR_FIRSTCHILD:
                to = from == 0 ? 1 : 0;
                break;
            case NAVDIR_LASTCHILD:
                to = from == 0 ? count : 0;
                break;
            case NAVDIR_NEXT:
            case NAVDIR_RIGHT:
                to = from == 0 ? 0 : from + 1;
                break;
            case NAVDIR_PREVIOUS:
            case NAVDIR_LEFT:
                to = from == 0 ? 0 : from - 1;
                break;
            default:
                break;
        }
        if (from == 0 && to == 0 && standard_) {
            // Among the bar's siblings: the system knows them.
            return standard_->accNavigate(direction, start, end);
        }
        if (to < 1 || to > count) {
            return S_FALSE;
        }
        SetChild(end, to);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE accHitTest(LONG x, LONG y, VARIANT* at) override {
        if (at == nullptr) {
            return E_POINTER;
        }
        VariantInit(at);
        RECT window{};
        GetWindowRect(bar_, &window);
        const POINT point{x, y};
        if (!IsWindow(bar_) || !PtInRect(&window, point)) {
            return S_FALSE;
        }
        SetChild(at, ToolbarAccessibleHit(bar_, point) + 1);  // CHILDID_SELF (0) between buttons
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override {
        AccessibleButton button;
        if (IsSelf(child) || !Find(child, button)) {
            return E_INVALIDARG;
        }
        return PressToolbarAccessibleButton(bar_, static_cast<std::size_t>(child.lVal - 1))
                   ? S_OK
                   : E_FAIL;
    }
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT, BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT, BSTR) override { return E_NOTIMPL; }

  private:
    static bool IsSelf(const VARIANT& child) {
        return child.vt == VT_I4 && child.lVal == CHILDID_SELF;
    }
    // The child a screen reader names, as the bar has it now; false for an id it has no child
    // for (also after the bar is gone).
    bool Find(const VARIANT& child, AccessibleButton& button) const {
        if (child.vt != VT_I4 || child.lVal < 1) {
            return false;
        }
        std::vector<AccessibleButton> buttons = ToolbarAccessibleButtons(bar_);
        if (static_cast<std::size_t>(child.lVal) > buttons.size()) {
            return false;
        }
        button = std::move(buttons[static_cast<std::size_t>(child.lVal - 1)]);
        return true;
    }

    HWND bar_;                      // asked afresh each time: it may be gone
    ComRef<IAccessible> standard_;  // the system's object for the bar's client area
};

}  // namespace

LRESULT AnswerToolbarGetObject(HWND bar, WPARAM flags) {
    const ComRef<IAccessible> object = ToolbarAccessible::Make(bar);
    // The result holds a reference of its own; this one goes at the end of the scope.
    return LresultFromObject(__uuidof(IAccessible), flags, object.get());
}

}  // namespace qb::ui
