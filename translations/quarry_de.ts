<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>Database</name>
    <message>
        <location filename="../platform/db/Odbc.cpp" line="+56"/>
        <source>%1 failed (return code %2) without a diagnostic record.</source>
        <translation>%1 ist fehlgeschlagen (Rückgabewert %2), ohne einen Diagnosedatensatz zu liefern.</translation>
    </message>
    <message>
        <location line="+25"/>
        <source>The ODBC driver manager could not allocate an environment.</source>
        <translation>Der ODBC-Treibermanager konnte keine Umgebung anlegen.</translation>
    </message>
    <message>
        <location filename="../platform/db/ConnectionString.cpp" line="+17"/>
        <source>Format of the initialization string does not follow the OLE DB connection-string format: %1</source>
        <translation>Das Format der Initialisierungszeichenfolge entspricht nicht dem OLE-DB-Format für Verbindungszeichenfolgen: %1</translation>
    </message>
    <message>
        <location line="+21"/>
        <source>the value of &quot;%1&quot; has no closing %2</source>
        <translation>dem Wert von „%1“ fehlt das schließende %2</translation>
    </message>
    <message>
        <location line="+17"/>
        <source>unexpected text after the quoted value of &quot;%1&quot;</source>
        <translation>unerwarteter Text nach dem Wert von „%1“ in Anführungszeichen</translation>
    </message>
    <message>
        <location line="+103"/>
        <source>Provider &quot;%1&quot; cannot be found. It may not be properly installed.%2</source>
        <translation>Der Provider „%1“ wurde nicht gefunden. Er ist möglicherweise nicht richtig installiert.%2</translation>
    </message>
    <message>
        <location line="+11"/>
        <source> (ODBC driver &quot;%1&quot; is not installed)</source>
        <translation> (ODBC-Treiber „%1“ ist nicht installiert)</translation>
    </message>
    <message>
        <location line="+39"/>
        <source>an item has no key</source>
        <translation>ein Eintrag hat keinen Schlüssel</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>&quot;%1&quot; has no value</source>
        <translation>„%1“ hat keinen Wert</translation>
    </message>
    <message>
        <location line="+75"/>
        <source>The connection string contains a NUL character, which no driver can be given.</source>
        <translation>Die Verbindungszeichenfolge enthält ein NUL-Zeichen, das keinem Treiber übergeben werden kann.</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>The user name contains a NUL character, which no driver can be given.</source>
        <translation>Der Benutzername enthält ein NUL-Zeichen, das keinem Treiber übergeben werden kann.</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>The password contains a NUL character, which no driver can be given.</source>
        <translation>Das Kennwort enthält ein NUL-Zeichen, das keinem Treiber übergeben werden kann.</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>the connection string is empty</source>
        <translation>die Verbindungszeichenfolge ist leer</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>the key &quot;%1&quot; contains &apos;=&apos;</source>
        <translation>der Schlüssel „%1“ enthält &apos;=&apos;</translation>
    </message>
    <message>
        <location line="+64"/>
        <source>The SQLite driver cannot open &quot;%1&quot;: the path contains &apos;;&apos;.</source>
        <translation>Der SQLite-Treiber kann „%1“ nicht öffnen: Der Pfad enthält &apos;;&apos;.</translation>
    </message>
    <message>
        <location filename="../platform/db/Connection.cpp" line="+35"/>
        <source>Operation is not allowed when the object is closed.</source>
        <translation>Der Vorgang ist bei geschlossenem Objekt nicht zulässig.</translation>
    </message>
    <message>
        <location line="+14"/>
        <source>The SQLite database file &quot;%1&quot; does not exist.</source>
        <translation>Die SQLite-Datenbankdatei „%1“ existiert nicht.</translation>
    </message>
    <message>
        <location line="+144"/>
        <source>The server did not answer within 1 second; the connection was closed.</source>
        <translation>Der Server hat nicht innerhalb von 1 Sekunde geantwortet; die Verbindung wurde geschlossen.</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>The server did not answer within %1 seconds; the connection was closed.</source>
        <translation>Der Server hat nicht innerhalb von %1 Sekunden geantwortet; die Verbindung wurde geschlossen.</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>The connection was closed while the server was busy.</source>
        <translation>Die Verbindung wurde geschlossen, während der Server beschäftigt war.</translation>
    </message>
    <message>
        <location line="+74"/>
        <location line="+41"/>
        <location line="+20"/>
        <location filename="../platform/db/Recordset.cpp" line="+268"/>
        <source>Operation is not allowed when the object is open.</source>
        <translation>Der Vorgang ist bei geöffnetem Objekt nicht zulässig.</translation>
    </message>
    <message>
        <location line="-36"/>
        <source>The connection timeout must not be negative.</source>
        <translation>Das Verbindungs-Timeout darf nicht negativ sein.</translation>
    </message>
    <message>
        <location line="+13"/>
        <source>The command timeout must not be negative.</source>
        <translation>Das Befehls-Timeout darf nicht negativ sein.</translation>
    </message>
    <message>
        <location filename="../platform/db/Recordset.cpp" line="-24"/>
        <source>The statement was cancelled before it started.</source>
        <translation>Die Anweisung wurde abgebrochen, bevor sie begann.</translation>
    </message>
    <message>
        <location line="+28"/>
        <source>The maximum number of records must not be negative.</source>
        <translation>Die Höchstzahl der Datensätze darf nicht negativ sein.</translation>
    </message>
    <message>
        <location line="+79"/>
        <source>Either BOF or EOF is True, or the current record has been deleted.</source>
        <translation>Entweder BOF oder EOF ist True, oder der aktuelle Datensatz wurde gelöscht.</translation>
    </message>
    <message>
        <location line="+29"/>
        <source>Item cannot be found in the collection corresponding to the requested name or ordinal.</source>
        <translation>Zum angeforderten Namen oder Ordinalwert gibt es kein Element in der Auflistung.</translation>
    </message>
    <message>
        <location filename="../platform/db/Schema.cpp" line="+181"/>
        <source>Object or provider is not capable of performing requested operation.</source>
        <translation>Das Objekt oder der Provider kann den angeforderten Vorgang nicht ausführen.</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>Too many restrictions: at most 4 are accepted.</source>
        <translation>Zu viele Einschränkungen: Höchstens 4 werden angenommen.</translation>
    </message>
    <message>
        <location line="+136"/>
        <source>Parameters can be refreshed only for a stored procedure.</source>
        <translation>Parameter lassen sich nur für eine gespeicherte Prozedur aktualisieren.</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>&quot;%1&quot; is not a procedure name.</source>
        <translation>„%1“ ist kein Prozedurname.</translation>
    </message>
