<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" sourcelanguage="en">
<context>
    <name>LabelOptions</name>
    <message>
        <source>Prints a sticker from a label template through Norvane&apos;s label job.
Values fill the template&apos;s fields in order; fields without a value print their
defaults (the shipped template&apos;s defaults are sample values).
Without --pdf or --png the sticker goes to the default printer.
--preview shows the sticker in the report viewer instead (it needs a display);
its Print button prints one sticker to the default printer or the --pdf folder.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Show this help.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Show the program&apos;s version.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Label template (default: the laboratory&apos;s own LabBarcodeLabel.rpt in /etc/norvane/, else the one beside this program, else the shipped one in /usr/share/norvane/). Without a file, as the last argument: say which template is used and where it was looked for.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Write one PDF file per copy into this folder.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Write the sticker to this PNG file.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Resolution of the PNG (default 203).</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Copies, each its own print job (default 1; 0 or less prints none).</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>List the template&apos;s fields and defaults, print nothing.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Show the sticker in the report viewer instead of printing it.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Field values in order: Barcode PatientName HospNum Instrument Transdate RoomID AgeSex for the shipped template.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Give either --pdf or --png, not both.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>--preview shows the sticker on screen; it does not write a PNG file.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The output path is empty.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>--dpi takes a resolution from 50 to 4800.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>--copies takes a whole number from -32768 to 32767 (0 or less prints nothing).</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>app::ConnectionCheck</name>
    <message>
        <source>(empty)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source> in no settings file</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source> from %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Settings: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Settings: %1 (the user&apos;s)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Settings: %1 (the user&apos;s: no such file, and no workstation&apos;s file: every setting reads as empty)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Settings: %1 (the user&apos;s: no such file)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Settings: %1 (the workstation&apos;s, for every user: read for the keys the user&apos;s file lacks)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Settings: %1 (the workstation&apos;s: no such file)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>WARNING:  %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Note:     %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>          Fix: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Encryption: required by the settings (%1)%2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Encryption: not asked for ([Encryption] Encrypt=no)%1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Encryption: the driver&apos;s own default (FreeTDS encrypts the login when the server offers encryption, as SQL Server does)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Encryption: the driver&apos;s own default</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Certificate: not verified (no [Encryption] CAFile)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Certificate: verified against the Windows certificate store ([Encryption] CAFile%1)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Certificate: verified against the system&apos;s CAs ([Encryption] CAFile%1), and its name against the Server setting</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Certificate: verified against %1 ([Encryption] CAFile%2), and its name against the Server setting</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Encrypted:  the server would not say (%1)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Encrypted:  yes, every packet (the server says so)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Encrypted:  no, not after the login (the server says so)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>            Fix: in %1 set the locale of the dates Norvane sends to one the server reads (its login&apos;s language; for us_english):
                [Dates]
                Locale=en_US
            and run --check-connection again.
</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Dates:      the server reads %1 (locale %2) as %3, as meant.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>WARNING:    the server reads the dates Norvane sends as other days: it took %1, meant as %2, for %3. Every print would be recorded with a wrong date.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>WARNING:    the server cannot read the dates Norvane sends: it refused %1, meant as %2 (%3). Every print log would fail, or fail on some days.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Server:   %1%2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Database: %1%2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>User:     %1%2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Password: %1%2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>(given, not shown)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Template: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Template: %1: no sticker can be printed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Driver:   %1 (ODBC), login time-out %2 s</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Not connected: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Connected.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>app::JournalCommand</name>
    <message>
        <source>there is no print journal at %1 yet: nothing has been printed on this workstation.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the print journal %1 cannot be read: %2</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>app::LogFile</name>
    <message>
        <source>The log file %1 cannot be written: %2.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>its folder cannot be created</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>app::StartOptions</name>
    <message>
        <source>Unexpected argument: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>--print-to needs a folder.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>--check-connection goes alone: it checks the connection settings and prints nothing.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>--since goes with --journal.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>--since takes a day (2026-12-10) or a local time (2026-12-10T08:00), not &quot;%1&quot;.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>--journal goes alone (or with --demo, for the demo&apos;s journal): it prints the journal and ends.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Usage: norvane [--demo] [--print-to DIR]
       norvane --check-connection
       norvane --journal [--since DATE] [--demo]
  (no switches)       connect to the laboratory&apos;s SQL Server with the user&apos;s
                      connection settings and print to the default printer
  --demo              run on a fresh embedded demo database; stickers go to PDF
                      files in %1 unless --print-to says otherwise
  --print-to DIR      write every print job as a PDF file into DIR instead of
                      sending it to the default printer
  --check-connection  open the database connection with the user&apos;s settings,
                      show what was tried and the driver&apos;s answer, and end:
                      status 0 when connected, 1 when not; needs no display
  --journal           print the lines of this workstation&apos;s print journal (the
                      stickers printed and what became of them) as tab-separated
                      text, today&apos;s unless --since says otherwise, and end:
                      status 0, or 1 when the journal cannot be read; needs no
                      display; with --demo, the demo&apos;s journal
  --since DATE        with --journal: the lines from a day (2026-12-10) or a
                      local time (2026-12-10T08:00) on
  -h, --help          show this text
  -v, --version       show the program&apos;s version
