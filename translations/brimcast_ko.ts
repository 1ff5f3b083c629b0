<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ko_KR">
<context>
    <name>MediaListModel</name>
    <message>
        <source>completed</source>
        <translation>완료</translation>
    </message>
    <message>
        <source>cancelled</source>
        <translation>취소</translation>
    </message>
</context>
</TS>