</context>
<context>
    <name>ErrorReporter</name>
    <message>
        <location filename="../platform/ErrorReporter.cpp" line="+33"/>
        <source>

Please report this to %1.</source>
        <translation>

Bitte wenden Sie sich damit an %1.</translation>
    </message>
</context>
<context>
    <name>Glob</name>
    <message>
        <location filename="../settings/Glob.cpp" line="+105"/>
        <source>&quot;%1&quot;/&quot;%2&quot; in the settings file &quot;%3&quot;</source>
        <translation>„%1“/„%2“ in der Einstellungsdatei „%3“</translation>
    </message>
    <message>
        <location line="+18"/>
        <source>&quot;%1&quot; is not a valid Boolean for %2; %3 is used.</source>
        <translation>„%1“ ist kein gültiger Wahrheitswert für %2; %3 wird verwendet.</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>&quot;%1&quot; is not a valid whole number for %2; %3 is used.</source>
        <translation>„%1“ ist keine gültige ganze Zahl für %2; %3 wird verwendet.</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>%1 is out of range for %2; %3 is used.</source>
        <translation>%1 liegt außerhalb des gültigen Bereichs für %2; %3 wird verwendet.</translation>
    </message>
    <message>
        <location line="+26"/>
        <source>Line %1 of the settings file &quot;%2&quot; is not a setting and is ignored.</source>
        <translation>Zeile %1 der Einstellungsdatei „%2“ ist keine Einstellung und wird ignoriert.</translation>
    </message>
    <message>
        <location filename="../settings/SettingsStore.cpp" line="+24"/>
        <source>No application title is set for the settings store.</source>
        <translation>Für den Einstellungsspeicher ist kein Anwendungstitel festgelegt.</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>&quot;%1&quot; cannot name a settings file.</source>
        <translation>„%1“ kann keine Einstellungsdatei benennen.</translation>
    </message>
    <message>
        <location line="+101"/>
        <source>The settings folder &quot;%1&quot; is not a folder.</source>
        <translation>Der Einstellungsordner „%1“ ist kein Ordner.</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>The settings folder &quot;%1&quot; cannot be read.</source>
        <translation>Der Einstellungsordner „%1“ kann nicht gelesen werden.</translation>
    </message>
    <message>
        <location line="+11"/>
        <source>The settings file &quot;%1&quot; is not a file.</source>
        <translation>Die Einstellungsdatei „%1“ ist keine Datei.</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>The settings file &quot;%1&quot; is too large to be a settings file; it has been left unchanged.</source>
        <translation>Die Einstellungsdatei „%1“ ist zu groß für eine Einstellungsdatei; sie wurde nicht verändert.</translation>
    </message>
    <message>
        <location line="+9"/>
        <location line="+7"/>
        <source>The settings file &quot;%1&quot; cannot be read: %2.</source>
        <translation>Die Einstellungsdatei „%1“ kann nicht gelesen werden: %2.</translation>
    </message>
    <message>
        <location line="+8"/>
        <source>The settings file &quot;%1&quot; is not a text file; it has been left unchanged.</source>
        <translation>Die Einstellungsdatei „%1“ ist keine Textdatei; sie wurde nicht verändert.</translation>
    </message>
    <message>
        <location line="+13"/>
        <source>The settings file &quot;%1&quot; cannot be read.</source>
        <translation>Die Einstellungsdatei „%1“ kann nicht gelesen werden.</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>The settings file &quot;%1&quot; is not a valid settings file; it has been left unchanged.</source>
        <translation>Die Einstellungsdatei „%1“ ist keine gültige Einstellungsdatei; sie wurde nicht verändert.</translation>
    </message>
    <message>
        <location line="+36"/>
        <source>The settings folder &quot;%1&quot; cannot be created; the settings were not saved.</source>
        <translation>Der Einstellungsordner „%1“ kann nicht angelegt werden; die Einstellungen wurden nicht gespeichert.</translation>
    </message>
    <message>
        <location line="+12"/>
        <source>The settings file &quot;%1&quot; could not be written; the settings were not saved.</source>
        <translation>Die Einstellungsdatei „%1“ konnte nicht geschrieben werden; die Einstellungen wurden nicht gespeichert.</translation>
    </message>
    <message>
        <location filename="../settings/DataSources.cpp" line="+97"/>
        <source>The data-source list is full: it holds at most %1 data sources.</source>
        <translation>Die Datenquellenliste ist voll: Sie fasst höchstens %1 Datenquellen.</translation>
    </message>
    <message>
        <location line="+67"/>
        <source>Cannot read the data-source file %1: %2</source>
        <translation>Die Datenquellendatei %1 kann nicht gelesen werden: %2</translation>
    </message>
    <message>
        <location line="+32"/>
        <source>The delimiter &quot;%1&quot; of the data source &quot;%2&quot; is more than one character; &quot;%3&quot; is used.</source>
        <translation>Das Begrenzungszeichen „%1“ der Datenquelle „%2“ ist länger als ein Zeichen; „%3“ wird verwendet.</translation>
    </message>
    <message>
        <location line="+12"/>
        <source>The data-source file %1 holds more than %2 data sources; only the first %2 are loaded.</source>
        <translation>Die Datenquellendatei %1 enthält mehr als %2 Datenquellen; nur die ersten %2 werden geladen.</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>Section %1 of the data-source file %2 has no name and is left out.</source>
        <translation>Abschnitt %1 der Datenquellendatei %2 hat keinen Namen und wird ausgelassen.</translation>
    </message>
    <message>
        <location line="+85"/>
        <source>A data source needs a name.</source>
        <translation>Eine Datenquelle braucht einen Namen.</translation>
    </message>
    <message>
        <location line="+19"/>
        <source>There is no data source number %1.</source>
        <translation>Es gibt keine Datenquelle Nummer %1.</translation>
    </message>
    <message>
        <location line="+33"/>
        <source>Delete %1?</source>
        <translation>%1 löschen?</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Delete Data Source</source>
        <translation>Datenquelle löschen</translation>
    </message>
