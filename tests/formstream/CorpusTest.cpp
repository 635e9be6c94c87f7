#include "tests/formstream/FormStreamBuilder.h"
#include "toolkit/Exceptions.h"
#include "toolkit/ObjectResource.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include <gtest/gtest.h>

// Real form files written by other people, read in place from the shared corpus.
namespace {

QDir corpusFolder(const QString& kind) {
    return QDir(QStringLiteral(VDR_CORPUS_DIR "/") + kind);
}

QFileInfoList corpusFiles(const QString& kind) {
    return corpusFolder(kind).entryInfoList(QDir::Files, QDir::Name);
}

QByteArray contentsOf(const QFileInfo& file) {
    QFile f(file.filePath());
    if (!f.open(QIODevice::ReadOnly))
        ADD_FAILURE() << "cannot read " << file.filePath().toStdString();
    return f.readAll();
}

#define SKIP_WITHOUT_CORPUS(kind)                                                                            \
    if (corpusFiles(kind).isEmpty())                                                                         \
    GTEST_SKIP() << "no corpus files in " << corpusFolder(kind).path().toStdString()

// Every object header and collection item is closed by an end line, and nothing closes more than was opened.
bool blocksBalance(const QByteArray& text) {
    static const QRegularExpression opener(
        QStringLiteral("^(object|inherited|inline) |^item( \\[-?\\d+\\])?$"));
    int open = 0;
    for (const QByteArray& rawLine : text.split('\n')) {
        const QByteArray line = rawLine.trimmed();
        if (opener.match(QString::fromLatin1(line)).hasMatch())
            ++open;
        else if (line == "end" || line == "end>")
            --open;
        if (open < 0)
            return false;
    }
    return open == 0;
}

TEST(CorpusBinaryForms, EveryFileBecomesTextNamingItsForm) {
    SKIP_WITHOUT_CORPUS(QStringLiteral("dfm-binary"));
    static const QRegularExpression header(QStringLiteral("^(object|inherited|inline) (\\w+): (\\w+)\r\n"));
    for (const QFileInfo& file : corpusFiles(QStringLiteral("dfm-binary"))) {
        SCOPED_TRACE(file.fileName().toStdString());
        const QByteArray data = contentsOf(file);
        // The resource is named after the form class, in capitals.
        const QByteArray resourceName = data.mid(3, data.indexOf('\0', 3) - 3);

        TStreamOriginalFormat format = sofText;
        QByteArray text;
        try {
            text = convertForm(data, &format, file.filePath());
        } catch (const EStreamError& e) {
            ADD_FAILURE() << e.what();
            continue;
        }
        EXPECT_EQ(format, sofBinary);
        const QRegularExpressionMatch match = header.match(QString::fromLatin1(text.left(300)));
        ASSERT_TRUE(match.hasMatch()) << text.left(300).toStdString();
        EXPECT_EQ(match.captured(3).toUpper().toLatin1(), resourceName);
        EXPECT_TRUE(text.endsWith("\r\nend\r\n"));
        EXPECT_TRUE(blocksBalance(text));
        const bool onlyTextBytes = std::all_of(text.begin(), text.end(), [](char c) {
            return c == '\r' || c == '\n' || static_cast<quint8>(c) >= 0x20;
        });
        EXPECT_TRUE(onlyTextBytes);
    }
}

TEST(CorpusBinaryForms, ListFormReadsAsItsDesignerShowsIt) {
    const QFileInfo file(corpusFolder(QStringLiteral("dfm-binary"))
                             .filePath(QStringLiteral("MarcoDelphiBooks__Delphi2009Handbook__ListForm.dfm")));
    if (!file.exists())
        GTEST_SKIP() << "no " << file.filePath().toStdString();
    const QByteArray text = convertForm(contentsOf(file));
    const QList<QByteArray> lines = text.split('\n');
    ASSERT_GE(lines.size(), 3);
    EXPECT_EQ(lines[0], "object Form1: TForm1\r");
    EXPECT_EQ(lines[1], "  Left = 241\r");
    EXPECT_EQ(lines[2], "  Top = 109\r");
    for (const QByteArray expected :
         {"  Caption = 'List Demo'\r", "  Font.Height = -11\r", "  Font.Name = 'MS Sans Serif'\r",
          "  Font.Style = []\r", "  OldCreateOrder = True\r", "  object ButtonAdd: TButton\r",
          "    Caption = '&Add'\r", "    OnClick = ButtonAddClick\r", "  object ListBox1: TListBox\r"})
        EXPECT_TRUE(lines.contains(expected)) << expected.toStdString();
}

TEST(CorpusTextForms, PassThroughByteForByte) {
    int files = 0;
    for (const QString& kind : {QStringLiteral("ebf"), QStringLiteral("frm"), QStringLiteral("dfm-text")}) {
        for (const QFileInfo& file : corpusFiles(kind)) {
            SCOPED_TRACE(file.filePath().toStdString());
            const QByteArray data = contentsOf(file);
            TStreamOriginalFormat format = sofUnknown;
            EXPECT_EQ(convertForm(data, &format, file.filePath()), data);
            EXPECT_EQ(format, data.startsWith("\xEF\xBB\xBF") ? sofUTF8Text : sofText);
            ++files;
        }
    }
    if (files == 0)
        GTEST_SKIP() << "no text corpus under " << VDR_CORPUS_DIR;
}

} // namespace
