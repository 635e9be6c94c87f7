#pragma once

#include "appserver/storage/Records.h"

#include <QDeadlineTimer>
#include <QHash>
#include <QList>
#include <QString>

#include <optional>

// The rows read ahead for look-ups that are on their way, by match key: each stands for one
// look-up of its key, for a second at most, and only until a write through this storage may
// change the key's rows (whoever writes forgets it). Connections reading ahead side by side keep
// each other's; what none takes in time, a closed connection's, is dropped once too many are kept.
class ReadAheadRows {
public:
    static constexpr int kFreshMs = 1000;
    static constexpr qsizetype kMaxKeys = 4096;

    // The rows stored under each key of matchKeys as read just now: those in rows, none for the
    // others.
    void keep(const QList<QString>& matchKeys, const QHash<QString, QList<TranslationRow>>& rows);
    // The rows read ahead for the key, none when none are stored; nullopt when nothing fresh was
    // read ahead for it. Taken once.
    std::optional<QList<TranslationRow>> take(const QString& matchKey);
    void forget(const QString& matchKey) { kept_.remove(matchKey); }
    void clear() { kept_.clear(); }
    qsizetype size() const { return kept_.size(); }

private:
    struct Kept {
        QList<TranslationRow> rows;
        QDeadlineTimer freshUntil;
    };
    QHash<QString, Kept> kept_;
};
