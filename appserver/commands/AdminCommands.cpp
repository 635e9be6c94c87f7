#include "appserver/commands/AdminCommands.h"

#include "appserver/commands/ExportCommand.h"
#include "appserver/commands/LanguagesCommand.h"
#include "appserver/commands/StatsCommand.h"
#include "appserver/commands/VersionCommand.h"

#include <QCoreApplication>
#include <QStringList>

namespace {

template <typename Command> std::unique_ptr<AdminCommand> make(QTextStream& out, QTextStream& err) {
    return std::make_unique<Command>(out, err);
}

const AdminCommandEntry kCommands[] = {
    {"languages", "[add CODE DESCRIPTION [PROP]]",
     QT_TRANSLATE_NOOP("AdminCommands", "list or add the languages offered"), &make<LanguagesCommand>},
    {"export", "--format csv|json [--language CODE] [--program CODE] [--state CODE]",
     QT_TRANSLATE_NOOP("AdminCommands", "write the translation rows"), &make<ExportCommand>},
    {"stats", "[--format text|json] [--language CODE] [--program CODE]",
     QT_TRANSLATE_NOOP("AdminCommands", "count them"), &make<StatsCommand>},
    {"version", "", QT_TRANSLATE_NOOP("AdminCommands", "show the version record"), &make<VersionCommand>},
};

// The summaries line up after the shorter usages; a longer one pushes its own along.
constexpr qsizetype kUsageWidth = 39;

} // namespace

std::span<const AdminCommandEntry> adminCommands() {
    return kCommands;
}

const AdminCommandEntry* findAdminCommand(const QString& name) {
    for (const AdminCommandEntry& command : kCommands) {
        if (name == QLatin1String(command.name))
            return &command;
    }
    return nullptr;
}

QString adminCommandsHelp() {
    QStringList lines;
    for (const AdminCommandEntry& command : kCommands) {
        QString usage = QString::fromLatin1(command.name);
        if (*command.synopsis != '\0')
            usage += QLatin1Char(' ') + QLatin1String(command.synopsis);
        lines.append(QStringLiteral("  %1   %2")
                         .arg(usage.leftJustified(kUsageWidth),
                              QCoreApplication::translate("AdminCommands", command.summary)));
    }
    return lines.join(QLatin1Char('\n'));
}

QString adminCommandNames() {
    QStringList names;
    for (const AdminCommandEntry& command : kCommands)
        names.append(QString::fromLatin1(command.name));
    const QString last = names.takeLast();
    return QCoreApplication::translate("AdminCommands", "%1 or %2")
        .arg(names.join(QStringLiteral(", ")), last);
}
