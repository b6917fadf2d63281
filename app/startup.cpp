// Start-up, the About command and shutdown of the main window.
#include <windows.h>

#include "app/form_host.h"
#include "store/pure/messages.h"
#include "store/pure/page_names.h"
#include "store/win/store.h"

namespace qb::app {

namespace {

constexpr wchar_t kAboutCaption[] = L"О программе";
constexpr wchar_t kDeclaredTab[] = L"Main";

}  // namespace

void FormHost::FormCreate(TForm1& form) {
    form.TrayIcon(1, form.AppIcon);
    // A tab close cut short by a crash is finished before anything reads the store. When it
    // cannot be, which page belongs to which tab is not known: nothing is written in this run.
    if (!form.Guard([] { qb::store::FinishInterruptedClose(); })) {
        form.StopWrites();
    }
    const bool haveSettings = qb::store::SettingsExist();
    const bool haveTabList = qb::store::TabListExists();
    if (!haveSettings && !haveTabList) {
        // The first run: the About page instead of a restored store.
        form.N14Click();
        return;
    }

    // Without settings (or with unreadable ones) the window keeps its declared geometry and
    // opacity, and the first tab is selected. Each step's failure is shown, and start-up goes
    // on with what can be read.
    int tabIndex = 0;
    if (haveSettings) {
        form.Guard([&] {
            try {
                form.Settings = qb::store::ReadSettings();
            } catch (const qb::IoError& e) {
                // A file that could not even be opened (held by another program, not ours to
                // write) is not replaced at shutdown; a short one holds nothing worth keeping.
                if (e.code() != qb::kReadBeyondEndCode) {
                    form.KeepSettingsFile();
                }
                throw;
            }
            form.ApplySettings();
            tabIndex = form.Settings.tabIndex;
        });
    }

    if (haveTabList && !form.Guard([&] { form.LoadTabList(); })) {
        form.StopWrites();  // which page belongs to which tab is unknown now
    }
    if (form.Tabs().Count() == 0) {
        form.Tabs().Append(kDeclaredTab);
    }
    form.Tabs().Select(tabIndex);
    if (form.StoreRead()) {
        form.LoadCurrentPage();
    }
}

void FormHost::N14Click(TForm1& form) {
    form.SetAsideUnownedPage(form.Tabs().Count());
    form.Tabs().Append(kAboutCaption);
    form.TabListChanged();
    form.SaveCurrentPage();  // still the tab being left
    form.Tabs().Select(form.Tabs().Count() - 1);
    form.LayoutControls();
    // A new page: what the text area held belongs to the tab just left.
    form.NewPageShown();
    form.SettingsChanged();
    try {
        form.SetMemoText(qb::store::LoadTextFileText(qb::store::kReadmePath).text);
    } catch (const qb::Error&) {
        form.ClearMemo();
        throw;
    }
}

void FormHost::FormClose(TForm1& form) {
    form.SaveStore();
}

}  // namespace qb::app
