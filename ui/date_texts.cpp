#include "date_texts.h"

#include <unicode/calendar.h>
#include <unicode/datefmt.h>
#include <unicode/locid.h>
#include <unicode/measfmt.h>
#include <unicode/measunit.h>
#include <unicode/measure.h>
#include <unicode/reldatefmt.h>
#include <unicode/timezone.h>

#include <QByteArray>
#include <QCoreApplication>

#include <climits>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>

namespace tallyglass {
namespace {

QString toQString(const icu::UnicodeString& text) {
    return QString(reinterpret_cast<const QChar*>(text.getBuffer()), text.length());
}

// Dates follow the time category of the environment (LC_ALL, LC_TIME, LANG), which may differ
// from the language of the words; ICU's default locale covers the words.
icu::Locale timeLocale() {
    for (const char* name : {"LC_ALL", "LC_TIME", "LANG"}) {
        QByteArray value = qgetenv(name);
        if (value.isEmpty())
            continue;
        for (char separator : {'.', '@'}) {
            if (value.contains(separator))
                value.truncate(value.indexOf(separator));
        }
        if (value == "C" || value == "POSIX")
            break;
        return icu::Locale(value.constData());
    }
    return icu::Locale::getDefault();
}

struct CalendarStep {
    UCalendarDateFields field;
    URelativeDateTimeUnit unit;
    // How many of this field make half of the next larger one, for rounding that one.
    int halfOfLarger;
};

// Largest first, as a calendar counts the distance between two instants.
constexpr std::array<CalendarStep, 8> steps{{
    {UCAL_YEAR, UDAT_REL_UNIT_YEAR, 0},
    {UCAL_MONTH, UDAT_REL_UNIT_MONTH, 6},
    {UCAL_WEEK_OF_YEAR, UDAT_REL_UNIT_WEEK, 2},
    {UCAL_DATE, UDAT_REL_UNIT_DAY, 4},
    {UCAL_HOUR_OF_DAY, UDAT_REL_UNIT_HOUR, 12},
    {UCAL_MINUTE, UDAT_REL_UNIT_MINUTE, 30},
    {UCAL_SECOND, UDAT_REL_UNIT_SECOND, 30},
    {UCAL_MILLISECOND, UDAT_REL_UNIT_SECOND, 500},
}};

struct RelativeAmount {
    URelativeDateTimeUnit unit = UDAT_REL_UNIT_SECOND;
    double value = 0;
};

// The largest non-zero unit between the two instants, rounded by the unit below it, so that
// a reset 1 hour 59 minutes away reads "in 2 hours".
RelativeAmount largestUnit(double instant, double now) {
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::Calendar> calendar(icu::Calendar::createInstance(status));
    if (U_FAILURE(status))
        return {UDAT_REL_UNIT_SECOND, std::round(instant - now)};
    calendar->setTime(now * 1000.0, status);
    std::array<int32_t, steps.size()> counts{};
    for (std::size_t i = 0; i < steps.size(); ++i)
        counts[i] = calendar->fieldDifference(instant * 1000.0, steps[i].field, status);
    if (U_FAILURE(status))
        return {UDAT_REL_UNIT_SECOND, std::round(instant - now)};
    for (std::size_t i = 0; i + 1 < steps.size(); ++i) {
        if (counts[i] == 0)
            continue;
        const int sign = counts[i] > 0 ? 1 : -1;
        const bool roundsUp = std::abs(counts[i + 1]) >= steps[i + 1].halfOfLarger;
        return {steps[i].unit, static_cast<double>(counts[i] + (roundsUp ? sign : 0))};
    }
    return {UDAT_REL_UNIT_SECOND, 0};
}

const icu::RelativeDateTimeFormatter* relativeFormatter() {
    static const std::unique_ptr<icu::RelativeDateTimeFormatter> formatter = [] {
        UErrorCode status = U_ZERO_ERROR;
        auto made = std::make_unique<icu::RelativeDateTimeFormatter>(
            icu::Locale::getDefault(), nullptr, UDAT_STYLE_LONG,
            UDISPCTX_CAPITALIZATION_FOR_MIDDLE_OF_SENTENCE, status);
        return U_SUCCESS(status) ? std::move(made) : nullptr;
    }();
    return formatter.get();
}

// What names the system's zone: TZ, else the link /etc/localtime and when it last changed.
QByteArray hostZoneStamp() {
    QByteArray stamp = qgetenv("TZ") + '\n';
    struct stat link {};
    if (::lstat("/etc/localtime", &link) == 0) {
        char target[PATH_MAX];
        const ssize_t length = ::readlink("/etc/localtime", target, sizeof target);
        stamp += QByteArray(target, std::max<ssize_t>(length, 0)) + '\n' +
                 QByteArray::number(qint64(link.st_mtim.tv_sec)) + '.' +
                 QByteArray::number(qint64(link.st_mtim.tv_nsec)) + '.' +
                 QByteArray::number(qulonglong(link.st_ino));
    }
    return stamp;
}

// ICU reads the system's zone once and keeps it; the user may change it while we run.
// Main thread only, like every caller of this file.
const icu::DateFormat* dateTimeFormatter() {
    static QByteArray zoneStamp;
    static std::unique_ptr<icu::DateFormat> formatter;
    QByteArray stamp = hostZoneStamp();
    if (formatter && stamp == zoneStamp)
        return formatter.get();
    if (!zoneStamp.isNull())
        icu::TimeZone::adoptDefault(icu::TimeZone::detectHostTimeZone());
    zoneStamp = std::move(stamp);
    formatter.reset(icu::DateFormat::createDateTimeInstance(icu::DateFormat::kMedium,
                                                            icu::DateFormat::kShort, timeLocale()));
    return formatter.get();
}

} // namespace

QString relativeTimeText(double instant, double now) {
    // Days count in the system's current zone, as the formatter of absolute times does.
    dateTimeFormatter();
    // Beyond this ICU's calendars stop counting; only a malformed file gets here.
    constexpr double farthest = 1e13;
    if (!std::isfinite(instant) || !std::isfinite(now))
        return QString();
    instant = std::clamp(instant, now - farthest, now + farthest);
    const RelativeAmount amount = largestUnit(instant, now);
    const icu::RelativeDateTimeFormatter* formatter = relativeFormatter();
    if (!formatter)
        return QString();
    icu::UnicodeString text;
    UErrorCode status = U_ZERO_ERROR;
    formatter->format(amount.value, amount.unit, text, status);
    return U_SUCCESS(status) ? toQString(text) : QString();
}

QString updatedText(double updatedAt, double now) {
    //: %1 is how long ago, such as "3 minutes ago".
    return QCoreApplication::translate("tallyglass::MenuView", "Updated %1")
        .arg(relativeTimeText(updatedAt, now));
}

QString durationWords(double seconds) {
    const double minutes = std::isfinite(seconds) ? std::clamp(seconds / 60, 1.0, 1e9) : 1.0;
    UErrorCode status = U_ZERO_ERROR;
    // Minutes up to an hour and a half, then hours up to two days, then days.
    const bool inMinutes = minutes < 90, inHours = !inMinutes && minutes < 48 * 60;
    const double amount = std::round(inMinutes ? minutes
                                     : inHours ? minutes / 60
                                               : minutes / (24 * 60));
    icu::MeasureUnit* unit = inMinutes ? icu::MeasureUnit::createMinute(status)
                             : inHours ? icu::MeasureUnit::createHour(status)
                                       : icu::MeasureUnit::createDay(status);
    if (U_FAILURE(status))
        return QString();
    const icu::Measure measure(amount, unit, status);
    const icu::MeasureFormat format(icu::Locale::getDefault(), UMEASFMT_WIDTH_WIDE, status);
    icu::UnicodeString text;
    icu::FieldPosition position;
    format.formatMeasures(&measure, 1, text, position, status);
    return U_SUCCESS(status) ? toQString(text) : QString();
}

QString dateTimeText(double instant) {
    const icu::DateFormat* formatter = dateTimeFormatter();
    if (!formatter || !std::isfinite(instant) || std::abs(instant) > 1e13)
        return QString();
    icu::UnicodeString text;
    formatter->format(instant * 1000.0, text);
    return toQString(text);
}

} // namespace tallyglass
