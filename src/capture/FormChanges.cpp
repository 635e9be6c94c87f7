#include "capture/FormChanges.h"

#include "components/Strings.h"

namespace {

bool sameName(const AnsiString& a, const AnsiString& b) {
    return Ansi::UpperCase(a) == Ansi::UpperCase(b);
}

bool samePlace(const FormChanges::Scanned& scanned, const StoredCaption& stored) {
    return sameName(scanned.component, stored.component) && sameName(scanned.property, stored.property);
}

// An invalid time (never set) is older than any.
bool laterThan(const QDateTime& a, const QDateTime& b) {
    if (!a.isValid())
        return false;
    return !b.isValid() || a > b;
}

} // namespace

FormChanges::FormChanges(QList<StoredCaption> stored, const QList<Scanned>& scanned) {
    // Met: some scanned caption, known or not, has its component, property and value.
    QList<bool> taken(stored.size(), false);
    for (qsizetype i = 0; i < stored.size(); ++i) {
        const AnsiString value = RTrim(stored[i].value);
        for (const Scanned& caption : scanned)
            if (samePlace(caption, stored[i]) && caption.lookupValue == value) {
                taken[i] = true;
                break;
            }
    }
    replaced_.reserve(scanned.size());
    for (const Scanned& caption : scanned) {
        std::optional<qsizetype> latest;
        if (!caption.recorded)
            for (qsizetype i = 0; i < stored.size(); ++i)
                // Of equal times the one stored last.
                if (!taken[i] && samePlace(caption, stored[i]) &&
                    (!latest || !laterThan(stored[*latest].updated, stored[i].updated)))
                    latest = i;
        if (latest) {
            taken[*latest] = true;
            replaced_.append(stored[*latest]);
        } else {
            replaced_.append(std::nullopt);
        }
    }
    for (qsizetype i = 0; i < stored.size(); ++i)
        if (!taken[i])
            removed_.append(std::move(stored[i]));
}
