#include "components/MensErro.h"

#include "toolkit/Dialogs.h"

void MensErro(const AnsiString& text, bool) {
    // Shown through the dialog service either way: a modeless error box would let the caller's
    // next step run under the user's eyes before the message was read.
    MessageDlg(text, mtError, mbOK, 0);
}