</context>
<context>
    <name>dlgConnectionBuilder</name>
    <message>
        <location filename="../dialogs/dlgConnectionBuilder.cpp" line="+40"/>
        <source>Other ODBC driver</source>
        <translation>Anderer ODBC-Treiber</translation>
    </message>
    <message>
        <location line="+42"/>
        <source>Connection</source>
        <translation>Verbindung</translation>
    </message>
    <message>
        <location line="+18"/>
        <source>&amp;Driver</source>
        <translation>T&amp;reiber</translation>
    </message>
    <message>
        <location line="+11"/>
        <source>P&amp;ort</source>
        <translation>P&amp;ort</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>&amp;Browse...</source>
        <translation>D&amp;urchsuchen...</translation>
    </message>
    <message>
        <location line="+17"/>
        <source>key=value;key=value</source>
        <translation>Schlüssel=Wert;Schlüssel=Wert</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>&amp;Provider</source>
        <translation>&amp;Provider</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>&amp;Server</source>
        <translation>&amp;Server</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>&amp;User name</source>
        <translation>&amp;Benutzername</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Pass&amp;word</source>
        <translation>&amp;Kennwort</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>E&amp;xtra options</source>
        <translation>&amp;Weitere Optionen</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>&amp;Test Connection</source>
        <translation>Verbindung &amp;testen</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>&amp;OK</source>
        <translation>&amp;OK</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>&amp;Cancel</source>
        <translation>&amp;Abbrechen</translation>
    </message>
    <message>
        <location line="+136"/>
        <source>Extra options: %1</source>
        <translation>Weitere Optionen: %1</translation>
    </message>
    <message>
        <location line="+46"/>
        <location line="+19"/>
        <location line="+4"/>
        <source>Test Connection</source>
        <translation>Verbindung testen</translation>
    </message>
    <message>
        <location line="-1"/>
        <source>Test connection succeeded.</source>
        <translation>Die Testverbindung war erfolgreich.</translation>
    </message>
    <message>
        <location line="+14"/>
        <source>Database &amp;file</source>
        <translation>Datenbank&amp;datei</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>D&amp;atabase</source>
        <translation>&amp;Datenbank</translation>
    </message>
    <message>
        <location line="+26"/>
        <source>SQLite Database</source>
        <translation>SQLite-Datenbank</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>SQLite databases (*.db *.sqlite *.sqlite3 *.db3);;All files (*)</source>
        <translation>SQLite-Datenbanken (*.db *.sqlite *.sqlite3 *.db3);;Alle Dateien (*)</translation>
    </message>
