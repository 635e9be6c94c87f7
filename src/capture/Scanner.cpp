#include "LeituraPocket.h"

void TfrmLeituraPocket::Import(const TStringList&, AnsiString) {}
