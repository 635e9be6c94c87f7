#include "capture/ProgramChanges.h"

#include "components/Strings.h"

#include <algorithm>

namespace {

// Where a caption stands in a program: its form, component and property, a–z upper-cased.
AnsiString placeOf(const AnsiString& form, const AnsiString& component, const AnsiString& property) {
    // Names hold no line break, so the three cannot run into each other.
    return Ansi::UpperCase(form) + '\n' + Ansi::UpperCase(component) + '\n' + Ansi::UpperCase(property);
}

// An invalid time (never set) is older than any.
bool laterThan(const QDateTime& a, const QDateTime& b) {
    if (!a.isValid())
        return false;
    return !b.isValid() || a > b;
}

} // namespace

void ProgramChanges::fileScanned(const QString& file) {
    if (firstFile_.isEmpty())
        firstFile_ = file;
}

int ProgramChanges::add(const QString& file, const AnsiString& form, const AnsiString& component,
                        const AnsiString& property, const AnsiString& lookupValue, bool known) {
    const AnsiString upperForm = Ansi::UpperCase(form);
    if (!formFiles_.contains(upperForm))
        formFiles_.insert(upperForm, file);
    const AnsiString place = placeOf(form, component, property);
    placed_.insert(place);
    met_.insert({place, lookupValue});
    captions_.append({place, known});
    return int(captions_.size() - 1);
}

void ProgramChanges::take(const QList<StoredCaption>& stored) {
    for (const StoredCaption& row : stored) {
        const qsizetype order = storedSeen_++;
        const AnsiString place = placeOf(row.form, row.component, row.property);
        if (met_.contains({place, RTrim(row.value)}))
            continue;
        if (placed_.contains(place))
            candidates_[place].append({order, row});
        else
            elsewhere_.append({order, row});
    }
}

void ProgramChanges::judge() {
    replaced_.clear();
    replaced_.reserve(captions_.size());
    for (const Caption& caption : std::as_const(captions_)) {
        Kept* latest = nullptr;
        if (!caption.known) {
            const auto candidates = candidates_.find(caption.place);
            if (candidates != candidates_.end())
                for (Kept& kept : *candidates)
                    // Of equal times the one stored last.
                    if (!kept.taken && (!latest || !laterThan(latest->stored.updated, kept.stored.updated)))
                        latest = &kept;
        }
        if (latest) {
            latest->taken = true;
            replaced_.append(latest->stored);
        } else {
            replaced_.append(std::nullopt);
        }
    }
}

QString ProgramChanges::fileOf(const AnsiString& form) const {
    return formFiles_.value(Ansi::UpperCase(form), firstFile_);
}

QList<ProgramChanges::Removed> ProgramChanges::removed() const {
    QList<const Kept*> left;
    for (const Kept& kept : elsewhere_)
        left.append(&kept);
    for (const QList<Kept>& place : candidates_)
        for (const Kept& kept : place)
            if (!kept.taken)
                left.append(&kept);
    std::sort(left.begin(), left.end(), [](const Kept* a, const Kept* b) { return a->order < b->order; });
    QList<Removed> removed;
    removed.reserve(left.size());
    for (const Kept* kept : std::as_const(left))
        removed.append({fileOf(kept->stored.form), kept->stored});
    return removed;
}
