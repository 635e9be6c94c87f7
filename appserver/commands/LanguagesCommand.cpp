#include "appserver/commands/LanguagesCommand.h"

#include "appserver/object/DataPacket.h"
#include "appserver/object/ImpPocketObject.h"
#include "appserver/storage/Storage.h"
#include "appserver/storage/TranslationKey.h"

#include <QCommandLineParser>
#include <QTextStream>

void LanguagesCommand::declare(QCommandLineParser& parser) const {
    parser.setApplicationDescription(
        tr("Lists the languages the capture tool offers, in their order, one per line as "
           "CODE<tab>DESCRIPTION<tab>PROP; or, with \"add\", appends one. CODE and PROP "
           "are upper-cased (a-z only) and hold at most 3 characters, DESCRIPTION at most "
           "30; PROP defaults to CODE."));
    parser.addPositionalArgument(QStringLiteral("add"), tr("Append a language."),
                                 QStringLiteral("[add CODE DESCRIPTION [PROP]]"));
}

int LanguagesCommand::execute(const QCommandLineParser& parser) {
    const QStringList args = parser.positionalArguments();
    if (!args.isEmpty() && args.first() != QLatin1String("add"))
        return usageError(parser, tr("unknown languages subcommand \"%1\"").arg(args.first()));

    const std::unique_ptr<Storage> storage = openStorage(parser);
    if (!storage)
        return kFailed;
    if (!args.isEmpty())
        return add(*storage, parser, args);
    for (const LanguageEntry& entry : storage->languages())
        out() << entry.code << "\t" << entry.description << "\t" << entry.prop << "\n";
    return kDone;
}

int LanguagesCommand::add(Storage& storage, const QCommandLineParser& parser, const QStringList& args) {
    if (args.size() < 3 || args.size() > 4)
        return usageError(parser, tr("languages add takes CODE DESCRIPTION [PROP]"));
    // Codes are compared as the capture tool sends them: upper-cased a-z.
    const LanguageEntry entry{upperAsciiLetters(args.at(1)), args.at(2),
                              upperAsciiLetters(args.size() == 4 ? args.at(3) : args.at(1))};
    const Layout& layout = Layouts::languageEntry();
    const QStringList values{entry.code, entry.description, entry.prop};
    for (int i = 0; i < layout.size(); ++i) {
        const QString problem = checkValue(layout.at(i), values.at(i), MessageReader::Person);
        if (!problem.isEmpty())
            return usageError(parser, problem);
        if (values.at(i).trimmed().isEmpty())
            return usageError(parser, tr("%1 cannot be empty").arg(layout.at(i).name));
    }
    // The window reads the list in one answer, which holds no more; nothing removes an entry.
    if (storage.languages(ImpPocketObject::kMaxLanguages).size() == ImpPocketObject::kMaxLanguages)
        throw StorageError(tr("the list already holds %1 languages, as many as the capture tool can read")
                               .arg(ImpPocketObject::kMaxLanguages));
    storage.addLanguage(entry);
    out() << tr("added %1\t%2\t%3").arg(entry.code, entry.description, entry.prop) << "\n";
    return kDone;
}
