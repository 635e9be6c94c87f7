#include "appserver/rpc/LogText.h"

#include <QList>

#include <utility>

namespace {

void appendEscaped(QString& out, char32_t c) {
    static constexpr std::pair<char32_t, const char*> kNamed[] = {
        {U'\n', "\\n"}, {U'\r', "\\r"}, {U'\t', "\\t"}, {U'\\', "\\\\"}};
    for (const auto& [named, shown] : kNamed)
        if (c == named) {
            out += QLatin1String(shown);
            return;
        }
    // Format characters (U+202E and the other bidirectional controls, zero-width ones, U+FEFF) are
    // invisible or reorder what a terminal or viewer shows after them: one could disguise a line.
    if (c < 0x20 || c == 0x7f)
        out += QStringLiteral("\\x%1").arg(uint(c), 2, 16, QLatin1Char('0'));
    else if ((c >= 0x80 && c < 0xa0) || c == 0x2028 || c == 0x2029 ||
             QChar::category(c) == QChar::Other_Format)
        out += c > 0xffff ? QStringLiteral("\\U%1").arg(uint(c), 8, 16, QLatin1Char('0'))
                          : QStringLiteral("\\u%1").arg(uint(c), 4, 16, QLatin1Char('0'));
    else
        out += QString::fromUcs4(&c, 1);
}

} // namespace

QString clientText(const QString& text, qsizetype maxChars) {
    QString out;
    qsizetype shown = 0;
    for (const char32_t c : text.toUcs4()) {
        if (shown == maxChars) {
            out += QChar(0x2026);
            break;
        }
        appendEscaped(out, c);
        ++shown;
    }
    return out;
}
