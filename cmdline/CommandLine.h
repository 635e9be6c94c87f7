#pragma once

#include <QString>
#include <QStringList>

#include <optional>

class QCommandLineParser;

// What a program's command line asks for, as its options class finds it with Qt's parser and
// hands it to main(): a run, the help, the version, or the line refused with the reason. The
// options classes derive from it; reading has no side effects, so the tests parse as main does.
class CommandLine {
public:
    enum class Request { Run, ShowHelp, ShowVersion, UsageError };

    // The exit status of a refused line.
    static constexpr int kUsageStatus = 2;

    Request request() const { return request_; }
    // What was wrong with the command line, when request() is UsageError.
    const QString& usageError() const { return usageError_; }
    const QString& helpText() const { return helpText_; }

    // Answers what is not a run, as each program does: the help, or "PROGRAM VERSION", on
    // standard output (status 0); usageFormat with %1 the reason on standard error (kUsageStatus).
    // The exit status; nothing for a run.
    std::optional<int> answer(const QString& program, const QString& usageFormat) const;

protected:
    // Parses arguments (the program first) with parser, its options declared, and keeps its help
    // text. False, the line refused in the parser's words, when the parser refuses it.
    bool parseWith(QCommandLineParser& parser, const QStringList& arguments);

    // A reader of the line returns whether it is still a run, so it ends with one of these when it
    // is not: asking for the help or the version, or refusing the line for why. Both return
    // false (but ask(Request::Run)).
    bool ask(Request request);
    bool refuse(const QString& why);

    // Reads option's value text with parse(text, &whyNot), which gives an optional, into value.
    // False, the line refused as "--OPTION: why", when it cannot be read.
    template <typename Value, typename Parse>
    bool readValue(const QString& option, const QString& text, Parse parse, Value& value) {
        QString whyNot;
        const auto parsed = parse(text, &whyNot);
        if (!parsed)
            return refuse(QStringLiteral("--%1: %2").arg(option, whyNot));
        value = static_cast<Value>(*parsed);
        return true;
    }

private:
    Request request_ = Request::Run;
    QString usageError_;
    QString helpText_;
};
