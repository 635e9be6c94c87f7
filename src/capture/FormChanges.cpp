#include "capture/FormChanges.h"

#include "components/Strings.h"

#include <QHash>

namespace {

// Where a caption stands in a form: its component and property, a–z upper-cased.
AnsiString placeOf(const AnsiString& component, const AnsiString& property) {
    // A component name holds no line break, so the two cannot run into each other.
    return Ansi::UpperCase(component) + '\n' + Ansi::UpperCase(property);
}

// An invalid time (never set) is older than any.
bool laterThan(const QDateTime& a, const QDateTime& b) {
    if (!a.isValid())
        return false;
    return !b.isValid() || a > b;
}

} // namespace

FormChanges::FormChanges(QList<StoredCaption> stored, const QList<Scanned>& scanned) {
    // The stored rows of each place, in stored order: each scanned caption looks at its own only.
    QHash<AnsiString, QList<qsizetype>> rowsAt;
    for (qsizetype i = 0; i < stored.size(); ++i)
        rowsAt[placeOf(stored[i].component, stored[i].property)].append(i);
    QList<AnsiString> places;
    places.reserve(scanned.size());
    for (const Scanned& caption : scanned)
        places.append(placeOf(caption.component, caption.property));

    // Met: some scanned caption, known or not, has its place and value.
    QList<bool> taken(stored.size(), false);
    for (qsizetype c = 0; c < scanned.size(); ++c)
        for (const qsizetype i : rowsAt.value(places[c]))
            if (!taken[i] && RTrim(stored[i].value) == scanned[c].lookupValue)
                taken[i] = true;

    replaced_.reserve(scanned.size());
    for (qsizetype c = 0; c < scanned.size(); ++c) {
        std::optional<qsizetype> latest;
        if (!scanned[c].recorded)
            for (const qsizetype i : rowsAt.value(places[c]))
                // Of equal times the one stored last.
                if (!taken[i] && (!latest || !laterThan(stored[*latest].updated, stored[i].updated)))
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
