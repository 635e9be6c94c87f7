#include "wire/RecordLayouts.h"

namespace Layouts {

const Layout& languageEntry() {
    static const Layout layout{
        {QStringLiteral("IDIDIOMA"), FieldKind::String, 3},
        {QStringLiteral("DSIDIOMA"), FieldKind::String, 30},
        {QStringLiteral("IDIPROP"), FieldKind::String, 3},
    };
    return layout;
}

const Layout& translationRow() {
    static const Layout layout{
        {QStringLiteral("CDPROGRAMA"), FieldKind::String, 20},
        {QStringLiteral("NMFORMULARIO"), FieldKind::String, 50},
        {QStringLiteral("NMCOMPONENTE"), FieldKind::String, 50},
        {QStringLiteral("NMPROPRIEDADE"), FieldKind::String, 50},
        {QStringLiteral("NRVALORPROP"), FieldKind::Number, 0},
        {QStringLiteral("IDSITTRADUCAO"), FieldKind::String, 1},
        {QStringLiteral("STVALORPROP"), FieldKind::String, 4000},
        {QStringLiteral("STAGRVALPROP"), FieldKind::String, 4000},
        {QStringLiteral("DTULTATUTRAD"), FieldKind::DateTime, 0},
        {QStringLiteral("IDIDIOMA"), FieldKind::String, 3},
    };
    return layout;
}

const Layout& versionRecord() {
    static const Layout layout{{QStringLiteral("DTGERARQTRAD"), FieldKind::DateTime, 0}};
    return layout;
}

} // namespace Layouts
