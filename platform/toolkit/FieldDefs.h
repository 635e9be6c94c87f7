#pragma once

#include "wire/FieldLayout.h"

// A data set's fields are described as the wire describes a record's, so a layout defines a data
// set as it is.
using TFieldType = FieldKind;
using TFieldDef = FieldDef;
