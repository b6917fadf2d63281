// The toolbar as a screen reader finds it, in this process (Wine does not marshal accessible
// objects across processes): the main window's own bar answers WM_GETOBJECT with an object whose
// children are its buttons.
#include <windows.h>
#include <commctrl.h>
#include <oleacc.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "res/resource.h"
#include "scratch_dir.h"
#include "ui/form1.h"
#include "ui/toolbar.h"
#include "win/handles.h"

namespace {

using qb::win::ComRef;

class NoHost : public TFormHost {
  public:
    void FormCreate(TForm1&) override {}
    void FormClose(TForm1&) override {}
    void N14Click(TForm1&) override {}
    BOOL TrayIcon(TForm1&, int, HICON) override { return TRUE; }
    void ShowMessageBox(HWND, const std::wstring&, UINT) override {}
};

VARIANT Child(LONG id) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_I4;
    v.lVal = id;
    return v;
}

// A string property; "(none)" when the object has none.
template <typename Getter>
std::wstring Text(Getter get) {
    BSTR text = nullptr;
    const HRESULT hr = get(&text);
    std::wstring result = hr == S_OK && text != nullptr ? std::wstring(text) : L"(none)";
    SysFreeString(text);
    return result;
}

LONG Number(IAccessible* object, HRESULT (STDMETHODCALLTYPE IAccessible::*get)(VARIANT, VARIANT*),
            LONG child) {
    VARIANT value;
    VariantInit(&value);
    if ((object->*get)(Child(child), &value) != S_OK || value.vt != VT_I4) {
        return -1;
    }
    return value.lVal;
}

// Messages posted to this thread's windows, handled now.
void Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

class ToolbarAccessibility : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
        form_.Create(GetModuleHandleW(nullptr), nullptr, host_);
        ShowWindow(form_.Handle, SW_SHOWNOACTIVATE);
        bar_ = form_.ActionToolBar1;
    }
    void TearDown() override { CoUninitialize(); }

    // The bar's object as a screen reader takes it.
    ComRef<IAccessible> Object() {
        ComRef<IAccessible> object;
        const LRESULT result = SendMessageW(bar_, WM_GETOBJECT, 0, OBJID_CLIENT);
        EXPECT_GT(result, 0) << "the bar answers for its client area";
        if (result > 0) {
            EXPECT_EQ(ObjectFromLresult(result, __uuidof(IAccessible), 0,
                                        reinterpret_cast<void**>(object.put())),
                      S_OK);
        }
        return object;
    }

    std::wstring Name(IAccessible* a, LONG child) {
        return Text([&](BSTR* out) { return a->get_accName(Child(child), out); });
    }
    LONG State(IAccessible* a, LONG child) { return Number(a, &IAccessible::get_accState, child); }
    std::wstring MemoText() {
        std::wstring text(16, L'\0');
        text.resize(static_cast<std::size_t>(
            GetWindowTextW(form_.Memo1, text.data(), static_cast<int>(text.size()))));
        return text;
    }

    qb::test::ScratchDir dir_;
    NoHost host_;
    TForm1 form_;
    HWND bar_ = nullptr;
};

