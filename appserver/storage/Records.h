#pragma once

#include <QDateTime>
#include <QString>

#include <optional>

// The records the database holds, as the server object hands them out and takes them back.

struct LanguageEntry {
    QString code;        // IDIDIOMA
    QString description; // DSIDIOMA
    QString prop;        // IDIPROP
};

struct TranslationRow {
    QString program;                // CDPROGRAMA
    QString form;                   // NMFORMULARIO
    QString component;              // NMCOMPONENTE
    QString property;               // NMPROPRIEDADE
    double number = 0;              // NRVALORPROP
    std::optional<QString> state;   // IDSITTRADUCAO
    QString value;                  // STVALORPROP
    std::optional<QString> value2;  // STAGRVALPROP
    std::optional<QString> updated; // DTULTATUTRAD, as DateTimeText::format writes it
    QString language;               // IDIDIOMA
};
