#include "appserver/storage/ReadAheadRows.h"

void ReadAheadRows::keep(const QList<QString>& matchKeys, const QHash<QString, QList<TranslationRow>>& rows) {
    if (kept_.size() + matchKeys.size() > kMaxKeys)
        kept_.removeIf([](const auto& entry) { return entry.value().freshUntil.hasExpired(); });
    if (kept_.size() + matchKeys.size() > kMaxKeys)
        kept_.clear();
    const QDeadlineTimer freshUntil(kFreshMs);
    for (const QString& matchKey : matchKeys)
        kept_.insert(matchKey, {rows.value(matchKey), freshUntil});
}

std::optional<QList<TranslationRow>> ReadAheadRows::take(const QString& matchKey) {
    const auto found = kept_.constFind(matchKey);
    if (found == kept_.cend())
        return std::nullopt;
    std::optional<QList<TranslationRow>> rows;
    if (!found->freshUntil.hasExpired())
        rows = found->rows;
    kept_.erase(found);
    return rows;
}