</context>
<context>
    <name>frmNewDataSource</name>
    <message>
        <location filename="../dialogs/frmNewDataSource.cpp" line="+34"/>
        <location line="+147"/>
        <source>New Data Source</source>
        <translation>Neue Datenquelle</translation>
    </message>
    <message>
        <location line="-141"/>
        <source>Name</source>
        <translation>Name</translation>
    </message>
    <message>
        <location line="+8"/>
        <source>Delimiter</source>
        <translation>Begrenzungszeichen</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>Connection string</source>
        <translation>Verbindungszeichenfolge</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Connection</source>
        <translation>Verbindung</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>C&amp;onnection</source>
        <translation>&amp;Verbindung</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Build the connection string</source>
        <translation>Die Verbindungszeichenfolge erstellen</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>&amp;OK</source>
        <translation>&amp;OK</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Save changes and exit</source>
        <translation>Änderungen speichern und schließen</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>&amp;Cancel</source>
        <translation>&amp;Abbrechen</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Exit without saving changes</source>
        <translation>Schließen, ohne die Änderungen zu speichern</translation>
    </message>
    <message>
        <location line="+90"/>
        <source>Build the connection string with the Connection button.</source>
        <translation>Erstellen Sie die Verbindungszeichenfolge mit der Schaltfläche „Verbindung“.</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Type a name for the data source.</source>
        <translation>Geben Sie einen Namen für die Datenquelle ein.</translation>
    </message>
    <message>
        <location line="+9"/>
        <source>Edit Data Source</source>
        <translation>Datenquelle bearbeiten</translation>
    </message>
