<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>ColumnPlan</name>
    <message>
        <source>No column has display position %1.</source>
        <translation>Keine Spalte hat die Anzeigeposition %1.</translation>
    </message>
    <message>
        <source>The column at display position %1 has no show attribute.</source>
        <translation>Die Spalte an Anzeigeposition %1 hat kein show-Attribut.</translation>
    </message>
</context>
<context>
    <name>ConnectionFields</name>
    <message>
        <source>Port: &quot;%1&quot; is not a whole number from 1 to 65535.</source>
        <translation>Port: „%1“ ist keine ganze Zahl von 1 bis 65535.</translation>
    </message>
    <message>
        <source>Unique ID: &quot;%1&quot; has characters the server cannot receive; only Latin-1 characters can be sent.</source>
        <translation>Eindeutige ID: „%1“ enthält Zeichen, die der Server nicht empfangen kann; nur Latin-1-Zeichen können gesendet werden.</translation>
    </message>
</context>
<context>
    <name>DesktopNotifier</name>
    <message>
        <source>Download finished</source>
        <translation>Download abgeschlossen</translation>
    </message>
    <message numerus="yes">
        <source>%n downloads finished</source>
        <translation>
            <numerusform>%n Download abgeschlossen</numerusform>
            <numerusform>%n Downloads abgeschlossen</numerusform>
        </translation>
    </message>
    <message>
        <source>While you were away: </source>
        <translation>Während Sie weg waren: </translation>
    </message>
    <message>
        <source>1 download finished</source>
        <translation>1 Download abgeschlossen</translation>
    </message>
    <message>
        <source>and %1 more</source>
        <translation>und %1 weitere</translation>
    </message>
    <message>
        <source>Show Tavrin</source>
        <translation>Tavrin anzeigen</translation>
    </message>
</context>
<context>
    <name>EventLog</name>
    <message>
        <source>Can&apos;t write to log file.</source>
        <translation>Die Protokolldatei kann nicht geschrieben werden.</translation>
    </message>
</context>
<context>
    <name>LinkCheck</name>
    <message>
        <source>the link is longer than 64 KiB: </source>
        <translation>der Link ist länger als 64 KiB: </translation>
    </message>
    <message>
        <source>the link contains control characters: </source>
        <translation>der Link enthält Steuerzeichen: </translation>
    </message>
    <message>
        <source>the link is empty</source>
        <translation>der Link ist leer</translation>
    </message>
    <message>
        <source>not a valid http(s) link: </source>
        <translation>kein gültiger http(s)-Link: </translation>
    </message>
    <message>
        <source>not a magnet or http(s) link: </source>
        <translation>kein Magnet- oder http(s)-Link: </translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>Host:</source>
        <translation>Host:</translation>
    </message>
    <message>
        <source>Port:</source>
        <translation>Port:</translation>
    </message>
    <message>
        <source>Unique ID:</source>
        <translation>Eindeutige ID:</translation>
    </message>
    <message>
        <source>Refresh (secs):</source>
        <translation>Intervall (s):</translation>
    </message>
    <message>
        <source>Connect</source>
        <translation>Verbinden</translation>
    </message>
    <message>
        <source>Name or address of the machine running Kestrun</source>
        <translation>Name oder Adresse des Rechners, auf dem Kestrun läuft</translation>
    </message>
    <message>
        <source>Port of Kestrun&apos;s command service</source>
        <translation>Port des Befehlsdienstes von Kestrun</translation>
    </message>
    <message>
        <source>The unique ID set up in Kestrun</source>
        <translation>Die in Kestrun eingerichtete eindeutige ID</translation>
    </message>
    <message>
        <source>Seconds between two requests for the torrent list</source>
        <translation>Sekunden zwischen zwei Abfragen der Torrent-Liste</translation>
    </message>
    <message>
        <source>Start asking the server for its torrents</source>
        <translation>Den Server nach seinen Torrents fragen</translation>
    </message>
    <message>
        <source>Add Link:</source>
        <translation>Link:</translation>
    </message>
    <message>
        <source>Add</source>
        <translation>Laden</translation>
    </message>
    <message>
        <source>A link to a torrent; Return adds it (Ctrl+L)</source>
        <translation>Ein Link zu einem Torrent; die Eingabetaste fügt ihn hinzu (Strg+L)</translation>
    </message>
    <message>
        <source>Add the torrent behind the link</source>
        <translation>Den Torrent hinter dem Link hinzufügen</translation>
    </message>
    <message>
        <source>Torrents</source>
        <translation>Torrents</translation>
    </message>
    <message>
        <source>Pause All</source>
        <translation>Alle anhalten</translation>
    </message>
    <message>
        <source>UnPause All</source>
        <translation>Alle fortsetzen</translation>
    </message>
    <message>
        <source>Stop All</source>
        <translation>Alle stoppen</translation>
    </message>
    <message>
        <source>Queue All</source>
        <translation>Alle einreihen</translation>
    </message>
    <message>
        <source>Delete Completed</source>
        <translation>Fertige löschen</translation>
    </message>
