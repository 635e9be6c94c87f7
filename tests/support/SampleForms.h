#pragma once

#include "toolkit/AnsiString.h"
#include "toolkit/StringList.h"

#include <QList>
#include <QString>

// Form texts written for these tests, laid out as eMbedded Visual Basic saves its forms.
namespace SampleForms {

// The client form: the form's own caption (never captured), a label and a button with captions,
// then the form's code, which sets the form's caption once more.
extern const AnsiString kCliente;
inline constexpr int kClienteLines = 15;
// The 1-based lines of kCliente whose captions are looked up.
inline constexpr int kLblNomeLine = 5;
inline constexpr int kCmdGravarLine = 9;

// A form named formName with one label per caption: lbl1, lbl2, ... The caption of the label
// numbered k from 0 stands on line labelCaptionLine(k).
AnsiString labelForm(const AnsiString& formName, const QList<AnsiString>& captions);
constexpr int labelCaptionLine(int k) {
    return 5 + 4 * k;
}

TStringList linesOf(const AnsiString& text);

} // namespace SampleForms