</context>
<context>
    <name>frmOptions</name>
    <message>
        <location filename="../dialogs/frmOptions.cpp" line="+62"/>
        <source>Name</source>
        <translation>Name</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Provider</source>
        <translation>Provider</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Server</source>
        <translation>Server</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Database</source>
        <translation>Datenbank</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Description</source>
        <translation>Beschreibung</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Delimiter</source>
        <translation>Begrenzungszeichen</translation>
    </message>
    <message>
        <location line="+56"/>
        <location line="+78"/>
        <source>Options</source>
        <translation>Optionen</translation>
    </message>
    <message>
        <location line="-70"/>
        <source>Display</source>
        <translation>Anzeige</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Toolbar Text</source>
        <translation>Symbolleistentext</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Grid Lines</source>
        <translation>Gitternetzlinien</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>Tooltips</source>
        <translation>Tooltips</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Displayed</source>
        <translation>Anzeigen</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Show Field Types</source>
        <translation>Feldtypen anzeigen</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Sort Fields</source>
        <translation>Felder sortieren</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>Delay</source>
        <translation>Verzögerung</translation>
    </message>
    <message>
        <location line="+10"/>
        <source>Split</source>
        <translation>Teilung</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Vertical</source>
        <translation>Vertikal</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Horizontal</source>
        <translation>Horizontal</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Data objects on left\top</source>
        <translation>Datenobjekte links\oben</translation>
    </message>
    <message>
        <location line="+11"/>
        <source>General</source>
        <translation>Allgemein</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>&amp;New</source>
        <translation>&amp;Neu</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>&amp;Edit</source>
        <translation>&amp;Bearbeiten</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>&amp;Delete</source>
        <translation>&amp;Löschen</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>&amp;Refresh</source>
        <translation>A&amp;ktualisieren</translation>
    </message>
    <message>
        <location line="+11"/>
        <source>Data Sources</source>
        <translation>Datenquellen</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>View</source>
        <translation>Ansicht</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Editable SQL</source>
        <translation>SQL bearbeitbar</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>Password</source>
        <translation>Kennwort</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Data Sources (</source>
        <translation>Datenquellen (</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Editable)</source>
        <translation>bearbeitbar)</translation>
    </message>
    <message>
        <location line="+1"/>
        <location line="+26"/>
        <source>Admin</source>
        <translation>Verwaltung</translation>
    </message>
    <message>
        <location line="-25"/>
        <source>&amp;Set</source>
        <translation>&amp;Festlegen</translation>
    </message>
    <message>
        <location line="+11"/>
        <source>Data Types</source>
        <translation>Datentypen</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Tables</source>
        <translation>Tabellen</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>Views</source>
        <translation>Sichten</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>Stored Procs.</source>
        <translation>Gesp. Prozeduren</translation>
    </message>
    <message>
        <location line="+14"/>
        <source>&amp;OK</source>
        <translation>&amp;OK</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>&amp;Cancel</source>
        <translation>&amp;Abbrechen</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>&amp;Apply</source>
        <translation>&amp;Übernehmen</translation>
    </message>
    <message>
        <location line="+150"/>
        <source>Display descriptive text on Data toolbar icons</source>
        <translation>Beschreibenden Text neben den Symbolen der Datensymbolleiste anzeigen</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Display grid lines (Details view only)</source>
        <translation>Gitternetzlinien anzeigen (nur in der Ansicht „Details“)</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Display object fields as tooltip</source>
        <translation>Die Felder eines Objekts als Tooltip anzeigen</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Sort fields in tool tip by name</source>
        <translation>Felder im Tooltip nach Namen sortieren</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Object tool tip delay</source>
        <translation>Verzögerung des Objekt-Tooltips</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Split Browser and Data Objects panes vertically</source>
        <translation>Browser- und Datenobjektbereich vertikal teilen</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Split Browser and Data Objects panes horizontally</source>
        <translation>Browser- und Datenobjektbereich horizontal teilen</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Display data objects pane on the left\top</source>
        <translation>Datenobjektbereich links\oben anzeigen</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Allow user to set options</source>
        <translation>Benutzer darf Optionen festlegen</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Allow user to edit Results SQL</source>
        <translation>Benutzer darf das SQL der Ergebnisse bearbeiten</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Require password to view Data Sources tab</source>
        <translation>Kennwort für die Registerkarte „Datenquellen“ verlangen</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Allow user to edit Data Sources</source>
        <translation>Benutzer darf Datenquellen bearbeiten</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Require password to view Admin tab</source>
        <translation>Kennwort für die Registerkarte „Verwaltung“ verlangen</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Set password for Data Sources and Admin tabs</source>
        <translation>Kennwort für die Registerkarten „Datenquellen“ und „Verwaltung“ festlegen</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Allow user to query Tables</source>
        <translation>Benutzer darf Tabellen abfragen</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Allow user to query Views</source>
        <translation>Benutzer darf Sichten abfragen</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Allow user to query Stored Procedures</source>
        <translation>Benutzer darf gespeicherte Prozeduren abfragen</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Save changes and exit</source>
        <translation>Änderungen speichern und schließen</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Exit without saving changes</source>
        <translation>Schließen, ohne die Änderungen zu speichern</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Apply changes</source>
        <translation>Änderungen übernehmen</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Add a new Data Source</source>
        <translation>Neue Datenquelle hinzufügen</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Edit the current Data Source</source>
        <translation>Aktuelle Datenquelle bearbeiten</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Delete the current Data Source</source>
        <translation>Aktuelle Datenquelle löschen</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Refresh the Data Sources</source>
        <translation>Datenquellen aktualisieren</translation>
    </message>
    <message>
        <location line="+15"/>
        <source>Type mismatch: the tooltip delay &quot;%1&quot; is not a whole number of seconds.</source>
        <translation>Typen unverträglich: Die Tooltip-Verzögerung „%1“ ist keine ganze Zahl von Sekunden.</translation>
    </message>
    <message>
        <location line="+31"/>
        <source>Save changes?</source>
        <translation>Änderungen speichern?</translation>
    </message>
    <message>
        <location line="+28"/>
        <source>The data sources could not be written to %1; the changes are kept in memory only.</source>
        <translation>Die Datenquellen konnten nicht in %1 geschrieben werden; die Änderungen bleiben nur im Speicher erhalten.</translation>
    </message>
    <message>
        <location line="+172"/>
        <source>The data source &quot;%1&quot; has been deleted and cannot be edited.</source>
        <translation>Die Datenquelle „%1“ wurde gelöscht und kann nicht bearbeitet werden.</translation>
    </message>
