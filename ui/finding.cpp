// Finding text across the pages: the prompt, and the next and previous match of the same text.
#include <optional>

#include "win/case_table.h"
#include "ui/form1.h"
#include "ui/input_prompt.h"

namespace {

// The text to find, asked for with the last one offered; nothing when the prompt is cancelled
// or left empty.
std::optional<std::wstring> AskForText(HWND owner, const std::wstring& last) {
    std::optional<std::wstring> text;
    {
        ModalDialogScope modal;
        text = qb::ui::InputQuery(owner, L"Найти", L"Найти текст:", last);
    }
    if (!text || text->empty()) {
        return std::nullopt;
    }
    return text;
}

}  // namespace

void TForm1::FindExecute() {
    if (const auto text = AskForText(Handle, notebook_.LastSearch())) {
        notebook_.Find(*text, true, qb::win::SystemCaseTable());
    }
}

void TForm1::FindNextExecute() {
    FindAgain(true);
}

void TForm1::FindPreviousExecute() {
    FindAgain(false);
}

void TForm1::FindAgain(bool forward) {
    if (notebook_.LastSearch().empty()) {
        FindExecute();
        return;
    }
    notebook_.Find(notebook_.LastSearch(), forward, qb::win::SystemCaseTable());
}
