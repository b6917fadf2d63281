#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "ui/history_dialog.h"
#include "ui/input_prompt.h"
#include "ui/warning_dialog.h"

namespace {

constexpr wchar_t kDialogClass[] = L"#32770";
constexpr wchar_t kLetters[] = L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";

// Waits until `done` holds, checking every 10 ms for at most `ms`.
bool WaitFor(const std::function<bool()>& done, int ms = 3000) {
    for (int waited = 0; waited <= ms; waited += 10) {
        if (done()) {
            return true;
        }
        Sleep(10);
    }
    return false;
}

// While the test thread runs a dialog, a second thread finds it by its caption and drives it
// as a user would. Whatever the driver leaves open is closed at the end so that no test hangs.
class DialogDriver {
  public:
    DialogDriver(std::wstring caption, std::function<void(HWND)> drive)
        : caption_(std::move(caption)), drive_(std::move(drive)), thread_([this] { Body(); }) {}
    ~DialogDriver() { Join(); }
    void Join() {
        if (thread_.joinable()) {
            thread_.join();
        }
    }
    bool Found() const { return found_; }
    bool ClosedByForce() const { return forced_; }

  private:
    void Body() {
        HWND dialog = nullptr;
        WaitFor([&] {
            dialog = FindWindowW(kDialogClass, caption_.c_str());
            return dialog != nullptr && IsWindowVisible(dialog);
        });
        if (dialog == nullptr || !IsWindowVisible(dialog)) {
            return;
        }
        // The dialog is ready once a control of it has the keyboard focus.
        const DWORD thread = GetWindowThreadProcessId(dialog, nullptr);
        WaitFor([&] {
            GUITHREADINFO info{};
            info.cbSize = sizeof(info);
            return GetGUIThreadInfo(thread, &info) && info.hwndFocus != nullptr &&
                   IsChild(dialog, info.hwndFocus);
        });
        // Keys typed go to the active window: a user presses them once the dialog is in front.
        WaitFor([&] { return GetForegroundWindow() == dialog; });
        found_ = true;
        drive_(dialog);
        if (!WaitFor([&] { return !IsWindow(dialog); })) {
            forced_ = true;
            PostMessageW(dialog, WM_CLOSE, 0, 0);
        }
    }

    std::wstring caption_;
    std::function<void(HWND)> drive_;
    std::atomic<bool> found_{false};
    std::atomic<bool> forced_{false};
    std::thread thread_;
};

HWND FocusOf(HWND dialog) {
    GUITHREADINFO info{};
    info.cbSize = sizeof(info);
    GetGUIThreadInfo(GetWindowThreadProcessId(dialog, nullptr), &info);
    return info.hwndFocus;
}

void SendKey(WORD vk, bool up) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = vk;
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    SendInput(1, &input, sizeof(input));
}

// Presses the keys in order and releases them in reverse, as a chord.
void PressChord(std::initializer_list<WORD> keys) {
    for (WORD vk : keys) {
        SendKey(vk, false);
    }
    std::vector<WORD> reversed(keys);
    std::reverse(reversed.begin(), reversed.end());
    for (WORD vk : reversed) {
        SendKey(vk, true);
    }
}

void TypeText(const std::wstring& text) {
    for (wchar_t c : text) {
        INPUT inputs[2]{};
        for (INPUT& input : inputs) {
            input.type = INPUT_KEYBOARD;
            input.ki.wScan = c;
            input.ki.dwFlags = KEYEVENTF_UNICODE;
        }
        inputs[1].ki.dwFlags |= KEYEVENTF_KEYUP;
        SendInput(2, inputs, sizeof(INPUT));
    }
}