</context>
<context>
    <name>SavedServers</name>
    <message>
        <source>A saved server needs a name.</source>
        <translation>Ein gespeicherter Server braucht einen Namen.</translation>
    </message>
    <message>
        <source>A server&apos;s name may be at most %1 characters long.</source>
        <translation>Der Name eines Servers darf höchstens %1 Zeichen lang sein.</translation>
    </message>
    <message>
        <source>A server&apos;s name may not hold control characters.</source>
        <translation>Der Name eines Servers darf keine Steuerzeichen enthalten.</translation>
    </message>
</context>
<context>
    <name>ServerProfile</name>
    <message>
        <source>Switch to Kestrun Version 2</source>
        <translation>Zu Kestrun Version 2 wechseln</translation>
    </message>
    <message>
        <source>Switch to Kestrun Version 3</source>
        <translation>Zu Kestrun Version 3 wechseln</translation>
    </message>
</context>
<context>
    <name>StatusFilter</name>
    <message>
        <source>All</source>
        <translation>Alle</translation>
    </message>
    <message>
        <source>Downloading</source>
        <translation>Wird heruntergeladen</translation>
    </message>
    <message>
        <source>Seeding</source>
        <translation>Wird verteilt</translation>
    </message>
    <message>
        <source>Completed</source>
        <translation>Fertig</translation>
    </message>
    <message>
        <source>Paused</source>
        <translation>Angehalten</translation>
    </message>
    <message>
        <source>Stopped</source>
        <translation>Gestoppt</translation>
    </message>
    <message>
        <source>Queued</source>
        <translation>Eingereiht</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Fehler</translation>
    </message>
</context>
<context>
    <name>StatusReply</name>
    <message>
        <source>The row has %1 fields; column &quot;%2&quot; shows field %3.</source>
        <translation>Die Zeile hat %1 Felder; die Spalte „%2“ zeigt Feld %3.</translation>
    </message>
    <message>
        <source>Error - </source>
        <translation>Fehler - </translation>
    </message>
</context>
<context>
    <name>UpdateCheck</name>
    <message>
        <source>The server&apos;s answer has more than %1 KiB of headers.</source>
        <translation>Die Antwort des Servers hat mehr als %1 KiB Kopfzeilen.</translation>
    </message>
    <message>
        <source> The server answered with HTTP status %1.</source>
        <translation> Der Server antwortete mit HTTP-Status %1.</translation>
    </message>
    <message>
        <source>The version information is larger than 1 MiB.</source>
        <translation>Die Versionsinformation ist größer als 1 MiB.</translation>
    </message>
    <message>
        <source>The HTTP library could not be started.</source>
        <translation>Die HTTP-Bibliothek konnte nicht gestartet werden.</translation>
    </message>
    <message>
        <source>The version information did not arrive within %1 seconds.</source>
        <translation>Die Versionsinformation kam nicht innerhalb von %1 Sekunden an.</translation>
    </message>
    <message>
        <source>Cancelled.</source>
        <translation>Abgebrochen.</translation>
    </message>
    <message>
        <source>The server sent the version information elsewhere, to an address that is not HTTP.</source>
        <translation>Der Server hat die Versionsinformation an eine andere Adresse verwiesen, die nicht HTTP ist.</translation>
    </message>
    <message>
        <source>The server sent the version information from HTTPS down to plain HTTP; it was not followed.</source>
        <translation>Der Server hat die Versionsinformation von HTTPS auf einfaches HTTP verwiesen; dem wurde nicht gefolgt.</translation>
    </message>
    <message>
        <source>The server sent the version information elsewhere more than %1 times.</source>
        <translation>Der Server hat die Versionsinformation mehr als %1-mal weiterverwiesen.</translation>
    </message>
    <message>
        <source>A release in the version information has no number.</source>
        <translation>Eine Version in der Versionsinformation hat keine Nummer.</translation>
    </message>
    <message>
        <source>Failed to download version information.</source>
        <translation>Die Versionsinformation konnte nicht heruntergeladen werden.</translation>
    </message>
    <message>
        <source>The version information lists no releases (no /Versions/Version).</source>
        <translation>Die Versionsinformation nennt keine Versionen (kein /Versions/Version).</translation>
    </message>
    <message>
        <source>You are currently running v</source>
        <translation>Sie verwenden derzeit v</translation>
    </message>
    <message>
        <source>The latest version is v</source>
        <translation>Die neueste Version ist v</translation>
    </message>
    <message>
        <source>Version </source>
        <translation>Version </translation>
    </message>
