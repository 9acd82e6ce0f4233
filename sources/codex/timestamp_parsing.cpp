#include "timestamp_parsing.h"

#include <unicode/smpdtfmt.h>
#include <unicode/timezone.h>

#include <memory>
#include <mutex>

namespace tallyglass {
namespace {

using icu::SimpleDateFormat;

// The longest text the shape below admits has nine fractional digits and an offset.
constexpr std::size_t longestTimestamp = 35;

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// Whether text begins with the pattern, where 'd' stands for any digit.
bool startsWithShape(std::string_view text, std::string_view pattern) {
    if (text.size() < pattern.size())
        return false;
    for (std::size_t i = 0; i < pattern.size(); ++i)
        if (pattern[i] == 'd' ? !isDigit(text[i]) : text[i] != pattern[i])
            return false;
    return true;
}

// ICU's zone parsing accepts more than the internet form even when not lenient ("GMT",
// "+0100", a bare "+01", leading blanks, two-digit years), so the shape is checked first and
// ICU only does the calendar work. Shape: dddd-dd-ddTdd:dd:dd[.d+](Z|+dd:dd|-dd:dd).
bool hasInternetShape(std::string_view text) {
    static constexpr std::string_view dateTime = "dddd-dd-ddTdd:dd:dd";
    if (text.size() <= dateTime.size() || text.size() > longestTimestamp ||
        !startsWithShape(text, dateTime))
        return false;
    std::size_t at = dateTime.size();
    if (text[at] == '.') {
        const std::size_t digits = ++at;
        while (at < text.size() && isDigit(text[at]))
            ++at;
        if (at == digits || at - digits > 9)
            return false;
    }
    const std::string_view zone = text.substr(at);
    if (zone == "Z")
        return true;
    return zone.size() == 6 && (zone[0] == '+' || zone[0] == '-') && isDigit(zone[1]) &&
           isDigit(zone[2]) && zone[3] == ':' && isDigit(zone[4]) && isDigit(zone[5]);
}

std::unique_ptr<SimpleDateFormat> makeParser(const char* pattern) {
    UErrorCode status = U_ZERO_ERROR;
    auto parser = std::make_unique<SimpleDateFormat>(icu::UnicodeString(pattern),
                                                     icu::Locale("en_US_POSIX"), status);
    parser->setLenient(false);
    for (UDateFormatBooleanAttribute attribute :
         {UDAT_PARSE_ALLOW_WHITESPACE, UDAT_PARSE_ALLOW_NUMERIC, UDAT_PARSE_PARTIAL_LITERAL_MATCH,
          UDAT_PARSE_MULTIPLE_PATTERNS_FOR_MATCH})
        parser->setBooleanAttribute(attribute, false, status);
    parser->adoptTimeZone(icu::TimeZone::getGMT()->clone());
    return U_SUCCESS(status) ? std::move(parser) : nullptr;
}

struct TimestampParsers {
    std::unique_ptr<SimpleDateFormat> withFraction = makeParser("yyyy-MM-dd'T'HH:mm:ss.SSSXXX");
    std::unique_ptr<SimpleDateFormat> withoutFraction = makeParser("yyyy-MM-dd'T'HH:mm:ssXXX");
    // Only the Codex executor parses, but ICU formats keep per-call state, so two sources on
    // two executors (as in tests) must not share one unguarded.
    std::mutex mutex;
};

TimestampParsers& timestampParsers() {
    static TimestampParsers parsers; // thread-safe one-time initialisation
    return parsers;
}

// Seconds since 1970, only when the whole text is consumed.
std::optional<double> parseWith(const SimpleDateFormat* parser, const icu::UnicodeString& text) {
    if (parser == nullptr)
        return std::nullopt;
    icu::ParsePosition position(0);
    const UDate milliseconds = parser->parse(text, position);
    if (position.getErrorIndex() >= 0 || position.getIndex() != text.length())
        return std::nullopt;
    return milliseconds / 1000.0;
}

} // namespace

bool hasUsualStampShape(std::string_view text) {
    return text.size() == usualStampShape.size() && startsWithShape(text, usualStampShape);
}

std::optional<double> parseTimestamp(std::string_view text) {
    if (!hasInternetShape(text))
        return std::nullopt;
    const auto unicode = icu::UnicodeString::fromUTF8(
        icu::StringPiece(text.data(), static_cast<int32_t>(text.size())));
    TimestampParsers& parsers = timestampParsers();
    const std::lock_guard lock(parsers.mutex);
    if (auto instant = parseWith(parsers.withFraction.get(), unicode))
        return instant;
    return parseWith(parsers.withoutFraction.get(), unicode);
}

} // namespace tallyglass
