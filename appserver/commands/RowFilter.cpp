#include "appserver/commands/RowFilter.h"

#include "appserver/storage/TranslationKey.h"

#include <QCommandLineParser>

namespace {

QCommandLineOption codeOption(const QString& name, const QString& description) {
    return {name, description, QStringLiteral("CODE")};
}

std::optional<QString> codeGiven(const QCommandLineParser& parser, const QCommandLineOption& option) {
    if (!parser.isSet(option))
        return std::nullopt;
    return upperAsciiLetters(parser.value(option));
}

bool matches(const std::optional<QString>& wanted, const QString& code) {
    return !wanted || upperAsciiLetters(code) == *wanted;
}

} // namespace

RowFilter::RowFilter(const QString& languageDescription, const QString& programDescription, ByState byState)
    : languageOption_(codeOption(QStringLiteral("language"), languageDescription)),
      programOption_(codeOption(QStringLiteral("program"), programDescription)) {
    if (byState == ByState::Yes)
        stateOption_ =
            codeOption(QStringLiteral("state"), tr("Only rows in this translation state (IDSITTRADUCAO; "
                                                   "empty for rows without one)."));
}

void RowFilter::declare(QCommandLineParser& parser) const {
    parser.addOptions({languageOption_, programOption_});
    if (stateOption_)
        parser.addOption(*stateOption_);
}

void RowFilter::read(const QCommandLineParser& parser) {
    language_ = codeGiven(parser, languageOption_);
    program_ = codeGiven(parser, programOption_);
    if (stateOption_)
        state_ = codeGiven(parser, *stateOption_);
}

bool RowFilter::keeps(const TranslationRow& row) const {
    return matches(language_, row.language) && matches(program_, row.program) &&
           matches(state_, row.state.value_or(QString()));
}
