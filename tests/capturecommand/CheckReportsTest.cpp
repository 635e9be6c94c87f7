#include "tests/support/CaptureProcess.h"
#include "tests/support/FormFolder.h"
#include "tests/support/ServerProcess.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QXmlStreamReader>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

// The reports CI systems read, each of one check over forms edited since they were captured: a
// changed caption, a removed one, a new one with markup and non-ASCII text, and a form of another
// program in a subdirectory. The check runs where a CI job runs it, in the directory above the
// forms, so the reports name them relative to it.
namespace {

const QByteArray kCapturedForm = "VERSION 5.00\r\n"
                                 "Begin VB.Form frmCliente\r\n"
                                 "   Begin VBCE.Label lblNome\r\n"
                                 "      Caption = \"Nome do cliente\"\r\n"
                                 "   End\r\n"
                                 "   Begin VBCE.CommandButton cmdGravar\r\n"
                                 "      Caption = \"Gravar\"\r\n"
                                 "   End\r\n"
                                 "   Begin VBCE.Label lblObs\r\n"
                                 "      Caption = \"Obs\"\r\n"
                                 "   End\r\n"
                                 "End\r\n";
// The button's caption changed (line 7), the note gone, a warning added (line 10).
const QByteArray kEditedForm = "VERSION 5.00\r\n"
                               "Begin VB.Form frmCliente\r\n"
                               "   Begin VBCE.Label lblNome\r\n"
                               "      Caption = \"Nome do cliente\"\r\n"
                               "   End\r\n"
                               "   Begin VBCE.CommandButton cmdGravar\r\n"
                               "      Caption = \"Gravar e sair, 100%\"\r\n"
                               "   End\r\n"
                               "   Begin VBCE.Label lblAviso\r\n"
                               "      Caption = \"<b>&amp;</b> A\xE7\xE3o\"\r\n"
                               "   End\r\n"
                               "End\r\n";
const QByteArray kMenuForm = "VERSION 5.00\r\n"
                             "Begin VB.Form frmMenu\r\n"
                             "   Begin VBCE.Label lblTitulo\r\n"
                             "      Caption = \"Menu\"\r\n"
                             "   End\r\n"
                             "End\r\n";
const QString kMarkupCaption = QStringLiteral("<b>&amp;</b> Ação");

struct Counts {
    int added = 0, changed = 0, removed = 0;
    bool operator==(const Counts&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Counts& counts) {
    return out << counts.added << " new, " << counts.changed << " changed, " << counts.removed << " removed";
}

// Runs a program; its standard output, or a failure saying what it printed.
testing::AssertionResult run(const QString& program, const QStringList& arguments, QString* out = nullptr) {
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0)
        return testing::AssertionFailure()
               << program.toStdString() << " " << arguments.join(' ').toStdString() << ": "
               << process.readAllStandardError().toStdString()
               << process.readAllStandardOutput().toStdString();
    if (out)
        *out = QString::fromUtf8(process.readAllStandardOutput());
    return testing::AssertionSuccess();
}

QByteArray contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Counts by one word per finding, as each format names the kind or the level.
Counts countBy(const QStringList& words, const QString& added, const QString& changed,
               const QString& removed) {
    return {static_cast<int>(words.count(added)), static_cast<int>(words.count(changed)),
            static_cast<int>(words.count(removed))};
}

class CheckReports : public testing::Test {
protected:
    static void SetUpTestSuite() {
        server = new ServerProcess();
        work = new FormFolder();
        work->write(QStringLiteral("forms/Cliente.Ebf"), kCapturedForm);
        const QStringList language =
            QStringList{QStringLiteral("--language"), QStringLiteral("POR")} + serverOption(*server);
        captured = runCapture(language + QStringList{QStringLiteral("--yes"), QStringLiteral("forms")}, {},
                              work->path());
        work->write(QStringLiteral("forms/Cliente.Ebf"), kEditedForm);
        work->write(QStringLiteral("forms/sub/Menu.Ebf"), kMenuForm);
        QStringList arguments =
            language + QStringList{QStringLiteral("--check"), QStringLiteral("--fail-on-removed"),
                                   QStringLiteral("--annotations"), QStringLiteral("github")};
        for (const char* extension : {"json", "csv", "sarif", "xml", "html"})
            arguments << QStringLiteral("--report")
                      << QStringLiteral("reports/check.") + QLatin1String(extension);
        work->directory(QStringLiteral("reports"));
        checked = runCapture(arguments + QStringList{QStringLiteral("forms"), QStringLiteral("forms/sub")},
                             {}, work->path());
    }
    static void TearDownTestSuite() {
        delete work;
        delete server;
    }

