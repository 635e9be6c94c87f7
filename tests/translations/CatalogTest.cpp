#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QStringList>
#include <QTemporaryDir>
#include <QXmlStreamReader>

#include <gtest/gtest.h>

namespace {

struct Message {
    QString context;
    QString source;
    QString translation;
    QString type; // unfinished, vanished or obsolete; empty once translated
};

QList<Message> readCatalog(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QList<Message> messages;
    QString context;
    QXmlStreamReader xml(&file);
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == u"name")
            context = xml.readElementText();
        else if (xml.name() == u"message")
            messages.append({context, {}, {}, {}});
        else if (xml.name() == u"source" && !messages.isEmpty())
            messages.last().source = xml.readElementText();
        else if (xml.name() == u"translation" && !messages.isEmpty()) {
            messages.last().type = xml.attributes().value(QLatin1String("type")).toString();
            messages.last().translation = xml.readElementText(QXmlStreamReader::IncludeChildElements);
        }
    }
    EXPECT_FALSE(xml.hasError()) << path.toStdString() << ": " << xml.errorString().toStdString();
    return messages;
}

QSet<QString> placeholders(const QString& text) {
    static const QRegularExpression argument(QStringLiteral("%(\\d+|n)"));
    QSet<QString> found;
    for (const QRegularExpressionMatch& match : argument.globalMatch(text))
        found.insert(match.captured());
    return found;
}

std::string named(const Message& message) {
    return (message.context + QStringLiteral(": \"") + message.source + QStringLiteral("\"")).toStdString();
}

} // namespace

// lupdate over today's sources into a copy of the catalog: every text a person reads has its
// Portuguese translation, no translation is left for a text the sources no longer have, and each
// translation keeps its source's arguments and final line break.
TEST(TheCatalog, TranslatesEveryTextOfTheSourcesAndNoOther) {
    QTemporaryDir scratch;
    ASSERT_TRUE(scratch.isValid());
    const QString copy = scratch.filePath(QStringLiteral("catalog.ts"));
    ASSERT_TRUE(QFile::copy(QStringLiteral(CATALOG_PATH), copy));
    QFile(copy).setPermissions(QFile::ReadOwner | QFile::WriteOwner);

    QProcess lupdate;
    lupdate.start(QStringLiteral(LUPDATE_PATH),
                  {QStringLiteral("-locations"), QStringLiteral("none"), QStringLiteral("-no-ui-lines"),
                   QStringLiteral("-I"), QStringLiteral(SOURCE_ROOT), QStringLiteral("@" SOURCE_LIST_PATH),
                   QStringLiteral("-ts"), copy});
    ASSERT_TRUE(lupdate.waitForFinished(120'000));
    ASSERT_EQ(lupdate.exitCode(), 0) << lupdate.readAllStandardError().toStdString();

    const QList<Message> messages = readCatalog(copy);
    ASSERT_FALSE(messages.isEmpty());
    for (const Message& message : messages) {
        if (message.type == u"unfinished")
            ADD_FAILURE() << "not translated: " << named(message);
        else if (!message.type.isEmpty())
            ADD_FAILURE() << "no longer in the sources (" << message.type.toStdString()
                          << "): " << named(message);
        else if (placeholders(message.source) != placeholders(message.translation))
            ADD_FAILURE() << "other arguments in the translation \"" << message.translation.toStdString()
                          << "\" of " << named(message);
        else if (message.source.endsWith(u'\n') != message.translation.endsWith(u'\n'))
            ADD_FAILURE() << "the translation \"" << message.translation.toStdString()
                          << "\" ends its line otherwise than " << named(message);
    }
}
