#include "components/Strings.h"

bool EmptyString(const AnsiString& s) {
    return Ansi::Trim(s).isEmpty();
}

AnsiString RTrim(const AnsiString& s) {
    return Ansi::TrimRight(s);
}
