#pragma once

#include "toolkit/ClientDataSet.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonObject>
#include <QStringList>

#include <string>

// Packets written as the server writes them, and the module's language table loaded from one.

inline QJsonObject stringField(const QString& name, int size) {
    return {{"name", name}, {"type", "string"}, {"size", size}};
}
inline QJsonObject field(const QString& name, const QString& type) {
    return {{"name", name}, {"type", type}};
}
// Rows as a list rather than a QJsonArray: braces around a single QJsonArray would copy it.
inline QJsonObject packet(const QJsonArray& fields, std::initializer_list<QJsonValue> rows) {
    QJsonArray rowArray;
    for (const QJsonValue& row : rows)
        rowArray.append(row);
    return {{"fields", fields}, {"rows", rowArray}};
}

// The language table of the module: code, name and a count.
inline QJsonArray languageFields() {
    return {stringField("IDIDIOMA", 3), stringField("DSIDIOMA", 30), field("QTUSO", "number")};
}
inline QJsonObject languages() {
    return packet(languageFields(), {QJsonArray{"POR", "Português", 3}, QJsonArray{"ENG", "English", 1},
                                     QJsonArray{"ESP", "Español", QJsonValue::Null}});
}

// Names the cases of a table after their `name`, so that a failing one says which it is.
struct CaseName {
    template <typename Case> std::string operator()(const ::testing::TestParamInfo<Case>& info) const {
        return info.param.name;
    }
};

// Public, so that the steps of a table's cases can work on it.
class LanguageTable : public ::testing::Test {
public:
    void SetUp() override {
        cds.AddField("IDIDIOMA", TFieldType::String, 3);
        cds.AddField("DSIDIOMA", TFieldType::String, 30);
        cds.AddField("QTUSO", TFieldType::Number);
        cds.SetData(languages());
    }
    AnsiString code() const { return cds.FieldByName("IDIDIOMA")->AsString(); }
    void goTo(const char* id) { ASSERT_TRUE(cds.Locate("IDIDIOMA", {id}, 0)) << id; }
    void rename(const char* id, const QString& name) {
        goTo(id);
        cds.Edit();
        cds.FieldByName("DSIDIOMA")->SetAsString(Ansi::fromUnicode(name));
        cds.Post();
    }
    void append(const char* id) {
        cds.Append();
        cds.FieldByName("IDIDIOMA")->SetAsString(id);
        cds.Post();
    }
    QStringList codes() {
        QStringList out;
        for (cds.First(); !cds.Eof(); cds.Next())
            out << Ansi::toUnicode(code());
        return out;
    }

    TClientDataSet cds{"cdsIdioma"};
};
