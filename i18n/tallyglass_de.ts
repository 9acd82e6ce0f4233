<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>LoginItem</name>
    <message>
        <source>The autostart entry %1 was not made by Tallyglass and was left as it is.</source>
        <translation>Der Autostart-Eintrag %1 stammt nicht von Tallyglass und wurde nicht verändert.</translation>
    </message>
    <message>
        <source>The location of the Tallyglass program is not known, so it cannot be started at login.</source>
        <translation>Der Ort des Programms Tallyglass ist unbekannt, daher kann es nicht beim Anmelden gestartet werden.</translation>
    </message>
    <message>
        <source>The folder %1 could not be created.</source>
        <translation>Der Ordner %1 konnte nicht angelegt werden.</translation>
    </message>
    <message>
        <source>The autostart entry could not be written: %1</source>
        <translation>Der Autostart-Eintrag konnte nicht geschrieben werden: %1</translation>
    </message>
    <message>
        <source>The autostart entry could not be removed: %1</source>
        <translation>Der Autostart-Eintrag konnte nicht entfernt werden: %1</translation>
    </message>
</context>
<context>
    <name>SetupReport</name>
    <message>
        <source>Tallyglass could not add its status-line helper: the folder %1 could not be created.</source>
        <translation>Tallyglass konnte seinen Statuszeilen-Helfer nicht eintragen: Der Ordner %1 konnte nicht angelegt werden.</translation>
    </message>
    <message>
        <source>Tallyglass could not add its status-line helper: %1 is not a regular file.</source>
        <translation>Tallyglass konnte seinen Statuszeilen-Helfer nicht eintragen: %1 ist keine normale Datei.</translation>
    </message>
    <message>
        <source>Tallyglass could not add its status-line helper: %1 could not be read.</source>
        <translation>Tallyglass konnte seinen Statuszeilen-Helfer nicht eintragen: %1 konnte nicht gelesen werden.</translation>
    </message>
    <message>
        <source>Tallyglass could not add its status-line helper: %1 is larger than 16 MB.</source>
        <translation>Tallyglass konnte seinen Statuszeilen-Helfer nicht eintragen: %1 ist größer als 16 MB.</translation>
    </message>
    <message>
        <source>Tallyglass could not add its status-line helper: %1 is not valid JSON (line %2, column %3).</source>
        <translation>Tallyglass konnte seinen Statuszeilen-Helfer nicht eintragen: %1 ist kein gültiges JSON (Zeile %2, Spalte %3).</translation>
    </message>
    <message>
        <source>Tallyglass could not add its status-line helper: %1 is nested too deeply.</source>
        <translation>Tallyglass konnte seinen Statuszeilen-Helfer nicht eintragen: %1 ist zu tief verschachtelt.</translation>
    </message>
    <message>
        <source>Tallyglass could not add its status-line helper: %1 does not hold a JSON object.</source>
        <translation>Tallyglass konnte seinen Statuszeilen-Helfer nicht eintragen: %1 enthält kein JSON-Objekt.</translation>
    </message>
    <message>
        <source>Tallyglass could not add its status-line helper: %1 is read-only.</source>
        <translation>Tallyglass konnte seinen Statuszeilen-Helfer nicht eintragen: %1 ist schreibgeschützt.</translation>
    </message>
    <message>
        <source>Tallyglass could not add its status-line helper: %1 could not be written.</source>
        <translation>Tallyglass konnte seinen Statuszeilen-Helfer nicht eintragen: %1 konnte nicht geschrieben werden.</translation>
    </message>
    <message>
        <source>Tallyglass added its status-line helper to %1; your own status line still runs.</source>
        <translation>Tallyglass hat seinen Statuszeilen-Helfer in %1 eingetragen; Ihre eigene Statuszeile läuft weiterhin.</translation>
    </message>
    <message>
        <source>Tallyglass added its status-line helper to %1.</source>
        <translation>Tallyglass hat seinen Statuszeilen-Helfer in %1 eingetragen.</translation>
    </message>
</context>
<context>
    <name>SourceSwitch</name>
    <message>
        <source>Codex</source>
        <translation>Codex</translation>
    </message>
    <message>
        <source>Claude Code</source>
        <translation>Claude Code</translation>
    </message>