std::wstring TextOf(HWND window) {
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(
        GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

// A child's rectangle in its dialog's client coordinates.
RECT ChildRect(HWND dialog, HWND child) {
    RECT rect{};
    GetWindowRect(child, &rect);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

HWND FindChild(HWND dialog, const wchar_t* className, const std::function<bool(HWND)>& match) {
    for (HWND child = FindWindowExW(dialog, nullptr, className, nullptr); child != nullptr;
         child = FindWindowExW(dialog, child, className, nullptr)) {
        if (match(child)) {
            return child;
        }
    }
    return nullptr;
}

void ClearClipboard() {
    ASSERT_TRUE(WaitFor([] { return OpenClipboard(nullptr) != 0; }));
    EmptyClipboard();
    CloseClipboard();
}

void SetClipboardText(const std::wstring& text) {
    ASSERT_TRUE(WaitFor([] { return OpenClipboard(nullptr) != 0; }));
    EmptyClipboard();
    const std::size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
    ASSERT_NE(memory, nullptr);
    std::memcpy(GlobalLock(memory), text.c_str(), bytes);
    GlobalUnlock(memory);
    const bool set = SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
    if (!set) {
        GlobalFree(memory);
    }
    CloseClipboard();
    ASSERT_TRUE(set);
}

std::optional<std::wstring> ClipboardText() {
    if (!OpenClipboard(nullptr)) {
        return std::nullopt;
    }
    std::optional<std::wstring> text;
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT); data != nullptr) {
        if (const auto* chars = static_cast<const wchar_t*>(GlobalLock(data))) {
            text = chars;
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return text;
}

// Metrics of a font as the dialogs measure their dialog units, worked out here on their own.
struct FontUnits {
    int averageWidth = 0;
    int height = 0;
    int X(int n) const { return MulDiv(n, averageWidth, 4); }
    int Y(int n) const { return MulDiv(n, height, 8); }
};

FontUnits UnitsOf(HFONT font) {
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, font);
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    SIZE letters{};
    GetTextExtentPoint32W(dc, kLetters, 52, &letters);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    return FontUnits{letters.cx / 52, metrics.tmHeight};
}

SIZE WrappedSize(HFONT font, const std::wstring& text, int width) {
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, font);
    RECT rect{0, 0, width, 0};
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &rect,
              DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX | DT_LEFT);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    return SIZE{rect.right, rect.bottom};
}

int TextWidth(HFONT font, const std::wstring& text) {
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, font);
    SIZE size{};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    return size.cx;
}

LOGFONTW FontOf(HWND window) {
    LOGFONTW logFont{};
    auto font = reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0));
    if (font != nullptr) {
        GetObjectW(font, sizeof(logFont), &logFont);
    }
    return logFont;
}

// The dialog's window centred on the work area, to the pixel.
void ExpectCentredOnWorkArea(const RECT& window) {
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    const int leftGap = window.left - work.left;
    const int rightGap = work.right - window.right;
    const int topGap = window.top - work.top;
    const int bottomGap = work.bottom - window.bottom;
    EXPECT_LE(std::abs(leftGap - rightGap), 1);
    EXPECT_LE(std::abs(topGap - bottomGap), 1);
}

// ---------------------------------------------------------------------------------------------
// The input prompt

const std::wstring kPromptCaption = L"Новая вкладка";
const std::wstring kLongPrompt =
    L"Введите имя для новой вкладки: это длинная подсказка, которая не помещается в одну строку "
    L"и потому переносится по словам.";

