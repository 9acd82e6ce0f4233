#include "installed_helper.h"

#include "core/file_access.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QProcessEnvironment>

using namespace tallyglass;
using namespace tallyglass::testing;
using Json = nlohmann::json;

namespace {

const QString command = QStringLiteral(
    R"(/opt/tg/bin/tallyglass-jsrunner -l JavaScript "/h/.claude/statusline-usage.js")");

SetupReport install() {
    return installStatuslineHelper(claudeFolderPath(), command);
}
Json settingsJson() {
    return Json::parse(readFile(claudeFile("settings.json")).toStdString(), nullptr, false);
}
const Json helperStatusLine = {{"type", "command"}, {"command", command.toStdString()}};
const QByteArray foreignSettings = R"({"statusLine":{"command":"my-line"},"theme":"dark"})";
// The source file, byte for byte, is what must be installed.
const QByteArray script =
    readFile(TALLYGLASS_TEST_DATA "/../../sources/claude/statusline-usage.js");

// Rows of: the settings before (null: no file), the members after besides a "statusLine" of
// ours (which a row may give), the chained command after (null: none), and what the run tells:
// settings the user had are told of; a file made afresh, or one that names the helper already,
// read-only or not, is not. Our own earlier commands name the script of this home, "{script}".
// One whose runner is gone would leave Claude Code without a status line for good: it is
// repointed, keeping the rest.
TEST(StatuslineInstallation, StateTable) {
    const QByteArray table = readFile(TALLYGLASS_TEST_DATA "/settings/state_table.txt");
    for (std::size_t i = 0; i < Json::parse(table.toStdString()).size(); ++i) {
        TempHome home;
        const QByteArray path = statuslineScriptPath().toUtf8();
        const Json row = Json::parse(QByteArray(table).replace("{script}", path).toStdString())[i];
        if (!row[1].is_null())
            writeFile(claudeFile("settings.json"), QByteArray::fromStdString(row[1]));
        writeFile(claudeFile("statusline-usage.inner"), "kept");
        const SetupReport report = install();
        const char* results[] = {"quiet", "added", "failed"};
        EXPECT_EQ(results[int(report.result)] +
                      std::string(report.ownCommandKept ? ", own kept" : ""),
                  row[4].get<std::string>())
            << row[0];
        EXPECT_EQ(install(), SetupReport{}) << row[0]; // a second run changes nothing more
        QFile::setPermissions(claudeFile("settings.json"), QFileDevice::ReadOwner);
        EXPECT_EQ(install(), SetupReport{}) << row[0];
        EXPECT_EQ(readFile(claudeFile("statusline-usage.js")), script);
        Json expected = row[2];
        if (!expected.contains("statusLine"))
            expected["statusLine"] = helperStatusLine;
        EXPECT_EQ(settingsJson(), expected) << row[0];
        const QString inner = claudeFile("statusline-usage.inner");
        EXPECT_EQ(QFileInfo::exists(inner) ? Json(readFile(inner).toStdString()) : Json(), row[3])
            << row[0];
    }
}

// Settings that are not a JSON object we can keep, cannot be read, or that the user made
// read-only, and a foreign command that cannot be saved: nothing changes but the script, and
// the run says why.
TEST(StatuslineInstallation, LeavesAlone) {
    using Problem = SetupReport::Problem;
    const QString foreign = "echo '" + foreignSettings + "' > settings.json; ";
    QList<std::pair<QString, Problem>> setUps = {
        {R"(printf '{"a":"' > settings.json; head -c 16M /dev/zero | tr '\0' x >> settings.json)",
         Problem::tooLarge},
        {"ln -s gone settings.json", Problem::notRegularFile},
        {"mkfifo settings.json", Problem::notRegularFile},
        {foreign + "chmod 400 settings.json", Problem::readOnly},
        {foreign + "rm statusline-usage.inner; mkdir statusline-usage.inner", Problem::notWritten},
        {R"(printf '{\n  "a": 1,\n}' > settings.json)", Problem::notJson}};
    const QDir data(TALLYGLASS_TEST_DATA "/settings/untouched");
    for (const QString& name : data.entryList(QDir::Files))
        setUps.append({"cp '" + data.filePath(name) + "' settings.json", Problem::none});
    for (const auto& [setUp, problem] : setUps) {
        TempHome home;
        writeFile(claudeFile("statusline-usage.inner"), "kept");
        ASSERT_TRUE(runShell("cd \"$HOME/.claude\" && " + setUp, {}).ok()) << setUp.toStdString();
        const FileRead before = readRegularFile(claudeFile("settings.json"), 32 << 20);
        const SetupReport report = install();
        // The data files are each refused for reasons of their own, or already name the helper.
        const bool refused = problem != Problem::none || !setUp.contains("installed");
        EXPECT_EQ(report.result, refused ? SetupReport::Result::failed : SetupReport::Result::quiet)
            << setUp.toStdString();
        EXPECT_TRUE(problem == Problem::none || report.problem == problem) << setUp.toStdString();
        EXPECT_TRUE(problem != Problem::notJson || (report.line == 3 && report.column == 1));
        EXPECT_EQ(report.statusLineMember.contains("statusline-usage.js"), refused);
        const FileRead after = readRegularFile(claudeFile("settings.json"), 32 << 20);
        EXPECT_EQ(after.bytes, before.bytes) << setUp.toStdString();
        EXPECT_EQ(after.stamp, before.stamp) << setUp.toStdString();
        EXPECT_NE(readFile(claudeFile("statusline-usage.inner")), "my-line") << setUp.toStdString();
        EXPECT_FALSE(QFileInfo::exists(claudeFile("gone")));
    }
}

// Through a link to a private file in the user's dotfiles: the link and the mode stay. Numbers
// stay as written; the last of equal keys counts.
TEST(StatuslineInstallation, WritesSortedIndentedJsonWithEscapedSlashes) {
    TempHome home;
    const QString target = home.filePath("dotfiles/claude-settings.json");
    writeFile(target, R"({"z":{"b":"x/y","a":[1.50,-0,1e2,123456789012345678901234567890,-1.0E-7]},
                          "a":true,"k\u00e9\/":"\u0041","a":false})");
    QFile::setPermissions(target, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    QDir().mkpath(claudeFolderPath());
    ASSERT_TRUE(QFile::link(target, claudeFile("settings.json")));
    install();
    EXPECT_EQ(readFile(target), readFile(TALLYGLASS_TEST_DATA "/settings/sorted.expected"));
    EXPECT_TRUE(QFileInfo(claudeFile("settings.json")).isSymLink());
    EXPECT_EQ(fileStamp(target).mode, 0600u);
}

QStringList claudeFiles() {
    return QDir(claudeFolderPath()).entryList(QDir::Files | QDir::Hidden);
}

// A full disk, for real: a 64 KiB tmpfs on the Claude folder in a private mount namespace,
// filled before the run.
TEST(StatuslineInstallation, AFullDiskLosesNothing) {
    if (!isInsidePrivateMounts()) {
        TempHome home;
        QDir().mkpath(claudeFolderPath());
        return rerunInPrivateMounts(R"(mount -t tmpfs -o size=64k tmpfs "$HOME/.claude")");
    }
    writeFile(claudeFile("settings.json"), foreignSettings);
    runShell(R"(head -c 1M /dev/zero > "$HOME/.claude/fill")", {});
    install();
    EXPECT_EQ(readFile(claudeFile("settings.json")), foreignSettings);
    EXPECT_EQ(claudeFiles(), (QStringList{"fill", "settings.json"}));
}

// Fails the nth write of a run half-way, as a full disk does, or writes settings.json at one
// step of our write as another program would: in place, or replacing it.
struct OtherWriter : WriteSteps {
    int failing = 0, writes = 0;
    std::optional<Step> raceAt;
    bool inPlace = false;