</context>
<context>
    <name>WireProtocol</name>
    <message>
        <source>The identifier &quot;%1&quot; is a word the server reads as every torrent; nothing was sent.</source>
        <translation>Die Kennung „%1“ ist ein Wort, das der Server als alle Torrents liest; es wurde nichts gesendet.</translation>
    </message>
    <message>
        <source>The identifier &quot;%1&quot; holds %2, which would end the command; nothing was sent.</source>
        <translation>Die Kennung „%1“ enthält %2, was den Befehl beenden würde; es wurde nichts gesendet.</translation>
    </message>
    <message>
        <source>a line break</source>
        <translation>einen Zeilenumbruch</translation>
    </message>
    <message>
        <source>The identifier is empty; nothing was sent.</source>
        <translation>Die Kennung ist leer; es wurde nichts gesendet.</translation>
    </message>
    <message>
        <source>a control character</source>
        <translation>ein Steuerzeichen</translation>
    </message>
</context>
<context>
    <name>tavrin::AboutDialog</name>
    <message>
        <source>About Tavrin</source>
        <translation>Über Tavrin</translation>
    </message>
    <message>
        <source>Version </source>
        <translation>Version </translation>
    </message>
    <message>
        <source>Licence: GPL-3.0-or-later</source>
        <translation>Lizenz: GPL-3.0-or-later</translation>
    </message>
    <message>
        <source>GNU General Public License, version 3 or any later version. There is no warranty.</source>
        <translation>GNU General Public License, Version 3 oder jede spätere Version. Es gibt keine Garantie.</translation>
    </message>
</context>
<context>
    <name>tavrin::ColumnChooserDialog</name>
    <message>
        <source>Change Columns</source>
        <translation>Spalten ändern</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>Speichern</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Move to top</source>
        <translation>Ganz nach oben</translation>
    </message>
    <message>
        <source>Move up</source>
        <translation>Nach oben</translation>
    </message>
    <message>
        <source>Move down</source>
        <translation>Nach unten</translation>
    </message>
    <message>
        <source>Move to bottom</source>
        <translation>Ganz nach unten</translation>
    </message>
    <message>
        <source>Columns</source>
        <translation>Spalten</translation>
    </message>
    <message>
        <source>Reset</source>
        <translation>Zurücksetzen</translation>
    </message>