    static QString report(const char* extension) {
        return work->filePath(QStringLiteral("reports/check.") + QLatin1String(extension));
    }

    static Counts jsonCounts() {
        const QJsonObject json = QJsonDocument::fromJson(contents(report("json"))).object();
        QStringList changes;
        for (const QJsonValue& row : json[QLatin1String("rows")].toArray())
            changes.append(row[QLatin1String("change")].toString());
        return {static_cast<int>(changes.count(QStringLiteral("new"))),
                static_cast<int>(changes.count(QStringLiteral("changed"))),
                static_cast<int>(json[QLatin1String("removed")].toArray().size())};
    }

    static Counts csvCounts() {
        QStringList records;
        for (const QString& line : QString::fromUtf8(contents(report("csv"))).split(QStringLiteral("\r\n")))
            records.append(line.section(QLatin1Char(','), 0, 0));
        return countBy(records, QStringLiteral("new"), QStringLiteral("changed"), QStringLiteral("removed"));
    }

    static Counts sarifCounts() {
        EXPECT_TRUE(
            run(QStringLiteral("python3"),
                {QStringLiteral("-c"),
                 QStringLiteral(
                     "import json, sys, jsonschema; "
                     "jsonschema.validate(json.load(open(sys.argv[1])), json.load(open(sys.argv[2])))"),
                 report("sarif"), QStringLiteral(VDR_SCHEMA_DIR "/sarif-schema-2.1.0.json")}));
        const QJsonObject run =
            QJsonDocument::fromJson(contents(report("sarif"))).object()[QLatin1String("runs")][0].toObject();
        EXPECT_EQ(run[QLatin1String("tool")][QLatin1String("driver")][QLatin1String("name")].toString(),
                  QStringLiteral("capture"));
        QStringList levels, places;
        for (const QJsonValue& result : run[QLatin1String("results")].toArray()) {
            levels.append(result[QLatin1String("level")].toString());
            const QJsonValue location =
                result[QLatin1String("locations")][0][QLatin1String("physicalLocation")];
            places.append(
                location[QLatin1String("artifactLocation")][QLatin1String("uri")].toString() +
                QLatin1Char(':') +
                QString::number(location[QLatin1String("region")][QLatin1String("startLine")].toInt()));
        }
        EXPECT_TRUE(places.contains(QStringLiteral("forms/sub/Menu.Ebf:4")))
            << places.join(' ').toStdString();
        // With --fail-on-removed each kind has a level of its own.
        return countBy(levels, QStringLiteral("note"), QStringLiteral("warning"), QStringLiteral("error"));
    }

    static Counts junitCounts() {
        EXPECT_TRUE(
            run(QStringLiteral("xmllint"), {QStringLiteral("--noout"), QStringLiteral("--schema"),
                                            QStringLiteral(VDR_SCHEMA_DIR "/JUnit.xsd"), report("xml")}));
        QXmlStreamReader xml(contents(report("xml")));
        QStringList failures;
        int cases = 0;
        while (!xml.atEnd()) {
            if (xml.readNext() != QXmlStreamReader::StartElement)
                continue;
            cases += xml.name() == QLatin1String("testcase") ? 1 : 0;
            if (xml.name() == QLatin1String("failure"))
                failures.append(xml.attributes().value(QLatin1String("type")).toString());
        }
        EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
        EXPECT_EQ(cases, 4 + 1) << "each caption looked up and the removed one";
        return countBy(failures, QStringLiteral("new-caption"), QStringLiteral("changed-caption"),
                       QStringLiteral("removed-caption"));
    }

    static Counts annotationCounts() {
        QStringList commands;
        for (const QString& line : checked.out.split(QLatin1Char('\n')))
            if (line.startsWith(QLatin1String("::")))
                commands.append(line.section(QLatin1Char(' '), 0, 0));
        EXPECT_TRUE(checked.out.contains(QStringLiteral(
            "::warning file=forms/Cliente.Ebf,line=7,title=Changed caption::FRMCLIENTE.CMDGRAVAR: "
            "changed caption \"Gravar e sair, 100%25\" (the table holds \"Gravar\")\n")))
            << checked.out.toStdString();
        EXPECT_TRUE(
            checked.out.trimmed().section(QLatin1Char('\n'), -1).startsWith(QLatin1String("files: 2,")));
        return countBy(commands, QStringLiteral("::notice"), QStringLiteral("::warning"),
                       QStringLiteral("::error"));
    }

