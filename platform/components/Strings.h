#pragma once

#include "toolkit/AnsiString.h"

// True for an empty string or one made of blanks (codes <= 32) only.
bool EmptyString(const AnsiString& s);
// The string without its trailing blanks (codes <= 32).
AnsiString RTrim(const AnsiString& s);
