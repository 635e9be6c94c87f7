#pragma once

#include "toolkit/AnsiString.h"

#include <QList>

// The capture window's messages, "key|text", as its message table holds them.
inline QList<AnsiString> CaptureMessages() {
    return {
        Ansi::fromUnicode(QStringLiteral("Sair|Sair")),
        Ansi::fromUnicode(QStringLiteral("sucesso|A importação foi realizada com sucesso!")),
        Ansi::fromUnicode(
            QStringLiteral("Alias_Exist|Erro na importação de dfm's. Já existe um alias com o nome %s.")),
        Ansi::fromUnicode(
            QStringLiteral("CONF_SUBS|A Tabela de tradução possui alguns registros. Serão adicionados "
                           "novos registros durante a leitura dos dfm´s. Confirma a operação?")),
        Ansi::fromUnicode(QStringLiteral("Arq_Ja|Arquivo já selecionado.")),
        Ansi::fromUnicode(
            QStringLiteral("DEL_TRADUCAO|Os registros da Tabela de tradução estão sendo apagados.")),
        Ansi::fromUnicode(QStringLiteral("Idi_Inv|Idioma inválido.")),
    };
}