</context>
<context>
    <name>StatusMenu</name>
    <message>
        <source>Show Usage</source>
        <translation>Nutzung anzeigen</translation>
    </message>
    <message>
        <source>Refresh</source>
        <translation>Aktualisieren</translation>
    </message>
    <message>
        <source>Quit Tallyglass</source>
        <translation>Tallyglass beenden</translation>
    </message>
    <message>
        <source>Tallyglass: %1</source>
        <extracomment>%1 is the usage summary, such as &quot;42% · 17%&quot;.</extracomment>
        <translation>Tallyglass: %1</translation>
    </message>
</context>
<context>
    <name>UsageAlert</name>
    <message>
        <source>%1 is at %2</source>
        <translation>%1 steht bei %2</translation>
    </message>
    <message>
        <source>%1 has reset: you can work again</source>
        <translation>%1 wurde zurückgesetzt: Sie können wieder arbeiten</translation>
    </message>
    <message>
        <source>%1 reaches 100 % in about %2 at this pace</source>
        <translation>%1 erreicht bei diesem Tempo 100 % in etwa %2</translation>
    </message>
    <message>
        <source>%1: %2</source>
        <extracomment>%1 is the assistant, %2 the name the user gave one of its sources, such as &quot;Work&quot;.</extracomment>
        <translation>%1: %2</translation>
    </message>
</context>
<context>
    <name>UsageRow</name>
    <message>
        <source>no data</source>
        <translation>keine Daten</translation>
    </message>
    <message>
        <source>Resets %1 (%2)</source>
        <extracomment>%1 is how far away, such as &quot;in 2 hours&quot;; %2 the date and time.</extracomment>
        <translation>Zurücksetzung %1 (%2)</translation>
    </message>
    <message>
        <source>no data, resets %1</source>
        <translation>keine Daten, Zurücksetzung %1</translation>
    </message>
    <message>
        <source>%1 percent used, resets %2</source>
        <extracomment>%1 is a whole number; %2 how far away the reset is, such as &quot;in 2 hours&quot;.</extracomment>
        <translation>%1 Prozent verbraucht, Zurücksetzung %2</translation>
    </message>
    <message>
        <source>%1 percent used</source>
        <translation>%1 Prozent verbraucht</translation>
    </message>
    <message>
        <source>Reset %1</source>
        <extracomment>%1 is how long ago, such as &quot;2 hours ago&quot;.</extracomment>
        <translation>Zurückgesetzt %1</translation>
    </message>
    <message>
        <source>0 percent used, reset %1</source>
        <extracomment>%1 is how long ago the window reset, such as &quot;2 hours ago&quot;.</extracomment>
        <translation>0 Prozent verbraucht, zurückgesetzt %1</translation>
    </message>
    <message>
        <source>At this pace: 100 % in about %1</source>
        <translation>Bei diesem Tempo: 100 % in etwa %1</translation>
    </message>
</context>
<context>
    <name>WindowLabel</name>
    <message>
        <source>Current session (5h)</source>
        <translation>Aktuelle Sitzung (5h)</translation>
    </message>
    <message>
        <source>Weekly limit (7d)</source>
        <translation>Wochenlimit (7d)</translation>
    </message>
    <message>
        <source>Weekly Opus limit</source>
        <translation>Wöchentliches Opus-Limit</translation>
    </message>
    <message>
        <source>Weekly Sonnet limit</source>
        <translation>Wöchentliches Sonnet-Limit</translation>
    </message>
    <message>
        <source>Current session (%1)</source>
        <translation>Aktuelle Sitzung (%1)</translation>
    </message>
    <message>
        <source>Weekly limit (%1)</source>
        <translation>Wochenlimit (%1)</translation>
    </message>
    <message>
        <source>Daily limit</source>
        <translation>Tageslimit</translation>
    </message>
    <message>
        <source>Monthly limit</source>
        <translation>Monatslimit</translation>
    </message>
    <message>
        <source>Daily limit (%1)</source>
        <translation>Tageslimit (%1)</translation>
    </message>
    <message>
        <source>Monthly limit (%1)</source>
        <translation>Monatslimit (%1)</translation>
    </message>
