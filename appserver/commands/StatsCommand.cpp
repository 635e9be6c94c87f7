#include "appserver/commands/StatsCommand.h"

#include "appserver/storage/Storage.h"
#include "appserver/storage/TranslationKey.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>

#include <map>

namespace {

// Rows counted by language and state, and by program, each in code order.
struct RowCounts {
    int rows = 0;
    std::map<QString, int> byLanguage;
    std::map<QString, std::map<QString, int>> byLanguageAndState; // state "" for none
    std::map<QString, int> byProgram;

    void add(const TranslationRow& row) {
        const QString language = upperAsciiLetters(row.language);
        ++rows;
        ++byLanguage[language];
        ++byLanguageAndState[language][row.state.value_or(QString())];
        ++byProgram[upperAsciiLetters(row.program)];
    }

    // Tab-separated lines that say what they count: "rows N", "language CODE N",
    // "state LANGUAGE STATE N" (STATE empty for none), "program CODE N".
    void writeText(QTextStream& to) const {
        to << "rows\t" << rows << "\n";
        for (const auto& [language, states] : byLanguageAndState) {
            to << "language\t" << language << "\t" << byLanguage.at(language) << "\n";
            for (const auto& [state, count] : states)
                to << "state\t" << language << "\t" << state << "\t" << count << "\n";
        }
        for (const auto& [program, count] : byProgram)
            to << "program\t" << program << "\t" << count << "\n";
    }

    QJsonObject toJson() const {
        QJsonArray languages;
        for (const auto& [language, states] : byLanguageAndState) {
            QJsonArray stateCounts;
            for (const auto& [state, count] : states) {
                stateCounts.append(
                    QJsonObject{{QStringLiteral("state"), state.isEmpty() ? QJsonValue() : state},
                                {QStringLiteral("rows"), count}});
            }
            languages.append(QJsonObject{{QStringLiteral("language"), language},
                                         {QStringLiteral("rows"), byLanguage.at(language)},
                                         {QStringLiteral("states"), stateCounts}});
        }
        QJsonArray programs;
        for (const auto& [program, count] : byProgram)
            programs.append(
                QJsonObject{{QStringLiteral("program"), program}, {QStringLiteral("rows"), count}});
        return {{QStringLiteral("rows"), rows},
                {QStringLiteral("languages"), languages},
                {QStringLiteral("programs"), programs}};
    }
};

} // namespace

StatsCommand::StatsCommand(QTextStream& out, QTextStream& err)
    : RowsCommand(
          out, err, QStringLiteral("stats"),
          tr("Counts the translation rows: in all, per language and per translation state (IDSITTRADUCAO) "
             "within it, and per program. text: one count per line, tab-separated, saying what it counts "
             "(\"rows N\", \"language CODE N\", \"state LANGUAGE STATE N\" with STATE empty for rows "
             "without one, \"program CODE N\"). json: {\"rows\", \"languages\": [{\"language\", \"rows\", "
             "\"states\": [{\"state\", \"rows\"}]}], \"programs\": [{\"program\", \"rows\"}]}. Codes are "
             "upper-cased a-z, as the server matches keys, and listed in order."),
          QCommandLineOption(QStringLiteral("format"), tr("text (the default) or json."),
                             QStringLiteral("FORMAT"), QStringLiteral("text")),
          {QStringLiteral("text"), QStringLiteral("json")},
          RowFilter(tr("Only count rows of this language."), tr("Only count rows of this program."),
                    RowFilter::ByState::No)) {}

void StatsCommand::write(const Storage& storage, const QString& format) {
    RowCounts counts;
    forEachKept(storage, [&counts](const TranslationRow& row) { counts.add(row); });
    if (format == QLatin1String("json"))
        out() << QString::fromUtf8(QJsonDocument(counts.toJson()).toJson(QJsonDocument::Indented));
    else
        counts.writeText(out());
}
