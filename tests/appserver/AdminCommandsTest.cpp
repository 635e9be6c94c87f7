#include "tests/support/database/TestDatabase.h"

#include "appserver/commands/AdminCommands.h"
#include "appserver/commands/ServerOptions.h"
#include "appserver/storage/Storage.h"

#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>

#include <gtest/gtest.h>

// The administrative commands, run in this process as appserver's main runs them, against a
// database the test fills.

namespace {

struct CommandRun {
    int status = -1;
    QString out;
    QString err;
};

const QString kMissingFile = QStringLiteral("sqlite:/nonexistent-dir/x.sqlite");
const QString kUnreachableServer = QStringLiteral("postgresql://vdr@127.0.0.1:1/vdr");

} // namespace

class AdminCommandsTest : public StorageKindTest {
protected:
    void SetUp() override {
        StorageKindTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        TranslationRow translated = row("PEDIDO", "Linha 1\nLinha 2", "ENG");
        translated.state = QStringLiteral("T");
        TranslationRow stateless = row("cliente", "Sem estado", "POR"); // programs count upper-cased
        stateless.state.reset();
        Storage storage(database->location());
        Storage::Transaction transaction(storage);
        for (const TranslationRow& each : {row("CLIENTE", "Nome, completo", "POR"),
                                           row("CLIENTE", "Diga \"sim\"", "ENG"), translated, stateless})
            storage.insertTranslation(each);
        transaction.commit();
    }

    static TranslationRow row(const QString& program, const QString& value, const QString& language) {
        return {
            program, "FRM", "LBL", "CAPTION", 0, "N", value, value, QStringLiteral("2026-12-07T08:01:44.123"),
            language};
    }

    // `appserver --database URL arguments`, dispatched as main does.
    CommandRun run(const QStringList& arguments) const {
        const ServerOptions options = ServerOptions::parse(
            QStringList{"appserver", "--database", database->url()} + arguments, QProcessEnvironment());
        CommandRun result;
        QTextStream out(&result.out);
        QTextStream err(&result.err);
        if (options.command())
            result.status =
                options.command()->make(out, err)->run(options.commandArguments(), options.commandDatabase());
        else
            ADD_FAILURE() << "no command in " << arguments.join(' ').toStdString();
        return result;
    }

    QJsonValue runJson(const QStringList& arguments) const {
        const CommandRun result = run(arguments);
        EXPECT_EQ(result.status, 0) << result.err.toStdString();
        const QJsonDocument document = QJsonDocument::fromJson(result.out.toUtf8());
        return document.isArray() ? QJsonValue(document.array()) : QJsonValue(document.object());
    }
};
INSTANTIATE_FOR_EACH_STORAGE(AdminCommandsTest);