TEST(DialogsInputPrompt, LayoutFollowsDialogUnitsOfItsOwnFont) {
    HDC screen = GetDC(nullptr);
    const int pixelsPerInch = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    const int fontHeight = -MulDiv(8, pixelsPerInch, 72);
    HFONT font = CreateFontW(fontHeight, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                             OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                             DEFAULT_PITCH | FF_DONTCARE, L"MS Sans Serif");
    ASSERT_NE(font, nullptr);
    const FontUnits du = UnitsOf(font);
    const SIZE prompt = WrappedSize(font, kLongPrompt, du.X(164));
    DeleteObject(font);
    ASSERT_GT(du.averageWidth, 0);
    // The prompt really wraps, so its height counts.
    ASSERT_GT(prompt.cy, du.height);

    RECT client{}, window{}, promptRect{}, editRect{}, okRect{}, cancelRect{};
    LONG style = 0;
    LOGFONTW dialogFont{}, editFont{};
    std::wstring promptText, okText, cancelText;
    DialogDriver driver(kPromptCaption, [&](HWND dialog) {
        GetClientRect(dialog, &client);
        GetWindowRect(dialog, &window);
        style = GetWindowLongW(dialog, GWL_STYLE);
        dialogFont = FontOf(dialog);
        HWND label = FindWindowExW(dialog, nullptr, L"Static", nullptr);
        HWND edit = FindWindowExW(dialog, nullptr, L"Edit", nullptr);
        HWND ok = GetDlgItem(dialog, IDOK);
        HWND cancel = GetDlgItem(dialog, IDCANCEL);
        if (label == nullptr || edit == nullptr || ok == nullptr || cancel == nullptr) {
            return;
        }
        promptText = TextOf(label);
        okText = TextOf(ok);
        cancelText = TextOf(cancel);
        editFont = FontOf(edit);
        promptRect = ChildRect(dialog, label);
        editRect = ChildRect(dialog, edit);
        okRect = ChildRect(dialog, ok);
        cancelRect = ChildRect(dialog, cancel);
        PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                     reinterpret_cast<LPARAM>(cancel));
    });
    EXPECT_EQ(qb::ui::InputQuery(nullptr, kPromptCaption, kLongPrompt, L"Main"), std::nullopt);
    driver.Join();
    ASSERT_TRUE(driver.Found());
    EXPECT_FALSE(driver.ClosedByForce());

    EXPECT_EQ(std::wstring(dialogFont.lfFaceName), L"MS Sans Serif");
    EXPECT_EQ(dialogFont.lfHeight, fontHeight);
    EXPECT_EQ(std::wstring(editFont.lfFaceName), L"MS Sans Serif");

    // A fixed dialog frame with a close box only.
    EXPECT_TRUE(style & WS_CAPTION);
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_FALSE(style & WS_THICKFRAME);
    EXPECT_FALSE(style & WS_MINIMIZEBOX);
    EXPECT_FALSE(style & WS_MAXIMIZEBOX);

    EXPECT_EQ(promptText, kLongPrompt);
    EXPECT_EQ(okText, L"OK");
    EXPECT_EQ(cancelText, L"Cancel");

    EXPECT_EQ(client.right, du.X(180));
    EXPECT_EQ(promptRect.left, du.X(8));
    EXPECT_EQ(promptRect.top, du.Y(8));
    EXPECT_EQ(promptRect.bottom - promptRect.top, prompt.cy);
    // The label reaches to the right edge; its text wraps within 164 units.
    EXPECT_EQ(promptRect.right, client.right);
    EXPECT_EQ(editRect.left, du.X(8));
    EXPECT_EQ(editRect.top, promptRect.bottom + 5);
    EXPECT_EQ(editRect.right - editRect.left, du.X(164));
    EXPECT_GT(editRect.bottom - editRect.top, du.height);
    EXPECT_EQ(okRect.left, du.X(38));
    EXPECT_EQ(cancelRect.left, du.X(92));
    EXPECT_EQ(okRect.top, editRect.bottom + 15);
    EXPECT_EQ(cancelRect.top, okRect.top);
    EXPECT_EQ(okRect.right - okRect.left, du.X(50));
    EXPECT_EQ(okRect.bottom - okRect.top, du.Y(14));
    EXPECT_EQ(cancelRect.right - cancelRect.left, du.X(50));
    EXPECT_EQ(cancelRect.bottom - cancelRect.top, du.Y(14));
    EXPECT_EQ(client.bottom, okRect.bottom + 13);
    ExpectCentredOnWorkArea(window);
}

