#pragma once

#include "toolkit/StringList.h"

#include <QString>

// Form files are text of some kilobytes; one over this size is refused before anything of it is
// read, so that a huge (or sparse) file costs neither time nor memory.
constexpr qint64 kMaxFormFileBytes = 64 * 1024 * 1024;

// Reads a form file and turns it into lines of form text, converting a binary form first. The
// capture counts lines and scans them through this one conversion, so both see the same lines.
TStringList ReadFormText(const QString& path);
