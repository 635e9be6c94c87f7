#pragma once

#include "toolkit/AnsiString.h"

// Shows text as an error message and returns to the caller once the user has read it. The flag
// asks for the message to be shown modally; every caller in this tool passes true.
void MensErro(const AnsiString& text, bool modal);