</context>
<context>
    <name>tavrin::ConnectionStatus</name>
    <message>
        <source>Connection refused by %1: is Kestrun running there?</source>
        <translation>Verbindung von %1 abgelehnt: Läuft Kestrun dort?</translation>
    </message>
    <message>
        <source>Stopped: </source>
        <translation>Angehalten: </translation>
    </message>
    <message>
        <source>Pausing %1 of %2</source>
        <translation>Halte %1 von %2 an</translation>
    </message>
    <message>
        <source>Resuming %1 of %2</source>
        <translation>Setze %1 von %2 fort</translation>
    </message>
    <message>
        <source>Tavrin · not connected</source>
        <translation>Tavrin · nicht verbunden</translation>
    </message>
    <message>
        <source>Tavrin · %1 · down %2, up %3</source>
        <translation>Tavrin · %1 · runter %2, hoch %3</translation>
    </message>
    <message numerus="yes">
        <source>%n torrent(s)</source>
        <translation>
            <numerusform>%n Torrent</numerusform>
            <numerusform>%n Torrents</numerusform>
        </translation>
    </message>
    <message>
        <source>trying again in %1 s</source>
        <translation>neuer Versuch in %1 s</translation>
    </message>
    <message>
        <source>Connecting to %1</source>
        <translation>Verbinde mit %1</translation>
    </message>
    <message>
        <source>: first query in %1 s</source>
        <translation>: erste Abfrage in %1 s</translation>
    </message>
    <message>
        <source>, %1 shown</source>
        <translation>, %1 angezeigt</translation>
    </message>
    <message>
        <source>Connected to %1 (Kestrun %2) · %3 · down %4, up %5 · last reply %6</source>
        <translation>Verbunden mit %1 (Kestrun %2) · %3 · runter %4, hoch %5 · letzte Antwort %6</translation>
    </message>
    <message numerus="yes">
        <source>%n link(s) waiting to be added</source>
        <translation>
            <numerusform>%n Link wartet auf Hinzufügen</numerusform>
            <numerusform>%n Links warten auf Hinzufügen</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>tavrin::HelpMenu</name>
    <message>
        <source>Help</source>
        <translation>Hilfe</translation>
    </message>
    <message>
        <source>About</source>
        <translation>Über</translation>
    </message>
    <message>
        <source>Check for new version</source>
        <translation>Nach neuer Version suchen</translation>
    </message>
    <message>
        <source>You are currently running the latest version of Tavrin</source>
        <translation>Sie verwenden bereits die neueste Version von Tavrin</translation>
    </message>
    <message>
        <source>Check Version</source>
        <translation>Version prüfen</translation>
    </message>
</context>
<context>
    <name>tavrin::LinkDrops</name>
    <message>
        <source>the drop holds no link</source>
        <translation>das Abgelegte enthält keinen Link</translation>
    </message>
</context>
<context>
    <name>tavrin::LinkIntake</name>
    <message>
        <source>Link not added: </source>
        <translation>Link nicht hinzugefügt: </translation>
    </message>
</context>
<context>
    <name>tavrin::MainWindow</name>
    <message>
        <source>Action</source>
        <translation>Aktion</translation>
    </message>
    <message>
        <source>Switch to Version</source>
        <translation>Version wechseln</translation>
    </message>
    <message>
        <source>Change Columns</source>
        <translation>Spalten ändern</translation>
    </message>
    <message>
        <source>Refresh Now</source>
        <translation>Jetzt aktualisieren</translation>
    </message>
    <message>
        <source>Exit</source>
        <translation>Beenden</translation>
    </message>
    <message>
        <source>Options</source>
        <translation>Optionen</translation>
    </message>
    <message>
        <source>Notify When Downloads Finish</source>
        <translation>Bei fertigen Downloads benachrichtigen</translation>
    </message>
    <message>
        <source>Reconnect Automatically</source>
        <translation>Automatisch neu verbinden</translation>
    </message>
    <message>
        <source>Log Every Reply</source>
        <translation>Jede Antwort protokollieren</translation>
    </message>
</context>
<context>
    <name>tavrin::RequestEngine</name>
    <message>
        <source>The reply is too large: the server sent more than %1 bytes on one connection.</source>
        <translation>Die Antwort ist zu groß: Der Server hat auf einer Verbindung mehr als %1 Bytes gesendet.</translation>
    </message>
    <message>
        <source>The server did not answer in time (%1 seconds).</source>
        <translation>Der Server hat nicht rechtzeitig geantwortet (%1 Sekunden).</translation>
    </message>
</context>
<context>
    <name>tavrin::ServersMenu</name>
    <message>
        <source>Servers</source>
        <translation>Server</translation>
    </message>
    <message>
        <source>Save Current Server...</source>
        <translation>Aktuellen Server speichern …</translation>
    </message>
    <message>
        <source>Manage Servers...</source>
        <translation>Server verwalten …</translation>
    </message>
    <message>
        <source>Save Current Server</source>
        <translation>Aktuellen Server speichern</translation>
    </message>
    <message>
        <source>Name:</source>
        <translation>Name:</translation>
    </message>
    <message>
        <source>Manage Servers</source>
        <translation>Server verwalten</translation>
    </message>
    <message>
        <source>Saved servers</source>
        <translation>Gespeicherte Server</translation>
    </message>
    <message>
        <source>Rename</source>
        <translation>Umbenennen</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>Löschen</translation>
    </message>
    <message>
        <source>A server is already saved as &quot;%1&quot;.</source>
        <translation>Ein Server ist bereits als „%1“ gespeichert.</translation>
    </message>
