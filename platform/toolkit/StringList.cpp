#include "toolkit/StringList.h"

#include "toolkit/Exceptions.h"

#include <QCoreApplication>
#include <QIODevice>

#include <algorithm>

namespace {

bool isLineEnd(char c) {
    return c == '\r' || c == '\n';
}

} // namespace

qsizetype TStringList::CountLines(const QByteArray& bytes) {
    const char* const begin = bytes.constData();
    const char* const end = begin + bytes.size();
    qsizetype lines = 0;
    for (const char* p = begin; p != end; ++p)
        if (*p == '\n' || (*p == '\r' && (p + 1 == end || p[1] != '\n')))
            ++lines;
    // A last line without a line end counts too.
    if (begin != end && !isLineEnd(end[-1]))
        ++lines;
    return lines;
}

void TStringList::LoadFromBytes(const QByteArray& bytes) {
    const char* const begin = bytes.constData();
    const char* const end = begin + bytes.size();

    // Counting first lets the list be sized once; large files would otherwise regrow it many times.
    QList<AnsiString> lines;
    lines.reserve(CountLines(bytes));
    const char* start = begin;
    while (start != end) {
        const char* stop = std::find_if(start, end, isLineEnd);
        lines.append(AnsiString(start, stop - start));
        if (stop != end && *stop == '\r' && stop + 1 != end && stop[1] == '\n')
            ++stop;
        start = stop == end ? end : stop + 1;
    }
    lines_ = std::move(lines);
}

void TStringList::LoadFromStream(QIODevice& stream) {
    if (!stream.isReadable())
        throw EStreamError(QCoreApplication::translate(
            "TStringList", "Cannot read lines from a stream that is not open for reading"));
    LoadFromBytes(stream.readAll());
}
