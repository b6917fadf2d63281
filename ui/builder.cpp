// Makes the main window from its declaration: the form, then each control in creation order,
// the image list, the menus, and the window's stacking and opacity.
#include <windows.h>
#include <commctrl.h>

#include <span>
#include <string>
#include <vector>

#include "res/resource.h"
#include "store/pure/error.h"
#include "ui/declaration.h"
#include "ui/form1.h"
#include "ui/display_settings.h"
#include "ui/russian_face.h"
#include "ui/toolbar.h"

using qb::ui::Align;
using qb::ui::kForm1;

struct FormBuilder {
    static void Build(TForm1& form, HINSTANCE instance, HWND owner);
    static void RegisterClass(HINSTANCE instance, HICON icon);
    static void CreateImages(TForm1& form, HINSTANCE instance);
    static void CreateControls(TForm1& form, HINSTANCE instance);
    static void LoadMenus(TForm1& form, HINSTANCE instance);
    static std::vector<qb::ui::ToolbarItem> ToolbarItemsOf(
        const TForm1& form, std::span<const qb::ui::ToolbarItemDeclaration> buttons);
};

void TForm1::Create(HINSTANCE instance, HWND owner, TFormHost& host) {
    owner_ = owner;
    host_ = &host;
    FormBuilder::Build(*this, instance, owner);
    writer_ = std::make_unique<qb::win::BackgroundWriter>(Handle, PageWrittenMessage);
    notebook_.UseWriter(*writer_);
    // A failure of start-up is shown, and the window is still shown with whatever the
    // completed steps set.
    Guard([&] { FormCreate(); });
}