</context>
<context>
    <name>tavrin::Session</name>
    <message>
        <source>Refresh (secs): &quot;%1&quot; is not a number of seconds from 1 to %2.</source>
        <translation>Intervall (s): „%1“ ist keine Sekundenzahl von 1 bis %2.</translation>
    </message>
    <message>
        <source>Nothing to pause!</source>
        <translation>Nichts anzuhalten!</translation>
    </message>
    <message>
        <source>Pause all</source>
        <translation>Alle anhalten</translation>
    </message>
    <message>
        <source>There is no torrent in the list to resume.</source>
        <translation>Die Liste enthält keinen Torrent zum Fortsetzen.</translation>
    </message>
</context>
<context>
    <name>tavrin::StatusBarControls</name>
    <message>
        <source>Connection</source>
        <translation>Verbindung</translation>
    </message>
    <message>
        <source>Read the rows as the server&apos;s version sends them</source>
        <translation>Die Zeilen so lesen, wie die Version des Servers sie sendet</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Leave the remaining torrents as they are (Esc)</source>
        <translation>Die übrigen Torrents so lassen, wie sie sind (Esc)</translation>
    </message>
    <message>
        <source>Filter</source>
        <translation>Filter</translation>
    </message>
    <message>
        <source>Show only torrents whose name contains this text (Ctrl+F, Esc clears)</source>
        <translation>Nur Torrents zeigen, deren Name diesen Text enthält (Strg+F, Esc leert)</translation>
    </message>
    <message>
        <source>Status filter</source>
        <translation>Statusfilter</translation>
    </message>
    <message>
        <source>Show only torrents in this state</source>
        <translation>Nur Torrents in diesem Zustand zeigen</translation>
    </message>
    <message>
        <source>The server sends Kestrun %1 rows:</source>
        <translation>Der Server sendet Zeilen von Kestrun %1:</translation>
    </message>
    <message>
        <source>Switch to Version %1</source>
        <translation>Zu Version %1 wechseln</translation>
    </message>
</context>
<context>
    <name>tavrin::TorrentListPane</name>
    <message>
        <source>Click a column&apos;s header to sort by it; a third click returns to the server&apos;s order</source>
        <translation>Klicken Sie auf einen Spaltenkopf, um danach zu sortieren; ein dritter Klick stellt die Reihenfolge des Servers wieder her</translation>
    </message>
</context>
<context>
    <name>tavrin::TorrentMenu</name>
    <message>
        <source>UnPause</source>
        <translation>Fortsetzen</translation>
    </message>
    <message>
        <source>Pause</source>
        <translation>Anhalten</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>Stoppen</translation>
    </message>
    <message>
        <source>Queue</source>
        <translation>Einreihen</translation>
    </message>
    <message>
        <source>Change Priority</source>
        <translation>Priorität ändern</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>Löschen</translation>
    </message>
    <message>
        <source>Highest</source>
        <translation>Höchste</translation>
    </message>
    <message>
        <source>High</source>
        <translation>Hoch</translation>
    </message>
    <message>
        <source>Normal</source>
        <translation>Normal</translation>
    </message>
    <message>
        <source>Low</source>
        <translation>Niedrig</translation>
    </message>
    <message>
        <source>Lowest</source>
        <translation>Niedrigste</translation>
    </message>
</context>
<context>
    <name>tavrin::TrayIcon</name>
    <message>
        <source>Show</source>
        <translation>Anzeigen</translation>
    </message>
    <message>
        <source>Pause All</source>
        <translation>Alle anhalten</translation>
    </message>
    <message>
        <source>UnPause All</source>
        <translation>Alle fortsetzen</translation>
    </message>
    <message>
        <source>Quit</source>
        <translation>Beenden</translation>
    </message>
</context>
<context>
    <name>tavrin::UpdateReportDialog</name>
    <message>
        <source>New Version Information</source>
        <translation>Informationen zur neuen Version</translation>
    </message>
    <message>
        <source>New versions</source>
        <translation>Neue Versionen</translation>
    </message>
</context>
<context>
    <name>tavrin::WindowPresence</name>
    <message>
        <source>Show Tray Icon</source>
        <translation>Symbol im Systembereich zeigen</translation>
    </message>
    <message>
        <source>Close to Tray</source>
        <translation>In den Systembereich schließen</translation>
    </message>
    <message>
        <source>The desktop has no system tray</source>
        <translation>Die Arbeitsumgebung hat keinen Systembereich</translation>
    </message>
</context>
</TS>
