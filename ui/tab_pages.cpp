// Tab pages: the text area always shows the page of the selected tab.
#include <algorithm>

#include "res/resource.h"
#include "store/win/ansi.h"
#include "store/win/store.h"
#include "ui/form1.h"
#include "ui/input_prompt.h"
#include "ui/pure/access_keys.h"
#include "ui/warning_dialog.h"

void TForm1::SaveCurrentPage() {
    qb::store::EnsureStoreDirectory();
    qb::store::SavePage(Tabs().Selected(), MemoBytes());
}

void TForm1::LoadCurrentPage() {
    if (auto page = qb::store::LoadPage(Tabs().Selected())) {
        SetMemoBytes(*page);
    } else {
        ClearMemo();
    }
}

void TForm1::LoadTabList() {
    const auto lines = qb::store::LoadTabList();
    const auto tabs = Tabs();
    tabs.Clear();
    for (const auto& line : lines) {
        tabs.Append(qb::win::FromAnsi(line));
    }
    LayoutControls();
}

void TForm1::SaveTabList() {
    std::vector<std::string> captions;
    for (const auto& caption : Tabs().Captions()) {
        captions.push_back(qb::win::ToAnsi(caption));
    }
    qb::store::SaveTabList(captions);
}

void TForm1::TabControl1Changing() { SaveCurrentPage(); }

void TForm1::TabControl1Change() {
    LoadCurrentPage();
}

void TForm1::Memo1KeyDown(WORD& key) {
    if (key != VK_TAB) {
        return;
    }
    SaveCurrentPage();
    const auto tabs = Tabs();
    if (tabs.Selected() + 1 == tabs.Count()) {
        tabs.Select(0);
    } else {
        tabs.Select(tabs.Selected() + 1);
    }
    LoadCurrentPage();
    key = 0;
}

bool TForm1::TabControl1DialogChar(wchar_t ch) {
    const int index = qb::ui::FindAccessKeyTab(Tabs().Captions(), ch);
    if (index < 0) {
        return false;
    }
    TabControl1Changing();
    Tabs().Select(index);
    TabControl1Change();
    return true;
}

void TForm1::NewExecute() {
    const auto tabs = Tabs();
    const std::wstring initial = tabs.Caption(tabs.Selected());
    std::optional<std::wstring> caption;
    {
        ModalDialogScope modal;
        caption = qb::ui::InputQuery(Handle, L"Новая вкладка", L"Введите имя для новой вкладки:",
                                     initial);
    }
    if (!caption) {
        return;
    }
    tabs.Append(*caption);
    SetActionEnabled(ID_ACTION1, true);
    SaveCurrentPage();
    tabs.Select(tabs.Count() - 1);
    ClearMemo();
    LayoutControls();
}

void TForm1::RenameExecute() {
    const auto tabs = Tabs();
    const int index = tabs.Selected();
    const std::wstring initial = tabs.Caption(index);
    std::optional<std::wstring> caption;
    {
        ModalDialogScope modal;
        caption = qb::ui::InputQuery(Handle, L"Новое имя", L"Введите новое имя вкладки:", initial);
    }
    tabs.SetCaption(index, caption.value_or(initial));
    LayoutControls();
}

void TForm1::Action1Execute() {
    const auto tabs = Tabs();
    const std::wstring message = L"Вкладка " + tabs.Caption(tabs.Selected()) +
                                 L" будет удалена без возможности восстановления! Продолжить?";
    bool confirmed = false;
    {
        ModalDialogScope modal;
        confirmed = qb::ui::ConfirmWarning(Handle, message);
    }
    if (!confirmed) {
        return;
    }
    RemoveTab(tabs.Selected());
    if (tabs.Count() == 1) {
        SetActionEnabled(ID_ACTION1, false);
    }
}

void TForm1::RemoveTab(int index) {
    const auto tabs = Tabs();
    if (tabs.Selected() != 0) {
        tabs.Select(index - 1);
    } else {
        tabs.Select(index + 1);
    }
    TabControl1Change();
    tabs.Delete(index);
    qb::store::RemovePageFiles(index, tabs.Count());
    LayoutControls();
}
