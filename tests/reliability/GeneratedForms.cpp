#include "tests/reliability/GeneratedForms.h"

#include "tests/support/ServerProcess.h"
#include "tests/support/ServerRows.h"

#include <QFile>

#include <random>

GeneratedForms::GeneratedForms(int forms, int captionsPerForm, unsigned seed, const QString& prefix)
    : forms_(forms), captions_(captionsPerForm) {
    std::mt19937 random(seed);
    const char* const words[] = {"Cliente", "Pedido", "Gravar", "Sair", "Data", "Valor", "Código", "Preço"};
    for (int f = 0; f < forms; ++f) {
        const QString form = QStringLiteral("frmTela%1").arg(f);
        QString text =
            QStringLiteral("VERSION 5.00\r\nBegin VB.Form %1\r\n   Caption         =   \"Tela %2\"\r\n")
                .arg(form)
                .arg(f);
        for (int c = 0; c < captionsPerForm; ++c) {
            const bool button = c % 3 == 0;
            text += QStringLiteral("   Begin VBCE.%1 %2%3\r\n      Caption         =   \"%4 %5-%6\"\r\n"
                                   "      Height          =   255\r\n   End\r\n")
                        .arg(button ? QStringLiteral("CommandButton") : QStringLiteral("Label"),
                             button ? QStringLiteral("cmd") : QStringLiteral("lbl"))
                        .arg(c)
                        .arg(QString::fromUtf8(words[random() % std::size(words)]))
                        .arg(f)
                        .arg(c);
        }
        text += QStringLiteral("End\r\nAttribute VB_Name = \"%1\"\r\nPrivate Sub Form_Load()\r\nEnd Sub\r\n")
                    .arg(form);
        QFile file(dir_.filePath(QStringLiteral("%1%2.Ebf").arg(prefix).arg(f, 3, 10, QLatin1Char('0'))));
        file.open(QIODevice::WriteOnly);
        // The forms are saved in the Windows code page, as their editor does.
        file.write(text.toLatin1());
    }
}

QStringList storedRows(const ServerProcess& server) {
    QStringList rows = describeRows(exportedRows(server));
    rows.sort();
    return rows;
}
