#include "capture/CaptionScanner.h"

#include "components/Strings.h"

#include <array>

namespace {

const AnsiString kBegin = "BEGIN ";
const AnsiString kFormPrefix = "BEGIN VB.FORM ";
const AnsiString kFormEnd = "ATTRIBUTE VB_NAME";
const AnsiString kCaption = "CAPTION";

// The Begin lines of the controls whose captions are captured.
const std::array<AnsiString, 4> kComponentPrefixes = {"BEGIN VBCE.LABEL ", "BEGIN VBCE.COMMANDBUTTON ",
                                                      "BEGIN VBCE.FRAME ", "BEGIN VBCE.OPTIONBUTTON "};

} // namespace

CaptionScanner::CaptionScanner(AnsiString code) : programCode(std::move(code)) {}

bool CaptionScanner::readLine(const AnsiString& rawLine, const AnsiString& languageCode) {
    if (formEnded_)
        return false; // the form's code follows: nothing in it is a control
    if (Ansi::ContainsText(kFormEnd, rawLine)) {
        formEnded_ = true;
        return false;
    }

    // Most lines are properties of no interest: tell them by their first word before making
    // trimmed and upper-cased copies.
    if (mayChangeScan(rawLine)) {
        const AnsiString line = Ansi::Trim(rawLine);
        const AnsiString upper = Ansi::UpperCase(line);
        readForm(line, upper);
        readComponent(line, upper);
        readCaption(line);
    }

    if (EmptyString(programCode) || EmptyString(formName) || EmptyString(componentName) ||
        EmptyString(propertyName) || EmptyString(value))
        return false;
    // The names may have changed since (the look-up hands them back), so compare them all; the
    // same names make the same key.
    const KeyParts parts{programCode, formName, componentName, propertyName, value, languageCode};
    if (parts == previousParts_)
        return false;
    previousParts_ = parts;
    const AnsiString key = captureKey(languageCode);
    if (key == previousKey_)
        return false;
    previousKey_ = key;
    return true;
}

bool CaptionScanner::mayChangeScan(QByteArrayView line) {
    while (!line.isEmpty() && static_cast<unsigned char>(line.front()) <= 32)
        line = line.sliced(1);
    return Ansi::StartsText(kBegin, line) || Ansi::StartsText(kCaption, line);
}

void CaptionScanner::readForm(const AnsiString& line, const AnsiString& upper) {
    if (upper.startsWith(kFormPrefix))
        formName = Ansi::Trim(line.mid(kFormPrefix.size()));
}

void CaptionScanner::readComponent(const AnsiString& line, const AnsiString& upper) {
    if (!upper.startsWith(kBegin) || upper.startsWith(kFormPrefix))
        return;
    // A new control starts: whatever it is, the previous control's caption is behind us.
    value.clear();
    componentName.clear();
    for (const AnsiString& prefix : kComponentPrefixes) {
        if (upper.startsWith(prefix)) {
            componentName = Ansi::Trim(line.mid(prefix.size()));
            return;
        }
    }
}

void CaptionScanner::readCaption(const AnsiString& line) {
    if (!isCaptionLine(line))
        return;
    propertyName = kCaption;
    value = captionValue(line);
}

bool CaptionScanner::isCaptionLine(const AnsiString& trimmedLine) {
    const qsizetype equals = trimmedLine.indexOf('=');
    return equals >= 0 && Ansi::UpperCase(Ansi::Trim(trimmedLine.left(equals))) == kCaption;
}

AnsiString CaptionScanner::captionValue(const AnsiString& trimmedLine) {
    const qsizetype equals = trimmedLine.indexOf('=');
    const AnsiString text = Ansi::Trim(trimmedLine.mid(equals + 1));
    if (text.size() < 2 || !text.startsWith('"') || !text.endsWith('"'))
        return {};
    return Ansi::Trim(text.mid(1, text.size() - 2));
}

AnsiString CaptionScanner::lookupValue() const {
    return RTrim(storedValue());
}

AnsiString CaptionScanner::storedValue() const {
    return value.left(kMaxValue);
}

AnsiString CaptionScanner::captureKey(const AnsiString& languageCode) const {
    return Ansi::UpperCase(programCode) + Ansi::UpperCase(formName) + Ansi::UpperCase(componentName) +
           Ansi::UpperCase(propertyName) + "0" + Ansi::UpperCase(lookupValue()) +
           Ansi::UpperCase(languageCode);
}
