<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ko_KR">
<context>
    <name>AdapterDialog</name>
    <message>
        <location filename="../src/ui/adapter_dialog.cpp" line="23"/>
        <source>Save</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/adapter_dialog.cpp" line="26"/>
        <source>Insert</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/adapter_dialog.cpp" line="27"/>
        <source>Delete</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/adapter_dialog.cpp" line="28"/>
        <source>HTTP</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/adapter_dialog.cpp" line="29"/>
        <source>MMS</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/adapter_dialog.cpp" line="30"/>
        <source>RTSP</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/adapter_dialog.cpp" line="32"/>
        <source>...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/adapter_dialog.cpp" line="36"/>
        <source>Select Adapter</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/adapter_dialog.cpp" line="55"/>
        <source>Keep the chosen adapter as the preselection</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/adapter_dialog.cpp" line="90"/>
        <source>a saved capture (.pcap), read instead of an adapter</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/adapter_dialog.cpp" line="92"/>
        <source>Capture File</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/adapter_dialog.cpp" line="93"/>
        <source>Capture files (*.pcap *.cap *.dmp);;All files (*)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/adapter_dialog.cpp" line="103"/>
        <source>Adapter</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/adapter_dialog.cpp" line="109"/>
        <source>Capture file:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/adapter_dialog.cpp" line="114"/>
        <source>File Type</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/adapter_dialog.cpp" line="117"/>
        <source>Insert the filetype you wish to capture url.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/adapter_dialog.cpp" line="140"/>
        <source>Brimcast lacks the rights to capture from a network adapter. Grant them once with
    %1
or run Brimcast as root. A capture file can be read without them.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/adapter_dialog.cpp" line="146"/>
        <source>
Installed from the Debian package, `sudo dpkg-reconfigure brimcast` grants them as well.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CredentialDialog</name>
    <message>
        <location filename="../src/ui/credential_dialog.cpp" line="15"/>
        <source>save?(&amp;S)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/credential_dialog.cpp" line="17"/>
        <source>Username and Password Required</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/credential_dialog.cpp" line="23"/>
        <source>Site :</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/credential_dialog.cpp" line="24"/>
        <source>User name :</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/credential_dialog.cpp" line="25"/>
        <source>Password :</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>FileInfoDialog</name>
    <message>
        <location filename="../src/ui/file_info_dialog.cpp" line="13"/>
        <source>Title</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/file_info_dialog.cpp" line="13"/>
        <source>Author</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/file_info_dialog.cpp" line="14"/>
        <source>Copyright</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/file_info_dialog.cpp" line="14"/>
        <source>Description</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/file_info_dialog.cpp" line="15"/>
        <source>Size - time</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/file_info_dialog.cpp" line="15"/>
        <source>Bit rate</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/file_info_dialog.cpp" line="16"/>
        <source>Video</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/file_info_dialog.cpp" line="16"/>
        <source>Audio</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/file_info_dialog.cpp" line="17"/>
        <source>Video codec</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/file_info_dialog.cpp" line="17"/>
        <source>Audio codec</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/file_info_dialog.cpp" line="18"/>
        <source>Path</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/file_info_dialog.cpp" line="23"/>
        <source>Error</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/file_info_dialog.cpp" line="24"/>
        <source>Not an ASF file: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/file_info_dialog.cpp" line="36"/>
        <source>File Info</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <location filename="../src/app/main_window.cpp" line="67"/>
        <source>No media playing</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/app/main_window.cpp" line="95"/>
        <source>Protect Screen Save is not available: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/app/main_window.cpp" line="118"/>
        <source>Exit(&amp;X)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/app/main_window.cpp" line="122"/>
        <source>On Top(&amp;T)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/app/main_window.cpp" line="130"/>
        <source>Protect Screen Save(&amp;V)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/app/main_window.cpp" line="134"/>
        <source>Big Screen Mode</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/app/main_window.cpp" line="140"/>
        <source>Repeat</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/app/main_window.cpp" line="146"/>
        <source>Shuffle(&amp;S)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/app/main_window.cpp" line="153"/>
        <source>&amp;Preferences...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/app/main_window.cpp" line="156"/>
        <source>CUT(&amp;C)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/app/main_window.cpp" line="158"/>
        <source>File &amp;Info...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/app/main_window.cpp" line="160"/>
        <source>File Info</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/app/main_window.cpp" line="161"/>
        <source>Video files (*.asf *.wmv *.wma);;All files (*)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/app/main_window.cpp" line="165"/>
        <source>&amp;About Brimcast</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/app/main_window.cpp" line="225"/>
        <source>failed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/app/main_window.cpp" line="230"/>
        <source>%1: %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/app/main_window.cpp" line="231"/>
        <source>Recording ended: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/app/main_window.cpp" line="522"/>
        <source>Recordings are running. Stop them and quit?

