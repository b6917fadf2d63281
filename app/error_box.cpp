// The application's message boxes: the error box and the notices, with the application's title.
#include "app/form_host.h"
#include "app/title.h"

namespace qb::app {

void FormHost::ShowMessageBox(HWND owner, const std::wstring& text, UINT icon) {
    MessageBoxW(owner, text.c_str(), kApplicationTitle, MB_OK | icon);
}

}  // namespace qb::app
