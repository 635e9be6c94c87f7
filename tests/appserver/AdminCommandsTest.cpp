#include "tests/appserver/AppserverProcess.h"
#include "tests/support/database/TestDatabase.h"

#include "appserver/Storage.h"
#include "wire/RecordLayouts.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

// The administrative subcommands against a database the test fills in-process.

class AdminCommandsTest : public StorageKindTest {
protected:
    void SetUp() override {
        StorageKindTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        files.setDatabaseUrl(database->url());
    }

    void store(const QList<TranslationRow>& rows) {
        Storage storage(database->location());
        Storage::Transaction transaction(storage);
        for (const TranslationRow& row : rows)
            storage.insertTranslation(row);
        transaction.commit();
    }

    static TranslationRow row(const QString& program, const QString& value, const QString& language) {
        return {
            program, "FRM", "LBL", "CAPTION", 0, "N", value, value, QStringLiteral("2026-12-07T08:01:44.123"),
            language};
    }

    AppserverProcess files; // never started: runs the commands on the test's database
};
INSTANTIATE_FOR_EACH_STORAGE(AdminCommandsTest);

TEST_P(AdminCommandsTest, LanguagesListsTheSeededLanguages) {
    const AppserverProcess::CommandResult result = files.runCommand({"languages"});
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    EXPECT_EQ(result.out, "POR\tPortuguês\tPOR\nENG\tEnglish\tENG\nSPA\tEspañol\tSPA\n");
}