Each file is finished before the program ends.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/app/main_window.cpp" line="276"/>
        <source>URL Check</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/app/main_window.cpp" line="237"/>
        <source>&amp;File</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/app/main_window.cpp" line="244"/>
        <source>Save List</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/app/main_window.cpp" line="253"/>
        <source>&amp;Edit</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/app/main_window.cpp" line="263"/>
        <source>&amp;View</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/app/main_window.cpp" line="272"/>
        <source>&amp;Record</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/app/main_window.cpp" line="279"/>
        <source>URL Capture(&amp;H)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/app/main_window.cpp" line="283"/>
        <source>&amp;Tools</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/app/main_window.cpp" line="293"/>
        <source>&amp;Help</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/app/main_window.cpp" line="398"/>
        <source>About Brimcast</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/app/main_window.cpp" line="399"/>
        <source>&lt;b&gt;Brimcast&lt;/b&gt; %1&lt;p&gt;Records Windows Media streams (mms://, MMS over HTTP, RTSP and HTTP) into seekable ASF files, keeps them in a media list and plays them.&lt;/p&gt;</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>MediaListModel</name>
    <message>
        <location filename="../src/ui/media_list_model.cpp" line="106"/>
        <location filename="../src/app/main_window.cpp" line="216"/>
        <source>completed</source>
        <translation>완료</translation>
    </message>
    <message>
        <location filename="../src/ui/media_list_model.cpp" line="108"/>
        <location filename="../src/app/main_window.cpp" line="219"/>
        <source>cancelled</source>
        <translation>취소</translation>
    </message>
    <message>
        <location filename="../src/ui/media_list_model.cpp" line="110"/>
        <location filename="../src/app/main_window.cpp" line="222"/>
        <source>incomplete</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/media_list_model.cpp" line="195"/>
        <source>File</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/media_list_model.cpp" line="195"/>
        <source>Type</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/media_list_model.cpp" line="195"/>
        <source>Time</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/media_list_model.cpp" line="196"/>
        <source>Play</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/media_list_model.cpp" line="196"/>
        <source>Record</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/media_list_model.cpp" line="196"/>
        <source>Size</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/media_list_model.cpp" line="197"/>
        <source>Original File</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/media_list_model.cpp" line="197"/>
        <source>Recording File</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/media_list_model.cpp" line="197"/>
        <source>Info</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/media_list_model.cpp" line="198"/>
        <source>ns</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/media_list_model.cpp" line="122"/>
        <source>Protocol: %1</source>
        <translation>프로토콜: %1</translation>
    </message>
    <message>
        <location filename="../src/ui/media_list_model.cpp" line="124"/>
        <source>Live broadcast</source>
        <translation>생방송</translation>
    </message>
    <message>
        <location filename="../src/ui/media_list_model.cpp" line="126"/>
        <source>On demand</source>
        <translation>주문형</translation>
    </message>
    <message>
        <location filename="../src/ui/media_list_model.cpp" line="128"/>
        <source>Duration: %1</source>
        <translation>길이: %1</translation>
    </message>
    <message>
        <location filename="../src/ui/media_list_model.cpp" line="130"/>
        <source>Bit rate: %1</source>
        <translation>비트레이트: %1</translation>
    </message>
    <message>
        <location filename="../src/ui/media_list_model.cpp" line="132"/>
        <source>Title: %1</source>
        <translation>제목: %1</translation>
    </message>
</context>
<context>
    <name>MediaToolsDialog</name>
    <message>
        <location filename="../src/ui/media_tools_dialog.cpp" line="41"/>
        <source>Open...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/media_tools_dialog.cpp" line="45"/>
        <source>Start</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/media_tools_dialog.cpp" line="46"/>
        <source>End</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/media_tools_dialog.cpp" line="52"/>
        <location filename="../src/ui/media_tools_dialog.cpp" line="53"/>
        <source>Jump</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/media_tools_dialog.cpp" line="54"/>
        <source>Repeat</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/media_tools_dialog.cpp" line="56"/>
        <source>Browser...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/media_tools_dialog.cpp" line="57"/>
        <location filename="../src/ui/media_tools_dialog.cpp" line="118"/>
        <location filename="../src/ui/media_tools_dialog.cpp" line="332"/>
        <source>Cut</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/media_tools_dialog.cpp" line="59"/>
        <source>Play</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/media_tools_dialog.cpp" line="60"/>
        <source>Delete</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/media_tools_dialog.cpp" line="66"/>
        <source>Media Tools</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/media_tools_dialog.cpp" line="78"/>
        <source>Source :</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/media_tools_dialog.cpp" line="104"/>
        <source>Length</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/media_tools_dialog.cpp" line="109"/>
        <source>File :</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/media_tools_dialog.cpp" line="187"/>
        <source>%1 is not an ASF file: %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/media_tools_dialog.cpp" line="327"/>
        <source>Give the cut file a name.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/media_tools_dialog.cpp" line="332"/>
        <source>%1 exists. Replace it?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/media_tools_dialog.cpp" line="340"/>
        <source>Cutting...</source>
        <translation type="unfinished"></translation>
    </message>
    <message numerus="yes">
        <location filename="../src/ui/media_tools_dialog.cpp" line="354"/>
        <source>%n packet(s), %1</source>
        <translation type="unfinished">
            <numerusform></numerusform>
        </translation>
    </message>
    <message>
        <location filename="../src/ui/media_tools_dialog.cpp" line="377"/>
        <source>Cut: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/media_tools_dialog.cpp" line="377"/>
        <source>Not cut: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/media_tools_dialog.cpp" line="405"/>
        <source>Deleted %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/media_tools_dialog.cpp" line="413"/>
        <source>Cut file</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/media_tools_dialog.cpp" line="413"/>
        <source>Video files (*.asf *.wmv);;All files (*)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/media_tools_dialog.cpp" line="425"/>
        <source>Open</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/media_tools_dialog.cpp" line="426"/>
        <source>Video files (*.asf *.wmv *.wma);;All files (*)</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>MediaView</name>
    <message>
        <location filename="../src/ui/media_view.cpp" line="54"/>
        <source>Media and lists (*.asx *.wax *.wvx *.wmx *.asf *.wma *.wmv *.mp3 *.mpg *.mpeg *.avi *.kvx *.qsd);;Playlists (*.asx *.wax *.wvx *.wmx);;List files (*.kvx *.qsd);;All files (*)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/media_view.cpp" line="74"/>
        <source>Recent &amp;Files</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/media_view.cpp" line="156"/>
        <source>New</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/media_view.cpp" line="158"/>
        <source>&amp;Open...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/media_view.cpp" line="161"/>
        <source>Open As(&amp;A)...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/media_view.cpp" line="163"/>
        <source>&amp;URL Open...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/media_view.cpp" line="165"/>
        <source>Delete</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/media_view.cpp" line="167"/>
        <source>Modify URL </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/media_view.cpp" line="168"/>
        <source>Modify File Name...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/media_view.cpp" line="169"/>
        <location filename="../src/ui/media_view.cpp" line="401"/>
        <source>Info</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/media_view.cpp" line="170"/>
        <source>Set Authentication...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/media_view.cpp" line="171"/>
        <source>Copy ClipBoard(&amp;C)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/media_view.cpp" line="173"/>
        <source>ASX Save(&amp;S)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/media_view.cpp" line="176"/>
        <source>ASX Save As(&amp;A)...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/media_view.cpp" line="178"/>
        <source>Only URL...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/media_view.cpp" line="181"/>
        <source>Only File...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/media_view.cpp" line="184"/>
        <source>All...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/media_view.cpp" line="187"/>
        <source>ASX DataBank Open</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/media_view.cpp" line="190"/>
        <source>KVX DataBank Open</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/media_view.cpp" line="193"/>
        <source>Play</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/media_view.cpp" line="289"/>
        <source>Open As</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/media_view.cpp" line="289"/>
        <source>Open</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/media_view.cpp" line="353"/>
        <source>Are you sure you want to delete this item ?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/media_view.cpp" line="373"/>
        <source>Modify URL</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/media_view.cpp" line="373"/>
        <source>URL:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/media_view.cpp" line="387"/>
        <source>Modify File Name</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/media_view.cpp" line="387"/>
        <source>File name:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/media_view.cpp" line="410"/>
        <source>Entry:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/media_view.cpp" line="414"/>
        <source>List:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/media_view.cpp" line="432"/>
        <source>Set user</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/media_view.cpp" line="466"/>
        <source>The playlist could not be written.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/media_view.cpp" line="474"/>
        <source>Save List</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/media_view.cpp" line="474"/>
        <source>KVX Files (*.kvx)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/media_view.cpp" line="494"/>
        <source>%1 could not be written.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/media_view.cpp" line="566"/>
        <source>%1 no longer exists.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>PlayPage</name>
    <message>
        <location filename="../src/ui/play_page.cpp" line="12"/>
        <source>Windows Media files (.asf, .asx, .wmx) and mms:// addresses</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/play_page.cpp" line="13"/>
        <source>Windows Media audio (.wma, .wax)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/play_page.cpp" line="14"/>
        <source>Windows Media video (.wmv, .wvx)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/play_page.cpp" line="15"/>
        <source>AVI (.avi)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/play_page.cpp" line="16"/>
        <source>MPEG (.mpg, .mpeg)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/play_page.cpp" line="17"/>
        <source>List files (.kvx, .qsd)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/play_page.cpp" line="45"/>
        <source>Open with Brimcast</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/play_page.cpp" line="59"/>
        <source>Brimcast&apos;s desktop entry is not installed for this user or system, so the choices here take effect only once it is (install the package, or run cmake --install).</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/play_page.cpp" line="100"/>
        <source>File types</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/play_page.cpp" line="101"/>
        <source>Some file associations could not be saved:
%1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/play_page.h" line="21"/>
        <source>Play</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>PreferencesDialog</name>
    <message>
        <location filename="../src/ui/preferences_dialog.cpp" line="22"/>
        <source>Preferences</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>QtUserPrompts</name>
    <message>
        <location filename="../src/ui/qt_user_prompts.cpp" line="85"/>
        <source>Message</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/qt_user_prompts.cpp" line="90"/>
        <source>Ok</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/qt_user_prompts.cpp" line="91"/>
        <source>Cancel</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/qt_user_prompts.cpp" line="92"/>
        <source>Save As ...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/qt_user_prompts.cpp" line="93"/>
        <source>Pass</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/qt_user_prompts.cpp" line="94"/>
        <source>Quit</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/qt_user_prompts.cpp" line="95"/>
        <source>All</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/qt_user_prompts.cpp" line="125"/>
        <source>Save As</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/qt_user_prompts.cpp" line="131"/>
        <source>asx Files (*.asx)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/qt_user_prompts.cpp" line="137"/>
        <source>All Files (*)</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>RecordPage</name>
    <message>
        <location filename="../src/ui/record_page.cpp" line="28"/>
        <source>...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/record_page.cpp" line="29"/>
        <source>Overwrite confirmation</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/record_page.cpp" line="30"/>
        <source>Resumable confirmation</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/record_page.cpp" line="31"/>
        <source>Save time info, if live content.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/record_page.cpp" line="32"/>
        <source>Max Size</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/record_page.cpp" line="34"/>
        <source>Max Time</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/record_page.cpp" line="41"/>
        <source>Add</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/record_page.cpp" line="42"/>
        <source>Remove</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/record_page.cpp" line="53"/>
        <source>How many rows record at once; with 1 the rows record one after the other</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/record_page.cpp" line="58"/>
        <source>.ext</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/record_page.cpp" line="66"/>
        <location filename="../src/ui/record_page.cpp" line="106"/>
        <source>Default Path</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/record_page.cpp" line="75"/>
        <source>MB</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/record_page.cpp" line="80"/>
        <source>M</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/record_page.cpp" line="82"/>
        <source>S</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/record_page.cpp" line="112"/>
        <source>Player agent</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/record_page.cpp" line="115"/>
        <source>addresses at once, at most</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/record_page.cpp" line="117"/>
        <source>seconds each</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/record_page.cpp" line="119"/>
        <source>URL Check</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/record_page.cpp" line="120"/>
        <source>Parallel recordings</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/record_page.cpp" line="122"/>
        <source>File types kept by URL Capture</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/record_page.h" line="20"/>
        <source>Record</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>RecordingCommands</name>
    <message>
        <location filename="../src/ui/recording_commands.cpp" line="23"/>
        <source>Record Start</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/recording_commands.cpp" line="24"/>
        <source>Record Stop</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/recording_commands.cpp" line="48"/>
        <source>Record the selected row (Ctrl+R)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/recording_commands.cpp" line="52"/>
        <source>Stop every recording (Ctrl+.)</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ScreenSaverInhibitor</name>
    <message>
        <location filename="../src/app/screen_saver_inhibitor.cpp" line="42"/>
        <source>There is no desktop session bus.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/app/screen_saver_inhibitor.cpp" line="48"/>
        <source>Playing or recording media</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/app/screen_saver_inhibitor.cpp" line="66"/>
        <source>The screen saver refused.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>SetupPage</name>
    <message>
        <location filename="../src/ui/setup_page.cpp" line="13"/>
        <source>Allow miltiple instances</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/setup_page.cpp" line="14"/>
        <source>Save Play list.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/setup_page.cpp" line="15"/>
        <source>Save Position( big Screen mode )</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/setup_page.cpp" line="16"/>
        <source>ToolTip</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/setup_page.cpp" line="17"/>
        <source>&amp;Delete recent files</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/setup_page.cpp" line="31"/>
        <source>Delete recent files</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/setup_page.cpp" line="32"/>
        <source>Are you sure you want to delete all recent file(url) list?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/setup_page.h" line="14"/>
        <source>Setup</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>UrlCaptureCommands</name>
    <message>
        <location filename="../src/ui/url_capture_commands.cpp" line="31"/>
        <source>Start(&amp;S)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/url_capture_commands.cpp" line="32"/>
        <source>Stop(&amp;T)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/url_capture_commands.cpp" line="44"/>
        <source>Add the stream addresses other players request (Ctrl+Z)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/url_capture_commands.cpp" line="63"/>
        <source>● Capturing: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/url_capture_commands.cpp" line="64"/>
        <source>URL Capture is running on %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/url_capture_commands.cpp" line="80"/>
        <location filename="../src/ui/url_capture_commands.cpp" line="141"/>
        <source>URL Capture</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>UrlCheckCommands</name>
    <message>
        <location filename="../src/ui/url_check_commands.cpp" line="15"/>
        <source>Start</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/url_check_commands.cpp" line="16"/>
        <source>Stop</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/url_check_commands.cpp" line="30"/>
        <source>Check which network rows can be reached, from the selected row on</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>UrlOpenDialog</name>
    <message>
        <location filename="../src/ui/url_open_dialog.cpp" line="14"/>
        <source>&amp;Play</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/url_open_dialog.cpp" line="15"/>
        <source>&amp;Record</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/url_open_dialog.cpp" line="16"/>
        <source>&amp;Add</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/url_open_dialog.cpp" line="18"/>
        <source>URL Open</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/url_open_dialog.cpp" line="19"/>
        <source>mms://server/stream.asf</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/url_open_dialog.cpp" line="26"/>
        <source>Recent addresses...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/url_open_dialog.cpp" line="54"/>
        <source>Addresses (one per line):</source>
        <translation type="unfinished"></translation>
    </message>
</context>
</TS>