</context>
<context>
    <name>inspect</name>
    <message>
        <source>Prints what Tallyglass reads for each assistant, as JSON, with the reasons for a missing reading; or one assistant&apos;s figures as a line of text or for a status bar&apos;s module. Reads only; installs and writes nothing.

Exit status: 0 when the watched assistant has a reading, 1 when it has none, 2 on a usage error; 0 when --follow ends because its output closed.</source>
        <translation>Gibt aus, was Tallyglass für jeden Assistenten liest, als JSON, mit den Gründen, wenn ein Messwert fehlt; oder die Zahlen eines Assistenten als Textzeile oder für das Modul einer Statusleiste. Liest nur; installiert und schreibt nichts.

Rückgabewert: 0, wenn der beobachtete Assistent einen Messwert hat, 1, wenn er keinen hat, 2 bei falschem Aufruf; 0, wenn --follow endet, weil seine Ausgabe geschlossen wurde.</translation>
    </message>
    <message>
        <source>Print as text, json (the default), waybar, i3blocks or polybar: one assistant&apos;s line, for a bar&apos;s own module.</source>
        <translation>Ausgabe als text, json (Vorgabe), waybar, i3blocks oder polybar: die Zeile eines Assistenten, für das eigene Modul einer Leiste.</translation>
    </message>
    <message>
        <source>Keep running: print a line at start and again whenever it changes, until the output closes.</source>
        <translation>Weiterlaufen: beim Start eine Zeile ausgeben und wieder bei jeder Änderung, bis die Ausgabe geschlossen wird.</translation>
    </message>
    <message>
        <source>The assistant to show: claude or codex (the default is the one chosen in the panel).</source>
        <translation>Der anzuzeigende Assistent: claude oder codex (Vorgabe ist der im Fenster gewählte).</translation>
    </message>
    <message>
        <source>Unexpected argument: %1</source>
        <translation>Unerwartetes Argument: %1</translation>
    </message>
    <message>
        <source>Unknown format: %1</source>
        <translation>Unbekanntes Format: %1</translation>
    </message>
    <message>
        <source>No source named %1 (known: %2)</source>
        <translation>Keine Quelle namens %1 (bekannt: %2)</translation>
    </message>
    <message>
        <source>Usage: tallyglass-inspect [--format FORMAT] [--follow] [--source NAME]</source>
        <translation>Aufruf: tallyglass-inspect [--format FORMAT] [--follow] [--source NAME]</translation>
    </message>
</context>
<context>
    <name>tallyglass::ClaudeFolderControl</name>
    <message>
        <source>Change…</source>
        <translation>Ändern…</translation>
    </message>
    <message>
        <source>Choose the Claude folder</source>
        <translation>Claude-Ordner wählen</translation>
    </message>
    <message>
        <source>Claude folder: %1</source>
        <extracomment>%1 is a folder, such as &quot;~/.claude&quot;.</extracomment>
        <translation>Claude-Ordner: %1</translation>
    </message>
    <message>
        <source>Set by CLAUDE_CONFIG_DIR</source>
        <translation>Durch CLAUDE_CONFIG_DIR festgelegt</translation>
    </message>
    <message>
        <source>Name this Claude source</source>
        <translation>Diese Claude-Quelle benennen</translation>
    </message>
    <message>
        <source>Name in the switch (empty for the default):</source>
        <translation>Name im Umschalter (leer für den Standard):</translation>
    </message>
    <message>
        <source>Choose another folder…</source>
        <translation>Anderen Ordner wählen…</translation>
    </message>
    <message>
        <source>Add another Claude folder…</source>
        <translation>Weiteren Claude-Ordner hinzufügen…</translation>
    </message>
    <message>
        <source>Name this source…</source>
        <translation>Diese Quelle benennen…</translation>
    </message>
    <message>
        <source>Stop watching this folder</source>
        <translation>Diesen Ordner nicht mehr beobachten</translation>
    </message>
    <message>
        <source>%1 is already watched.</source>
        <extracomment>%1 is a folder, such as &quot;~/.claude-work&quot;.</extracomment>
        <translation>%1 wird bereits beobachtet.</translation>
    </message>
</context>
<context>
    <name>tallyglass::CommandLine</name>
    <message>
        <source>tallyglass: %1
</source>
        <translation>tallyglass: %1
