#pragma once

#include <QString>

class QIODevice;

// The format of a form stream. Callers pass sofText in; the conversion reports what it found.
enum TStreamOriginalFormat { sofUnknown = 0, sofBinary = 1, sofText = 2, sofUTF8Text = 3 };

// Reads input from its current position to its end and writes the form's text to output.
//
// Text (no NUL byte in its first 4 KB and no binary signature) is copied byte for byte, whatever
// its encoding and line ends; format becomes sofUTF8Text when it starts with a UTF-8 byte-order
// mark, sofText otherwise. A binary form stream (the TPF0 signature, bare or behind a 32-bit
// resource header of type RCDATA) becomes the text form with CRLF line ends; format becomes
// sofBinary. See FormTextLiterals.h for how values are spelled.
//
// Anything else, and any truncated or malformed binary stream, throws EStreamError naming name
// (the file; may be empty) and the problem. format is left alone then, and output may hold part
// of the text: callers discard it.
void ObjectResourceToText(QIODevice& input, QIODevice& output, TStreamOriginalFormat& format,
                          const QString& name = {});
