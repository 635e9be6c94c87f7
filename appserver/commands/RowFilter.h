#pragma once

#include "appserver/storage/Records.h"

#include <QCommandLineOption>
#include <QCoreApplication>
#include <QString>

#include <optional>

class QCommandLineParser;

// The --language and --program options, and --state where a command offers it, and the
// translation rows they keep. Codes compare after upper-casing a-z, as the server matches keys;
// an empty --state keeps the rows without a state.
class RowFilter {
    Q_DECLARE_TR_FUNCTIONS(RowFilter)

public:
    enum class ByState { No, Yes };

    // The descriptions of --language and --program, which say what the command does with the rows
    // they keep.
    RowFilter(const QString& languageDescription, const QString& programDescription, ByState byState);

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
