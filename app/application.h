// The application's hidden window: it owns the main window and carries the program's taskbar
// button, titled with the application title.
#pragma once

#include <windows.h>

#include "ui/form1.h"

namespace qb::app {

class Application {
  public:
    explicit Application(HINSTANCE instance);
    ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    HWND Handle() const { return hwnd_; }
    // Makes the main window from its declaration (running FormCreate).
    void CreateForm(TForm1& form, TFormHost& host);
    // Shows the main window as the start-up command asks, then runs the message loop until the
    // main window has been closed.
    int Run(TForm1& form, int showCommand);

  private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT Dispatch(UINT msg, WPARAM wParam, LPARAM lParam);

    HINSTANCE instance_;
    HWND hwnd_ = nullptr;
    TForm1* form_ = nullptr;
};

}  // namespace qb::app