void FormBuilder::Build(TForm1& form, HINSTANCE instance, HWND owner) {
    form.icon_.reset(static_cast<HICON>(
        LoadImageW(instance, MAKEINTRESOURCEW(IDI_APP), IMAGE_ICON, 0, 0, LR_DEFAULTSIZE)));
    form.AppIcon = form.icon_.get();
    RegisterClass(instance, form.AppIcon);
    form.CreateFonts(qb::ui::ScreenDpi());
    CreateImages(form, instance);

    const std::wstring title(kForm1.title);
    HWND hwnd =
        CreateWindowExW(kForm1.exStyle, kForm1.className, title.c_str(), kForm1.style, kForm1.left,
                        kForm1.top, kForm1.width, kForm1.height, owner, nullptr, instance, &form);
    if (hwnd == nullptr) {
        throw qb::Error(L"Cannot create the main window");
    }
    // On a screen of another scale than the system's the window has that screen's.
    if (const int dpi = qb::ui::WindowDpi(hwnd); dpi != qb::ui::ScreenDpi()) {
        form.CreateFonts(dpi);
    }
    SendMessageW(hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(form.AppIcon));
    SendMessageW(hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(form.AppIcon));

    CreateControls(form, instance);
    LoadMenus(form, instance);

    // Opacity through a layered window, and always on top.
    SetWindowLongPtrW(hwnd, GWL_EXSTYLE, GetWindowLongPtrW(hwnd, GWL_EXSTYLE) | WS_EX_LAYERED);
    form.alpha_ = kForm1.alphaBlendValue;
    SetLayeredWindowAttributes(hwnd, 0, form.alpha_, LWA_ALPHA);
    SetWindowPos(hwnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    form.LayoutControls();
}

void FormBuilder::RegisterClass(HINSTANCE instance, HICON icon) {
    WNDCLASSEXW wc{};
    if (GetClassInfoExW(instance, kForm1.className, &wc)) {
        return;
    }
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &TForm1::WindowProc;
    wc.hInstance = instance;
    wc.hIcon = icon;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kForm1.className;
    if (!RegisterClassExW(&wc)) {
        throw qb::Error(L"Cannot register the main window's class");
    }
}

void TForm1::CreateFonts(int dpi) {
    qb::win::WindowDC screen(nullptr);
    LOGFONTW lf{};
    lf.lfHeight = -MulDiv(kForm1.fontHeight, dpi, 96);
    lf.lfWeight = FW_NORMAL;
    lf.lfCharSet = DEFAULT_CHARSET;
    lstrcpynW(lf.lfFaceName, kForm1.fontName, LF_FACESIZE);
    font_.reset(CreateFontIndirectW(&lf));
    // The program's own texts are Russian: in the font's Russian character set they draw the
    // same on every system. On a Russian one the two fonts are the same.
    qb::ui::OfferRussianSansSerif();
    lf.lfCharSet = RUSSIAN_CHARSET;
    programFont_.reset(CreateFontIndirectW(&lf));

    // Controls are scaled by the height of "0" in the scaled font over the design height.
    qb::win::SelectedObject selected(screen.get(), font_.get());
    SIZE zero{};
    scaleNumerator_ = kForm1.designTextHeight;
    if (GetTextExtentPoint32W(screen.get(), L"0", 1, &zero) && zero.cy > 0) {
        scaleNumerator_ = zero.cy;
    }
}

namespace {

// The images of one size from their strip in the resources; magenta is transparent.
HIMAGELIST LoadImages(HINSTANCE instance, UINT resource, int size) {
    HIMAGELIST list = ImageList_Create(size, size, ILC_COLOR24 | ILC_MASK, 5, 0);
    qb::win::UniqueBitmap strip(static_cast<HBITMAP>(
        LoadImageW(instance, MAKEINTRESOURCEW(resource), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    if (list != nullptr && strip) {
        ImageList_AddMasked(list, strip.get(), RGB(255, 0, 255));
    }
    return list;
}

}  // namespace

void FormBuilder::CreateImages(TForm1& form, HINSTANCE instance) {
    form.images_.reset(LoadImages(instance, IDB_IMAGELIST, 16));
    form.images24_.reset(LoadImages(instance, IDB_IMAGELIST24, 24));
    form.images32_.reset(LoadImages(instance, IDB_IMAGELIST32, 32));
    form.ImageList1 = form.images_.get();
}

void FormBuilder::CreateControls(TForm1& form, HINSTANCE instance) {
    qb::ui::RegisterActionToolBarClass();
    for (const auto& c : qb::ui::kControls) {
        HWND parent = c.parent != nullptr ? form.*c.parent : form.Handle;
        HFONT font = c.text == qb::ui::TextOf::Program ? form.programFont_.get() : form.font_.get();
        HWND hwnd =
            CreateWindowExW(c.exStyle, c.className, L"", c.style, form.Scaled(c.left),
                            form.Scaled(c.top), form.Scaled(c.width), form.Scaled(c.height), parent,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(c.id)), instance, nullptr);
        if (hwnd == nullptr) {
            throw qb::Error(std::wstring(L"Cannot create control ") + c.className);
        }
        SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        for (const auto& init : c.init) {
            SendMessageW(hwnd, init.msg, init.wParam, init.lParam);
        }
        if (!c.buttons.empty()) {
            qb::ui::SetToolbarItems(hwnd, form.ImageList1, ToolbarItemsOf(form, c.buttons));
            qb::ui::SetToolbarImageSizes(
                hwnd, {form.images_.get(), form.images24_.get(), form.images32_.get()});
        }
        // Later controls lie above earlier ones.
        SetWindowPos(hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        form.*c.field = hwnd;
    }
    form.ScaleControls();
    // The declared tab.
    form.Tabs().Append(L"Main");
    SetWindowSubclass(form.Memo1, &TForm1::MemoProc, 1, reinterpret_cast<DWORD_PTR>(&form));
    SetWindowSubclass(form.TabControl1, &TForm1::TabControlProc, 1,
                      reinterpret_cast<DWORD_PTR>(&form));
}

// Each button shows its action: glyph, caption and enabled state.
std::vector<qb::ui::ToolbarItem> FormBuilder::ToolbarItemsOf(
    const TForm1& form, std::span<const qb::ui::ToolbarItemDeclaration> buttons) {
    std::vector<qb::ui::ToolbarItem> items;
    for (const auto& button : buttons) {
        qb::ui::ToolbarItem item;
        if (button.action == 0) {
            item.separator = true;
        } else {
            const auto* action = qb::ui::FindAction(button.action);
            item.image = action->image;
            item.caption = action->caption;
            item.hint = qb::ui::ToolbarHint(action->caption, action->id);
            if (const auto* key = qb::ui::FindKey(action->id)) {
                item.shortcut = qb::ui::ShortcutText(key->keys);
            }
            item.showCaption = button.showCaption;
            item.command = action->id;
            item.enabled = form.ActionEnabled(action->id);
        }
        items.push_back(std::move(item));
    }
    return items;
}

void FormBuilder::LoadMenus(TForm1& form, HINSTANCE instance) {
    for (const auto& decl : qb::ui::kMenus) {
        const auto& menu =
            form.menus_.emplace_back(LoadMenuW(instance, MAKEINTRESOURCEW(decl.resource)));
        HMENU popup = menu ? GetSubMenu(menu.get(), 0) : nullptr;
        if (popup == nullptr) {
            throw qb::Error(L"Cannot load the window's menus");
        }
        if (decl.defaultItem != 0) {
            SetMenuDefaultItem(popup, decl.defaultItem, FALSE);
        }
        for (const auto& item : qb::ui::kMenuItems) {
            if (item.action != 0 && GetMenuState(popup, item.item, MF_BYCOMMAND) != UINT(-1)) {
                // The item's own caption, or else its action's; its action's key after a tab.
                std::wstring own(static_cast<std::size_t>(
                                     GetMenuStringW(popup, item.item, nullptr, 0, MF_BYCOMMAND)),
                                 L'\0');
                if (!own.empty()) {
                    GetMenuStringW(popup, item.item, own.data(), static_cast<int>(own.size()) + 1,
                                   MF_BYCOMMAND);
                }
                std::wstring caption = qb::ui::MenuCaption(
                    own.empty() ? qb::ui::FindAction(item.action)->caption : own, item.action);
                MENUITEMINFOW info{};
                info.cbSize = sizeof info;
                info.fMask = MIIM_FTYPE | MIIM_STRING;
                info.fType = MFT_STRING;
                info.dwTypeData = caption.data();
                SetMenuItemInfoW(popup, item.item, FALSE, &info);
            }
            if (decl.showsImages && item.image >= 0) {
                MENUITEMINFOW info{};
                info.cbSize = sizeof info;
                info.fMask = MIIM_BITMAP;
                info.hbmpItem = HBMMENU_CALLBACK;
                SetMenuItemInfoW(popup, item.item, FALSE, &info);
            }
        }
        form.*decl.field = popup;
    }
}
