#pragma once

#include "toolkit/AnsiString.h"

// The line logic of a caption scan over one form text. It keeps the current form, component,
// property and value, and tells for each line whether a caption is left to look up: one whose
// capture key differs from the key of the previous look-up. It never talks to a server.
//
// Lines are recognised by their start, not by a keyword anywhere in them:
//   "Begin VB.Form <name>"                 the form
//   "Begin VBCE.<Label|CommandButton|Frame|OptionButton> <name>"  a captured control
//   "Begin <any other type> ..."           a control whose caption is not captured
//   "Caption = "<text>""                   a caption (the text between the quotes)
//   a line containing "ATTRIBUTE VB_NAME"  the end of the form's controls
class CaptionScanner {
public:
    // Captions are cut to this many characters for the key, the look-up and the row.
    static constexpr qsizetype kMaxValue = 4000;

    explicit CaptionScanner(AnsiString programCode);

    // Reads one line; true when its caption is to be looked up now. languageCode is part of the
    // capture key.
    bool readLine(const AnsiString& line, const AnsiString& languageCode);

    bool formEnded() const { return formEnded_; }

    // The scan state. The look-up may hand back new values for the names, so they are open
    // to change.
    AnsiString programCode;
    AnsiString formName;
    AnsiString componentName;
    AnsiString propertyName;
    AnsiString value;

    // The value as it goes into the look-up: its first kMaxValue characters, right-trimmed.
    AnsiString lookupValue() const;
    // The value as it is stored: its first kMaxValue characters, untrimmed.
    AnsiString storedValue() const;
    AnsiString captureKey(const AnsiString& languageCode) const;

    // What a caption line holds: the text after the first "=", trimmed, without one enclosing
    // pair of double quotes, trimmed again. Anything not quoted (a reference into the form's
    // resource file, say) holds no caption text: empty.
    static AnsiString captionValue(const AnsiString& trimmedLine);
    static bool isCaptionLine(const AnsiString& trimmedLine);

private:
    // The parts of the capture key, as they were when it was last made.
    struct KeyParts {
        AnsiString program, form, component, property, value, language;
        bool operator==(const KeyParts&) const = default;
    };

    // False for a line that can be neither a Begin nor a caption line.
    static bool mayChangeScan(QByteArrayView line);
    void readForm(const AnsiString& line, const AnsiString& upper);
    void readComponent(const AnsiString& line, const AnsiString& upper);
    void readCaption(const AnsiString& line);

    AnsiString previousKey_;
    KeyParts previousParts_;
    bool formEnded_ = false;
};