TEST_F(ToolbarAccessibility, EachButtonIsANamedPushButtonWithItsKeyPlaceAndAction) {
    const ComRef<IAccessible> bar = Object();
    ASSERT_TRUE(bar);
    EXPECT_EQ(Number(bar.get(), &IAccessible::get_accRole, CHILDID_SELF), ROLE_SYSTEM_TOOLBAR);

    struct Expected {
        std::size_t item;  // in the bar, the separator counted
        const wchar_t* name;
        const wchar_t* key;
    };
    const Expected buttons[] = {{0, L"New", L"Ctrl+N"},
                                {1, L"Вырезать", L"(none)"},
                                {2, L"Копировать", L"(none)"},
                                {3, L"Вставить", L"(none)"},
                                {5, L"Выход", L"(none)"}};
    LONG count = 0;
    ASSERT_EQ(bar->get_accChildCount(&count), S_OK);
    ASSERT_EQ(count, 5) << "one child a button; the separator is none";
    for (LONG id = 1; id <= count; ++id) {
        const Expected& e = buttons[id - 1];
        EXPECT_EQ(Name(bar.get(), id), e.name) << id;
        EXPECT_EQ(Text([&](BSTR* out) { return bar->get_accKeyboardShortcut(Child(id), out); }),
                  e.key)
            << id;
        EXPECT_EQ(Number(bar.get(), &IAccessible::get_accRole, id), ROLE_SYSTEM_PUSHBUTTON) << id;
        EXPECT_EQ(State(bar.get(), id), 0) << id << ": enabled, not hot";
        EXPECT_EQ(Text([&](BSTR* out) { return bar->get_accDefaultAction(Child(id), out); }),
                  L"Нажать")
            << id;

        // Where the button is on the screen, and the button a point there finds.
        RECT cell = qb::ui::ToolbarItemRect(bar_, e.item);
        MapWindowPoints(bar_, nullptr, reinterpret_cast<POINT*>(&cell), 2);
        LONG left = 0, top = 0, width = 0, height = 0;
        ASSERT_EQ(bar->accLocation(&left, &top, &width, &height, Child(id)), S_OK) << id;
        EXPECT_EQ(left, cell.left) << id;
        EXPECT_EQ(top, cell.top) << id;
        EXPECT_EQ(width, cell.right - cell.left) << id;
        EXPECT_EQ(height, cell.bottom - cell.top) << id;
        VARIANT at;
        ASSERT_EQ(bar->accHitTest((cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2, &at),
                  S_OK);
        EXPECT_EQ(at.vt, VT_I4);
        EXPECT_EQ(at.lVal, id);
    }
    // No child beyond the last.
    BSTR none = nullptr;
    EXPECT_EQ(bar->get_accName(Child(count + 1), &none), E_INVALIDARG);
}

TEST_F(ToolbarAccessibility, TheDefaultActionIsAClickAndADisabledButtonReportsUnavailable) {
    const ComRef<IAccessible> bar = Object();
    ASSERT_TRUE(bar);
    constexpr LONG kCut = 2;
    SetWindowTextW(form_.Memo1, L"abc");
    SendMessageW(form_.Memo1, EM_SETSEL, 0, -1);

    form_.SetActionEnabled(ID_ACTION_CUT, false);
    EXPECT_EQ(State(bar.get(), kCut), STATE_SYSTEM_UNAVAILABLE);
    EXPECT_EQ(State(bar.get(), kCut + 1), 0) << "only that button";
    bar->accDoDefaultAction(Child(kCut));
    Pump();
    EXPECT_EQ(MemoText(), L"abc") << "a disabled button does nothing, as under the mouse";

    form_.SetActionEnabled(ID_ACTION_CUT, true);
    EXPECT_EQ(State(bar.get(), kCut), 0);
    EXPECT_EQ(bar->accDoDefaultAction(Child(kCut)), S_OK);
    Pump();
    EXPECT_EQ(MemoText(), L"") << "pressed, the button cut the selection";
}

TEST_F(ToolbarAccessibility, HotFollowsTheMouseAndHiddenButtonsShowAsSuch) {
    const ComRef<IAccessible> bar = Object();
    ASSERT_TRUE(bar);
    const RECT copy = qb::ui::ToolbarItemRect(bar_, 2);
    SendMessageW(bar_, WM_MOUSEMOVE, 0,
                 MAKELPARAM((copy.left + copy.right) / 2, (copy.top + copy.bottom) / 2));
    EXPECT_EQ(State(bar.get(), 3), STATE_SYSTEM_HOTTRACKED);
    EXPECT_EQ(State(bar.get(), 2), 0);
    SendMessageW(bar_, WM_MOUSELEAVE, 0, 0);
    EXPECT_EQ(State(bar.get(), 3), 0);

    // Too narrow for every button: the chevron is the last child, and what it hides is there
    // but not on the screen.
    SetWindowPos(form_.Handle, nullptr, 0, 0, 90, 160, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    LONG count = 0;
    ASSERT_EQ(bar->get_accChildCount(&count), S_OK);
    ASSERT_EQ(count, 6);
    EXPECT_EQ(Name(bar.get(), 6), L"More Buttons");
    EXPECT_EQ(Number(bar.get(), &IAccessible::get_accRole, 6), ROLE_SYSTEM_PUSHBUTTON);
    const RECT chevron = qb::ui::ToolbarChevronRect(bar_);
    ASSERT_FALSE(IsRectEmpty(&chevron));
    EXPECT_EQ(Name(bar.get(), 5), L"Выход");
    EXPECT_EQ(State(bar.get(), 5), STATE_SYSTEM_INVISIBLE | STATE_SYSTEM_OFFSCREEN);
    LONG left = 0, top = 0, width = 0, height = 0;
    EXPECT_EQ(bar->accLocation(&left, &top, &width, &height, Child(5)), S_FALSE);
    EXPECT_EQ(State(bar.get(), 1), 0) << "New still fits";
}

TEST_F(ToolbarAccessibility, AnObjectOutlivingItsBarAnswersNothing) {
    ComRef<IAccessible> bar = Object();
    ASSERT_TRUE(bar);
    DestroyWindow(bar_);
    LONG count = -1;
    EXPECT_EQ(bar->get_accChildCount(&count), S_OK);
    EXPECT_EQ(count, 0);
    BSTR name = nullptr;
    EXPECT_EQ(bar->get_accName(Child(1), &name), E_INVALIDARG);
    EXPECT_NE(bar->accDoDefaultAction(Child(1)), S_OK);
}

}  // namespace