TEST(DialogsInputPrompt, InitialTextWhollySelectedTypingReplacesItReturnGivesIt) {
    DWORD selection = 0;
    LRESULT limit = 0;
    bool editFocused = false;
    LRESULT defaultId = 0;
    DialogDriver driver(kPromptCaption, [&](HWND dialog) {
        HWND edit = FindWindowExW(dialog, nullptr, L"Edit", nullptr);
        editFocused = FocusOf(dialog) == edit;
        selection = static_cast<DWORD>(SendMessageW(edit, EM_GETSEL, 0, 0));
        limit = SendMessageW(edit, EM_GETLIMITTEXT, 0, 0);
        defaultId = SendMessageW(dialog, DM_GETDEFID, 0, 0);
        TypeText(L"Work");
        WaitFor([&] { return TextOf(edit) == L"Work"; });
        PressChord({VK_RETURN});
    });
    const auto result =
        qb::ui::InputQuery(nullptr, kPromptCaption, L"Введите имя для новой вкладки:", L"Main");
    driver.Join();
    ASSERT_TRUE(driver.Found());
    EXPECT_FALSE(driver.ClosedByForce());
    EXPECT_TRUE(editFocused);
    EXPECT_EQ(LOWORD(selection), 0);
    EXPECT_EQ(HIWORD(selection), 4);
    EXPECT_EQ(limit, 255);
    EXPECT_EQ(HIWORD(defaultId), DC_HASDEFID);
    EXPECT_EQ(LOWORD(defaultId), IDOK);
    EXPECT_EQ(result, std::optional<std::wstring>(L"Work"));
}

