// What the process gives the main window: its start-up and shutdown, the About command, the
// notification icon and the application's message boxes.
#pragma once

#include "ui/form1.h"

namespace qb::app {

class FormHost final : public TFormHost {
  public:
    void FormCreate(TForm1& form) override;
    void FormClose(TForm1& form) override;
    void N14Click(TForm1& form) override;
    BOOL TrayIcon(TForm1& form, int kind, HICON icon) override;
    void ShowMessageBox(HWND owner, const std::wstring& text, UINT icon) override;
};

}  // namespace qb::app