    ssize_t write(int fd, const void* bytes, std::size_t length) override {
        if (++writes != failing)
            return WriteSteps::write(fd, bytes, length);
        (void)!WriteSteps::write(fd, bytes, length / 2);
        errno = ENOSPC;
        return -1;
    }
    void reached(Step step, const std::string& target) override {
        if (step != raceAt || !target.ends_with("settings.json"))
            return;
        raceAt.reset();
        if (inPlace)
            writeFile(QString::fromStdString(target), late);
        else
            writeFileAtomically(target.c_str(), late.toStdString());
    }
    static inline const QByteArray late = R"({"late":true})";
};

// What a failed write would replace keeps its bytes, no temporary file stays, and the command
// is never replaced before the foreign one is saved. A write by another program before our
// replacement is planned again; one after it stands.
TEST(StatuslineInstallation, AFailedOrRacedWriteLosesNothing) {
    using Step = WriteSteps::Step;
    const std::tuple<int, std::optional<Step>, QByteArray, const char*> rows[] = {
        {1, {}, "old script", "my-line"},    {2, {}, script, nullptr},
        {3, {}, script, "my-line"},          {0, Step::synced, script, nullptr},
        {0, Step::checked, script, nullptr}, {0, Step::replaced, script, "my-line"}};
    for (const auto& [failing, raceAt, scriptAfter, inner] : rows) {
        for (const bool inPlace : {false, true}) {
            SCOPED_TRACE(failing * 10 + int(raceAt.value_or(Step(9))) + (inPlace ? 100 : 0));
            TempHome home;
            writeFile(claudeFile("settings.json"), foreignSettings);
            writeFile(claudeFile("statusline-usage.js"), "old script");
            OtherWriter writer;
            writer.failing = failing;
            writer.raceAt = raceAt;
            writer.inPlace = inPlace;
            installStatuslineHelper(claudeFolderPath(), command, &writer);
            EXPECT_EQ(readFile(claudeFile("statusline-usage.js")), scriptAfter);
            EXPECT_EQ(readFile(claudeFile("statusline-usage.inner")), inner);
            EXPECT_EQ(claudeFiles().size(), inner ? 3 : 2);
            Json settings = Json::parse(foreignSettings.toStdString());
            if (raceAt)
                settings = {{"late", true}};
            if (failing == 1 || (raceAt && raceAt != Step::replaced))
                settings["statusLine"] = helperStatusLine;
            EXPECT_EQ(settingsJson(), settings);
        }
    }
}

// A runner path with a space is quoted alike; the state table reads such commands back.
TEST(StatuslineCommand, QuotesTheScriptPathSafely) {
    const QString scriptPath = R"(/h/q"d$t`b\'/s.js)";
    const QString quoted = R"(/usr/bin/osascript -l JavaScript "/h/q\"d\$t\`b\\'/s.js")";
    EXPECT_EQ(statuslineCommand("/usr/bin/osascript", scriptPath), quoted);
    EXPECT_EQ(statuslineCommandRunner(quoted, scriptPath), "/usr/bin/osascript");
}

} // namespace
