<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="eo" sourcelanguage="en">
<context>
    <name>app::StartOptions</name>
    <message>
        <source>--print-to needs a folder.</source>
        <translation>--print-to bezonas dosierujon.</translation>
    </message>
</context>
<context>
    <name>counter::PatientSearch</name>
    <message>
        <source>Sample not found!</source>
        <translation>Specimeno ne trovita!</translation>
    </message>
</context>
<context>
    <name>counter::PrintQuestions</name>
    <message numerus="yes">
        <source>Record the %n checked exams as collected without printing stickers?</source>
        <translation>
            <numerusform>Ĉu registri la %n markitan ekzamenon kiel kolektitan sen presi glumarkojn?</numerusform>
            <numerusform>Ĉu registri la %n markitajn ekzamenojn kiel kolektitajn sen presi glumarkojn?</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>ui::frmNorvane</name>
    <message>
        <source>Scan the barcode of patient or type in the chargeslip no. of the patient.</source>
        <translation>Skanu la strikodon de la paciento aŭ tajpu la numeron de ĝia pagfolio.</translation>
    </message>
    <message>
        <source>Print</source>
        <comment>button: prints the stickers</comment>
        <translation>Presi</translation>
    </message>
</context>
</TS>
