#include "appserver/storage/TranslationKey.h"

#include <QCryptographicHash>
#include <QLocale>

#include <initializer_list>

namespace {

// The number as the key spells it: -0 and 0 are the same number.
QString canonicalNumberText(double number) {
    if (number == 0)
        number = 0; // folds -0
    return QString::number(number, 'g', QLocale::FloatingPointShortest);
}

// Each piece is prefixed with its length, so no choice of texts can make two different lists of
// pieces hash the same input. Hashed in one piece: the digest is the same as when fed piece by piece.
QString digestOf(std::initializer_list<const QString*> pieces, qsizetype sizeHint) {
    QByteArray input;
    input.reserve(sizeHint);
    for (const QString* piece : pieces) {
        const QByteArray bytes = piece->toUtf8();
        input += QByteArray::number(bytes.size());
        input += ':';
        input += bytes;
    }
    return QString::fromLatin1(QCryptographicHash::hash(input, QCryptographicHash::Sha256).toHex());
}

} // namespace

QString upperAsciiLetters(QString text) {
    for (QChar& ch : text) {
        if (ch >= QLatin1Char('a') && ch <= QLatin1Char('z'))
            ch = QChar(ch.unicode() - 'a' + 'A');
    }
    return text;
}

QString trimRightControls(const QString& text) {
    qsizetype end = text.size();
    while (end > 0 && text.at(end - 1).unicode() <= 32)
        --end;
    return text.left(end);
}

TranslationKey TranslationKey::forLookup(const QString& program, const QString& form,
                                         const QString& component, const QString& property, double number,
                                         const QString& value, const QString& language) {
    TranslationKey key;
    key.program_ = upperAsciiLetters(program);
    key.form_ = upperAsciiLetters(form);
    key.component_ = upperAsciiLetters(component);
    key.property_ = upperAsciiLetters(property);
    key.numberText_ = canonicalNumberText(number);
    key.value_ = value;
    key.language_ = upperAsciiLetters(language);
    return key;
}

TranslationKey TranslationKey::ofRow(const TranslationRow& row) {
    return forLookup(row.program, row.form, row.component, row.property, row.number,
                     trimRightControls(row.value), row.language);
}

QString TranslationKey::matchKey() const {
    return digestOf({&program_, &form_, &component_, &property_, &numberText_, &value_, &language_},
                    128 + 3 * value_.size());
}

QString programKey(const QString& program, const QString& language) {
    const QString pieces[] = {upperAsciiLetters(program), upperAsciiLetters(language)};
    return digestOf({&pieces[0], &pieces[1]}, 128);
}

QString formKey(const QString& program, const QString& form, const QString& language) {
    const QString pieces[] = {upperAsciiLetters(program), upperAsciiLetters(form),
                              upperAsciiLetters(language)};
    return digestOf({&pieces[0], &pieces[1], &pieces[2]}, 128);
}
