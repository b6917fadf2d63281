// Editing commands on the text area, through the edit control and the clipboard, and the
// opacity slider.
#include <windows.h>
#include <commctrl.h>

#include "ui/form1.h"

void TForm1::CutExecute() {
    SendMessageW(Memo1, WM_CUT, 0, 0);
}

void TForm1::CopyExecute() {
    SendMessageW(Memo1, WM_COPY, 0, 0);
}

void TForm1::PasteExecute() {
    SendMessageW(Memo1, WM_PASTE, 0, 0);
}

void TForm1::N12Click() {
    SendMessageW(Memo1, EM_UNDO, 0, 0);
}

void TForm1::N9Click() {
    SendMessageW(Memo1, WM_CLEAR, 0, 0);
}

void TForm1::N5Click() {
    SendMessageW(Memo1, EM_SETSEL, 0, -1);
}

void TForm1::TrackBar1Change() {
    SetAlphaBlendValue(static_cast<BYTE>(SendMessageW(TrackBar1, TBM_GETPOS, 0, 0)));
}
