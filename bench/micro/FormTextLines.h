#pragma once

#include "toolkit/AnsiString.h"

#include <QList>

#include <random>

// Lines of eMbedded Visual Basic form text in the layout generate_forms.py writes: captured
// controls among check boxes and text boxes, frames with option buttons, Windows-1252 accents,
// now and then a long caption, and form code after the "Attribute VB_Name" line. The same seed
// gives the same lines.
namespace FormTextLines {

inline AnsiString property(int indent, const char* name, const AnsiString& value) {
    AnsiString line(3 * indent, ' ');
    line += AnsiString(name).leftJustified(16, ' ') + "=   " + value;
    return line;
}

inline AnsiString caption(std::mt19937& random) {
    static const char* const words[] = {"C\xF3"
                                        "digo",
                                        "Descri\xE7\xE3o",
                                        "Situa\xE7\xE3o",
                                        "Endere\xE7o",
                                        "N\xFAmero",
                                        "Cliente",
                                        "Pedido",
                                        "Valor",
                                        "Pre\xE7o",
                                        "Sa\xED"
                                        "da"};
    if (random() % 50 == 0) { // a long one: a few hundred to 4,000 characters
        const int length = 300 + int(random() % 3701);
        AnsiString text;
        while (text.size() < length)
            text += "A opera\xE7\xE3o transfere os pedidos coletados para o servidor de aplica\xE7\xE3o. ";
        return text.left(length).trimmed();
    }
    AnsiString text = words[random() % std::size(words)];
    for (int i = int(random() % 3); i > 0; --i)
        text += ' ' + AnsiString(words[random() % std::size(words)]);
    return text;
}

inline void control(QList<AnsiString>& lines, std::mt19937& random, int indent, const char* type,
                    const AnsiString& name, bool withCaption) {
    lines.append(AnsiString(3 * indent, ' ') + "Begin VBCE." + type + ' ' + name + ' ');
    for (const char* geometry : {"Height", "Left", "TabIndex", "Top", "Width", "_cx", "_cy"})
        lines.append(property(indent + 1, geometry, AnsiString::number(int(random() % 4000))));
    if (withCaption)
        lines.append(property(indent + 1, "Caption", '"' + caption(random) + '"'));
    lines.append(property(indent + 1, "Enabled", "-1  'True"));
    lines.append(property(indent + 1, "ForeColor", "-2147483640"));
}

// One form of the given program with captions captured captions.
inline QList<AnsiString> form(const AnsiString& program, int captions, std::mt19937& random) {
    QList<AnsiString> lines{"VERSION 5.00", "Begin VB.Form frm" + program + ' ',
                            property(1, "Caption", "\"Cadastro\""), property(1, "ClientHeight", "4005")};
    int serial = 0;
    for (int left = captions; left > 0;) {
        const AnsiString number = AnsiString::number(++serial).rightJustified(3, '0');
        if (random() % 10 < 3) {
            control(lines, random, 1, "CheckBox", "chk" + number, true);
            lines.append("   End");
            control(lines, random, 1, "TextBox", "txt" + number, false);
            lines.append(property(2, "Text", "\"\""));
            lines.append("   End");
        }
        if (left >= 3 && random() % 100 < 15) {
            control(lines, random, 1, "Frame", "fra" + number, true);
            for (int option = 0; option < 2; ++option) {
                control(lines, random, 2, "OptionButton", "opt" + number + '_' + AnsiString::number(option),
                        true);
                lines.append("      End");
            }
            lines.append("   End");
            left -= 3;
            continue;
        }
        const bool label = random() % 2 == 0;
        control(lines, random, 1, label ? "Label" : "CommandButton", (label ? "lbl" : "cmd") + number, true);
        lines.append("   End");
        --left;
    }
    lines += {"End",
              "Attribute VB_Name = \"frm" + program + '"',
              "Option Explicit",
              "",
              "Private Sub cmd001_Click()",
              "    lblStatus.Caption = \"Pronto\"",
              "End Sub"};
    return lines;
}

} // namespace FormTextLines