TEST(DialogsInputPrompt, OkGivesTextUnchangedAndAcceptsAtMost255Characters) {
    {
        DialogDriver driver(kPromptCaption, [](HWND dialog) {
            SendMessageW(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
        });
        const auto result = qb::ui::InputQuery(nullptr, kPromptCaption, L"?", L" a&b ");
        driver.Join();
        ASSERT_TRUE(driver.Found());
        EXPECT_EQ(result, std::optional<std::wstring>(L" a&b "));
    }
    SetClipboardText(std::wstring(300, L'x'));
    std::size_t pastedLength = 0;
    DialogDriver driver(kPromptCaption, [&](HWND dialog) {
        HWND edit = FindWindowExW(dialog, nullptr, L"Edit", nullptr);
        SendMessageW(edit, WM_PASTE, 0, 0);
        pastedLength = TextOf(edit).size();
        SendMessageW(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
    });
    const auto result = qb::ui::InputQuery(nullptr, kPromptCaption, L"?", L"");
    driver.Join();
    ASSERT_TRUE(driver.Found());
    EXPECT_EQ(pastedLength, 255u);
    EXPECT_EQ(result, std::optional<std::wstring>(std::wstring(255, L'x')));
}

TEST(DialogsInputPrompt, CancelEscAndCloseGiveNothing) {
    const std::vector<std::function<void(HWND)>> ways = {
        [](HWND dialog) { SendMessageW(GetDlgItem(dialog, IDCANCEL), BM_CLICK, 0, 0); },
        [](HWND) { PressChord({VK_ESCAPE}); },
        [](HWND dialog) { PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0); },
        [](HWND) {
            PressChord({VK_MENU, VK_F4});
        },
    };
    for (std::size_t i = 0; i < ways.size(); ++i) {
        SCOPED_TRACE(i);
        DialogDriver driver(kPromptCaption, [&](HWND dialog) {
            // Edited text is dropped as well.
            SetWindowTextW(FindWindowExW(dialog, nullptr, L"Edit", nullptr), L"changed");
            ways[i](dialog);
        });
        const auto result = qb::ui::InputQuery(nullptr, kPromptCaption, L"?", L"Main");
        driver.Join();
        ASSERT_TRUE(driver.Found());
        EXPECT_FALSE(driver.ClosedByForce());
        EXPECT_EQ(result, std::nullopt);
    }
}

TEST(DialogsInputPrompt, PastedOrSetLineBreaksAreRemoved) {
    SetClipboardText(L"ab\rcd");
    std::wstring pasted;
    {
        DialogDriver driver(kPromptCaption, [&](HWND dialog) {
            HWND edit = FindWindowExW(dialog, nullptr, L"Edit", nullptr);
            SendMessageW(edit, WM_PASTE, 0, 0);
            pasted = TextOf(edit);
            SendMessageW(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
        });
        const auto result = qb::ui::InputQuery(nullptr, kPromptCaption, L"?", L"Main");
        driver.Join();
        ASSERT_TRUE(driver.Found());
        EXPECT_EQ(pasted, L"ab\rcd");
        EXPECT_EQ(result, std::optional<std::wstring>(L"abcd"));
    }
    std::wstring held;
    DialogDriver driver(kPromptCaption, [&](HWND dialog) {
        HWND edit = FindWindowExW(dialog, nullptr, L"Edit", nullptr);
        SetWindowTextW(edit, L"\r\nab\r\ncd\n");
        held = TextOf(edit);
        PressChord({VK_RETURN});
    });
    const auto result = qb::ui::InputQuery(nullptr, kPromptCaption, L"?", L"Main");
    driver.Join();
    ASSERT_TRUE(driver.Found());
    EXPECT_EQ(held, L"\r\nab\r\ncd\n");
    EXPECT_EQ(result, std::optional<std::wstring>(L"abcd"));
}

// A plain top-level window to own a dialog.
class OwnerWindow {
  public:
    OwnerWindow()
        : hwnd_(CreateWindowExW(0, L"STATIC", L"owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10,
                                200, 100, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr)) {}
    ~OwnerWindow() { DestroyWindow(hwnd_); }
    OwnerWindow(const OwnerWindow&) = delete;
    OwnerWindow& operator=(const OwnerWindow&) = delete;
    HWND get() const { return hwnd_; }

  private:
    HWND hwnd_;
};

TEST(DialogsInputPrompt, IsOwnedAndDisablesItsOwnerWhileOpen) {
    OwnerWindow owner;
    ASSERT_NE(owner.get(), nullptr);
    HWND dialogOwner = nullptr;
    bool ownerEnabledWhileOpen = true;
    DialogDriver driver(kPromptCaption, [&](HWND dialog) {
        dialogOwner = GetWindow(dialog, GW_OWNER);
        ownerEnabledWhileOpen = IsWindowEnabled(owner.get()) != 0;
        PressChord({VK_RETURN});
    });
    const auto result = qb::ui::InputQuery(owner.get(), kPromptCaption, L"?", L"Main");
    driver.Join();
    ASSERT_TRUE(driver.Found());
    EXPECT_EQ(dialogOwner, owner.get());
    EXPECT_FALSE(ownerEnabledWhileOpen);
    EXPECT_TRUE(IsWindowEnabled(owner.get()));
    EXPECT_EQ(result, std::optional<std::wstring>(L"Main"));
}

// ---------------------------------------------------------------------------------------------
// The warning dialog

const std::wstring kWarningMessage =
    L"Вкладка Main будет удалена без возможности восстановления! Продолжить?";

NONCLIENTMETRICSW NonClientMetrics() {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof(metrics);
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0);
    return metrics;
}

TEST(DialogsWarning, CaptionIconMessageAndButtonsLaidOutInMessageFontUnits) {
    // Long enough to wrap within half the screen's width.
    std::wstring message;
    for (int i = 0; i < 12; ++i) {
        message += kWarningMessage + L" ";
    }
    message += L"&&";
    const NONCLIENTMETRICSW metrics = NonClientMetrics();
    HFONT font = CreateFontIndirectW(&metrics.lfMessageFont);
    ASSERT_NE(font, nullptr);
    const FontUnits du = UnitsOf(font);
    const int halfScreen = GetSystemMetrics(SM_CXSCREEN) / 2;
    const SIZE wrapped = WrappedSize(font, message, halfScreen);
    const int buttonWidth =
        std::max({du.X(50), TextWidth(font, L"OK") + 8, TextWidth(font, L"Cancel") + 8});
    DeleteObject(font);
    ASSERT_GT(wrapped.cy, du.height);

    std::wstring caption, messageText;
    RECT client{}, window{}, iconRect{}, messageRect{}, okRect{}, cancelRect{};
    std::wstring okText, cancelText;
    bool hasIcon = false;
    HWND focus = nullptr, okButton = nullptr;
    LRESULT defaultId = 0;
    LOGFONTW messageFont{};
    DialogDriver driver(qb::ui::kWarningCaption, [&](HWND dialog) {
        caption = TextOf(dialog);
        GetClientRect(dialog, &client);
        GetWindowRect(dialog, &window);
        HWND icon = FindChild(dialog, L"Static", [](HWND child) {
            return (GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON;
        });
        HWND text = FindChild(dialog, L"Static", [](HWND child) {
            return (GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) != SS_ICON;
        });
        okButton = GetDlgItem(dialog, IDOK);
        HWND cancel = GetDlgItem(dialog, IDCANCEL);
        if (icon == nullptr || text == nullptr || okButton == nullptr || cancel == nullptr) {
            return;
        }
        hasIcon = SendMessageW(icon, STM_GETICON, 0, 0) != 0;
        iconRect = ChildRect(dialog, icon);
        messageText = TextOf(text);
        messageRect = ChildRect(dialog, text);
        messageFont = FontOf(text);
        okText = TextOf(okButton);
        cancelText = TextOf(cancel);
        okRect = ChildRect(dialog, okButton);
        cancelRect = ChildRect(dialog, cancel);
        focus = FocusOf(dialog);
        defaultId = SendMessageW(dialog, DM_GETDEFID, 0, 0);
        PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                     reinterpret_cast<LPARAM>(cancel));
    });
    EXPECT_FALSE(qb::ui::ConfirmWarning(nullptr, message));
    driver.Join();
    ASSERT_TRUE(driver.Found());
    EXPECT_FALSE(driver.ClosedByForce());

    EXPECT_EQ(caption, L"Warning");
    EXPECT_TRUE(hasIcon);
    EXPECT_EQ(messageText, message);
    EXPECT_EQ(std::wstring(messageFont.lfFaceName), std::wstring(metrics.lfMessageFont.lfFaceName));
    EXPECT_EQ(messageFont.lfHeight, metrics.lfMessageFont.lfHeight);
    EXPECT_EQ(okText, L"OK");
    EXPECT_EQ(cancelText, L"Cancel");
    EXPECT_EQ(focus, okButton);
    EXPECT_EQ(HIWORD(defaultId), DC_HASDEFID);
    EXPECT_EQ(LOWORD(defaultId), IDOK);

    // The icon at the margins, the message right of it and within half the screen.
    EXPECT_EQ(iconRect.left, du.X(8));
    EXPECT_EQ(iconRect.top, du.Y(8));
    EXPECT_EQ(iconRect.right - iconRect.left, 32);
    EXPECT_EQ(iconRect.bottom - iconRect.top, 32);
    EXPECT_EQ(messageRect.left, iconRect.right + du.X(10));
    EXPECT_EQ(messageRect.top, du.Y(8));
    EXPECT_LE(wrapped.cx, halfScreen);
    EXPECT_EQ(messageRect.bottom - messageRect.top, wrapped.cy);
    // The client area ends a margin right of the wrapped text; the label reaches to its edge.
    EXPECT_EQ(client.right, messageRect.left + wrapped.cx + du.X(8));
    EXPECT_EQ(messageRect.right, client.right);

    // One row of buttons, OK then Cancel, 4 units apart, centred, below the message.
    EXPECT_LT(okRect.left, cancelRect.left);
    EXPECT_EQ(okRect.top, messageRect.bottom + du.Y(10));
    EXPECT_EQ(cancelRect.top, okRect.top);
    EXPECT_EQ(okRect.right - okRect.left, buttonWidth);
    EXPECT_EQ(cancelRect.right - cancelRect.left, buttonWidth);
    EXPECT_EQ(okRect.bottom - okRect.top, du.Y(14));
    EXPECT_EQ(cancelRect.left - okRect.right, du.X(4));
    EXPECT_LE(std::abs(okRect.left - (client.right - cancelRect.right)), 1);
    EXPECT_EQ(client.bottom, okRect.bottom + du.Y(8));
    ExpectCentredOnWorkArea(window);
}

TEST(DialogsWarning, OkConfirmsEverythingElseDeclines) {
    struct Way {
        const char* name;
        bool confirms;
        std::function<void(HWND)> act;
    };
    const std::vector<Way> ways = {
        {"Return", true, [](HWND) { PressChord({VK_RETURN}); }},
        {"OK clicked", true,
         [](HWND dialog) { SendMessageW(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0); }},
        {"Cancel clicked", false,
         [](HWND dialog) { SendMessageW(GetDlgItem(dialog, IDCANCEL), BM_CLICK, 0, 0); }},
        {"Esc", false, [](HWND) { PressChord({VK_ESCAPE}); }},
        {"close box", false, [](HWND dialog) { PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0); }},
        {"WM_CLOSE", false, [](HWND dialog) { PostMessageW(dialog, WM_CLOSE, 0, 0); }},
        {"Alt+F4", false,
         [](HWND) {
             PressChord({VK_MENU, VK_F4});
         }},
        {"Tab then Return", false,
         [](HWND) {
             PressChord({VK_TAB});
             Sleep(50);
             PressChord({VK_RETURN});
         }},
    };
    for (const Way& way : ways) {
        SCOPED_TRACE(way.name);
        DialogDriver driver(qb::ui::kWarningCaption, way.act);
        const bool confirmed = qb::ui::ConfirmWarning(nullptr, kWarningMessage);
        driver.Join();
        ASSERT_TRUE(driver.Found());
        EXPECT_FALSE(driver.ClosedByForce());
        EXPECT_EQ(confirmed, way.confirms);
    }
}

