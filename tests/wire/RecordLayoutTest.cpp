#include "tests/support/PartsFixture.h"

#include "wire/RecordLayouts.h"

#include <QFile>
#include <QJsonDocument>
#include <QRegularExpression>

namespace {

// The field table that follows the paragraph starting with heading in docs/protocol.md, the
// description another client's author works from.
Layout documentedLayout(const QString& heading) {
    QFile file(QStringLiteral(VDR_PROTOCOL_DOC));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    static const QRegularExpression row(QStringLiteral("^\\| `([A-Z]+)` \\| (\\w+) \\|(?: (\\d*) ?\\|)?"));
    Layout layout;
    qsizetype at = lines.indexOf(heading);
    for (qsizetype i = at < 0 ? lines.size() : at + 1; i < lines.size(); ++i) {
        const QRegularExpressionMatch match = row.match(lines.at(i));
        if (!match.hasMatch()) {
            if (!layout.isEmpty())
                break; // the table has ended
            continue;
        }
        const std::optional<FieldKind> kind = Wire::kindFromName(match.captured(2));
        layout.append({match.captured(1), kind.value_or(FieldKind::String), match.captured(3).toInt()});
    }
    return layout;
}

std::string describe(const Layout& layout) {
    QStringList fields;
    for (const FieldDef& field : layout)
        fields.append(QStringLiteral("%1 %2 %3").arg(field.name, Wire::kindName(field.kind)).arg(field.size));
    return fields.join(QStringLiteral(", ")).toStdString();
}

// The fields a data packet describes, as a layout.
Layout packetLayout(const QJsonObject& packet) {
    Layout layout;
    for (const QJsonValue& field : packet.value(QStringLiteral("fields")).toArray()) {
        const QJsonObject def = field.toObject();
        const std::optional<FieldKind> kind =
            Wire::kindFromName(def.value(QStringLiteral("type")).toString());
        EXPECT_TRUE(kind) << def.value(QStringLiteral("type")).toString().toStdString();
        layout.append({def.value(QStringLiteral("name")).toString(), kind.value_or(FieldKind::String),
                       def.value(QStringLiteral("size")).toInt()});
    }
    return layout;
}

Layout dataSetLayout(const TClientDataSet& ds) {
    return Layout(ds.FieldDefs().begin(), ds.FieldDefs().end());
}

} // namespace

// Each record layout is the one docs/protocol.md gives other clients.
TEST(RecordLayout, EachIsTheDocumentedOne) {
    const struct {
        const Layout& layout;
        QString heading;
    } cases[] = {
        {Layouts::languageEntry(), QStringLiteral("Language entry (packet of `GetIdiLeDfm`):")},
        {Layouts::translationRow(),
         QStringLiteral("Translation row (packets of `GetPropried` and `GetProgramRows`, "
                        "deltas of `SetPropried` and `SetVerProp`):")},
        {Layouts::versionRecord(),
         QStringLiteral("Version record (packets of `GetVersao`, deltas of `SetVersao`):")},
    };
    for (const auto& [layout, heading] : cases) {
        SCOPED_TRACE(heading.toStdString());
        const Layout documented = documentedLayout(heading);
        ASSERT_FALSE(documented.isEmpty()) << "no field table under that heading in " << VDR_PROTOCOL_DOC;
        EXPECT_EQ(describe(layout), describe(documented));
    }
    for (const QString& kind :
         {QStringLiteral("string"), QStringLiteral("number"), QStringLiteral("datetime")})
        EXPECT_EQ(Wire::kindName(Wire::kindFromName(kind).value_or(FieldKind::String)), kind);
    EXPECT_FALSE(Wire::kindFromName(QStringLiteral("String")));
}

// The module's data sets take the server's answers as they are: each holds the fields the server
// describes in the packets loaded into it.
class DataSetLayout : public PartsFixture {};

TEST_F(DataSetLayout, EachDataSetHasTheFieldsOfTheServersAnswerForIt) {
    open();
    // The answers as the server sent them, taken from the wire rather than from the data sets.
    QList<QJsonObject> answers;
    connection.transport = [this, serve = connection.transport, &answers](const QByteArray& line) {
        const QByteArray answer = serve(line);
        answers.append(QJsonDocument::fromJson(answer).object().value(QStringLiteral("result")).toObject());
        return answer;
    };
    AnsiString form = "F", component = "C", property = "CAPTION", language = "POR";
    link.callGetIdiLeDfm(data.cdsIdiLeDfm);
    link.callGetPropried(data.cdsVerificaProp, "P", form, component, property, "0", "x", language);
    link.callGetPropried(data.cdsPropried, "P", form, component, property, "0", "x", language);
    link.callGetVersao(data.cdsVersao);
    ASSERT_EQ(answers.size(), 4);

    const TClientDataSet* sets[] = {&data.cdsIdiLeDfm, &data.cdsVerificaProp, &data.cdsPropried,
                                    &data.cdsVersao};
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        const QJsonObject packet = answers[i].value(QStringLiteral("data")).toObject();
        EXPECT_EQ(describe(dataSetLayout(*sets[i])), describe(packetLayout(packet)));
    }
}
