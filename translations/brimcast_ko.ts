<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ko_KR">
<context>
    <name>CredentialDialog</name>
    <message>
        <source>save?(&amp;S)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Username and Password Required</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Site :</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>User name :</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Password :</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>No media playing</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Protect Screen Save is not available: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Exit(&amp;X)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>On Top(&amp;T)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Protect Screen Save(&amp;V)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Big Screen Mode</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Repeat</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Shuffle(&amp;S)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Preferences...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;About Brimcast</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Record Start</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Record Stop</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>URL Check</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>URL Capture...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Save List</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Edit</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;View</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Record</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Tools</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>About Brimcast</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&lt;b&gt;Brimcast&lt;/b&gt; %1&lt;p&gt;Records Windows Media streams (mms://, MMS over HTTP, RTSP and HTTP) into seekable ASF files, keeps them in a media list and plays them.&lt;/p&gt;</source>
        <translation type="unfinished"></translation>
    </message>
</context>
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
    <message>
        <source>File</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Type</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Time</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Play</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Record</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Size</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Original File</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Recording File</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Info</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ns</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Protocol: %1</source>
        <translation>프로토콜: %1</translation>
    </message>
    <message>
        <source>Live broadcast</source>
        <translation>생방송</translation>
    </message>
    <message>
        <source>On demand</source>
        <translation>주문형</translation>
    </message>
    <message>
        <source>Duration: %1</source>
        <translation>길이: %1</translation>
    </message>
    <message>
        <source>Bit rate: %1</source>
        <translation>비트레이트: %1</translation>
    </message>
    <message>
        <source>Title: %1</source>
        <translation>제목: %1</translation>
    </message>
</context>
<context>
    <name>MediaView</name>
    <message>
        <source>Media and lists (*.asx *.wax *.wvx *.wmx *.asf *.wma *.wmv *.mp3 *.mpg *.mpeg *.avi *.kvx *.qsd);;Playlists (*.asx *.wax *.wvx *.wmx);;List files (*.kvx *.qsd);;All files (*)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Recent &amp;Files</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>New</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Open...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Open As(&amp;A)...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;URL Open...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Delete</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Modify URL </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Modify File Name...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Info</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Set Authentication...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Copy ClipBoard(&amp;C)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ASX Save(&amp;S)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ASX Save As(&amp;A)...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Only URL...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Only File...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>All...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ASX DataBank Open</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>KVX DataBank Open</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Play</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Open As</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Open</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Are you sure you want to delete this item ?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Modify URL</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>URL:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Modify File Name</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>File name:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Entry:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>List:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Set user</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The playlist could not be written.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Save List</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>KVX Files (*.kvx)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 could not be written.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 no longer exists.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>PreferencesDialog</name>
    <message>
        <source>Preferences</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>QtUserPrompts</name>
    <message>
        <source>Ok</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Save As ...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Pass</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Quit</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>All</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Save As</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>asx Files (*.asx)</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>RecordPage</name>
    <message>
        <source>...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Overwrite confirmation</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Resumable confirmation</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Save time info, if live content.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Max Size</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Max Time</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Add</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Remove</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>.ext</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Default Path</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>MB</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>M</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>S</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Player agent</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>File types kept by URL Capture</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Record</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ScreenSaverInhibitor</name>
    <message>
        <source>There is no desktop session bus.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Playing or recording media</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The screen saver refused.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>SetupPage</name>
    <message>
        <source>Allow miltiple instances</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Save Play list.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Save Position( big Screen mode )</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ToolTip</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Delete recent files</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Delete recent files</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Are you sure you want to delete all recent file(url) list?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Setup</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>UrlOpenDialog</name>
    <message>
        <source>&amp;Play</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Record</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Add</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>URL Open</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>mms://server/stream.asf</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Recent addresses...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Addresses (one per line):</source>
        <translation type="unfinished"></translation>
    </message>
</context>
</TS>
