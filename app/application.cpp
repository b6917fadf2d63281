#include "app/application.h"

#include <commctrl.h>

#include "app/title.h"
#include "res/resource.h"

namespace qb::app {

namespace {
constexpr wchar_t kClassName[] = L"TApplication";
}

Application::Application(HINSTANCE instance) : instance_(instance) {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_TAB_CLASSES | ICC_BAR_CLASSES | ICC_WIN95_CLASSES};
    InitCommonControlsEx(&icc);

    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &Application::WindowProc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_APP));
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = kClassName;
    RegisterClassExW(&wc);

    // No size of its own: it is seen only as the taskbar button.
    const int x = GetSystemMetrics(SM_CXSCREEN) / 2;
    const int y = GetSystemMetrics(SM_CYSCREEN) / 2;
    hwnd_ = CreateWindowExW(0, kClassName, kApplicationTitle,
                            WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS | WS_SYSMENU | WS_MINIMIZEBOX,
                            x, y, 0, 0, nullptr, nullptr, instance, this);
}

Application::~Application() {
    if (hwnd_ != nullptr) {
        SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
        DestroyWindow(hwnd_);
    }
}

void Application::CreateForm(TForm1& form, TFormHost& host) {
    form_ = &form;
    form.Create(instance_, hwnd_, host);
}

int Application::Run(TForm1& form, int showCommand) {
    form.Show();
    if (showCommand == SW_SHOWMINIMIZED || showCommand == SW_MINIMIZE ||
        showCommand == SW_SHOWMINNOACTIVE) {
        form.ApplicationMinimized();
    } else if (showCommand == SW_SHOWMAXIMIZED) {
        ShowWindow(form.Handle, SW_SHOWMAXIMIZED);
    }
    form.StartupShown();
    MSG msg{};
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (form.PreTranslateMessage(msg)) {
            continue;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}

LRESULT CALLBACK Application::WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
    }
    auto* app = reinterpret_cast<Application*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (app == nullptr || app->form_ == nullptr || app->form_->Handle == nullptr) {
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    }
    LRESULT result = 0;
    app->form_->Guard([&] { result = app->Dispatch(msg, wParam, lParam); });
    return result;
}

LRESULT Application::Dispatch(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_SYSCOMMAND:
            switch (wParam & 0xFFF0) {
                case SC_MINIMIZE:
                    form_->ApplicationMinimized();
                    return 0;
                case SC_RESTORE: {
                    const LRESULT r = DefWindowProcW(hwnd_, msg, wParam, lParam);
                    form_->ApplicationRestored();
                    return r;
                }
                default:
                    break;
            }
            break;
        case WM_CLOSE:
            // Close on the taskbar button's menu: a close request from outside the window. An
            // end-task request closes every window of the program, this one after the main
            // window perhaps: what was closed once is not closed (and written) again.
            if (!form_->Closed()) {
                form_->Close();
            }
            return 0;
        case WM_ACTIVATE:
            if (LOWORD(wParam) != WA_INACTIVE && form_->Visible() &&
                IsWindowVisible(form_->Handle)) {
                SetActiveWindow(form_->Handle);
                return 0;
            }
            break;
        default:
            break;
    }
    return DefWindowProcW(hwnd_, msg, wParam, lParam);
}

}  // namespace qb::app