</translation>
    </message>
    <message>
        <source>Removed the Tallyglass helper from Claude Code; your own status line is back. Tallyglass will not add the helper again until you tick &quot;Add helper to Claude Code&quot; in its panel.
</source>
        <translation>Der Tallyglass-Helfer wurde aus Claude Code entfernt; Ihre eigene Statuszeile ist zurück. Tallyglass fügt den Helfer erst wieder hinzu, wenn Sie in seinem Fenster „Helfer zu Claude Code hinzufügen“ ankreuzen.
</translation>
    </message>
    <message>
        <source>Claude Code&apos;s settings do not name the Tallyglass helper; nothing to remove. Tallyglass will not add it again until you tick &quot;Add helper to Claude Code&quot; in its panel.
</source>
        <translation>Die Einstellungen von Claude Code nennen den Tallyglass-Helfer nicht; es gibt nichts zu entfernen. Tallyglass fügt ihn erst wieder hinzu, wenn Sie in seinem Fenster „Helfer zu Claude Code hinzufügen“ ankreuzen.
</translation>
    </message>
    <message>
        <source>Shows in the tray how much of the usage limits of Claude Code and Codex is used.</source>
        <translation>Zeigt in der Leiste, wie viel der Nutzungsgrenzen von Claude Code und Codex verbraucht ist.</translation>
    </message>
    <message>
        <source>Put back your own Claude Code status line, delete the helper&apos;s files, and stop adding the helper.</source>
        <translation>Die eigene Statuszeile von Claude Code zurückstellen, die Dateien des Helfers löschen und den Helfer nicht mehr hinzufügen.</translation>
    </message>
    <message>
        <source>Unexpected argument &apos;%1&apos;.</source>
        <translation>Unerwartetes Argument „%1“.</translation>
    </message>
    <message>
        <source>tallyglass: %1
Usage: tallyglass [--remove-helper]
Try &apos;tallyglass --help&apos; for more information.
</source>
        <translation>tallyglass: %1
Aufruf: tallyglass [--remove-helper]
Mehr dazu mit „tallyglass --help“.
</translation>
    </message>
</context>
<context>
    <name>tallyglass::FreedesktopNotifier</name>
    <message>
        <source>Show usage</source>
        <translation>Nutzung anzeigen</translation>
    </message>
</context>
<context>
    <name>tallyglass::HelperControl</name>
    <message>
        <source>Remove from Claude Code</source>
        <translation>Aus Claude Code entfernen</translation>
    </message>
    <message>
        <source>Add helper to Claude Code</source>
        <translation>Helfer zu Claude Code hinzufügen</translation>
    </message>
    <message>
        <source>Puts back your own Claude Code status line and stops Tallyglass from adding its helper.</source>
        <translation>Stellt Ihre eigene Statuszeile von Claude Code zurück; Tallyglass fügt seinen Helfer dann nicht mehr hinzu.</translation>
    </message>
    <message>
        <source>Tallyglass learns Claude Code&apos;s limits through a helper in Claude Code&apos;s status line.</source>
        <translation>Tallyglass erfährt die Grenzen von Claude Code durch einen Helfer in der Statuszeile von Claude Code.</translation>
    </message>
</context>
<context>
    <name>tallyglass::HelperRemoval</name>
    <message>
        <source>%1 cannot be read or is not valid JSON, so the status line was left as it is.</source>
        <translation>%1 lässt sich nicht lesen oder ist kein gültiges JSON, daher blieb die Statuszeile, wie sie ist.</translation>
    </message>
    <message>
        <source>%1 could not be written, so the status line was left as it is.</source>
        <translation>%1 konnte nicht geschrieben werden, daher blieb die Statuszeile, wie sie ist.</translation>
    </message>
</context>
<context>
    <name>tallyglass::LoginControl</name>
    <message>
        <source>Launch at login</source>
        <translation>Beim Anmelden starten</translation>
    </message>
