#pragma once

#include "appserver/Records.h"

#include <QCommandLineOption>
#include <QString>

#include <optional>

class QCommandLineParser;

// The --language and --program options, and --state where a command offers it, and the
// translation rows they keep. Codes compare after upper-casing a-z, as the server matches keys;
// an empty --state keeps the rows without a state.
class RowFilter {
public:
    enum class ByState { No, Yes };

    // what: what the options narrow down, for their descriptions ("rows", "count rows").
    RowFilter(const QString& what, ByState byState);

    void declare(QCommandLineParser& parser) const;
    // Takes the options' values from a parsed command line.
    void read(const QCommandLineParser& parser);

    bool keeps(const TranslationRow& row) const;

private:
    QCommandLineOption languageOption_;
    QCommandLineOption programOption_;
    std::optional<QCommandLineOption> stateOption_;
    std::optional<QString> language_, program_, state_; // nothing: not given
};
