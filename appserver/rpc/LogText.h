#pragma once

#include <QString>

// What a client sent, made safe for one log line: control characters, backslashes, the separators
// Unicode treats as line ends and its invisible format characters, the bidirectional controls among
// them, are shown escaped ("\n", "\x1b", "\u2028", "\u202e", "\U000e0001"), and text beyond
// maxChars is cut and ends in "…", so a client can neither forge log lines nor flood them.
QString clientText(const QString& text, qsizetype maxChars = 80);