</context>
<context>
    <name>frmPassword</name>
    <message>
        <location filename="../dialogs/frmPassword.cpp" line="+34"/>
        <location line="+80"/>
        <source>Admin Password</source>
        <translation>Verwaltungskennwort</translation>
    </message>
    <message>
        <location line="-77"/>
        <source>Current</source>
        <translation>Aktuell</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>New</source>
        <translation>Neu</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>Confirm</source>
        <translation>Bestätigen</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>The current password</source>
        <translation>Das aktuelle Kennwort</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>The new pasword</source>
        <translation>Das neue Kennwort</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Retype new password for confirmation</source>
        <translation>Das neue Kennwort zur Bestätigung erneut eingeben</translation>
    </message>
    <message>
        <location line="+21"/>
        <source>&amp;OK</source>
        <translation>&amp;OK</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Save changes and exit</source>
        <translation>Änderungen speichern und schließen</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>&amp;Cancel</source>
        <translation>&amp;Abbrechen</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Exit without saving changes</source>
        <translation>Schließen, ohne die Änderungen zu speichern</translation>
    </message>
    <message>
        <location line="+46"/>
        <source>Set Password</source>
        <translation>Kennwort festlegen</translation>
    </message>
    <message>
        <location line="+43"/>
        <source>Invalid Password</source>
        <translation>Ungültiges Kennwort</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>Confirm does not match Password, try again!</source>
        <translation>Die Bestätigung stimmt nicht mit dem Kennwort überein, bitte erneut versuchen!</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>Password changed</source>
        <translation>Kennwort geändert</translation>
    </message>
