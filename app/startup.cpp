// Start-up, the About command and shutdown of the main window: the notebook's, with the
// notification icon.
#include "app/form_host.h"

namespace qb::app {

void FormHost::FormCreate(TForm1& form) {
    form.TrayIcon(1, form.AppIcon);
    form.Notes().Start();
    form.WatchStore();
}

void FormHost::N14Click(TForm1& form) {
    form.Notes().AddAboutPage();
}

void FormHost::FormClose(TForm1& form) {
    form.Notes().SaveAll();
}

}  // namespace qb::app
