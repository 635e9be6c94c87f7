#include "tests/support/SampleForms.h"

#include <QFile>

#include <stdexcept>

namespace SampleForms {

const AnsiString kCliente = "VERSION 5.00\r\n"
                            "Begin VB.Form frmCliente\r\n"
                            "   Caption = \"Clientes\"\r\n"
                            "   Begin VBCE.Label lblNome\r\n"
                            "      Caption         =   \"Nome do cliente\"\r\n"
                            "      Height = 255\r\n"
                            "   End\r\n"
                            "   Begin VBCE.CommandButton cmdGravar\r\n"
                            "      Caption = \"Gravar\"\r\n"
                            "   End\r\n"
                            "End\r\n"
                            "Attribute VB_Name = \"frmCliente\"\r\n"
                            "Private Sub Form_Load()\r\n"
                            "   Caption = \"Cadastro\"\r\n"
                            "End Sub\r\n";

AnsiString labelForm(const AnsiString& formName, const QList<AnsiString>& captions) {
    AnsiString text =
        "VERSION 5.00\r\nBegin VB.Form " + formName + "\r\n   Caption = \"" + formName + "\"\r\n";
    for (qsizetype k = 0; k < captions.size(); ++k) {
        text += "   Begin VBCE.Label lbl" + AnsiString::number(k + 1) + "\r\n";
        text += "      Caption = \"" + captions[k] + "\"\r\n";
        text += "      Height = 255\r\n";
        text += "   End\r\n";
    }
    text += "End\r\nAttribute VB_Name = \"" + formName + "\"\r\n";
    return text;
}

TStringList linesOf(const AnsiString& text) {
    TStringList lines;
    lines.LoadFromBytes(text);
    return lines;
}

} // namespace SampleForms
