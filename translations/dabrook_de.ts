<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>dabrook::MainWindow</name>
    <message>
        <location filename="../app/MainWindow.cpp" line="+99"/>
        <source>Open a table, view or procedure in the browser, or type a query.</source>
        <translation>Öffnen Sie im Browser eine Tabelle, Sicht oder Prozedur, oder geben Sie eine Abfrage ein.</translation>
    </message>
    <message>
        <location line="+19"/>
        <source>Sorted by %1: the %L2 rows read so far; more come as you scroll.</source>
        <translation>Sortiert nach %1: die %L2 bisher gelesenen Zeilen; weitere folgen beim Blättern.</translation>
    </message>
    <message>
        <location line="+16"/>
        <location line="+329"/>
        <source>Result</source>
        <translation>Ergebnis</translation>
    </message>
    <message>
        <location line="-292"/>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
    <message>
        <location line="+17"/>
        <location line="+498"/>
        <source>&amp;Run</source>
        <translation>A&amp;usführen</translation>
    </message>
    <message>
        <location line="-495"/>
        <location line="+498"/>
        <source>Run the query (F5)</source>
        <translation>Abfrage ausführen (F5)</translation>
    </message>
    <message>
        <location line="-488"/>
        <source>Run Current &amp;Statement</source>
        <translation>Aktuelle &amp;Anweisung ausführen</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>Run the statement under the cursor (Ctrl+Enter)</source>
        <translation>Anweisung unter dem Cursor ausführen (Strg+Eingabe)</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>&amp;Copy</source>
        <translation>&amp;Kopieren</translation>
    </message>
    <message>
        <location line="+9"/>
        <source>E&amp;xit</source>
        <translation>&amp;Beenden</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>Add Data Source...</source>
        <translation>Datenquelle hinzufügen...</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>&amp;Export Result to CSV...</source>
        <translation>Ergebnis als CSV &amp;exportieren...</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>&amp;File</source>
        <translation>&amp;Datei</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>&amp;Query</source>
        <translation>&amp;Abfrage</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>Fetch &amp;All Rows</source>
        <translation>Alle &amp;Zeilen abrufen</translation>
    </message>
    <message>
        <location line="+9"/>
        <source>&amp;History</source>
        <translation>&amp;Verlauf</translation>
    </message>
    <message>
        <location line="+13"/>
        <source>(none yet)</source>
        <translation>(noch keine)</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Allow &amp;Changes</source>
        <translation>Änderungen &amp;erlauben</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Run statements that change data on this data source</source>
        <translation>Anweisungen ausführen, die Daten dieser Datenquelle ändern</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>Query</source>
        <translation>Abfrage</translation>
    </message>
    <message>
        <location line="+34"/>
        <source>Reading the rows failed:
%1</source>
        <translation>Das Lesen der Zeilen ist fehlgeschlagen:
%1</translation>
    </message>
    <message>
        <location line="+13"/>
        <source>Exported %L1 rows to %2 in %L3 ms.</source>
        <translation>%L1 Zeilen in %L3 ms nach %2 exportiert.</translation>
    </message>
    <message>
        <location line="+14"/>
        <source>Running query ... %1 s (Escape cancels)</source>
        <translation>Abfrage läuft ... %1 s (Esc bricht ab)</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Exporting ... %L1 rows written, %2 s (Escape cancels)</source>
        <translation>Export läuft ... %L1 Zeilen geschrieben, %2 s (Esc bricht ab)</translation>
    </message>
    <message>
        <location line="+83"/>
        <source>The parameters of %1 are unknown: %2</source>
        <translation>Die Parameter von %1 sind unbekannt: %2</translation>
    </message>
    <message>
        <location line="+9"/>
        <source>Replace the NULL arguments (%1), then run with F5.</source>
        <translation>Ersetzen Sie die NULL-Argumente (%1) und führen Sie dann mit F5 aus.</translation>
    </message>
    <message>
        <location line="+18"/>
        <source>Press F5 to run the query.</source>
        <translation>Drücken Sie F5, um die Abfrage auszuführen.</translation>
    </message>
    <message>
        <location line="+25"/>
        <location line="+153"/>
        <source>Result %1</source>
        <translation>Ergebnis %1</translation>
    </message>
    <message>
        <location line="-149"/>
        <source>The first %L1 rows; run the statement alone for all of them.</source>
        <translation>Die ersten %L1 Zeilen; führen Sie die Anweisung allein aus, um alle zu erhalten.</translation>
    </message>
    <message>
        <location line="+38"/>
        <source>There is no query to run.</source>
        <translation>Es gibt keine Abfrage zum Ausführen.</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>The query has no open connection. Connect to a data source in the browser first.</source>
        <translation>Die Abfrage hat keine offene Verbindung. Verbinden Sie sich zuerst im Browser mit einer Datenquelle.</translation>
    </message>
    <message>
        <location line="+33"/>
        <source>There is no result to export: run a query that returns rows first.</source>
        <translation>Es gibt kein Ergebnis zum Exportieren: Führen Sie zuerst eine Abfrage aus, die Zeilen liefert.</translation>
    </message>
    <message>
        <location line="+8"/>
        <source>Export Result to CSV</source>
        <translation>Ergebnis als CSV exportieren</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>CSV files (*.csv);;All files (*)</source>
        <translation>CSV-Dateien (*.csv);;Alle Dateien (*)</translation>
    </message>
    <message>
        <location line="+49"/>
        <source>Cancelling ...</source>
        <translation>Wird abgebrochen ...</translation>
    </message>
    <message>
        <location line="+18"/>
        <source>Statement %1 of %2 ...</source>
        <translation>Anweisung %1 von %2 ...</translation>
    </message>
    <message>
        <location line="+11"/>
        <location line="+19"/>
        <source>Cancelled.</source>
        <translation>Abgebrochen.</translation>
    </message>
    <message>
        <location line="-19"/>
        <source>Statement executed.</source>
        <translation>Anweisung ausgeführt.</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>Done.</source>
        <translation>Fertig.</translation>
    </message>
    <message>
        <location line="+27"/>
        <location line="+6"/>
        <source>The query failed.</source>
        <translation>Die Abfrage ist fehlgeschlagen.</translation>
    </message>
    <message>
        <location line="-5"/>
        <source>Statement %1 of %2 failed:
