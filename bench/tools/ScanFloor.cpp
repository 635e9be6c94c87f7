// scan_floor: what one line of a caption scan cannot cost less than, and what the scan's own steps
// cost, measured with the product's own reading code on a directory of form files:
//   - reading and splitting: ReadFormText over every file, per line;
//   - one empty processEvents call, with a window shown as the capture window is (offscreen);
//   - the scanner's line logic alone (CaptionScanner::readLine), per line.
//
//   scan_floor DIRECTORY [--passes N] [--calls N]
// prints one JSON object; each figure is the median of N passes, in nanoseconds.

#include "capture/CaptionScanner.h"
#include "capture/LineCount.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTextStream>
#include <QVBoxLayout>
#include <QWidget>

#include <algorithm>
#include <functional>
#include <vector>

namespace {

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Nanoseconds per unit of the median pass; each pass returns how many units it handled.
double perUnit(int passes, const std::function<qint64()>& pass) {
    std::vector<double> results;
    for (int i = 0; i < passes; ++i) {
        QElapsedTimer clock;
        clock.start();
        const qint64 units = pass();
        results.push_back(static_cast<double>(clock.nsecsElapsed()) /
                          static_cast<double>(std::max<qint64>(units, 1)));
    }
    return median(results);
}

// A window of about the capture window's make: file lists, a button, a status line, a progress bar.
struct CaptureLikeWindow {
    QWidget window;
    QProgressBar* progress;
    QLabel* status;

    CaptureLikeWindow() {
        auto* layout = new QVBoxLayout(&window);
        auto* available = new QListWidget(&window);
        auto* selected = new QListWidget(&window);
        for (int i = 0; i < 200; ++i) {
            available->addItem(QStringLiteral("F%1.Ebf").arg(i, 4, 10, QLatin1Char('0')));
            selected->addItem(QStringLiteral("F%1.Ebf").arg(i, 4, 10, QLatin1Char('0')));
        }
        status = new QLabel(QStringLiteral("Lendo..."), &window);
        progress = new QProgressBar(&window);
        layout->addWidget(available);
        layout->addWidget(selected);
        layout->addWidget(new QPushButton(QStringLiteral("Importar"), &window));
        layout->addWidget(status);
        layout->addWidget(progress);
        window.resize(640, 480);
        window.show();
        QCoreApplication::processEvents(); // the first show's layout and paint are not ours to time
    }
};

} // namespace

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Per-line floor of the caption scan."));
    parser.addHelpOption();
    const QCommandLineOption passesOption(QStringLiteral("passes"), QStringLiteral("Passes per figure."),
                                          QStringLiteral("N"), QStringLiteral("5"));
    const QCommandLineOption callsOption(QStringLiteral("calls"),
                                         QStringLiteral("processEvents calls per pass."), QStringLiteral("N"),
                                         QStringLiteral("200000"));
    parser.addOptions({passesOption, callsOption});
    parser.addPositionalArgument(QStringLiteral("DIRECTORY"), QStringLiteral("Directory of .Ebf files."));
    parser.process(application);
    if (parser.positionalArguments().size() != 1)
        parser.showHelp(2);
    const int passes = std::max(1, parser.value(passesOption).toInt());
    const int calls = std::max(1, parser.value(callsOption).toInt());

    const QDir directory(parser.positionalArguments().constFirst());
    QStringList paths;
    for (const QString& name : directory.entryList({QStringLiteral("*.Ebf")}, QDir::Files, QDir::Name))
        paths.append(directory.filePath(name));
    if (paths.isEmpty()) {
        QTextStream(stderr) << "scan_floor: no .Ebf files in " << directory.path() << Qt::endl;
        return 2;
    }

    CaptureLikeWindow shown;

    qint64 lineCount = 0;
    const double readSplit = perUnit(passes, [&] {
        qint64 lines = 0;
        for (const QString& path : paths)
            lines += ReadFormText(path).Count();
        lineCount = lines;
        return lines;
    });

    const double processEvents = perUnit(passes, [&] {
        for (int i = 0; i < calls; ++i)
            QCoreApplication::processEvents(QEventLoop::AllEvents);
        return qint64(calls);
    });

    std::vector<TStringList> texts;
    for (const QString& path : paths)
        texts.push_back(ReadFormText(path));
    const AnsiString language = "POR";
    const double scanner = perUnit(passes, [&] {
        qint64 lines = 0;
        for (std::size_t f = 0; f < texts.size(); ++f) {
            CaptionScanner scan{QFileInfo(paths[int(f)]).completeBaseName().toLatin1()};
            for (int i = 0; i < texts[f].Count(); ++i)
                scan.readLine(texts[f][i], language);
            lines += texts[f].Count();
        }
        return lines;
    });

    const QJsonObject result{{QStringLiteral("files"), paths.size()},
                             {QStringLiteral("lines"), lineCount},
                             {QStringLiteral("read_split_ns_per_line"), readSplit},
                             {QStringLiteral("process_events_ns_per_call"), processEvents},
                             {QStringLiteral("scanner_ns_per_line"), scanner},
                             {QStringLiteral("platform"), QGuiApplication::platformName()}};
    QTextStream(stdout) << QJsonDocument(result).toJson(QJsonDocument::Compact) << Qt::endl;
    return 0;
}
