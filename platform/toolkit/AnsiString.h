#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// The module's strings are single-byte Windows-1252 strings handled as bytes: positions count
// from 1, cuts never fail, trimming drops codes <= 32 and upper-casing touches a..z only.
using AnsiString = QByteArray;

namespace Ansi {

// Up to count characters from 1-based position pos; empty when pos is past the end or count <= 0.
AnsiString Copy(const AnsiString& s, qsizetype pos, qsizetype count);
// 1-based position of the first occurrence of sub in s, 0 when absent.
qsizetype Pos(const AnsiString& sub, const AnsiString& s);
AnsiString Trim(const AnsiString& s);
AnsiString TrimRight(const AnsiString& s);
AnsiString UpperCase(const AnsiString& s);
// Case-insensitive comparison under the same a..z-only rule.
bool SameText(const AnsiString& a, const AnsiString& b);
// Whether s starts with / contains sub under the same rule, without copying either.
bool StartsText(QByteArrayView sub, QByteArrayView s);
bool ContainsText(QByteArrayView sub, QByteArrayView s);

// Borders to Unicode: the screen, the wire and the file system.
QString toUnicode(const AnsiString& s);
// Throws EConvertError naming what when text has a character Windows-1252 cannot hold.
AnsiString fromUnicode(const QString& text, const QString& what = QString());
// The same for text that may legitimately hold such characters (what a user is typing, say):
// false, and out untouched, when it cannot be written in Windows-1252.
bool tryFromUnicode(const QString& text, AnsiString& out);
// The message fromUnicode throws with.
QString notInCodePage(const QString& text, const QString& what);

} // namespace Ansi
