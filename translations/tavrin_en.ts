<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
<context>
    <name>DesktopNotifier</name>
    <message numerus="yes">
        <source>%n downloads finished</source>
        <translation>
            <numerusform>%n download finished</numerusform>
            <numerusform>%n downloads finished</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>tavrin::ConnectionStatus</name>
    <message numerus="yes">
        <source>%n torrent(s)</source>
        <translation>
            <numerusform>%n torrent</numerusform>
            <numerusform>%n torrents</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n link(s) waiting to be added</source>
        <translation>
            <numerusform>%n link waits to be added</numerusform>
            <numerusform>%n links wait to be added</numerusform>
        </translation>
    </message>
</context>
</TS>