</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>app::StorageNotice</name>
    <message>
        <source>Printing and the print log go on, but what IT needs to know, such as stickers printed and not recorded, is not kept on this workstation. Tell IT: the disk may be full, or Norvane&apos;s data folder may not be writable.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>app::modConnect</name>
    <message>
        <source>An unknown failure.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Unable to contact the database server.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>counter::JournalQuestions</name>
    <message>
        <source>... and %1 more.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>at %1</source>
        <comment>at a time of today</comment>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>yesterday at %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>on %1 at %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 (%2): already printed here %3, 1 sticker.</source>
        <translation type="unfinished"></translation>
    </message>
    <message numerus="yes">
        <source>%1 (%2): already printed here %3, %n stickers.</source>
        <translation type="unfinished">
            <numerusform></numerusform>
        </translation>
    </message>
    <message>
        <source>Print again? No prints and records nothing.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1, %2, %3: printed %4 (may already be recorded)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1, %2, %3: printed %4</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>These stickers were printed on this workstation and are not recorded in the laboratory database:
</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Those that may already be recorded were being recorded when the connection was lost or Norvane ended: the laboratory database may hold them.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Record them now? Nothing is printed.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Those that may already be recorded could then appear twice.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No keeps them for later: they are offered again, and the log file lists them.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>counter::PatientSearch</name>
    <message>
        <source>Sample not found!</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>counter::PrintQuestions</name>
    <message>
        <source>Record the checked exam as collected without printing stickers?</source>
        <translation type="unfinished"></translation>
    </message>
    <message numerus="yes">
        <source>Record the %n checked exams as collected without printing stickers?</source>
        <translation type="unfinished">
            <numerusform></numerusform>
        </translation>
    </message>
    <message>
        <source>Print %1 stickers for the checked exam?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Print %1 stickers for each of the %2 checked exams (%3 stickers)?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Stop printing once the stickers of the exam now printing are done? The exams not printed yet stay checked.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the sticker of %1 is</source>
        <translation type="unfinished"></translation>
    </message>
    <message numerus="yes">
        <source>the %n stickers of %1 are</source>
        <translation type="unfinished">
            <numerusform></numerusform>
        </translation>
    </message>
    <message>
        <source>The label printer &quot;%1&quot; is not answering: %2 waiting in its print queue. Check that the printer is switched on, connected and has labels.

%3: they are taken out of the queue; %4 is not recorded and stays checked, to print again.
%5: they print when the printer answers again, and %4 is recorded as printed.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancel them</source>
        <extracomment>The answer that takes the stickers out of the print queue.</extracomment>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Leave them</source>
        <extracomment>The answer that leaves the stickers in the print queue, to print when the printer answers.</extracomment>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>counter::PrintRun</name>
    <message>
        <source>in item %1 of the list</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 (item %2 of the list)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1

The stickers of %2 may not have been printed: %2 is not recorded and stays checked, to print once the print service is back.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Type how many stickers to print for each exam in Number of Copies: a whole number, such as 1 or 2.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The stickers could not be printed.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1

