#pragma once

#include "toolkit/AnsiString.h"

#include <QList>

class QIODevice;

// Lines of text as the window toolkit reads them: CR, LF and CR LF each end a line, a last line
// without an end still counts, and a final line end adds no empty line.
class TStringList {
public:
    void LoadFromBytes(const QByteArray& bytes);
    void LoadFromStream(QIODevice& stream); // from the stream's position to its end
    // How many lines LoadFromBytes would make of bytes, without making them.
    static qsizetype CountLines(const QByteArray& bytes);

    int Count() const { return static_cast<int>(lines_.size()); }
    const AnsiString& operator[](int index) const { return lines_.at(index); }
    void Add(const AnsiString& line) { lines_.append(line); }

private:
    QList<AnsiString> lines_;
};
