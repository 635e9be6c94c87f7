#include "cmdline/CommandLine.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QStringList>
#include <QTextStream>

#include <cstdio>

std::optional<int> CommandLine::answer(const QString& program, const QString& usageFormat) const {
    switch (request_) {
    case Request::ShowHelp:
        QTextStream(stdout) << helpText_;
        return 0;
    case Request::ShowVersion:
        QTextStream(stdout) << program << ' ' << QCoreApplication::applicationVersion() << '\n';
        return 0;
    case Request::UsageError:
        QTextStream(stderr) << usageFormat.arg(usageError_);
        return kUsageStatus;
    case Request::Run:
        break;
    }
    return std::nullopt;
}

bool CommandLine::parseWith(QCommandLineParser& parser, const QStringList& arguments) {
    helpText_ = parser.helpText();
    return parser.parse(arguments) || refuse(parser.errorText());
}

bool CommandLine::ask(Request request) {
    request_ = request;
    return request == Request::Run;
}

bool CommandLine::refuse(const QString& why) {
    usageError_ = why;
    return ask(Request::UsageError);
}
