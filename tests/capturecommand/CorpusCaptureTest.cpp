#include "tests/capturecommand/CorpusForms.h"
#include "tests/support/CaptureProcess.h"
#include "tests/support/ServerProcess.h"
#include "tests/support/ServerRows.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSet>
#include <QStringEncoder>
#include <QTemporaryDir>

#include <gtest/gtest.h>

// The capture command over real eMbedded Visual Basic forms written by other people, each
// repository's files as a checkout of it holds them.
namespace {

std::string explain(const CaptureResult& result) {
    return ("exit " + QString::number(result.exitCode) + "\nstdout:\n" + result.out + "\nstderr:\n" +
            result.err)
        .toStdString();
}

QStringList captureArguments(const ServerProcess& server, const QString& directory) {
    return QStringList{QStringLiteral("--language"), QStringLiteral("POR")} + serverOption(server) +
           QStringList{QStringLiteral("--yes"), directory};
}

QByteArray contentsOf(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        ADD_FAILURE() << "cannot read " << path.toStdString();
    return file.readAll();
}

// What one directory holds, worked out from the files themselves.
struct FolderFacts {
    int files = 0;
    int lines = 0;
    QSet<QString> programs; // file names before the first ".", upper-cased
    QList<QByteArray> texts;
};

FolderFacts factsOf(const QString& directory) {
    FolderFacts facts;
    for (const QFileInfo& file : QDir(directory).entryInfoList({QStringLiteral("*.ebf")}, QDir::Files)) {
        const QByteArray bytes = contentsOf(file.filePath());
        ++facts.files;
        facts.lines += textLines(bytes);
        facts.texts.append(bytes);
        facts.programs.insert(file.fileName().section(QLatin1Char('.'), 0, 0).toUpper());
    }
    return facts;
}

bool anyTextHolds(const QList<QByteArray>& texts, const QByteArray& needle) {
    for (const QByteArray& text : texts)
        if (text.contains(needle))
            return true;
    return false;
}

} // namespace

class CorpusCapture : public EachStorageTest {
protected:
    void SetUp() override {
        EachStorageTest::SetUp();
        if (IsSkipped())
            return;
        forms = corpusForms(QStringLiteral("ebf"));
        if (forms.isEmpty())
            GTEST_SKIP() << "no eMbedded Visual Basic forms listed in " << corpusDirectory().toStdString();
    }

    QList<CorpusForm> forms;
    QTemporaryDir checkout;
};