</context>
<context>
    <name>tallyglass::MenuView</name>
    <message>
        <source>Tallyglass</source>
        <translation>Tallyglass</translation>
    </message>
    <message>
        <source>Refresh</source>
        <translation>Aktualisieren</translation>
    </message>
    <message>
        <source>Quit</source>
        <translation>Beenden</translation>
    </message>
    <message>
        <source>Updated %1</source>
        <extracomment>%1 is how long ago, such as &quot;3 minutes ago&quot;.</extracomment>
        <translation>Aktualisiert %1</translation>
    </message>
    <message>
        <source>Data refreshes after each Codex turn.</source>
        <translation>Die Daten werden nach jedem Codex-Durchgang aktualisiert.</translation>
    </message>
    <message>
        <source>Data refreshes while a Claude Code session is in use.</source>
        <translation>Die Daten werden aktualisiert, solange eine Claude-Code-Sitzung läuft.</translation>
    </message>
    <message>
        <source>Codex records your limits in its session files. Run a Codex turn once so it can write them.</source>
        <translation>Codex hält Ihre Limits in seinen Sitzungsdateien fest. Lassen Sie Codex einmal arbeiten, damit es sie schreiben kann.</translation>
    </message>
    <message>
        <source>Usage data is written by the Claude Code statusline helper, which this app installs for you. Use Claude Code once so it can record your limits.</source>
        <translation>Die Nutzungsdaten schreibt der Statuszeilen-Helfer von Claude Code, den dieses Programm für Sie einrichtet. Verwenden Sie Claude Code einmal, damit er Ihre Limits festhalten kann.</translation>
    </message>
    <message>
        <source>No Codex sessions found in ~/.codex. Install Codex and run it once.</source>
        <translation>Keine Codex-Sitzungen in ~/.codex gefunden. Installieren Sie Codex und starten Sie es einmal.</translation>
    </message>
    <message>
        <source>No usage data yet</source>
        <translation>Noch keine Nutzungsdaten</translation>
    </message>
    <message>
        <source>%1 not found</source>
        <translation>%1 nicht gefunden</translation>
    </message>
    <message>
        <source>No Claude Code data found in %1. Install Claude Code and run it once.</source>
        <translation>Keine Claude-Code-Daten in %1 gefunden. Installieren Sie Claude Code und starten Sie es einmal.</translation>
    </message>
    <message>
        <source>To add it by hand, put this member into the top-level object of %1:</source>
        <translation>Um ihn von Hand einzutragen, fügen Sie diesen Eintrag in das äußerste Objekt von %1 ein:</translation>
    </message>
    <message>
        <source>Copy</source>
        <translation>Kopieren</translation>
    </message>
    <message>
        <source>Copied</source>
        <translation>Kopiert</translation>
    </message>
    <message>
        <source>Tallyglass is not in Claude Code&apos;s status line, so it records no Claude Code usage. Tick &quot;Add helper to Claude Code&quot; below to record it again.</source>
        <translation>Tallyglass ist nicht in der Statuszeile von Claude Code und erfasst daher keine Nutzung von Claude Code. Kreuzen Sie unten „Helfer zu Claude Code hinzufügen“ an, um sie wieder zu erfassen.</translation>
    </message>
</context>
<context>
    <name>tallyglass::SourceSwitch</name>
    <message>
        <source>Watched assistant</source>
        <translation>Beobachteter Assistent</translation>
    </message>
</context>
<context>
    <name>tallyglass::WatchControl</name>
    <message>
        <source>Warn near a limit</source>
        <translation>Warnen ab</translation>
    </message>
    <message>
        <source>Show the pace to 100 %</source>
        <translation>Tempo bis 100 % zeigen</translation>
    </message>
    <message>
        <source>Both assistants in the tray</source>
        <translation>Beide Assistenten im Infobereich</translation>
    </message>
    <message>
        <source>A notification when a window crosses a threshold, and when a full window has reset</source>
        <translation>Eine Benachrichtigung, wenn ein Fenster eine Schwelle überschreitet und wenn ein volles Fenster zurückgesetzt wurde</translation>
    </message>
    <message>
        <source>When the recent pace fills a window before it resets, say when, and warn half an hour ahead</source>
        <translation>Wenn das jüngste Tempo ein Fenster vor dem Zurücksetzen füllt: sagen, wann, und eine halbe Stunde vorher warnen</translation>
    </message>
    <message>
        <source>Warning threshold %1</source>
        <translation>Warnschwelle %1</translation>
    </message>
</context>
</TS>
