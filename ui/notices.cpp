// The one way failures reach the user, the error box, and the notices about the user's notes.
#include <utility>

#include "store/pure/messages.h"
#include "ui/form1.h"

void TForm1::ShowError(const qb::Error& error) {
    ModalDialogScope modal;
    const std::wstring text = qb::ErrorBoxText(error.text());
    if (host_ != nullptr) {
        host_->ShowMessageBox((Handle != nullptr && visible_) ? Handle : owner_, text,
                              MB_ICONERROR);
    }
}

void TForm1::ShowFailure() noexcept {
    try {
        ShowError(qb::notebook::CurrentFailure());
    } catch (...) {
        // Not even the error box could be shown: the program goes on as it is.
    }
}

void TForm1::Notice(const std::wstring& text) {
    if (starting_) {
        startupNotices_.push_back(text);
        return;
    }
    ShowNotice(text);
}

void TForm1::StartupShown() {
    starting_ = false;
    for (const auto& text : std::exchange(startupNotices_, {})) {
        ShowNotice(text);
    }
}

void TForm1::ShowNotice(const std::wstring& text) {
    ModalDialogScope modal;
    if (host_ != nullptr) {
        host_->ShowMessageBox((Handle != nullptr && visible_) ? Handle : owner_, text,
                              MB_ICONWARNING);
    }
}
