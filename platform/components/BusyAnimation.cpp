#include "components/BusyAnimation.h"

#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>

namespace {

constexpr std::chrono::milliseconds kHideGrace(250);

class BusyWindow : public QWidget {
public:
    BusyWindow() : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
        setAttribute(Qt::WA_ShowWithoutActivating);
        setFixedSize(240, 64);
        auto* layout = new QVBoxLayout(this);
        text_ = new QLabel(this);
        text_->setAlignment(Qt::AlignCenter);
        auto* indicator = new QProgressBar(this);
        indicator->setRange(0, 0); // a moving bar with no end
        indicator->setTextVisible(false);
        layout->addWidget(text_);
        layout->addWidget(indicator);
        setStyleSheet(QStringLiteral("BusyWindow { border: 1px solid palette(dark); }"));
        hideTimer_.setSingleShot(true);
        hideTimer_.setInterval(kHideGrace);
        connect(&hideTimer_, &QTimer::timeout, this, &BusyWindow::hideNow);
    }

    void present(QWidget* owner, TShowAvi kind) {
        stopLingering();
        const QString text = QString::fromUtf8(BusyAnimation::TextOf(kind));
        if (isVisible() && text_->text() == text)
            return; // still up from the last wait, which ended a moment ago
        text_->setText(text);
        const QRect area =
            owner ? owner->frameGeometry()
                  : (QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen()->geometry()
                                                      : QRect(0, 0, 800, 600));
        move(area.center() - rect().center());
        show();
        // Without a window system there is nothing to bring to the front or to paint now.
        if (QGuiApplication::platformName() != QLatin1String("offscreen")) {
            raise();
            repaint();
        }
    }

    // Hides the window a moment after the wait, unless another wait has begun by then: a run of
    // short waits (a lookup and a row sent per caption, with the scan letting events run between
    // them) keeps one window up rather than mapping and unmapping it dozens of times a second.
    void hideSoon() {
        hideTimer_.start();
        // Until then it would stand over whatever the user is shown next.
        qApp->installEventFilter(this);
    }

    void hideNow() {
        stopLingering();
        hide();
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        // The show event comes before the window is on screen, so it never appears under this one.
        // Tips and menus come and go over the windows and need not end the wait's grace.
        if (event->type() == QEvent::Show && watched != this && watched->isWidgetType()) {
            const Qt::WindowType type = static_cast<QWidget*>(watched)->windowType();
            if (type == Qt::Window || type == Qt::Dialog)
                hideNow();
        }
        return false;
    }

private:
    void stopLingering() {
        hideTimer_.stop();
        qApp->removeEventFilter(this);
    }

    QLabel* text_;
    QTimer hideTimer_;
};

struct State {
    QPointer<BusyWindow> window;
    bool shown = false;
    TShowAvi kind = saConnect;
    int shows = 0;
    int hides = 0;
};

State& state() {
    static State current;
    return current;
}

} // namespace

void ActiveShowAvi(QWidget* owner, TShowAvi kind) {
    State& s = state();
    s.shown = true;
    s.kind = kind;
    ++s.shows;
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
        return; // no widgets in this process: keep the state only
    if (!s.window)
        s.window = new BusyWindow;
    s.window->present(owner, kind);
}

void DeactiveShowAvi() {
    State& s = state();
    if (!s.shown)
        return;
    s.shown = false;
    ++s.hides;
    if (s.window)
        s.window->hideSoon();
}

namespace BusyAnimation {

void Dismiss() {
    State& s = state();
    if (!s.shown && s.window)
        s.window->hideNow();
}

bool OnScreen() {
    const State& s = state();
    return s.window && s.window->isVisible();
}

bool IsShown() {
    return state().shown;
}

TShowAvi Kind() {
    return state().kind;
}

const char* TextOf(TShowAvi kind) {
    switch (kind) {
    case saConnect:
        return "Conectando ao servidor...";
    case saSend:
        return "Enviando dados ao servidor...";
    case saSearch:
        return "Pesquisando...";
    case saCopy:
        return "Copiando arquivos...";
    case saPrint:
        return "Imprimindo...";
    case saDelete:
        return "Excluindo registros...";
    case saRead:
        return "Lendo dados do servidor...";
    }
    return "Aguarde...";
}

int ShowCount() {
    return state().shows;
}

int HideCount() {
    return state().hides;
}

} // namespace BusyAnimation
