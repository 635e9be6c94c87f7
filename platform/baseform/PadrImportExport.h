#pragma once

#include "components/ButtonFlat.h"
#include "components/Messages.h"
#include "toolkit/FailureHandling.h"
#include "widgets/Panel.h"
#include "widgets/ProgressBar.h"

#include <QDialog>

#include <memory>
#include <utility>

class QGroupBox;
class QLabel;

// What a window does with itself when it closes.
enum class TCloseAction { caNone, caHide, caFree, caMinimize };

// The base window of import and export screens: a report area, a side panel with the import
// and cancel buttons, a progress panel at the bottom and a message table. Subclasses fill the
// report area and supply the creation, close and cancel handlers.
class TfrmPadrImportExport : public QDialog {
    Q_OBJECT
public:
    explicit TfrmPadrImportExport(QWidget* owner);

    // Creates a window of class T and runs its creation handler; when the handler fails, the
    // half-made window is destroyed and the failure passes on.
    template <typename T> static T* Create(QWidget* owner) {
        std::unique_ptr<T> form(new T(owner));
        form->DoCreate();
        return form.release();
    }

    QLabel* lblCodTela;
    QGroupBox* grbDadosRel;
    TPanel* panMenu;
    TPanel* panBotoes;
    TButtonFlat* sbtImportExport;
    TButtonFlat* sbtCancel;
    TPanel* panProgresso;
    TProgressBar* pgbProgresso;
    TMessages msgPadrao;
    // Its picture is the import button's glyph.
    QLabel* imgImportExport;

    // Closing frees the window once control is back in the event loop; this says whether a
    // close has asked for that.
    bool IsReleased() const { return released_; }

    // Runs one of this window's handlers inside the failure guard. A close asked for while a
    // handler runs frees the window only after the outermost handler has returned.
    template <typename F> void RunHandler(F&& body) {
        countHandler([&]() noexcept { Toolkit::guarded(std::forward<F>(body)); });
    }

    // Binds a signal to a handler of this window, run as RunHandler runs it.
    template <typename Sender, typename Signal, typename Handler>
    void Bind(Sender* sender, Signal signal, Handler handler) {
        Toolkit::bindHandler(sender, signal, this, std::move(handler),
                             [this](auto&& guardedCall) { countHandler(guardedCall); });
    }

protected:
    // Creation handler: runs once, after the whole window has been built.
    virtual void FormCreate() {}
    // Close handler: the base window asks to be freed; subclasses run it first.
    virtual void FormClose(TCloseAction& action);
    virtual void sbtCancelClick() {}

    void closeEvent(QCloseEvent* event) override;
    // Once opened, the pointer over the window is the normal arrow: whatever made the user wait
    // for the window to open is over.
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    // The window closes only through its cancel button or the window manager's close, never on
    // Escape: a key pressed by habit must not cancel a run or throw away the choices made.
    void keyPressEvent(QKeyEvent* event) override;
    // Whatever rejects the dialog closes through the close event, so the close handler always runs.
    void reject() override;

private:
    template <typename Call> void countHandler(Call&& guardedCall) {
        ++handlerDepth_;
        guardedCall();
        if (--handlerDepth_ == 0)
            releaseIfPending();
    }
    void DoCreate();
    void releaseIfPending();

    bool released_ = false;
    bool releasePending_ = false;
    int handlerDepth_ = 0;
};
