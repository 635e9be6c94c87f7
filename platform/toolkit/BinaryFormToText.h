#pragma once

#include <QByteArray>

namespace FormStream {

class BinaryFormReader;

// Deeper nesting of objects, lists and collections than this fails: no real form comes near it,
// and the conversion recurses once per level.
inline constexpr int maxNesting = 1000;

// Converts the object tree that starts at the reader's position (just after the TPF0 signature)
// into the text form: two blanks of indent per level, CRLF line ends, a final CRLF. Bytes after
// the root object are ignored. Throws EStreamError on a truncated or malformed tree.
QByteArray binaryFormToText(BinaryFormReader& reader);

} // namespace FormStream
