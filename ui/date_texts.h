#pragma once

#include <QString>

namespace tallyglass {

// The instant (seconds since 1970) relative to now in the user's language, by the largest
// calendar unit that fits, with the named forms where the language has them: "in 2 hours",
// "tomorrow", "5 minutes ago", "now".
QString relativeTimeText(double instant, double now);
// "Updated 3 minutes ago": when a reading was taken, as the panel and the bar lines say it.
QString updatedText(double updatedAt, double now);

// The instant as a medium date and a short time in the user's locale and time zone, for
// example "Dec 5, 2026, 3:00 PM".
QString dateTimeText(double instant);

// A span of time in words in the user's language, rounded to the unit that suits it: "40
// minutes", "3 hours", "2 days"; at least one minute.
QString durationWords(double seconds);

} // namespace tallyglass