TEST(DialogsWarning, IsOwnedAndDisablesItsOwnerWhileOpen) {
    OwnerWindow owner;
    ASSERT_NE(owner.get(), nullptr);
    HWND dialogOwner = nullptr;
    bool ownerEnabledWhileOpen = true;
    DialogDriver driver(qb::ui::kWarningCaption, [&](HWND dialog) {
        dialogOwner = GetWindow(dialog, GW_OWNER);
        ownerEnabledWhileOpen = IsWindowEnabled(owner.get()) != 0;
        PressChord({VK_ESCAPE});
    });
    EXPECT_FALSE(qb::ui::ConfirmWarning(owner.get(), kWarningMessage));
    driver.Join();
    ASSERT_TRUE(driver.Found());
    EXPECT_EQ(dialogOwner, owner.get());
    EXPECT_FALSE(ownerEnabledWhileOpen);
    EXPECT_TRUE(IsWindowEnabled(owner.get()));
}

TEST(DialogsWarning, CtrlCCopiesTheDialogAsTextWhicheverButtonHasFocus) {
    const std::wstring rule(27, L'-');
    const std::wstring expected = rule + L"\r\nWarning\r\n" + rule + L"\r\n" + kWarningMessage +
                                  L"\r\n" + rule + L"\r\nOK   Cancel   \r\n" + rule + L"\r\n";
    ClearClipboard();
    std::optional<std::wstring> fromOk, fromCancel;
    bool openAfterCopy = false;
    bool cancelFocused = false;
    DialogDriver driver(qb::ui::kWarningCaption, [&](HWND dialog) {
        PressChord({VK_CONTROL, 'C'});
        WaitFor([&] { return (fromOk = ClipboardText()).has_value(); });
        openAfterCopy = IsWindow(dialog) != 0;

        ClearClipboard();
        HWND cancel = GetDlgItem(dialog, IDCANCEL);
        SendMessageW(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(cancel), TRUE);
        cancelFocused = FocusOf(dialog) == cancel;
        PressChord({VK_CONTROL, 'C'});
        WaitFor([&] { return (fromCancel = ClipboardText()).has_value(); });
        PressChord({VK_ESCAPE});
    });
    const bool confirmed = qb::ui::ConfirmWarning(nullptr, kWarningMessage);
    driver.Join();
    ASSERT_TRUE(driver.Found());
    EXPECT_FALSE(driver.ClosedByForce());
    EXPECT_FALSE(confirmed);
    EXPECT_TRUE(openAfterCopy);
    EXPECT_TRUE(cancelFocused);
    EXPECT_EQ(fromOk, std::optional<std::wstring>(expected));
    EXPECT_EQ(fromCancel, std::optional<std::wstring>(expected));
}