TEST_P(AdminCommandsTest, WritesWhatTheLineAsks) {
    const QString header = "CDPROGRAMA,NMFORMULARIO,NMCOMPONENTE,NMPROPRIEDADE,NRVALORPROP,IDSITTRADUCAO,"
                           "STVALORPROP,STAGRVALPROP,DTULTATUTRAD,IDIDIOMA\r\n";
    const std::pair<QStringList, QString> cases[] = {
        {{"languages"}, "POR\tPortuguês\tPOR\nENG\tEnglish\tENG\nSPA\tEspañol\tSPA\n"},
        {{"version"}, "DTGERARQTRAD: not set\nschema version: 4\n"},
        {{"export", "--format", "csv", "--language", "eng"},
         header + "CLIENTE,FRM,LBL,CAPTION,0,N,\"Diga \"\"sim\"\"\",\"Diga "
                  "\"\"sim\"\"\",2026-12-07T08:01:44.123,ENG\r\n"
                  "PEDIDO,FRM,LBL,CAPTION,0,T,\"Linha 1\nLinha 2\",\"Linha 1\nLinha "
                  "2\",2026-12-07T08:01:44.123,ENG\r\n"},
        {{"export", "--format", "csv", "--program", "CLIENTE", "--state", ""},
         header + "cliente,FRM,LBL,CAPTION,0,,Sem estado,Sem estado,2026-12-07T08:01:44.123,POR\r\n"},
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
    for (const auto& [arguments, expected] : cases) {
        SCOPED_TRACE(arguments.join(' ').toStdString());
        const CommandRun result = run(arguments);
        EXPECT_EQ(result.status, 0) << result.err.toStdString();
        EXPECT_EQ(result.out, expected);
        EXPECT_EQ(result.err, "");
    }
}

TEST_P(AdminCommandsTest, ExportJsonKeepsTheRowsTheFiltersName) {
    const std::pair<QStringList, QStringList> cases[] = {
        {{}, {"Nome, completo", "Diga \"sim\"", "Linha 1\nLinha 2", "Sem estado"}},
        {{"--language", "por"}, {"Nome, completo", "Sem estado"}},
        {{"--language", "ENG", "--program", "pedido"}, {"Linha 1\nLinha 2"}},
        {{"--state", "t"}, {"Linha 1\nLinha 2"}},
        {{"--state", ""}, {"Sem estado"}},
        {{"--state", "N", "--program", "Cliente"}, {"Nome, completo", "Diga \"sim\""}},
    };
    for (const auto& [filters, values] : cases) {
        SCOPED_TRACE(filters.join(' ').toStdString());
        QStringList found;
        for (const QJsonValue& each : runJson(QStringList{"export", "--format", "json"} + filters).toArray())
            found.append(each.toObject().value("STVALORPROP").toString());
        EXPECT_EQ(found, values);
    }
}

TEST_P(AdminCommandsTest, JsonNamesEveryFieldAndWritesNullForNone) {
    const QJsonArray rows = runJson({"export", "--format", "json"}).toArray();
    ASSERT_EQ(rows.size(), 4);
    EXPECT_EQ(rows.at(0).toObject().keys().size(), 10);
    EXPECT_EQ(rows.at(0).toObject().value("NRVALORPROP").toDouble(), 0);
    EXPECT_EQ(rows.at(0).toObject().value("DTULTATUTRAD").toString(), "2026-12-07T08:01:44.123");
    EXPECT_TRUE(rows.at(3).toObject().value("IDSITTRADUCAO").isNull());

    const QJsonObject stats = runJson({"stats", "--format", "json"}).toObject();
    EXPECT_EQ(stats.value("rows").toInt(), 4);
    const QJsonObject portuguese = stats.value("languages").toArray().at(1).toObject();
    EXPECT_EQ(portuguese.value("language").toString(), "POR");
    EXPECT_EQ(portuguese.value("rows").toInt(), 2);
    EXPECT_TRUE(portuguese.value("states").toArray().at(0).toObject().value("state").isNull());
    EXPECT_EQ(stats.value("programs").toArray().at(0).toObject().value("rows").toInt(), 3);
}

TEST_P(AdminCommandsTest, EachCommandHasHelp) {
    // Besides the --database every command takes.
    const QHash<QString, QStringList> parts = {
        {"languages", {"add CODE DESCRIPTION"}},
        {"export", {"--format", "--language", "--program", "--state"}},
        {"stats", {"--format", "--language", "--program"}},
        {"version", {"DTGERARQTRAD"}},
    };
    for (const AdminCommandEntry& command : adminCommands()) {
        SCOPED_TRACE(command.name);
        const CommandRun result = run({command.name, "--help"});
        EXPECT_EQ(result.status, 0);
        EXPECT_TRUE(result.out.startsWith("Usage: ")) << result.out.toStdString();
        EXPECT_TRUE(parts.contains(command.name)) << "a new command: say what its help names";
        for (const QString& part : QStringList{"--database"} + parts.value(command.name))
            EXPECT_TRUE(result.out.contains(part)) << part.toStdString();
    }
}

TEST_P(AdminCommandsTest, RefusesWhatItCannotDo) {
    const std::tuple<QStringList, int, QString> cases[] = {
        {{"languages", "add", "por", "Outra vez"}, 1, "appserver: the language POR is already in the list\n"},
        {{"languages", "add", "LONG", "Code too long"}, 2, "IDIDIOMA holds 4 characters; at most 3 fit"},
        {{"languages", "add", "XX", QString(31, 'd')}, 2, "DSIDIOMA holds 31 characters; at most 30 fit"},
        {{"languages", "add", "XX", " "}, 2, "DSIDIOMA cannot be empty"},
        {{"languages", "add", "XX"}, 2, "languages add takes CODE DESCRIPTION [PROP]"},
        {{"languages", "remove", "ITA"}, 2, "unknown languages subcommand \"remove\""},
        {{"export"}, 2, "--format must be csv or json"},
        {{"export", "--format", "xml"}, 2, "--format must be csv or json"},
        {{"export", "--format", "csv", "extra"}, 2, "export takes no arguments besides its options"},
        {{"stats", "--format", "csv"}, 2, "--format must be text or json"},
        {{"stats", "extra"}, 2, "stats takes no arguments besides its options"},
        {{"version", "extra"}, 2, "version takes no arguments"},
        {{"version", "--frobnicate"}, 2, "Unknown option 'frobnicate'"},
        // --database after the command's name wins over the one before it.
        {{"languages", "--database", kMissingFile}, 1, "does not exist"},
        {{"version", "--database", kUnreachableServer}, 1, "cannot open the database: " + kUnreachableServer},
        {{"stats", "--database", "mysql://x"}, 1, "appserver: --database: "},
    };
    for (const auto& [arguments, status, message] : cases) {
        SCOPED_TRACE(arguments.join(' ').toStdString());
        const CommandRun result = run(arguments);
        EXPECT_EQ(result.status, status);
        EXPECT_TRUE(result.err.startsWith("appserver: ")) << result.err.toStdString();
        EXPECT_TRUE(result.err.contains(message)) << result.err.toStdString();
        EXPECT_EQ(result.err.contains("Usage: "), status == 2) << "usage errors show the help";
        EXPECT_EQ(result.out, "");
    }
}

TEST_P(AdminCommandsTest, LanguagesAddAppendsUpperCased) {
    EXPECT_EQ(run({"languages", "add", "ita", "Italiano"}).out, "added ITA\tItaliano\tITA\n");
    EXPECT_EQ(run({"languages", "add", "FRA", "Français", "fr"}).out, "added FRA\tFrançais\tFR\n");
    EXPECT_TRUE(
        run({"languages"}).out.endsWith("SPA\tEspañol\tSPA\nITA\tItaliano\tITA\nFRA\tFrançais\tFR\n"));
}

TEST_P(AdminCommandsTest, VersionShowsTheStamp) {
    {
        Storage storage(database->location());
        Storage::Transaction transaction(storage);
        storage.setVersionStamp(QDateTime::fromString("2026-12-07T18:30:05.250", Qt::ISODateWithMs));
        transaction.commit();
    }
    EXPECT_EQ(run({"version"}).out, "DTGERARQTRAD: 2026-12-07T18:30:05.250\nschema version: 4\n");
}