%2 is not recorded and stays checked.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The stickers of %1 could not be taken out of the print queue: %2

They may still print when the printer answers; %1 is not recorded and stays checked.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>counter::SearchFailure</name>
    <message>
        <source>The connection to the laboratory database was lost. Scan or type the number again: the program connects again. If this keeps happening, call IT.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The laboratory database cannot be reached. Scan or type the number again in a moment; if this keeps happening, call IT.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The laboratory database did not answer in time. Scan or type the number again; if this keeps happening, call IT.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>This chargeslip has too many exams to list (at most 32,767). Scan the barcode of one request instead.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The search failed and the laboratory database gave no reason. Scan or type the number again; if this keeps happening, call IT.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>counter::UnrecordedLogs</name>
    <message>
        <source>The stickers of %1 were printed but not recorded in the laboratory database.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The stickers of %1 were printed, but the connection was lost while the laboratory database was recording them: they may already be recorded.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The database said: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The exams not printed yet are still checked.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Try to record them again? Nothing is printed again.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Those that may already be recorded could then appear twice.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>db::ConnectionString</name>
    <message>
        <source>Invalid connection string attribute</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>A connection setting holds &quot;};&quot;, which the FreeTDS driver cannot take.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The %1 setting holds &quot;};&quot;, which the FreeTDS ODBC driver cannot take.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The %1 setting cannot be written into FreeTDS&apos;s configuration file.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>FreeTDS takes a User holding a backslash as a Windows domain login (DOMAIN\user, NTLM), not as a SQL Server login.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>For the named instance &quot;%1&quot; the driver asks the SQL Server Browser on %2 (UDP port 1434) for its port: check the instance&apos;s name, that the SQL Server Browser service runs there and that a firewall lets UDP port 1434 through, or give the instance&apos;s port instead (Server=%2,PORT).</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The server does not offer encryption, and the settings require it (%1). Give the SQL Server a certificate and restart it, or remove that setting.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The server offers encryption, but its certificate was refused: it is not signed by the CA in &quot;%1&quot;, has expired, or does not name the server as the Server setting does.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>db::DbClient</name>
    <message>
        <source>Operation is not allowed when the object is closed.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The ODBC driver of Qt SQL (QODBC) is not available.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Unable to connect to the database server.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cannot write FreeTDS&apos;s configuration file: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Timeout expired: the database server did not answer within %1 seconds (%2)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The connection to the database server was lost during the transaction.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The command failed.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The result could not be read.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The transaction could not be started.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The transaction could not be committed.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The transaction could not be rolled back.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>db::DbResult</name>
    <message>
        <source>Either BOF or EOF is True, or the current record has been deleted.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Type mismatch: column &apos;%1&apos; is not a date-time.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>db::OdbcResultReader</name>
    <message>
        <source>The driver gave no statement to read.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The driver failed (%1) without a reason.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>db::PrintLog</name>
    <message>
        <source>Overflow: the re-query of barcode &quot;%1&quot; announced %2 rows.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The re-query of barcode &quot;%1&quot; gave more rows than the %2 it announced.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The re-query of barcode &quot;%1&quot; gave %2 of the %3 rows it announced.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The database gave no reason.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>journal::State</name>
    <message>
        <source>about to print</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>printed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>print failed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>cancelled</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>log begun</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>recorded</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>log failed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>in doubt</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>given up</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>label::BarcodeSymbol</name>
    <message>
        <source>Out of memory while encoding a barcode.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The barcode value &quot;%1&quot; cannot be encoded as %2: %3</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The barcode value &quot;%1&quot; gave an empty %2 symbol.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>label::BarcodeValue</name>
    <message>
        <source>the character &quot;%1&quot;</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>an invisible character</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The barcode &quot;%1&quot; has %2, which a barcode sticker cannot carry. Nothing was printed. Uncheck this exam to print the others, and tell the laboratory that this barcode needs correcting.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>has no barcode</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>has a barcode of one blank</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>has a barcode of %1 blanks only</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The exam %1 %2: no sticker can carry it, and nothing would be recorded for it. Nothing was printed. Uncheck this exam to print the others, and tell the laboratory that this barcode needs correcting.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>label::LabelRenderer</name>
    <message>
        <source>Cannot print a label at %1 dots per inch.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The %1 x %2 mm label is too large to print at %3 dots per inch.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The barcode value (field &quot;%1&quot;) is empty: a sticker without a barcode cannot be printed.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The barcode value (field &quot;%1&quot;) holds only blanks: a sticker without a readable barcode cannot be printed.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The barcode &quot;%1&quot; is too long to fit on the sticker. Nothing was printed for it. Uncheck this exam to print the others, and tell the laboratory that this barcode is too long for the stickers.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The %1 symbol for &quot;%2&quot; is %3 mm tall with its quiet zones and does not fit its %4 mm bar height.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>label::TemplateReader</name>
    <message>
        <source>Label template &quot;%1&quot;, line %2: %3</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&quot;%1&quot; is not a setting of the form name=value</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the quoted value of &quot;%1&quot; has no closing quote</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>a space is missing after the quoted value of &quot;%1&quot;</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the setting &quot;%1&quot; is given twice</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&quot;%1&quot; is not a number (setting &quot;%2&quot;)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 = %2 is out of range (%3 to %4)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&quot;%1&quot; is not a valid %2 (use %3)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>unknown setting &quot;%1&quot; for %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the setting &quot;%1&quot; is missing for %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Label template &quot;%1&quot; is not a UTF-8 text file.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Label template &quot;%1&quot;: the label size is missing (a line such as &quot;label width=50.8 height=25.4&quot;).</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Label template &quot;%1&quot;, line %2: the item reaches beyond the %3 x %4 mm label.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>too many lines with items (at most %1)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>unknown item kind &quot;%1&quot; (use label, field, text or barcode)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the label size is given twice</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>a field needs a name without braces</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the field &quot;%1&quot; is declared twice</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>no field named &quot;%1&quot; is declared above this line</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the text &quot;%1&quot; has a &quot;{&quot; without its &quot;}&quot;</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the text &quot;%1&quot; has a &quot;}&quot; without its &quot;{&quot;</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>a text takes either field= or text=, not both</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the setting &quot;field&quot; or &quot;text&quot; is missing for text</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>unknown symbology &quot;%1&quot; (use %2)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The label template &quot;%1&quot; does not exist.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The label template &quot;%1&quot; is not a file.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The label template &quot;%1&quot; cannot be read: %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The label template &quot;%1&quot; is larger than %2 KiB; it is not a label template.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>norvane-label</name>
    <message>
        <source>Template: %1 (given)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Template: %1 (given; it does not exist)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Template: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Looked for, in this order:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 (%2): used</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 (%2): there, not used</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 (%2): none</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 - Label Preview</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cannot write the PNG file &quot;%1&quot;.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Wrote %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1; --preview shows the sticker in a window</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Try norvane-label --help.</source>
        <translation type="unfinished"></translation>
    </message>
    <message numerus="yes">
        <source>Wrote %n PDF file(s) to %1</source>
        <translation type="unfinished">
            <numerusform></numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Sent %n sticker(s) to the default printer</source>
        <translation type="unfinished">
            <numerusform></numerusform>
        </translation>
    </message>
</context>
<context>
    <name>output::CupsPrintSystem</name>
    <message>
        <source>The driver of the printer &quot;%1&quot; cannot be read: %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The printer &quot;%1&quot; refused the print job: %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No raster page can be made for this label: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The printer &quot;%1&quot; does not take raster jobs.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The print service did not tell what became of print job %1: %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The print job %1 on &quot;%2&quot; could not be cancelled: %3</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The print service did not list the jobs of &quot;%1&quot;: %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The printer &quot;%1&quot; does not take raw jobs.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Print job %1 cannot be followed without CUPS.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>output::JobsTaken</name>
    <message>
        <source>1 second</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 seconds</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>A sticker&apos;s print job was cancelled in the print queue &quot;%1&quot; before the printer took it, so it did not print.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The print service gave up a sticker&apos;s print job on &quot;%1&quot;%2, so it did not print. Ask IT to look at the print queue (lpstat -p %1).</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>A sticker&apos;s print job vanished from the print queue &quot;%1&quot; before the printer took it, so it did not print.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>1 print job has</source>
        <translation type="unfinished"></translation>
    </message>
    <message numerus="yes">
        <source>%n print jobs have</source>
        <translation type="unfinished">
            <numerusform></numerusform>
        </translation>
    </message>
    <message>
        <source>The label printer &quot;%1&quot; is not answering: %2 been waiting in its print queue for more than %3. Nothing was printed. Check that the printer is switched on, connected and has labels; what waits prints as soon as it answers. Then print again. (IT: lpstat -o %1 lists the waiting jobs, cancel -a %1 removes them.)</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>output::LabelOutput</name>
    <message>
        <source>The printer &quot;%1&quot; is not accepting print jobs: have it accept jobs again, then print again.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The printer &quot;%1&quot; is stopped (paused): resume it, then print again.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Set Language=ZPL in the [Printer] section of Norvane&apos;s settings, or set the queue up with the printer&apos;s driver.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The printer &quot;%1&quot; is a raw queue, which passes jobs to the printer unchanged, and no printer language is set for it. %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The printer language &quot;%2&quot; set for the raw queue &quot;%1&quot; is not one Norvane can print in. %3</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The printer resolution set for the raw queue &quot;%1&quot; in the [Printer] section of Norvane&apos;s settings is not a number of dots per inch: set Resolution to the label printer&apos;s (203, 300 or 600).</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>output::PdfFolderBackend</name>
    <message>
        <source>The folder &quot;%1&quot; for the printed labels cannot be created.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The label file &quot;%1&quot; cannot be written: %2</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>output::PrintServiceError</name>
    <message>
        <source>on this computer</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>on the print server %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The print service (CUPS) %1 is not answering, so no sticker can be printed. Ask IT to check that the CUPS service is running (systemctl status cups) and that the label printer&apos;s queue exists (lpstat -p).</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The label printer&apos;s print queue &quot;%1&quot; does not exist in the print service (CUPS), so no sticker can be printed. Ask IT to check that the queue exists (lpstat -p) and is the default printer (lpstat -d).</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>output::QtPrinterBackend</name>
    <message>
        <source>The printer &quot;%1&quot; refused the print job.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The printer &quot;%1&quot; failed to print the label.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The printer &quot;%1&quot; refused the print job: %2</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>report::LabelTemplate</name>
    <message>
        <source>the laboratory&apos;s own</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>beside the program</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>shipped with Norvane</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>none found (looked for %1 and %2)</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>report::ParameterField</name>
    <message>
        <source>The parameter field &quot;%1&quot; cannot take a value of type %2.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>report::Report</name>
    <message>
        <source>This report engine prints without asking: a print dialog is not available.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>report::ReportApplication</name>
    <message>
        <source>Unknown option %1 for opening the report &quot;%2&quot;.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>report::ReportViewerControl</name>
    <message>
        <source>Viewer toolbar</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Print</source>
        <comment>toolbar button: prints the report</comment>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Print the report (Ctrl+P)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Group Tree</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Page Width</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Whole Page</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Zoom In</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Zoom Out</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Field</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Value</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Report preview</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The viewer has no report to show.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The viewer has no report to print.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>report::frmReportViewer</name>
    <message>
        <source>View Report</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Report viewer</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>report::modMain</name>
    <message>
        <source>Barcode Label Printing</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>There is no open report to show or print.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The report viewer is not available in this program.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Print Barcode Sticker</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>settings::ConnectionOptions</name>
    <message>
        <source>The Encrypt setting of [Encryption] holds &quot;%1&quot;: write yes or no.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The Locale setting of [Dates] holds &quot;%1&quot;, which names no locale (write one such as en_US, en_GB or es_ES).</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>settings::SettingsWarnings</name>
    <message>
        <source>In %1, the %2 setting of [%3] holds a &quot;;&quot; outside double quotes, where a &quot;;&quot; starts a comment: </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>only what stands before it is read, so the password sent is not the one written.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>it reads as &quot;%1&quot;.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>put the whole value in double quotes: %1=&quot;%2&quot;</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source> (inside the quotes write \&quot; for a quote and \\ for a backslash)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>read and changed</source>
        <comment>can be read and changed by other users</comment>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>read</source>
        <comment>can be read by other users</comment>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>changed</source>
        <comment>can be changed by other users</comment>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The settings file %1 holds the password and can be %2 by other users (mode %3).</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The workstation&apos;s settings file %1 holds the password and can be changed by users other than its owner (mode %2): one of them could send every login to a server of their own.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The workstation&apos;s settings file %1 holds the password and every user of this machine can read it (mode %2).</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>let only the group of those who run Norvane read it: chown root:GROUP %1 &amp;&amp; chmod 640 %1; or give each user the password in their own settings file (chmod 600) instead</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The password comes from the workstation&apos;s settings file %1: every user who may run Norvane reads that file, and so can read the password.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>if that is not meant, remove Password from it and give each user the password in their own settings file, %1, readable by that user alone (chmod 600)</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ui::JournalLinesModel</name>
    <message>
        <source>Time</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Barcode</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Patient</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Hospital No.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Exam</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Copies</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Printed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Recorded</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Operator</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>State</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ui::PatientNameLabel</name>
    <message>
        <source>Patient name</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ui::TodaysStickersDialog</name>
    <message>
        <source>Today&apos;s stickers</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Stickers of %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Record now</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Records the selected printed stickers in the laboratory database without printing them again (Alt+R).</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Close</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Closes the list (Esc).</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Stickers printed on this workstation on %1: 1 exam.</source>
        <translation type="unfinished"></translation>
    </message>
    <message numerus="yes">
        <source>Stickers printed on this workstation on %1: %n exams.</source>
        <translation type="unfinished">
            <numerusform></numerusform>
        </translation>
    </message>
    <message>
        <source> %1 printed but not recorded: select and press Record now.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The print journal cannot be read: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The print log of %1 was cut off while the laboratory database was recording it: it may already be recorded, and recording it again could make it appear twice.

Record %1 now? Nothing is printed.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ui::frmKeyboard</name>
    <message>
        <source>Keyboard</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Alpha Keys</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Num Keys</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Backspace</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Space</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ui::frmNorvane</name>
    <message>
        <source>Search A Patient</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Scan the barcode or type the chargeslip number, then press Enter.
F9: today&apos;s stickers printed on this workstation.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Keyboard</source>
        <extracomment>The button that opens the on-screen keypad.</extracomment>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>To Search Patient :</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Scan the barcode of patient or type in the chargeslip no. of the patient.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Barcode</source>
        <comment>frame caption</comment>
        <extracomment>The caption of the frame that lists the patient&apos;s exams with their barcodes.</extracomment>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Number of Copies :</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Check All</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Reset</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>[Patient Name]</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Print</source>
        <comment>button: prints the stickers</comment>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Barcode or chargeslip number</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Opens the on-screen keypad</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Search</source>
        <extracomment>For screen readers: the magnifier picture beside the number box (a noun, not a command).</extracomment>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Exams</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Number of Copies</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>They could not be recorded: %1

</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 could not be recorded: %2

The other lines selected were left as they are.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Brellan Medical Center logo</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Laboratory Blood Extraction Section</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Barcode Label Printing</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Founded in 1962</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Slideshow</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Slideshow picture %1 of 9</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Play</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Pause</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Play / Pause</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Play the slideshow</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Slideshow button backdrop</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Pause the slideshow</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>widgets::DisplayCheck</name>
    <message>
        <source>cannot open the X display %1: %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>no X server answers there, or this user may not use it</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the Wayland display %1 does not answer</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>neither DISPLAY nor WAYLAND_DISPLAY is set</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>DISPLAY is not set</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>WAYLAND_DISPLAY is not set</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1: no display: %2 (set DISPLAY or run on the workstation&apos;s desktop)</source>
        <translation type="unfinished"></translation>
    </message>
</context>
</TS>