// ---- "История страницы" ----

std::wstring ControlText(HWND control) {
    std::wstring text(256, L'\0');
    text.resize(static_cast<std::size_t>(
        GetWindowTextW(control, text.data(), static_cast<int>(text.size()))));
    return text;
}

TEST(DialogsPageHistory, TheTextFollowsTheListAndRestoreGivesTheVersionChosen) {
    // 2026-12-09 08:00:00 UTC and a day earlier.
    const std::vector<qb::ui::HistoryItem> items = {{1'796'803'200'000, 12},
                                                    {1'796'716'800'000, 3}};
    const auto textOf = [](std::size_t i) { return L"version " + std::to_wstring(i); };
    std::vector<std::wstring> lines;
    std::vector<std::wstring> texts;
    DialogDriver driver(L"История страницы", [&](HWND dialog) {
        HWND list = FindWindowExW(dialog, nullptr, L"ListBox", nullptr);
        HWND text = FindWindowExW(dialog, nullptr, L"Edit", nullptr);
        for (int i = 0; i < static_cast<int>(SendMessageW(list, LB_GETCOUNT, 0, 0)); ++i) {
            std::wstring line(static_cast<std::size_t>(SendMessageW(list, LB_GETTEXTLEN, i, 0)),
                              L'\0');
            SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(line.data()));
            lines.push_back(line);
        }
        texts.push_back(ControlText(text));
        PressChord({VK_DOWN});
        WaitFor([&] { return ControlText(text) != texts[0]; }, 1000);
        texts.push_back(ControlText(text));
        EXPECT_TRUE(GetWindowLongW(text, GWL_STYLE) & ES_READONLY);
        PressChord({VK_RETURN});  // Return closes: a restore is its own button's
    });
    EXPECT_FALSE(qb::ui::ShowPageHistory(nullptr, items, textOf).has_value());
    driver.Join();
    ASSERT_TRUE(driver.Found());
    EXPECT_FALSE(driver.ClosedByForce());
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], qb::ui::HistoryLine(items[0]));
    EXPECT_NE(lines[0].find(L".12.2026 "), std::wstring::npos) << "the date";
    EXPECT_NE(lines[0].find(L", 12 симв."), std::wstring::npos) << "the length";
    EXPECT_EQ(texts, (std::vector<std::wstring>{L"version 0", L"version 1"}));

    DialogDriver restore(L"История страницы", [&](HWND dialog) {
        PressChord({VK_DOWN});
        Sleep(50);
        SendMessageW(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
    });
    EXPECT_EQ(qb::ui::ShowPageHistory(nullptr, items, textOf), std::optional<std::size_t>(1));
    restore.Join();

    DialogDriver escape(L"История страницы", [&](HWND) { PressChord({VK_ESCAPE}); });
    EXPECT_FALSE(qb::ui::ShowPageHistory(nullptr, items, textOf).has_value());
    escape.Join();
    EXPECT_TRUE(escape.Found());
}

}  // namespace
