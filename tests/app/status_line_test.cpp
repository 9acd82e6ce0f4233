#include "app/status_line.h"
#include "support/temp_home.h"

#include <QProcess>

#include <gtest/gtest.h>

#include <poll.h>
#include <unistd.h>

using namespace tallyglass;
using namespace tallyglass::testing;

namespace {

constexpr double readAt = 1'800'000'000;

SourceReading claude(std::optional<double> session, const char* family = nullptr) {
    UsageSnapshot read{
        readAt, {}, {}, {{"five_hour", {session, {}, 300}}, {"seven_day", {17, {}, 10080}}}};
    if (family)
        read.windows["spark"] = {3.0, {}, 300.0, family};
    return {SourceKind::claude, session ? std::optional(read) : std::nullopt, true, {}};
}

// Each bar's documented fields: waybar's text, tooltip (Pango markup), class and percentage,
// i3blocks's full_text, short_text and color, polybar's %{F#rrggbb}; the panel's thresholds.
TEST(StatusLine, EachBarReadsItsFields) {
    const std::tuple<LineFormat, SourceReading, double, bool, std::string> cases[] = {
        {LineFormat::text, claude(42), 60, false,
         "Claude Code: Current session (5h) 42%, Weekly limit (7d) 17%"},
        {LineFormat::waybar, claude(42), 60, true,
         R"({"text":"42% · 17%","tooltip":"Claude Code\nCurrent session (5h) 42%\nWeekly limit (7d))"
         R"( 17%","class":"normal","percentage":42})"},
        {LineFormat::waybar, claude(150, "R&D <x>"), 1000, true,
         R"({"text":"150% · 17%","tooltip":"Claude Code\nCurrent session (5h) 150%\nWeekly limit)"
         R"( (7d) 17%\nR&amp;D &lt;x&gt; (5h) 3%\nUpdated 17 minutes ago","class":["critical",)"
         R"("stale"],"percentage":100})"},
        {LineFormat::i3blocks, claude(75), 60, false, "75% · 17%\n75%\n#FFB340"},
        {LineFormat::i3blocks, claude(69.4), 60, true,
         R"({"full_text":"69% · 17%","short_text":"69%","color":"#30DB5B"})"},
        {LineFormat::polybar, claude(90), 60, false, "%{F#FF6961}90% · 17%%{F-}"},
        {LineFormat::polybar, claude(std::nullopt), 60, true, "%{F#AEAEB2}no data%{F-}"},
    };
    for (const auto& [format, reading, age, following, expected] : cases)
        EXPECT_EQ(statusLine(format, reading, readAt + age, following), expected);
}

// Follows the file as the program does, sets nothing up and remembers nothing (the program's
// warnings still come), and ends quietly once its output has no reader, even while idle.
TEST(StatusLine, FollowsChangesUntilItsOutputCloses) {
    TempHome home;
    const QString snapshot = R"({"updated_at":%1,"windows":{"five_hour":{"used_percentage":%2}}})";
    const auto write = [&](int session) {
        ASSERT_TRUE(
            writeFile(home.filePath(".claude/usage_snapshot.json"),
                      snapshot.arg(QDateTime::currentSecsSinceEpoch()).arg(session).toUtf8()));
    };
    write(42);
    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    QProcess inspect;
    // Qt 6.8 warns on standard error in a locale that is not UTF-8, as a bare root has.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("LC_ALL", "C.UTF-8");
    inspect.setProcessEnvironment(environment);
    inspect.setChildProcessModifier([&] { ::close(ends[0]), ::dup2(ends[1], STDOUT_FILENO); });
    inspect.start(TALLYGLASS_BINARY_DIR "/bin/tallyglass-inspect",
                  {"--format", "polybar", "--follow", "--source", "claude"});
    ::close(ends[1]);
    const auto readLine = [&] {
        std::string line;
        pollfd in{ends[0], POLLIN, 0};
        for (char c = 0; c != '\n' && ::poll(&in, 1, 30'000) == 1 && ::read(ends[0], &c, 1) == 1;)
            line += c;
        return line;
    };
    EXPECT_EQ(readLine(), "%{F#30DB5B}42%%{F-}\n");
    write(91);
    EXPECT_EQ(readLine(), "%{F#FF6961}91%%{F-}\n");
    ::close(ends[0]);
    EXPECT_TRUE(inspect.waitForFinished(5000));
    EXPECT_EQ(inspect.exitStatus() == QProcess::NormalExit ? inspect.exitCode() : -1, 0);
    EXPECT_EQ(inspect.readAllStandardError(), "");
    EXPECT_EQ((QDir(home.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden) +
               QDir(home.filePath(".claude")).entryList(QDir::Files))
                  .join(u' '),
              ".claude usage_snapshot.json");
}

} // namespace