%3</source>
        <translation>Anweisung %1 von %2 ist fehlgeschlagen:
%3</translation>
    </message>
    <message>
        <location line="+14"/>
        <source>&amp;Cancel</source>
        <translation>A&amp;bbrechen</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Cancel the query (Escape)</source>
        <translation>Abfrage abbrechen (Esc)</translation>
    </message>
    <message>
        <location line="+8"/>
        <source>Running query ...</source>
        <translation>Abfrage läuft ...</translation>
    </message>
    <message>
        <location line="+14"/>
        <source>Could not connect to the data source</source>
        <translation>Keine Verbindung zur Datenquelle möglich</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Could not list the objects</source>
        <translation>Die Objekte konnten nicht aufgelistet werden</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Could not read the fields</source>
        <translation>Die Felder konnten nicht gelesen werden</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Could not open the object</source>
        <translation>Das Objekt konnte nicht geöffnet werden</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>The request to the database failed</source>
        <translation>Die Anfrage an die Datenbank ist fehlgeschlagen</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Could not change the data sources</source>
        <translation>Die Datenquellen konnten nicht geändert werden</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Could not disconnect</source>
        <translation>Die Verbindung konnte nicht getrennt werden</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>The browser could not do that</source>
        <translation>Der Browser konnte das nicht ausführen</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>%1: %2</source>
        <translation>%1: %2</translation>
    </message>
    <message>
        <location line="+14"/>
        <source>The data-source list could not be saved to %1. The new data source is kept until the list is saved again.</source>
        <translation>Die Datenquellenliste konnte nicht in %1 gespeichert werden. Die neue Datenquelle bleibt erhalten, bis die Liste wieder gespeichert wird.</translation>
    </message>
    <message>
        <location line="+20"/>
        <source>There is no data source named &quot;%1&quot;.</source>
        <translation>Es gibt keine Datenquelle namens „%1“.</translation>
    </message>
    <message>
        <location line="+23"/>
        <source>There is no category &quot;%1&quot; under &quot;%2&quot;.</source>
        <translation>Unter „%2“ gibt es keine Kategorie „%1“.</translation>
    </message>
    <message>
        <location line="+48"/>
        <source>Changes allowed</source>
        <translation>Änderungen erlaubt</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>Read-only</source>
        <translation>Schreibgeschützt</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Statements may change data on %1.</source>
        <translation>Anweisungen dürfen Daten in %1 ändern.</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Queries run on a read-only connection: statements cannot change data.</source>
        <translation>Abfragen laufen über eine schreibgeschützte Verbindung: Anweisungen können keine Daten ändern.</translation>
    </message>
    <message>
        <location line="+92"/>
        <source>%1 ms</source>
        <translation>%1 ms</translation>
    </message>
    <message>
        <location line="+8"/>
        <source>%L1+ rows</source>
        <translation>%L1+ Zeilen</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>1 row</source>
        <translation>1 Zeile</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>%L1 rows</source>
        <translation>%L1 Zeilen</translation>
    </message>
</context>
<context>
    <name>dabrook::QueryRunner</name>
    <message>
        <location filename="../app/QueryRunner.cpp" line="+58"/>
        <source>An unknown error stopped the query.</source>
        <translation>Ein unbekannter Fehler hat die Abfrage beendet.</translation>
    </message>
    <message>
        <location line="+53"/>
        <source>The statement returns no rows to export.</source>
        <translation>Die Anweisung liefert keine Zeilen zum Exportieren.</translation>
    </message>
</context>
<context>
    <name>dabrook::ResultsModel</name>
    <message>
        <location filename="../app/ResultsModel.cpp" line="+73"/>
        <source>0x%1%2 (%L3 bytes)</source>
        <translation>0x%1%2 (%L3 Bytes)</translation>
    </message>
</context>
</TS>
