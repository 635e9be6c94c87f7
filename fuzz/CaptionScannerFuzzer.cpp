// Scans arbitrary bytes as a form text, line by line, the way a capture run does, and checks the
// scanner's promises along the way. The last input byte picks the program and language codes, so
// that empty and untrimmed codes get their share.

#include "capture/CaptionScanner.h"
#include "components/Strings.h"
#include "toolkit/StringList.h"

#include <QBuffer>

#include <fuzzer/FuzzedDataProvider.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

const std::array<AnsiString, 4> kProgramCodes = {"VDR04000", "", " \t", "vdr\xe7x"};
const std::array<AnsiString, 4> kLanguageCodes = {"POR", "", "eng", "SPA\r"};

[[noreturn]] void broken(const char* promise) {
    std::fprintf(stderr, "caption scan broke its promise: %s\n", promise);
    std::abort();
}

bool isBlank(char c) {
    return static_cast<unsigned char>(c) <= 32;
}

bool hasBlankEnds(const AnsiString& s) {
    return !s.isEmpty() && (isBlank(s.front()) || isBlank(s.back()));
}

void checkLines(const TStringList& lines, const QByteArray& bytes) {
    for (int i = 0; i < lines.Count(); ++i)
        if (lines[i].contains('\r') || lines[i].contains('\n'))
            broken("a loaded line holds a line end");
    QByteArray copy = bytes;
    QBuffer stream(&copy);
    stream.open(QIODevice::ReadOnly);
    TStringList streamed;
    streamed.LoadFromStream(stream);
    if (streamed.Count() != lines.Count())
        broken("LoadFromStream and LoadFromBytes disagree");
    for (int i = 0; i < lines.Count(); ++i)
        if (streamed[i] != lines[i])
            broken("LoadFromStream and LoadFromBytes disagree");
}

void checkCaptionLine(const AnsiString& line) {
    const AnsiString trimmed = Ansi::Trim(line);
    if (!CaptionScanner::isCaptionLine(trimmed))
        return;
    const AnsiString value = CaptionScanner::captionValue(trimmed);
    if (hasBlankEnds(value))
        broken("a caption value keeps blanks at its ends");
    if (!trimmed.contains(value))
        broken("a caption value is not part of its line");
}

void checkLookup(const CaptionScanner& scanner, const AnsiString& language) {
    if (EmptyString(scanner.programCode) || EmptyString(scanner.formName) ||
        EmptyString(scanner.componentName) || EmptyString(scanner.propertyName) || EmptyString(scanner.value))
        broken("a look-up was asked for with an empty name or value");
    const AnsiString stored = scanner.storedValue();
    const AnsiString lookup = scanner.lookupValue();
    if (stored.size() > CaptionScanner::kMaxValue || !stored.startsWith(lookup) || lookup.isEmpty() ||
        isBlank(lookup.back()))
        broken("the stored and looked-up values do not fit together");
    if (!scanner.captureKey(language).contains(Ansi::UpperCase(lookup)))
        broken("the capture key misses the looked-up value");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider provider(data, size);
    const std::uint8_t choice = provider.ConsumeIntegral<std::uint8_t>();
    const AnsiString& language = kLanguageCodes[(choice >> 2) % kLanguageCodes.size()];
    const std::vector<char> rest = provider.ConsumeRemainingBytes<char>();
    const QByteArray bytes(rest.data(), static_cast<qsizetype>(rest.size()));

    TStringList lines;
    lines.LoadFromBytes(bytes);
    checkLines(lines, bytes);

    CaptionScanner scanner(kProgramCodes[choice % kProgramCodes.size()]);
    for (int i = 0; i < lines.Count(); ++i) {
        checkCaptionLine(lines[i]);
        const bool endedBefore = scanner.formEnded();
        const bool lookUp = scanner.readLine(lines[i], language);
        if (endedBefore && (lookUp || !scanner.formEnded()))
            broken("the scan went on after the form's end");
        if (lookUp)
            checkLookup(scanner, language);
    }
    return 0;
}
