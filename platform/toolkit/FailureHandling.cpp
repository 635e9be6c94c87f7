#include "toolkit/FailureHandling.h"

#include "toolkit/Dialogs.h"
#include "toolkit/Exceptions.h"

namespace {

void showErrorDialog(const std::exception& failure) {
    const auto* known = dynamic_cast<const Exception*>(&failure);
    const QString text = known ? known->message() : QString::fromUtf8(failure.what());
    dialogService().messageDlg(text, mtError, mbOK, 0);
}

Toolkit::FailureHandler& handler() {
    static Toolkit::FailureHandler current = showErrorDialog;
    return current;
}

} // namespace

namespace Toolkit {

FailureHandler setFailureHandler(FailureHandler replacement) {
    if (!replacement)
        replacement = showErrorDialog;
    std::swap(handler(), replacement);
    return replacement;
}

void handleFailure(const std::exception& failure) {
    if (dynamic_cast<const EAbort*>(&failure))
        return;
    try {
        handler()(failure);
    } catch (...) {
        // The last line of defence must not throw into Qt's event loop.
    }
}

} // namespace Toolkit