TEST_P(CorpusCapture, EveryRepositoryFolderIsCapturedAndASecondRunAddsNothing) {
    const QStringList directories = copyAsCheckedOut(forms, checkout.path());
    ASSERT_FALSE(HasFailure());
    ServerProcess server(GetParam());

    QHash<QString, int> firstLookups;
    int totalInserted = 0;
    for (const QString& directory : directories) {
        SCOPED_TRACE(directory.mid(checkout.path().size()).toStdString());
        const FolderFacts facts = factsOf(directory);
        for (const QString& program : facts.programs)
            ASSERT_LE(program.size(), 20)
                << "program code " << program.toStdString() << " does not fit its field";
        const qsizetype rowsBefore = exportedRows(server).size();

        const CaptureResult result = runCapture(captureArguments(server, directory));
        ASSERT_TRUE(result.finished) << explain(result);
        EXPECT_EQ(result.exitCode, 0) << explain(result);
        const std::optional<CaptureSummary> summary = summaryOf(result.out);
        ASSERT_TRUE(summary) << explain(result);
        EXPECT_EQ(summary->files, facts.files);
        EXPECT_EQ(summary->lines, facts.lines);
        EXPECT_GE(summary->lookups, summary->inserted);

        const QList<QJsonObject> rows = exportedRows(server);
        EXPECT_EQ(rows.size() - rowsBefore, summary->inserted);
        QStringEncoder toCodePage("windows-1252");
        for (const QJsonObject& row : rows.mid(rowsBefore)) {
            SCOPED_TRACE(describeRow(row).toStdString());
            EXPECT_TRUE(facts.programs.contains(row.value(QLatin1String("CDPROGRAMA")).toString()));
            EXPECT_EQ(row.value(QLatin1String("NMPROPRIEDADE")).toString(), QStringLiteral("CAPTION"));
            EXPECT_EQ(row.value(QLatin1String("IDIDIOMA")).toString(), QStringLiteral("POR"));
            EXPECT_EQ(row.value(QLatin1String("IDSITTRADUCAO")).toString(), QStringLiteral("N"));
            const QString value = row.value(QLatin1String("STVALORPROP")).toString();
            EXPECT_EQ(row.value(QLatin1String("STAGRVALPROP")).toString(), value);
            // Blanks inside the quotes are not part of the caption, so only the text itself is sought.
            EXPECT_TRUE(anyTextHolds(facts.texts, toCodePage.encode(value)))
                << "no form of the folder has this caption";
        }
        firstLookups.insert(directory, summary->lookups);
        totalInserted += summary->inserted;
    }
    EXPECT_GT(totalInserted, 100) << "the corpus holds hundreds of captions";

    const qsizetype rowsAfterFirstPass = exportedRows(server).size();
    for (const QString& directory : directories) {
        SCOPED_TRACE(directory.mid(checkout.path().size()).toStdString());
        const CaptureResult result = runCapture(captureArguments(server, directory));
        EXPECT_EQ(result.exitCode, 0) << explain(result);
        const std::optional<CaptureSummary> summary = summaryOf(result.out);
        ASSERT_TRUE(summary) << explain(result);
        EXPECT_EQ(summary->inserted, 0);
        EXPECT_EQ(summary->lookups, firstLookups.value(directory));
    }
    EXPECT_EQ(exportedRows(server).size(), rowsAfterFirstPass);
}

TEST_P(CorpusCapture, FormsCheckedByHandGiveExactlyTheirCaptions) {
    QList<CorpusForm> chosen;
    for (const CorpusForm& form : std::as_const(forms))
        if ((form.repository == QLatin1String("euclas/Pedidos") &&
             form.pathInRepository == QLatin1String("frmAbout.ebf")) ||
            form.repository == QLatin1String("WindowStations/eVB"))
            chosen.append(form);
    if (chosen.size() != 2)
        GTEST_SKIP() << "the two forms checked by hand are not in " << corpusDirectory().toStdString();
    const QStringList directories = copyAsCheckedOut(chosen, checkout.path());
    ASSERT_EQ(directories.size(), 2);
    ServerProcess server(GetParam());

    struct Expected {
        QString repository;
        CaptureSummary summary;
        QStringList rows;
    };
    // Windows-1252 text with CR LF line ends: labels only, besides a shape and an image control.
    const Expected about{
        QStringLiteral("euclas/Pedidos"),
        {1, 227, 6, 6},
        {captionRow("FRMABOUT", "FRMABOUT", "LABEL6", QStringLiteral("Sala 116 - S.J.Campos - S.P.")),
         captionRow("FRMABOUT", "FRMABOUT", "LABEL5", QStringLiteral("(0xx12) 3942-4118")),
         captionRow("FRMABOUT", "FRMABOUT", "LABEL4", QStringLiteral("sd@directnet.com.br")),
         captionRow("FRMABOUT", "FRMABOUT", "LABEL3",
                    QStringLiteral("Av. Dr. João Guilhermino, 261- 11° Andar")),
         captionRow("FRMABOUT", "FRMABOUT", "LABEL2",
                    QStringLiteral("SisBrasil Sistemas e Serviços S/C Ltda.")),
         captionRow("FRMABOUT", "FRMABOUT", "LABEL1", QStringLiteral("Desenvolvido por :"))}};
    // One button; the form's own caption is not captured.
    const Expected hello{QStringLiteral("WindowStations/eVB"),
                         {1, 43, 1, 1},
                         {captionRow("FORM1", "FORM1", "COMMAND1", QStringLiteral("Command1"))}};

    QStringList expectedRows;
    for (const Expected& expected : {about, hello}) {
        SCOPED_TRACE(expected.repository.toStdString());
        const QString directory = checkout.path() + QLatin1Char('/') + expected.repository;
        ASSERT_TRUE(directories.contains(directory));
        const CaptureResult result = runCapture(captureArguments(server, directory));
        EXPECT_EQ(result.exitCode, 0) << explain(result);
        const std::optional<CaptureSummary> summary = summaryOf(result.out);
        ASSERT_TRUE(summary) << explain(result);
        EXPECT_EQ(summary->files, expected.summary.files);
        EXPECT_EQ(summary->lines, expected.summary.lines);
        EXPECT_EQ(summary->lookups, expected.summary.lookups);
        EXPECT_EQ(summary->inserted, expected.summary.inserted);
        expectedRows += expected.rows;
        EXPECT_EQ(describeRows(exportedRows(server)), expectedRows);
    }
}