</context>
<context>
    <name>kwQuarry</name>
    <message>
        <location filename="../control/kwQuarryPrivate.h" line="+172"/>
        <source>Unexpected error</source>
        <translation>Unerwarteter Fehler</translation>
    </message>
    <message>
        <location filename="../control/kwQuarryPrivate.cpp" line="+189"/>
        <location filename="../control/Layout.cpp" line="+40"/>
        <source>Large</source>
        <translation>Groß</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>Large Icons</source>
        <translation>Große Symbole</translation>
    </message>
    <message>
        <location line="+2"/>
        <location filename="../control/Layout.cpp" line="+1"/>
        <source>Small </source>
        <translation>Klein </translation>
    </message>
    <message>
        <location line="+0"/>
        <source>Small Icons</source>
        <translation>Kleine Symbole</translation>
    </message>
    <message>
        <location line="+2"/>
        <location filename="../control/Layout.cpp" line="+1"/>
        <source>List</source>
        <translation>Liste</translation>
    </message>
    <message>
        <location line="+2"/>
        <location filename="../control/Layout.cpp" line="+1"/>
        <source>Details</source>
        <translation>Details</translation>
    </message>
    <message>
        <location line="+2"/>
        <location filename="../control/Layout.cpp" line="+1"/>
        <source>Browse options</source>
        <translation>Optionen</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Browser options</source>
        <translation>Browser-Optionen</translation>
    </message>
    <message>
        <location line="+27"/>
        <source>Browser</source>
        <translation>Browser</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Connect</source>
        <translation>Verbinden</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Disconnect</source>
        <translation>Trennen</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>&amp;New Data Source</source>
        <translation>&amp;Neue Datenquelle</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>&amp;Edit Data Source properties</source>
        <translation>Datenquellen-&amp;Eigenschaften bearbeiten</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>&amp;Delete Data Source</source>
        <translation>Datenquelle &amp;löschen</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>&amp;Query</source>
        <translation>&amp;Abfrage</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Table</source>
        <translation>Tabelle</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>&amp;Open</source>
        <translation>Ö&amp;ffnen</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Return &amp;all rows</source>
        <translation>&amp;Alle Zeilen zurückgeben</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Return &amp;top ...</source>
        <translation>&amp;Erste Zeilen zurückgeben ...</translation>
    </message>
    <message>
        <location filename="../control/kwQuarry.cpp" line="+93"/>
        <source>Dabrook Error</source>
        <translation>Dabrook-Fehler</translation>
    </message>
    <message>
        <location line="+19"/>
        <source>Row count</source>
        <translation>Anzahl der Einträge</translation>
    </message>
    <message>
        <location filename="../control/DataTree.cpp" line="+66"/>
        <source>No data source is selected.</source>
        <translation>Es ist keine Datenquelle ausgewählt.</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Connecting to %1 ...</source>
        <translation>Verbindung mit %1 wird hergestellt ...</translation>
    </message>
    <message>
        <location line="+18"/>
        <location filename="../query/FieldTooltip.cpp" line="+160"/>
        <location line="+9"/>
        <source>Ready ...</source>
        <translation>Bereit ...</translation>
    </message>
    <message>
        <location line="+31"/>
        <source>Selecting Data Sources ...</source>
        <translation>Datenquellen werden ausgewählt ...</translation>
    </message>
    <message>
        <location line="+19"/>
        <location filename="../control/Layout.cpp" line="+162"/>
        <source>Tables</source>
        <translation>Tabellen</translation>
    </message>
    <message>
        <location line="+2"/>
        <location filename="../control/Layout.cpp" line="+0"/>
        <source>Views</source>
        <translation>Sichten</translation>
    </message>
    <message>
        <location line="+3"/>
        <location filename="../control/Layout.cpp" line="+1"/>
        <source>Stored Procedures</source>
        <translation>Gespeicherte Prozeduren</translation>
    </message>
    <message>
        <location filename="../control/Layout.cpp" line="-143"/>
        <source>The split percentage %1 is not between 0 and 100.</source>
        <translation>Der Teilungsanteil %1 liegt nicht zwischen 0 und 100.</translation>
    </message>
    <message>
        <location line="+59"/>
        <source>Name</source>
        <translation>Name</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Owner</source>
        <translation>Besitzer</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Create Date</source>
        <translation>Erstellungsdatum</translation>
    </message>
    <message>
        <location line="+28"/>
        <source>The data view %1 is not between 0 and 3.</source>
        <translation>Die Datenansicht %1 liegt nicht zwischen 0 und 3.</translation>
    </message>
    <message>
        <location filename="../control/TreeMenu.cpp" line="+56"/>
        <source>The data sources could not be saved to &quot;%1&quot;. The change is kept for this session only; the tree goes on showing the list as it was last saved.</source>
        <translation>Die Datenquellen konnten nicht in „%1“ gespeichert werden. Die Änderung bleibt nur für diese Sitzung erhalten; der Baum zeigt weiter die Liste, wie sie zuletzt gespeichert wurde.</translation>
    </message>
    <message>
        <location line="+37"/>
        <source>Delete %1?</source>
        <translation>%1 löschen?</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Delete Data Source</source>
        <translation>Datenquelle löschen</translation>
    </message>
    <message>
        <location filename="../objects/DataObjects.cpp" line="+99"/>
        <source>Retrieving Items ...</source>
        <translation>Objekte werden abgerufen ...</translation>
    </message>
    <message>
        <location line="+89"/>
        <source>%1 item</source>
        <translation>%1 Objekt</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>%1 items</source>
        <translation>%1 Objekte</translation>
    </message>
    <message>
        <location filename="../query/QueryHandoff.cpp" line="+44"/>
        <source>Overflow: %1 does not fit a number of rows.</source>
        <translation>Überlauf: %1 passt nicht als Anzahl von Zeilen.</translation>
    </message>
    <message>
        <location line="+43"/>
        <source>Enter maximum number of rows to return. 0 equals all.</source>
        <translation>Geben Sie die Höchstzahl der zurückzugebenden Zeilen ein. 0 bedeutet alle.</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>Return top ...</source>
        <translation>Erste Zeilen zurückgeben ...</translation>
    </message>
    <message>
        <location line="+43"/>
        <location filename="../query/FieldTooltip.cpp" line="-127"/>
        <source>No item is selected in the object list.</source>
        <translation>In der Objektliste ist kein Eintrag ausgewählt.</translation>
    </message>
    <message>
        <location filename="../query/FieldTooltip.cpp" line="+95"/>
        <source>Retrieving Object information ...</source>
        <translation>Objektinformationen werden abgerufen ...</translation>
    </message>
    <message>
        <location line="+9"/>
        <source>Fields are listed for tables and views only.</source>
        <translation>Felder werden nur für Tabellen und Sichten aufgelistet.</translation>
    </message>
    <message>
        <location line="+116"/>
        <source>Type mismatch: Sort_Array sorts a list of texts or of rows.</source>
        <translation>Typen unverträglich: Sort_Array sortiert eine Liste von Texten oder von Zeilen.</translation>
    </message>
</context>
</TS>
