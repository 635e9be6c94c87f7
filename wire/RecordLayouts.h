#pragma once

#include "wire/FieldLayout.h"

// The three records the server object hands out and takes back. Each function always hands out
// the same object.
namespace Layouts {

// One language the captions can be recorded in.
const Layout& languageEntry();
// One translatable property value of one component of one form of one program, in one language.
const Layout& translationRow();
// When the translation data last changed.
const Layout& versionRecord();

} // namespace Layouts