namespace {

// Each row a report names, as "FILE:LINE: ROW" with the row described as the stored ones are.
QStringList rowsWithPlaces(const QString& reportPath) {
    QFile file(reportPath);
    if (!file.open(QIODevice::ReadOnly))
        return {QStringLiteral("no report at ") + reportPath};
    QStringList rows;
    for (const QJsonValue& value : QJsonDocument::fromJson(file.readAll())[QLatin1String("rows")].toArray()) {
        const QJsonObject row = value.toObject();
        rows.append(QStringLiteral("%1:%2: %3")
                        .arg(row[QLatin1String("file")].toString())
                        .arg(row[QLatin1String("line")].toInt())
                        .arg(captionRow(row[QLatin1String("program")].toString(),
                                        row[QLatin1String("form")].toString(),
                                        row[QLatin1String("component")].toString(),
                                        row[QLatin1String("value")].toString())));
    }
    return rows;
}

} // namespace

TEST_P(CorpusCapture, ACheckOfEveryFolderAtOnceNamesTheRowsARunThenInsertsAtTheSameLines) {
    const QStringList directories = copyAsCheckedOut(forms, checkout.path());
    ASSERT_FALSE(HasFailure());
    ServerProcess server(GetParam());
    QTemporaryDir reports;
    const auto command = [&](const QString& mode, const QString& report) {
        return QStringList{QStringLiteral("--language"), QStringLiteral("POR")} + serverOption(server) +
               QStringList{mode, QStringLiteral("--report"), reports.filePath(report)} + directories;
    };

    const CaptureResult check = runCapture(command(QStringLiteral("--check"), QStringLiteral("check.json")));
    EXPECT_EQ(check.exitCode, 3) << explain(check);
    EXPECT_TRUE(exportedRows(server).isEmpty());
    EXPECT_FALSE(versionStamp(server).has_value());
    const QStringList named = rowsWithPlaces(reports.filePath(QStringLiteral("check.json")));
    EXPECT_EQ(check.out.count(QStringLiteral(": new caption \"")), named.size()) << explain(check);

    const CaptureResult run = runCapture(command(QStringLiteral("--yes"), QStringLiteral("run.json")));
    EXPECT_EQ(run.exitCode, 0) << explain(run);
    const QStringList inserted = rowsWithPlaces(reports.filePath(QStringLiteral("run.json")));
    EXPECT_GT(inserted.size(), 100);
    EXPECT_EQ(named.join(QLatin1Char('\n')), inserted.join(QLatin1Char('\n')));
    EXPECT_EQ(describeRows(exportedRows(server)).join(QLatin1Char('\n')),
              QStringList(inserted)
                  .replaceInStrings(QRegularExpression(QStringLiteral("^.*?:\\d+: ")), QString())
                  .join(QLatin1Char('\n')));

    const CaptureResult again = runCapture(command(QStringLiteral("--check"), QStringLiteral("again.csv")));
    EXPECT_EQ(again.exitCode, 0) << explain(again);
}

INSTANTIATE_FOR_EACH_STORAGE(CorpusCapture);