TEST_P(AdminCommandsTest, LanguagesAddAppendsAndRefusesDuplicatesAndOversizedValues) {
    AppserverProcess::CommandResult result = files.runCommand({"languages", "add", "ita", "Italiano"});
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    result = files.runCommand({"languages", "add", "FRA", "Français", "FR"});
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    result = files.runCommand({"languages"});
    EXPECT_TRUE(result.out.endsWith("ITA\tItaliano\tITA\nFRA\tFrançais\tFR\n")) << result.out.toStdString();

    result = files.runCommand({"languages", "add", "ITA", "Outra vez"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_TRUE(result.err.contains("already")) << result.err.toStdString();
    EXPECT_EQ(files.runCommand({"languages", "add", "LONG", "Code too long"}).exitCode, 2);
    EXPECT_EQ(files.runCommand({"languages", "add", "XX", QString(31, QLatin1Char('d'))}).exitCode, 2);
    EXPECT_EQ(files.runCommand({"languages", "add", "XX"}).exitCode, 2);
    EXPECT_EQ(files.runCommand({"languages", "remove", "ITA"}).exitCode, 2);
}

TEST_P(AdminCommandsTest, ExportCsvQuotesWhatNeedsIt) {
    store({row("CLIENTE", "Nome, completo", "POR"), row("CLIENTE", "Diga \"sim\"", "ENG"),
           row("PEDIDO", "Linha 1\nLinha 2", "POR")});
    const AppserverProcess::CommandResult result = files.runCommand({"export", "--format", "csv"});
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    QStringList header;
    for (const FieldDef& field : Layouts::translationRow())
        header.append(field.name);
    const QString expected =
        header.join(',') +
        "\r\n"
        "CLIENTE,FRM,LBL,CAPTION,0,N,\"Nome, completo\",\"Nome, completo\",2026-12-07T08:01:44.123,POR\r\n"
        "CLIENTE,FRM,LBL,CAPTION,0,N,\"Diga \"\"sim\"\"\",\"Diga "
        "\"\"sim\"\"\",2026-12-07T08:01:44.123,ENG\r\n"
        "PEDIDO,FRM,LBL,CAPTION,0,N,\"Linha 1\nLinha 2\",\"Linha 1\nLinha "
        "2\",2026-12-07T08:01:44.123,POR\r\n";
    EXPECT_EQ(result.out, expected);
}

TEST_P(AdminCommandsTest, ExportJsonFiltersByLanguageAndProgram) {
    store({row("CLIENTE", "Nome", "POR"), row("CLIENTE", "Name", "ENG"), row("PEDIDO", "Pedido", "POR")});
    AppserverProcess::CommandResult result =
        files.runCommand({"export", "--format", "json", "--language", "por"});
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    QJsonArray rows = QJsonDocument::fromJson(result.out.toUtf8()).array();
    ASSERT_EQ(rows.size(), 2);
    EXPECT_EQ(rows.at(0).toObject().value("STVALORPROP").toString(), "Nome");
    EXPECT_EQ(rows.at(1).toObject().value("STVALORPROP").toString(), "Pedido");
    EXPECT_EQ(rows.at(0).toObject().value("NRVALORPROP").toDouble(), 0);
    EXPECT_EQ(rows.at(0).toObject().value("DTULTATUTRAD").toString(), "2026-12-07T08:01:44.123");
    EXPECT_EQ(rows.at(0).toObject().keys().size(), 10);

    result = files.runCommand({"export", "--format", "json", "--language", "POR", "--program", "cliente"});
    rows = QJsonDocument::fromJson(result.out.toUtf8()).array();
    ASSERT_EQ(rows.size(), 1);
    EXPECT_EQ(rows.at(0).toObject().value("STVALORPROP").toString(), "Nome");

    result = files.runCommand({"export", "--format", "csv", "--program", "PEDIDO"});
    EXPECT_EQ(result.out.count("\r\n"), 2) << "header and one row";
}

TEST_P(AdminCommandsTest, StatsCountByLanguageStateAndProgramAndExportFiltersByState) {
    TranslationRow translated = row("PEDIDO", "Pedido", "ENG");
    translated.state = QStringLiteral("T");
    TranslationRow stateless = row("cliente", "Sem estado", "POR"); // programs count upper-cased
    stateless.state.reset();
    store({row("CLIENTE", "Nome", "POR"), row("CLIENTE", "Name", "ENG"), translated, stateless});

    const std::pair<QStringList, QString> texts[] = {
        {{"stats"},
         "rows\t4\nlanguage\tENG\t2\nstate\tENG\tN\t1\nstate\tENG\tT\t1\nlanguage\tPOR\t2\n"
         "state\tPOR\t\t1\nstate\tPOR\tN\t1\nprogram\tCLIENTE\t3\nprogram\tPEDIDO\t1\n"},
        {{"stats", "--language", "eng"},
         "rows\t2\nlanguage\tENG\t2\nstate\tENG\tN\t1\nstate\tENG\tT\t1\nprogram\tCLIENTE\t1\n"
         "program\tPEDIDO\t1\n"},
        {{"stats", "--program", "pedido", "--format", "text"},
         "rows\t1\nlanguage\tENG\t1\nstate\tENG\tT\t1\nprogram\tPEDIDO\t1\n"},
        {{"stats", "--language", "SPA"}, "rows\t0\n"},
    };
    for (const auto& [arguments, expected] : texts) {
        const AppserverProcess::CommandResult result = files.runCommand(arguments);
        EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
        EXPECT_EQ(result.out, expected) << arguments.join(' ').toStdString();
    }

    const QJsonObject stats =
        QJsonDocument::fromJson(files.runCommand({"stats", "--format", "json"}).out.toUtf8()).object();
    EXPECT_EQ(stats.value("rows").toInt(), 4);
    const QJsonArray languages = stats.value("languages").toArray();
    ASSERT_EQ(languages.size(), 2);
    EXPECT_EQ(languages.at(1).toObject().value("language").toString(), "POR");
    EXPECT_EQ(languages.at(1).toObject().value("rows").toInt(), 2);
    EXPECT_TRUE(
        languages.at(1).toObject().value("states").toArray().at(0).toObject().value("state").isNull());
    EXPECT_EQ(stats.value("programs").toArray().at(0).toObject().value("rows").toInt(), 3);

    const auto exported = [this](const QString& state) {
        return QJsonDocument::fromJson(
                   files.runCommand({"export", "--format", "json", "--state", state}).out.toUtf8())
            .array();
    };
    ASSERT_EQ(exported("t").size(), 1);
    EXPECT_EQ(exported("t").at(0).toObject().value("STVALORPROP").toString(), "Pedido");
    ASSERT_EQ(exported("").size(), 1) << "an empty state picks the rows without one";
    EXPECT_EQ(exported("").at(0).toObject().value("STVALORPROP").toString(), "Sem estado");
    EXPECT_EQ(exported("N").size(), 2);

    EXPECT_EQ(files.runCommand({"stats", "--format", "csv"}).exitCode, 2);
    EXPECT_EQ(files.runCommand({"stats", "extra"}).exitCode, 2);
}

TEST_P(AdminCommandsTest, ExportNeedsAKnownFormat) {
    EXPECT_EQ(files.runCommand({"export"}).exitCode, 2);
    EXPECT_EQ(files.runCommand({"export", "--format", "xml"}).exitCode, 2);
}

TEST_P(AdminCommandsTest, VersionShowsTheStamp) {
    AppserverProcess::CommandResult result = files.runCommand({"version"});
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    EXPECT_TRUE(result.out.contains("DTGERARQTRAD: not set")) << result.out.toStdString();
    EXPECT_TRUE(result.out.contains("schema version: 2"));
    {
        Storage storage(database->location());
        Storage::Transaction transaction(storage);
        storage.setVersionStamp(QDateTime::fromString("2026-12-07T18:30:05.250", Qt::ISODateWithMs));
        transaction.commit();
    }
    result = files.runCommand({"version"});
    EXPECT_TRUE(result.out.contains("DTGERARQTRAD: 2026-12-07T18:30:05.250")) << result.out.toStdString();
}

TEST_P(AdminCommandsTest, EachCommandHasHelpAndTheDatabaseOptionWorksAfterIt) {
    for (const QString command : {"languages", "export", "version"}) {
        const AppserverProcess::CommandResult help = AppserverProcess::runRaw({command, "--help"});
        EXPECT_EQ(help.exitCode, 0) << command.toStdString();
        EXPECT_TRUE(help.out.contains("--database")) << help.out.toStdString();
    }
    EXPECT_TRUE(AppserverProcess::runRaw({"export", "--help"}).out.contains("--language"));
    const AppserverProcess::CommandResult main = AppserverProcess::runRaw({"--help"});
    EXPECT_EQ(main.exitCode, 0);
    EXPECT_TRUE(main.out.contains("--listen"));
    EXPECT_TRUE(main.out.contains("21400"));

    const AppserverProcess::CommandResult after =
        AppserverProcess::runRaw({"languages", "--database", files.databaseUrl()});
    EXPECT_EQ(after.exitCode, 0) << after.err.toStdString();
    EXPECT_TRUE(after.out.startsWith("POR\t"));
    EXPECT_EQ(AppserverProcess::runRaw({"frobnicate"}).exitCode, 2);
}

TEST(AdminCommandsWithoutDatabaseTest, ADatabaseThatCannotBeOpenedFailsTheCommand) {
    const AppserverProcess::CommandResult result =
        AppserverProcess::runRaw({"--database", "sqlite:/nonexistent-dir/x.sqlite", "languages"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_TRUE(result.err.contains("does not exist")) << result.err.toStdString();

    const AppserverProcess::CommandResult unreachable =
        AppserverProcess::runRaw({"--database", "postgresql://vdr@127.0.0.1:1/vdr", "version"});
    EXPECT_EQ(unreachable.exitCode, 1);
    EXPECT_TRUE(unreachable.err.contains("cannot open the database: postgresql://vdr@127.0.0.1:1/vdr"))
        << unreachable.err.toStdString();
}
