#pragma once

#include "toolkit/StringList.h"

#include <QString>

// Reads a form file and turns it into lines of form text, converting a binary form first. The
// capture counts lines and scans them through this one conversion, so both see the same lines.
TStringList ReadFormText(const QString& path);

// The number of lines of form text in the file at path.
int ContaLinhas(const QString& path);
