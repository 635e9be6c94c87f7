#pragma once

#include <QByteArray>
#include <QtGlobal>

// The suites read the programs' English texts whatever locale they are started in, and so do the
// programs they start; a test of another language sets it for the program it starts.
inline void useEnglishLocale() {
    qputenv("LC_ALL", QByteArrayLiteral("C.UTF-8"));
    qunsetenv("LANGUAGE");
}