    // Rendered by a browser and read back as printed, so what counts is what a reader sees.
    static Counts htmlCounts() {
        const QString chromium = QStandardPaths::findExecutable(QStringLiteral("chromium"));
        if (chromium.isEmpty()) {
            if (qEnvironmentVariableIsSet("CI"))
                ADD_FAILURE() << "chromium is missing: scripts/install-deps.sh installs it";
            else
                std::cout << "[  SKIPPED ] the HTML page: chromium is not installed\n";
            return htmlExpected;
        }
        const QString html = QString::fromUtf8(contents(report("html")));
        // Self-contained: nothing a browser would fetch.
        EXPECT_FALSE(
            html.contains(QRegularExpression(QStringLiteral(R"((src|href)\s*=|url\(|@import|<script|<link)"),
                                             QRegularExpression::CaseInsensitiveOption)));
        EXPECT_TRUE(html.contains(QStringLiteral("Gravar<ins> e sair, 100%</ins>")));
        QTemporaryDir profile;
        const QStringList headless = {QStringLiteral("--headless"), QStringLiteral("--no-sandbox"),
                                      QStringLiteral("--disable-gpu"),
                                      QStringLiteral("--user-data-dir=") + profile.path()};
        const QString pdf = profile.filePath(QStringLiteral("check.pdf"));
        EXPECT_TRUE(
            run(chromium, headless + QStringList{QStringLiteral("--no-pdf-header-footer"),
                                                 QStringLiteral("--print-to-pdf=") + pdf, report("html")}));
        // The README's picture, retaken by scripts/screenshots.sh.
        const QString pictures = qEnvironmentVariable("VDR_SCREENSHOTS", profile.path());
        const QString picture = pictures + QStringLiteral("/capture-report.png");
        EXPECT_TRUE(
            run(chromium, headless + QStringList{QStringLiteral("--hide-scrollbars"),
                                                 QStringLiteral("--window-size=900,620"),
                                                 QStringLiteral("--screenshot=") + picture, report("html")}));
        EXPECT_TRUE(contents(picture).startsWith("\x89PNG"));
        QString text;
        EXPECT_TRUE(run(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")}, &text));
        text = text.simplified();
        EXPECT_TRUE(text.contains(kMarkupCaption)) << text.toStdString();
        EXPECT_TRUE(text.contains(QStringLiteral("forms/sub/Menu.Ebf:4"))) << text.toStdString();
        return {static_cast<int>(text.count(QStringLiteral("New caption"))),
                static_cast<int>(text.count(QStringLiteral("Changed caption"))),
                static_cast<int>(text.count(QStringLiteral("Caption no longer in the form")))};
    }

    static inline ServerProcess* server = nullptr;
    static inline FormFolder* work = nullptr;
    static inline CaptureResult captured, checked;
    static inline Counts htmlExpected;
};

} // namespace

TEST_F(CheckReports, EachFormatCountsTheFindingsTheSummaryCounts) {
    ASSERT_EQ(captured.exitCode, 0) << captured.err.toStdString();
    ASSERT_EQ(checked.exitCode, 3) << checked.err.toStdString() << checked.out.toStdString();
    const std::optional<CaptureSummary> summary = summaryOf(checked.out);
    ASSERT_TRUE(summary) << checked.out.toStdString();
    const QRegularExpressionMatch judged =
        QRegularExpression(
            QStringLiteral("^changed captions: (\\d+), stored captions no longer in the forms: (\\d+)$"),
            QRegularExpression::MultilineOption)
            .match(checked.out);
    ASSERT_TRUE(judged.hasMatch()) << checked.out.toStdString();
    const Counts expected{summary->inserted - judged.captured(1).toInt(), judged.captured(1).toInt(),
                          judged.captured(2).toInt()};
    ASSERT_EQ(expected, (Counts{2, 1, 1})) << "the fixture's edits";
    htmlExpected = expected;

    const struct {
        const char* format;
        std::function<Counts()> counts;
    } formats[] = {
        {"JSON", jsonCounts},   {"CSV", csvCounts},           {"SARIF", sarifCounts},
        {"JUnit", junitCounts}, {"GitHub", annotationCounts}, {"HTML", htmlCounts},
    };
    for (const auto& format : formats) {
        SCOPED_TRACE(format.format);
        EXPECT_EQ(format.counts(), expected);
    }
}
