<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ko_KR">
<context>
    <name>AdapterDialog</name>
    <message>
        <location filename="../src/ui/adapter_dialog.cpp" line="23"/>
        <source>Save</source>
        <translation>저장</translation>
    </message>
    <message>
        <location filename="../src/ui/adapter_dialog.cpp" line="26"/>
        <source>Insert</source>
        <translation>추가</translation>
    </message>
    <message>
        <location filename="../src/ui/adapter_dialog.cpp" line="27"/>
        <source>Delete</source>
        <translation>삭제</translation>
    </message>
    <message>
        <location filename="../src/ui/adapter_dialog.cpp" line="28"/>
        <source>HTTP</source>
        <translation>HTTP</translation>
    </message>
    <message>
        <location filename="../src/ui/adapter_dialog.cpp" line="29"/>
        <source>MMS</source>
        <translation>MMS</translation>
    </message>
    <message>
        <location filename="../src/ui/adapter_dialog.cpp" line="30"/>
        <source>RTSP</source>
        <translation>RTSP</translation>
    </message>
    <message>
        <location filename="../src/ui/adapter_dialog.cpp" line="32"/>
        <source>...</source>
        <translation>...</translation>
    </message>
    <message>
        <location filename="../src/ui/adapter_dialog.cpp" line="36"/>
        <source>Select Adapter</source>
        <translation>어댑터 선택</translation>
    </message>
    <message>
        <location filename="../src/ui/adapter_dialog.cpp" line="55"/>
        <source>Keep the chosen adapter as the preselection</source>
        <translation>선택한 어댑터를 다음에도 미리 선택</translation>
    </message>
    <message>
        <location filename="../src/ui/adapter_dialog.cpp" line="90"/>
        <source>a saved capture (.pcap), read instead of an adapter</source>
        <translation>어댑터 대신 읽을 저장된 캡처 파일(.pcap)</translation>
    </message>
    <message>
        <location filename="../src/ui/adapter_dialog.cpp" line="92"/>
        <source>Capture File</source>
        <translation>캡처 파일</translation>
    </message>
    <message>
        <location filename="../src/ui/adapter_dialog.cpp" line="93"/>
        <source>Capture files (*.pcap *.cap *.dmp);;All files (*)</source>
        <translation>캡처 파일 (*.pcap *.cap *.dmp);;모든 파일 (*)</translation>
    </message>
    <message>
        <location filename="../src/ui/adapter_dialog.cpp" line="103"/>
        <source>Adapter</source>
        <translation>어댑터</translation>
    </message>
    <message>
        <location filename="../src/ui/adapter_dialog.cpp" line="109"/>
        <source>Capture file:</source>
        <translation>캡처 파일:</translation>
    </message>
    <message>
        <location filename="../src/ui/adapter_dialog.cpp" line="114"/>
        <source>File Type</source>
        <translation>파일 형식</translation>
    </message>
    <message>
        <location filename="../src/ui/adapter_dialog.cpp" line="117"/>
        <source>Insert the filetype you wish to capture url.</source>
        <translation>URL을 캡처할 파일 형식을 추가하세요.</translation>
    </message>
    <message>
        <location filename="../src/ui/adapter_dialog.cpp" line="140"/>
        <source>Capturing from a network adapter is done by the capture helper %1, which needs the cap_net_raw capability (or root); Brimcast itself never holds it. A capture file can be read without it.</source>
        <translation>네트워크 어댑터 캡처는 캡처 도우미 %1이(가) 맡으며, 이 도우미에는 cap_net_raw 권한(또는 root)이 필요합니다. Brimcast 자체는 이 권한을 갖지 않습니다. 캡처 파일은 권한 없이도 읽을 수 있습니다.</translation>
    </message>
    <message>
        <location filename="../src/ui/adapter_dialog.cpp" line="146"/>
        <source>
Installed from the Debian package, `sudo dpkg-reconfigure brimcast` grants it to the members of the group %1; join it with `sudo adduser $USER %1` and log in again.</source>
        <translation>
데비안 패키지로 설치했다면 `sudo dpkg-reconfigure brimcast`가 %1 그룹 구성원에게 권한을 줍니다. `sudo adduser $USER %1`로 그룹에 들어간 뒤 다시 로그인하세요.</translation>
    </message>
    <message>
        <location filename="../src/ui/adapter_dialog.cpp" line="150"/>
        <source>
Grant it once with
    %1</source>
        <translation>
다음 명령으로 한 번 권한을 주세요:
    %1</translation>
    </message>
</context>
<context>
    <name>CredentialDialog</name>
    <message>
        <location filename="../src/ui/credential_dialog.cpp" line="15"/>
        <source>save?(&amp;S)</source>
        <translation>저장(&amp;S)</translation>
    </message>
    <message>
        <location filename="../src/ui/credential_dialog.cpp" line="17"/>
        <source>Username and Password Required</source>
        <translation>사용자 이름과 암호가 필요합니다</translation>
    </message>
    <message>
        <location filename="../src/ui/credential_dialog.cpp" line="23"/>
        <source>Site :</source>
        <translation>사이트 :</translation>
    </message>
    <message>
        <location filename="../src/ui/credential_dialog.cpp" line="24"/>
        <source>User name :</source>
        <translation>사용자 이름 :</translation>
    </message>
    <message>
        <location filename="../src/ui/credential_dialog.cpp" line="25"/>
        <source>Password :</source>
        <translation>암호 :</translation>
    </message>
</context>
<context>
    <name>FileInfoDialog</name>
    <message>
        <location filename="../src/ui/file_info_dialog.cpp" line="13"/>
        <source>Title</source>
        <translation>제목</translation>
    </message>
    <message>
        <location filename="../src/ui/file_info_dialog.cpp" line="13"/>
        <source>Author</source>
        <translation>작성자</translation>
    </message>
    <message>
        <location filename="../src/ui/file_info_dialog.cpp" line="14"/>
        <source>Copyright</source>
        <translation>저작권</translation>
    </message>
    <message>
        <location filename="../src/ui/file_info_dialog.cpp" line="14"/>
        <source>Description</source>
        <translation>설명</translation>
    </message>
    <message>
        <location filename="../src/ui/file_info_dialog.cpp" line="15"/>
        <source>Size - time</source>
        <translation>크기 - 시간</translation>
    </message>
    <message>
        <location filename="../src/ui/file_info_dialog.cpp" line="15"/>
        <source>Bit rate</source>
        <translation>비트레이트</translation>
    </message>
    <message>
        <location filename="../src/ui/file_info_dialog.cpp" line="16"/>
        <source>Video</source>
        <translation>비디오</translation>
    </message>
    <message>
        <location filename="../src/ui/file_info_dialog.cpp" line="16"/>
        <source>Audio</source>
        <translation>오디오</translation>
    </message>
    <message>
        <location filename="../src/ui/file_info_dialog.cpp" line="17"/>
        <source>Video codec</source>
        <translation>비디오 코덱</translation>
    </message>
    <message>
        <location filename="../src/ui/file_info_dialog.cpp" line="17"/>
        <source>Audio codec</source>
        <translation>오디오 코덱</translation>
    </message>
    <message>
        <location filename="../src/ui/file_info_dialog.cpp" line="18"/>
        <source>Path</source>
        <translation>경로</translation>
    </message>
    <message>
        <location filename="../src/ui/file_info_dialog.cpp" line="23"/>
        <source>Error</source>
        <translation>오류</translation>
    </message>
    <message>
        <location filename="../src/ui/file_info_dialog.cpp" line="24"/>
        <source>Not an ASF file: %1</source>
        <translation>ASF 파일이 아닙니다: %1</translation>
    </message>
    <message>
        <location filename="../src/ui/file_info_dialog.cpp" line="36"/>
        <source>File Info</source>
        <translation>파일 정보</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <location filename="../src/app/main_window.cpp" line="81"/>
        <source>No media playing</source>
        <translation>재생 중인 미디어 없음</translation>
    </message>
    <message>
        <location filename="../src/app/main_window.cpp" line="109"/>
        <source>Protect Screen Save is not available: %1</source>
        <translation>화면 보호기 막기를 사용할 수 없습니다: %1</translation>
    </message>
    <message>
        <location filename="../src/app/main_window.cpp" line="132"/>
        <source>Exit(&amp;X)</source>
        <translation>끝내기(&amp;X)</translation>
    </message>
    <message>
        <location filename="../src/app/main_window.cpp" line="136"/>
        <source>On Top(&amp;T)</source>
        <translation>항상 위(&amp;T)</translation>
    </message>
    <message>
        <location filename="../src/app/main_window.cpp" line="144"/>
        <source>Protect Screen Save(&amp;V)</source>
        <translation>화면 보호기 막기(&amp;V)</translation>
    </message>
    <message>
        <location filename="../src/app/main_window.cpp" line="148"/>
        <source>Big Screen Mode</source>
        <translation>큰 화면 모드</translation>
    </message>
    <message>
        <location filename="../src/app/main_window.cpp" line="154"/>
        <source>Repeat</source>
        <translation>반복</translation>
    </message>
    <message>
        <location filename="../src/app/main_window.cpp" line="160"/>
        <source>Shuffle(&amp;S)</source>
        <translation>무작위 재생(&amp;S)</translation>
    </message>
    <message>
        <location filename="../src/app/main_window.cpp" line="167"/>
        <source>&amp;Preferences...</source>
        <translation>환경 설정(&amp;P)...</translation>
    </message>
    <message>
        <location filename="../src/app/main_window.cpp" line="174"/>
        <source>CUT(&amp;C)</source>
        <translation>자르기(&amp;C)</translation>
    </message>
    <message>
        <location filename="../src/app/main_window.cpp" line="176"/>
        <source>File &amp;Info...</source>
        <translation>파일 정보(&amp;I)...</translation>
    </message>
    <message>
        <location filename="../src/app/main_window.cpp" line="178"/>
        <source>File Info</source>
        <translation>파일 정보</translation>
    </message>
    <message>
        <location filename="../src/app/main_window.cpp" line="178"/>
        <source>Video files (*.asf *.wmv *.wma);;All files (*)</source>
        <translation>동영상 파일 (*.asf *.wmv *.wma);;모든 파일 (*)</translation>
    </message>
    <message>
        <location filename="../src/app/main_window.cpp" line="189"/>
        <source>&amp;About Brimcast</source>
        <translation>Brimcast 정보(&amp;A)</translation>
    </message>
    <message>
        <location filename="../src/app/main_window.cpp" line="249"/>
        <source>failed</source>
        <translation>실패</translation>
    </message>
    <message>
        <location filename="../src/app/main_window.cpp" line="254"/>
        <source>%1: %2</source>
        <translation>%1: %2</translation>
    </message>
    <message>
        <location filename="../src/app/main_window.cpp" line="255"/>
        <source>Recording ended: %1</source>
        <translation>녹화 끝: %1</translation>
    </message>
    <message>
        <location filename="../src/app/main_window.cpp" line="552"/>
        <source>%1 - %2</source>
        <translation>%1 - %2</translation>
    </message>
    <message>
        <location filename="../src/app/main_window.cpp" line="568"/>
        <source>Recordings are running. Stop them and quit?

Each file is finished before the program ends.</source>
        <translation>녹화가 진행 중입니다. 녹화를 멈추고 끝낼까요?

프로그램이 끝나기 전에 각 파일을 마무리합니다.</translation>
    </message>
    <message>
        <location filename="../src/app/main_window.cpp" line="300"/>
        <source>URL Check</source>
        <translation>URL 확인</translation>
    </message>
    <message>
        <location filename="../src/app/main_window.cpp" line="261"/>
        <source>&amp;File</source>
        <translation>파일(&amp;F)</translation>
    </message>
    <message>
        <location filename="../src/app/main_window.cpp" line="268"/>
        <source>Save List</source>
        <translation>목록 저장</translation>
    </message>
    <message>
        <location filename="../src/app/main_window.cpp" line="277"/>
        <source>&amp;Edit</source>
        <translation>편집(&amp;E)</translation>
    </message>
    <message>
        <location filename="../src/app/main_window.cpp" line="287"/>
        <source>&amp;View</source>
        <translation>보기(&amp;V)</translation>
    </message>
    <message>
        <location filename="../src/app/main_window.cpp" line="296"/>
        <source>&amp;Record</source>
        <translation>녹화(&amp;R)</translation>
    </message>
    <message>
        <location filename="../src/app/main_window.cpp" line="303"/>
        <source>URL Capture(&amp;H)</source>
        <translation>URL 캡처(&amp;H)</translation>
    </message>
    <message>
        <location filename="../src/app/main_window.cpp" line="307"/>
        <source>&amp;Tools</source>
        <translation>도구(&amp;T)</translation>
    </message>
    <message>
        <location filename="../src/app/main_window.cpp" line="317"/>
        <source>&amp;Help</source>
        <translation>도움말(&amp;H)</translation>
    </message>
    <message>
        <location filename="../src/app/main_window.cpp" line="430"/>
        <source>About Brimcast</source>
        <translation>Brimcast 정보</translation>
    </message>
    <message>
        <location filename="../src/app/main_window.cpp" line="431"/>
        <source>&lt;b&gt;Brimcast&lt;/b&gt; %1&lt;p&gt;Records Windows Media streams (mms://, MMS over HTTP, RTSP and HTTP) into seekable ASF files, keeps them in a media list and plays them.&lt;/p&gt;</source>
        <translation>&lt;b&gt;Brimcast&lt;/b&gt; %1&lt;p&gt;Windows Media 스트림(mms://, HTTP를 통한 MMS, RTSP, HTTP)을 탐색할 수 있는 ASF 파일로 녹화하고, 미디어 목록에 담아 재생합니다.&lt;/p&gt;</translation>
    </message>
</context>
<context>
    <name>MediaListModel</name>
    <message>
        <location filename="../src/app/main_window.cpp" line="240"/>
        <location filename="../src/ui/media_list_model.cpp" line="153"/>
        <source>completed</source>
        <translation>완료</translation>
    </message>
    <message>
        <location filename="../src/app/main_window.cpp" line="243"/>
        <location filename="../src/ui/media_list_model.cpp" line="155"/>
        <source>cancelled</source>
        <translation>취소</translation>
    </message>
    <message>
        <location filename="../src/app/main_window.cpp" line="246"/>
        <location filename="../src/ui/media_list_model.cpp" line="157"/>
        <source>incomplete</source>
        <translation>미완료</translation>
    </message>
    <message>
        <location filename="../src/ui/media_list_model.cpp" line="311"/>
        <source>File</source>
        <translation>파일</translation>
    </message>
    <message>
        <location filename="../src/ui/media_list_model.cpp" line="311"/>
        <source>Type</source>
        <translation>형식</translation>
    </message>
    <message>
        <location filename="../src/ui/media_list_model.cpp" line="311"/>
        <source>Time</source>
        <translation>시간</translation>
    </message>
    <message>
        <location filename="../src/ui/media_list_model.cpp" line="312"/>
        <source>Play</source>
        <translation>재생</translation>
    </message>
    <message>
        <location filename="../src/ui/media_list_model.cpp" line="312"/>
        <source>Record</source>
        <translation>녹화</translation>
    </message>
    <message>
        <location filename="../src/ui/media_list_model.cpp" line="312"/>
        <source>Size</source>
        <translation>크기</translation>
    </message>
    <message>
        <location filename="../src/ui/media_list_model.cpp" line="313"/>
        <source>Original File</source>
        <translation>원본 파일</translation>
    </message>
    <message>
        <location filename="../src/ui/media_list_model.cpp" line="313"/>
        <source>Recording File</source>
        <translation>녹화 파일</translation>
    </message>
    <message>
        <location filename="../src/ui/media_list_model.cpp" line="313"/>
        <source>Info</source>
        <translation>정보</translation>
    </message>
    <message>
        <location filename="../src/ui/media_list_model.cpp" line="314"/>
        <source>ns</source>
        <translation>ns</translation>
    </message>
    <message>
        <location filename="../src/ui/media_list_model.cpp" line="169"/>
        <source>Protocol: %1</source>
        <translation>프로토콜: %1</translation>
    </message>
    <message>
        <location filename="../src/ui/media_list_model.cpp" line="24"/>
        <source>Connecting</source>
        <translation>연결 중</translation>
    </message>
    <message>
        <location filename="../src/ui/media_list_model.cpp" line="25"/>
        <source>Received Head</source>
        <translation>헤더 받음</translation>
    </message>
    <message>
        <location filename="../src/ui/media_list_model.cpp" line="26"/>
        <source>Checking</source>
        <translation>확인 중</translation>
    </message>
    <message>
        <location filename="../src/ui/media_list_model.cpp" line="27"/>
        <source>Ok</source>
        <translation>정상</translation>
    </message>
    <message>
        <location filename="../src/ui/media_list_model.cpp" line="28"/>
        <source>Error</source>
        <translation>오류</translation>
    </message>
    <message>
        <location filename="../src/ui/media_list_model.cpp" line="52"/>
        <source>reconnecting (%1)</source>
        <translation>다시 연결 중 (%1)</translation>
    </message>
    <message>
        <location filename="../src/ui/media_list_model.cpp" line="171"/>
        <source>Live broadcast</source>
        <translation>생방송</translation>
    </message>
    <message>
        <location filename="../src/ui/media_list_model.cpp" line="173"/>
        <source>On demand</source>
        <translation>주문형</translation>
    </message>
    <message>
        <location filename="../src/ui/media_list_model.cpp" line="175"/>
        <source>Duration: %1</source>
        <translation>길이: %1</translation>
    </message>
    <message>
        <location filename="../src/ui/media_list_model.cpp" line="177"/>
        <source>Bit rate: %1</source>
        <translation>비트레이트: %1</translation>
    </message>
    <message>
        <location filename="../src/ui/media_list_model.cpp" line="179"/>
        <source>Title: %1</source>
        <translation>제목: %1</translation>
    </message>
    <message>
        <location filename="../src/ui/media_list_model.cpp" line="275"/>
        <source>Local file</source>
        <translation>로컬 파일</translation>
    </message>
    <message>
        <location filename="../src/ui/media_list_model.cpp" line="277"/>
        <source>Network address, recorded</source>
        <translation>네트워크 주소, 녹화됨</translation>
    </message>
    <message>
        <location filename="../src/ui/media_list_model.cpp" line="279"/>
        <source>Network address</source>
        <translation>네트워크 주소</translation>
    </message>
</context>
<context>
    <name>MediaToolsDialog</name>
    <message>
        <location filename="../src/ui/media_tools_dialog.cpp" line="44"/>
        <source>Open...</source>
        <translation>열기...</translation>
    </message>
    <message>
        <location filename="../src/ui/media_tools_dialog.cpp" line="49"/>
        <source>Start</source>
        <translation>시작</translation>
    </message>
    <message>
        <location filename="../src/ui/media_tools_dialog.cpp" line="50"/>
        <source>End</source>
        <translation>끝</translation>
    </message>
    <message>
        <location filename="../src/ui/media_tools_dialog.cpp" line="56"/>
        <location filename="../src/ui/media_tools_dialog.cpp" line="57"/>
        <source>Jump</source>
        <translation>이동</translation>
    </message>
    <message>
        <location filename="../src/ui/media_tools_dialog.cpp" line="58"/>
        <source>Repeat</source>
        <translation>반복</translation>
    </message>
    <message>
        <location filename="../src/ui/media_tools_dialog.cpp" line="60"/>
        <source>Browser...</source>
        <translation>찾아보기...</translation>
    </message>
    <message>
        <location filename="../src/ui/media_tools_dialog.cpp" line="61"/>
        <location filename="../src/ui/media_tools_dialog.cpp" line="134"/>
        <location filename="../src/ui/media_tools_dialog.cpp" line="419"/>
        <source>Cut</source>
        <translation>자르기</translation>
    </message>
    <message>
        <location filename="../src/ui/media_tools_dialog.cpp" line="46"/>
        <location filename="../src/ui/media_tools_dialog.cpp" line="63"/>
        <location filename="../src/ui/media_tools_dialog.cpp" line="388"/>
        <source>Play</source>
        <translation>재생</translation>
    </message>
    <message>
        <location filename="../src/ui/media_tools_dialog.cpp" line="64"/>
        <source>Delete</source>
        <translation>삭제</translation>
    </message>
    <message>
        <location filename="../src/ui/media_tools_dialog.cpp" line="70"/>
        <source>Media Tools</source>
        <translation>미디어 도구</translation>
    </message>
    <message>
        <location filename="../src/ui/media_tools_dialog.cpp" line="89"/>
        <source>Source :</source>
        <translation>원본 :</translation>
    </message>
    <message>
        <location filename="../src/ui/media_tools_dialog.cpp" line="118"/>
        <source>Length</source>
        <translation>길이</translation>
    </message>
    <message>
        <location filename="../src/ui/media_tools_dialog.cpp" line="123"/>
        <source>File :</source>
        <translation>파일 :</translation>
    </message>
    <message>
        <location filename="../src/ui/media_tools_dialog.cpp" line="218"/>
        <source>Play or pause the preview</source>
        <translation>미리 보기 재생 또는 일시 정지</translation>
    </message>
    <message>
        <location filename="../src/ui/media_tools_dialog.cpp" line="219"/>
        <source>Position (seconds)</source>
        <translation>위치(초)</translation>
    </message>
    <message>
        <location filename="../src/ui/media_tools_dialog.cpp" line="220"/>
        <source>Start at the position</source>
        <translation>현재 위치를 시작으로</translation>
    </message>
    <message>
        <location filename="../src/ui/media_tools_dialog.cpp" line="221"/>
        <source>End at the position</source>
        <translation>현재 위치를 끝으로</translation>
    </message>
    <message>
        <location filename="../src/ui/media_tools_dialog.cpp" line="222"/>
        <source>Start (seconds)</source>
        <translation>시작(초)</translation>
    </message>
    <message>
        <location filename="../src/ui/media_tools_dialog.cpp" line="223"/>
        <source>End (seconds)</source>
        <translation>끝(초)</translation>
    </message>
    <message>
        <location filename="../src/ui/media_tools_dialog.cpp" line="224"/>
        <source>Start time</source>
        <translation>시작 시간</translation>
    </message>
    <message>
        <location filename="../src/ui/media_tools_dialog.cpp" line="225"/>
        <source>End time</source>
        <translation>끝 시간</translation>
    </message>
    <message>
        <location filename="../src/ui/media_tools_dialog.cpp" line="226"/>
        <source>Jump to the start</source>
        <translation>시작 위치로 이동</translation>
    </message>
    <message>
        <location filename="../src/ui/media_tools_dialog.cpp" line="227"/>
        <source>Jump to the end</source>
        <translation>끝 위치로 이동</translation>
    </message>
    <message>
        <location filename="../src/ui/media_tools_dialog.cpp" line="228"/>
        <source>Cut progress</source>
        <translation>자르기 진행률</translation>
    </message>
    <message>
        <location filename="../src/ui/media_tools_dialog.cpp" line="229"/>
        <source>Play the cut file</source>
        <translation>잘라 낸 파일 재생</translation>
    </message>
    <message>
        <location filename="../src/ui/media_tools_dialog.cpp" line="230"/>
        <source>Delete the cut file</source>
        <translation>잘라 낸 파일 삭제</translation>
    </message>
    <message>
        <location filename="../src/ui/media_tools_dialog.cpp" line="241"/>
        <source>%1 is not an ASF file: %2</source>
        <translation>%1은(는) ASF 파일이 아닙니다: %2</translation>
    </message>
    <message>
        <location filename="../src/ui/media_tools_dialog.cpp" line="388"/>
        <source>Pause</source>
        <translation>일시 정지</translation>
    </message>
    <message>
        <location filename="../src/ui/media_tools_dialog.cpp" line="406"/>
        <source>Give the cut file a name.</source>
        <translation>잘라 낸 파일의 이름을 입력하세요.</translation>
    </message>
    <message>
        <location filename="../src/ui/media_tools_dialog.cpp" line="419"/>
        <source>%1 exists. Replace it?</source>
        <translation>%1이(가) 이미 있습니다. 바꿀까요?</translation>
    </message>
    <message>
        <location filename="../src/ui/media_tools_dialog.cpp" line="427"/>
        <source>Cutting...</source>
        <translation>자르는 중...</translation>
    </message>
    <message numerus="yes">
        <location filename="../src/ui/media_tools_dialog.cpp" line="441"/>
        <source>%n packet(s), %1</source>
        <translation>
            <numerusform>패킷 %n개, %1</numerusform>
        </translation>
    </message>
    <message>
        <location filename="../src/ui/media_tools_dialog.cpp" line="464"/>
        <source>Cut: %1</source>
        <translation>잘라 냄: %1</translation>
    </message>
    <message>
        <location filename="../src/ui/media_tools_dialog.cpp" line="464"/>
        <source>Not cut: %1</source>
        <translation>자르지 못함: %1</translation>
    </message>
    <message>
        <location filename="../src/ui/media_tools_dialog.cpp" line="492"/>
        <source>Deleted %1</source>
        <translation>%1 삭제함</translation>
    </message>
    <message>
        <location filename="../src/ui/media_tools_dialog.cpp" line="500"/>
        <source>Cut file</source>
        <translation>잘라 낸 파일</translation>
    </message>
    <message>
        <location filename="../src/ui/media_tools_dialog.cpp" line="500"/>
        <source>Video files (*.asf *.wmv);;All files (*)</source>
        <translation>동영상 파일 (*.asf *.wmv);;모든 파일 (*)</translation>
    </message>
    <message>
        <location filename="../src/ui/media_tools_dialog.cpp" line="512"/>
        <source>Open</source>
        <translation>열기</translation>
    </message>
    <message>
        <location filename="../src/ui/media_tools_dialog.cpp" line="513"/>
        <source>Video files (*.asf *.wmv *.wma);;All files (*)</source>
        <translation>동영상 파일 (*.asf *.wmv *.wma);;모든 파일 (*)</translation>
    </message>
</context>
<context>
    <name>MediaView</name>
    <message>
        <location filename="../src/ui/media_view.cpp" line="56"/>
        <source>Media and lists (*.asx *.wax *.wvx *.wmx *.asf *.wma *.wmv *.mp3 *.mpg *.mpeg *.avi *.kvx *.qsd);;Playlists (*.asx *.wax *.wvx *.wmx);;List files (*.kvx *.qsd);;All files (*)</source>
        <translation>미디어와 목록 (*.asx *.wax *.wvx *.wmx *.asf *.wma *.wmv *.mp3 *.mpg *.mpeg *.avi *.kvx *.qsd);;재생 목록 (*.asx *.wax *.wvx *.wmx);;목록 파일 (*.kvx *.qsd);;모든 파일 (*)</translation>
    </message>
    <message>
        <location filename="../src/ui/media_view.cpp" line="77"/>
        <source>Recent &amp;Files</source>
        <translation>최근 파일(&amp;F)</translation>
    </message>
    <message>
        <location filename="../src/ui/media_view.cpp" line="88"/>
        <source>Media list</source>
        <translation>미디어 목록</translation>
    </message>
    <message>
        <location filename="../src/ui/media_view.cpp" line="176"/>
        <source>New</source>
        <translation>새 목록</translation>
    </message>
    <message>
        <location filename="../src/ui/media_view.cpp" line="178"/>
        <source>&amp;Open...</source>
        <translation>열기(&amp;O)...</translation>
    </message>
    <message>
        <location filename="../src/ui/media_view.cpp" line="181"/>
        <source>Open As(&amp;A)...</source>
        <translation>추가로 열기(&amp;A)...</translation>
    </message>
    <message>
        <location filename="../src/ui/media_view.cpp" line="183"/>
        <source>&amp;URL Open...</source>
        <translation>URL 열기(&amp;U)...</translation>
    </message>
    <message>
        <location filename="../src/ui/media_view.cpp" line="185"/>
        <source>Delete</source>
        <translation>삭제</translation>
    </message>
    <message>
        <location filename="../src/ui/media_view.cpp" line="187"/>
        <source>Modify URL </source>
        <translation>URL 수정 </translation>
    </message>
    <message>
        <location filename="../src/ui/media_view.cpp" line="188"/>
        <source>Modify File Name...</source>
        <translation>파일 이름 수정...</translation>
    </message>
    <message>
        <location filename="../src/ui/media_view.cpp" line="189"/>
        <location filename="../src/ui/media_view.cpp" line="448"/>
        <source>Info</source>
        <translation>정보</translation>
    </message>
    <message>
        <location filename="../src/ui/media_view.cpp" line="190"/>
        <source>Set Authentication...</source>
        <translation>인증 설정...</translation>
    </message>
    <message>
        <location filename="../src/ui/media_view.cpp" line="191"/>
        <source>Copy ClipBoard(&amp;C)</source>
        <translation>클립보드로 복사(&amp;C)</translation>
    </message>
    <message>
        <location filename="../src/ui/media_view.cpp" line="193"/>
        <source>ASX Save(&amp;S)</source>
        <translation>ASX 저장(&amp;S)</translation>
    </message>
    <message>
        <location filename="../src/ui/media_view.cpp" line="197"/>
        <source>ASX Save As(&amp;V)...</source>
        <translation>ASX 다른 이름으로 저장(&amp;V)...</translation>
    </message>
    <message>
        <location filename="../src/ui/media_view.cpp" line="199"/>
        <source>Only URL...</source>
        <translation>URL만...</translation>
    </message>
    <message>
        <location filename="../src/ui/media_view.cpp" line="202"/>
        <source>Only File...</source>
        <translation>파일만...</translation>
    </message>
    <message>
        <location filename="../src/ui/media_view.cpp" line="205"/>
        <source>All...</source>
        <translation>모두...</translation>
    </message>
    <message>
        <location filename="../src/ui/media_view.cpp" line="208"/>
        <source>ASX DataBank Open</source>
        <translation>ASX 자료실 열기</translation>
    </message>
    <message>
        <location filename="../src/ui/media_view.cpp" line="211"/>
        <source>KVX DataBank Open</source>
        <translation>KVX 자료실 열기</translation>
    </message>
    <message>
        <location filename="../src/ui/media_view.cpp" line="214"/>
        <source>Play</source>
        <translation>재생</translation>
    </message>
    <message>
        <location filename="../src/ui/media_view.cpp" line="328"/>
        <source>Clear the list?

Rows that record or play stay.</source>
        <translation>목록을 비울까요?

녹화 중이거나 재생 중인 행은 남습니다.</translation>
    </message>
    <message>
        <location filename="../src/ui/media_view.cpp" line="336"/>
        <source>Open As</source>
        <translation>추가로 열기</translation>
    </message>
    <message>
        <location filename="../src/ui/media_view.cpp" line="336"/>
        <source>Open</source>
        <translation>열기</translation>
    </message>
    <message>
        <location filename="../src/ui/media_view.cpp" line="400"/>
        <source>Are you sure you want to delete this item ?</source>
        <translation>이 항목을 삭제하시겠습니까?</translation>
    </message>
    <message>
        <location filename="../src/ui/media_view.cpp" line="420"/>
        <source>Modify URL</source>
        <translation>URL 수정</translation>
    </message>
    <message>
        <location filename="../src/ui/media_view.cpp" line="420"/>
        <source>URL:</source>
        <translation>URL:</translation>
    </message>
    <message>
        <location filename="../src/ui/media_view.cpp" line="434"/>
        <source>Modify File Name</source>
        <translation>파일 이름 수정</translation>
    </message>
    <message>
        <location filename="../src/ui/media_view.cpp" line="434"/>
        <source>File name:</source>
        <translation>파일 이름:</translation>
    </message>
    <message>
        <location filename="../src/ui/media_view.cpp" line="457"/>
        <source>Entry:</source>
        <translation>항목:</translation>
    </message>
    <message>
        <location filename="../src/ui/media_view.cpp" line="461"/>
        <source>List:</source>
        <translation>목록:</translation>
    </message>
    <message>
        <location filename="../src/ui/media_view.cpp" line="479"/>
        <source>Set user</source>
        <translation>사용자 설정</translation>
    </message>
    <message>
        <location filename="../src/ui/media_view.cpp" line="516"/>
        <source>The playlist could not be written.</source>
        <translation>재생 목록을 쓸 수 없습니다.</translation>
    </message>
    <message>
        <location filename="../src/ui/media_view.cpp" line="524"/>
        <source>Save List</source>
        <translation>목록 저장</translation>
    </message>
    <message>
        <location filename="../src/ui/media_view.cpp" line="524"/>
        <source>KVX Files (*.kvx)</source>
        <translation>KVX 파일 (*.kvx)</translation>
    </message>
    <message>
        <location filename="../src/ui/media_view.cpp" line="544"/>
        <source>%1 could not be written.</source>
        <translation>%1을(를) 쓸 수 없습니다.</translation>
    </message>
    <message>
        <location filename="../src/ui/media_view.cpp" line="617"/>
        <source>%1 no longer exists.</source>
        <translation>%1이(가) 더 이상 없습니다.</translation>
    </message>
</context>
<context>
    <name>PlayPage</name>
    <message>
        <location filename="../src/ui/play_page.cpp" line="12"/>
        <source>Windows Media files (.asf, .asx, .wmx) and mms:// addresses</source>
        <translation>Windows Media 파일(.asf, .asx, .wmx)과 mms:// 주소</translation>
    </message>
    <message>
        <location filename="../src/ui/play_page.cpp" line="13"/>
        <source>Windows Media audio (.wma, .wax)</source>
        <translation>Windows Media 오디오(.wma, .wax)</translation>
    </message>
    <message>
        <location filename="../src/ui/play_page.cpp" line="14"/>
        <source>Windows Media video (.wmv, .wvx)</source>
        <translation>Windows Media 비디오(.wmv, .wvx)</translation>
    </message>
    <message>
        <location filename="../src/ui/play_page.cpp" line="15"/>
        <source>AVI (.avi)</source>
        <translation>AVI 동영상(.avi)</translation>
    </message>
    <message>
        <location filename="../src/ui/play_page.cpp" line="16"/>
        <source>MPEG (.mpg, .mpeg)</source>
        <translation>MPEG 동영상(.mpg, .mpeg)</translation>
    </message>
    <message>
        <location filename="../src/ui/play_page.cpp" line="17"/>
        <source>List files (.kvx, .qsd)</source>
        <translation>목록 파일(.kvx, .qsd)</translation>
    </message>
    <message>
        <location filename="../src/ui/play_page.cpp" line="45"/>
        <source>Open with Brimcast</source>
        <translation>Brimcast로 열기</translation>
    </message>
    <message>
        <location filename="../src/ui/play_page.cpp" line="59"/>
        <source>Brimcast&apos;s desktop entry is not installed for this user or system, so the choices here take effect only once it is (install the package, or run cmake --install).</source>
        <translation>Brimcast의 데스크톱 항목이 이 사용자나 시스템에 설치되어 있지 않아, 여기서 고른 설정은 설치한 뒤에야 적용됩니다(패키지를 설치하거나 cmake --install을 실행하세요).</translation>
    </message>
    <message>
        <location filename="../src/ui/play_page.cpp" line="100"/>
        <source>File types</source>
        <translation>파일 형식</translation>
    </message>
    <message>
        <location filename="../src/ui/play_page.cpp" line="101"/>
        <source>Some file associations could not be saved:
%1</source>
        <translation>일부 파일 연결을 저장하지 못했습니다:
%1</translation>
    </message>
    <message>
        <location filename="../src/ui/play_page.h" line="21"/>
        <source>Play</source>
        <translation>재생</translation>
    </message>
</context>
<context>
    <name>PreferencesDialog</name>
    <message>
        <location filename="../src/ui/preferences_dialog.cpp" line="22"/>
        <source>Preferences</source>
        <translation>환경 설정</translation>
    </message>
    <message>
        <location filename="../src/ui/preferences_dialog.cpp" line="23"/>
        <source>Preference pages</source>
        <translation>환경 설정 페이지</translation>
    </message>
</context>
<context>
    <name>QGnomeTheme</name>
    <message>
        <location filename="../src/app/translations.cpp" line="22"/>
        <source>&amp;OK</source>
        <translation>확인(&amp;O)</translation>
    </message>
    <message>
        <location filename="../src/app/translations.cpp" line="22"/>
        <source>&amp;Cancel</source>
        <translation>취소(&amp;C)</translation>
    </message>
    <message>
        <location filename="../src/app/translations.cpp" line="23"/>
        <source>&amp;Close</source>
        <translation>닫기(&amp;C)</translation>
    </message>
    <message>
        <location filename="../src/app/translations.cpp" line="23"/>
        <source>&amp;Save</source>
        <translation>저장(&amp;S)</translation>
    </message>
</context>
<context>
    <name>QPlatformTheme</name>
    <message>
        <location filename="../src/app/translations.cpp" line="18"/>
        <source>OK</source>
        <translation>확인</translation>
    </message>
    <message>
        <location filename="../src/app/translations.cpp" line="18"/>
        <source>Cancel</source>
        <translation>취소</translation>
    </message>
    <message>
        <location filename="../src/app/translations.cpp" line="19"/>
        <source>Close</source>
        <translation>닫기</translation>
    </message>
    <message>
        <location filename="../src/app/translations.cpp" line="19"/>
        <source>Apply</source>
        <translation>적용</translation>
    </message>
    <message>
        <location filename="../src/app/translations.cpp" line="20"/>
        <source>&amp;Yes</source>
        <translation>예(&amp;Y)</translation>
    </message>
    <message>
        <location filename="../src/app/translations.cpp" line="20"/>
        <source>&amp;No</source>
        <translation>아니요(&amp;N)</translation>
    </message>
    <message>
        <location filename="../src/app/translations.cpp" line="21"/>
        <source>Save</source>
        <translation>저장</translation>
    </message>
    <message>
        <location filename="../src/app/translations.cpp" line="21"/>
        <source>Open</source>
        <translation>열기</translation>
    </message>
</context>
<context>
    <name>QtUserPrompts</name>
    <message>
        <location filename="../src/ui/qt_user_prompts.cpp" line="85"/>
        <source>Message</source>
        <translation>메시지</translation>
    </message>
    <message>
        <location filename="../src/ui/qt_user_prompts.cpp" line="90"/>
        <source>Ok</source>
        <translation>확인</translation>
    </message>
    <message>
        <location filename="../src/ui/qt_user_prompts.cpp" line="91"/>
        <source>Cancel</source>
        <translation>취소</translation>
    </message>
    <message>
        <location filename="../src/ui/qt_user_prompts.cpp" line="92"/>
        <source>Save As ...</source>
        <translation>다른 이름으로 저장 ...</translation>
    </message>
    <message>
        <location filename="../src/ui/qt_user_prompts.cpp" line="93"/>
        <source>Pass</source>
        <translation>건너뛰기</translation>
    </message>
    <message>
        <location filename="../src/ui/qt_user_prompts.cpp" line="94"/>
        <source>Quit</source>
        <translation>끝내기</translation>
    </message>
    <message>
        <location filename="../src/ui/qt_user_prompts.cpp" line="95"/>
        <source>All</source>
        <translation>모두</translation>
    </message>
    <message>
        <location filename="../src/ui/qt_user_prompts.cpp" line="125"/>
        <source>Save As</source>
        <translation>다른 이름으로 저장</translation>
    </message>
    <message>
        <location filename="../src/ui/qt_user_prompts.cpp" line="131"/>
        <source>asx Files (*.asx)</source>
        <translation>asx 파일 (*.asx)</translation>
    </message>
    <message>
        <location filename="../src/ui/qt_user_prompts.cpp" line="137"/>
        <source>All Files (*)</source>
        <translation>모든 파일 (*)</translation>
    </message>
</context>
<context>
    <name>RecordPage</name>
    <message>
        <location filename="../src/ui/record_page.cpp" line="31"/>
        <source>...</source>
        <translation>...</translation>
    </message>
    <message>
        <location filename="../src/ui/record_page.cpp" line="32"/>
        <source>Overwrite confirmation</source>
        <translation>덮어쓰기 확인</translation>
    </message>
    <message>
        <location filename="../src/ui/record_page.cpp" line="33"/>
        <source>Resumable confirmation</source>
        <translation>이어 받기 확인</translation>
    </message>
    <message>
        <location filename="../src/ui/record_page.cpp" line="34"/>
        <source>Save time info, if live content.</source>
        <translation>생방송이면 시간 정보 저장.</translation>
    </message>
    <message>
        <location filename="../src/ui/record_page.cpp" line="35"/>
        <source>Max Size</source>
        <translation>최대 크기</translation>
    </message>
    <message>
        <location filename="../src/ui/record_page.cpp" line="37"/>
        <source>Max Time</source>
        <translation>최대 시간</translation>
    </message>
    <message>
        <location filename="../src/ui/record_page.cpp" line="45"/>
        <source>Add</source>
        <translation>추가</translation>
    </message>
    <message>
        <location filename="../src/ui/record_page.cpp" line="46"/>
        <source>Remove</source>
        <translation>제거</translation>
    </message>
    <message>
        <location filename="../src/ui/record_page.cpp" line="49"/>
        <source>Use Proxy</source>
        <translation>프록시 사용</translation>
    </message>
    <message>
        <location filename="../src/ui/record_page.cpp" line="52"/>
        <source>Bypass Proxy</source>
        <translation>프록시 우회</translation>
    </message>
    <message>
        <location filename="../src/ui/record_page.cpp" line="60"/>
        <source> s</source>
        <translation>초</translation>
    </message>
    <message>
        <location filename="../src/ui/record_page.cpp" line="61"/>
        <source>Off</source>
        <translation>끔</translation>
    </message>
    <message>
        <location filename="../src/ui/record_page.cpp" line="62"/>
        <source>A stream whose connection drops is reconnected until one outage lasts this long</source>
        <translation>연결이 끊긴 스트림은 한 번 끊긴 시간이 이 길이에 이를 때까지 다시 연결합니다</translation>
    </message>
    <message>
        <location filename="../src/ui/record_page.cpp" line="65"/>
        <source>How many rows record at once; with 1 the rows record one after the other</source>
        <translation>동시에 녹화할 행의 수. 1이면 행을 하나씩 차례로 녹화합니다</translation>
    </message>
    <message>
        <location filename="../src/ui/record_page.cpp" line="70"/>
        <source>.ext</source>
        <translation>.확장자</translation>
    </message>
    <message>
        <location filename="../src/ui/record_page.cpp" line="71"/>
        <source>proxy host</source>
        <translation>프록시 호스트</translation>
    </message>
    <message>
        <location filename="../src/ui/record_page.cpp" line="74"/>
        <source>Use this computer&apos;s own address as the proxy host, with the port given here</source>
        <translation>이 컴퓨터의 주소를 프록시 호스트로 쓰고, 여기 적은 포트를 씁니다</translation>
    </message>
    <message>
        <location filename="../src/ui/record_page.cpp" line="82"/>
        <location filename="../src/ui/record_page.cpp" line="130"/>
        <location filename="../src/ui/record_page.cpp" line="171"/>
        <source>Default Path</source>
        <translation>기본 경로</translation>
    </message>
    <message>
        <location filename="../src/ui/record_page.cpp" line="91"/>
        <source>MB</source>
        <translation>MB</translation>
    </message>
    <message>
        <location filename="../src/ui/record_page.cpp" line="96"/>
        <source>M</source>
        <translation>분</translation>
    </message>
    <message>
        <location filename="../src/ui/record_page.cpp" line="98"/>
        <source>S</source>
        <translation>초</translation>
    </message>
    <message>
        <location filename="../src/ui/record_page.cpp" line="103"/>
        <source>:</source>
        <translation>:</translation>
    </message>
    <message>
        <location filename="../src/ui/record_page.cpp" line="136"/>
        <source>Reconnect</source>
        <translation>다시 연결</translation>
    </message>
    <message>
        <location filename="../src/ui/record_page.cpp" line="137"/>
        <source>Player agent</source>
        <translation>플레이어 에이전트</translation>
    </message>
    <message>
        <location filename="../src/ui/record_page.cpp" line="140"/>
        <source>addresses at once, at most</source>
        <translation>개 주소를 동시에, 주소마다 최대</translation>
    </message>
    <message>
        <location filename="../src/ui/record_page.cpp" line="142"/>
        <source>seconds each</source>
        <translation>초</translation>
    </message>
    <message>
        <location filename="../src/ui/record_page.cpp" line="144"/>
        <source>URL Check</source>
        <translation>URL 확인</translation>
    </message>
    <message>
        <location filename="../src/ui/record_page.cpp" line="145"/>
        <source>Parallel recordings</source>
        <translation>동시 녹화</translation>
    </message>
    <message>
        <location filename="../src/ui/record_page.cpp" line="146"/>
        <source>Proxy</source>
        <translation>프록시</translation>
    </message>
    <message>
        <location filename="../src/ui/record_page.cpp" line="148"/>
        <location filename="../src/ui/record_page.cpp" line="178"/>
        <source>File types kept by URL Capture</source>
        <translation>URL 캡처가 남길 파일 형식</translation>
    </message>
    <message>
        <location filename="../src/ui/record_page.cpp" line="172"/>
        <source>Choose the default path</source>
        <translation>기본 경로 선택</translation>
    </message>
    <message>
        <location filename="../src/ui/record_page.cpp" line="173"/>
        <source>Max Size (MB)</source>
        <translation>최대 크기(MB)</translation>
    </message>
    <message>
        <location filename="../src/ui/record_page.cpp" line="174"/>
        <source>Max Time, minutes</source>
        <translation>최대 시간, 분</translation>
    </message>
    <message>
        <location filename="../src/ui/record_page.cpp" line="175"/>
        <source>Max Time, seconds</source>
        <translation>최대 시간, 초</translation>
    </message>
    <message>
        <location filename="../src/ui/record_page.cpp" line="176"/>
        <source>URL Check: addresses at once</source>
        <translation>URL 확인: 동시에 확인할 주소 수</translation>
    </message>
    <message>
        <location filename="../src/ui/record_page.cpp" line="177"/>
        <source>URL Check: seconds for each address</source>
        <translation>URL 확인: 주소마다 기다릴 초</translation>
    </message>
    <message>
        <location filename="../src/ui/record_page.cpp" line="179"/>
        <source>New file type</source>
        <translation>새 파일 형식</translation>
    </message>
    <message>
        <location filename="../src/ui/record_page.cpp" line="180"/>
        <source>Add the file type</source>
        <translation>파일 형식 추가</translation>
    </message>
    <message>
        <location filename="../src/ui/record_page.cpp" line="181"/>
        <source>Remove the selected file type</source>
        <translation>선택한 파일 형식 제거</translation>
    </message>
    <message>
        <location filename="../src/ui/record_page.cpp" line="182"/>
        <source>Proxy host</source>
        <translation>프록시 호스트</translation>
    </message>
    <message>
        <location filename="../src/ui/record_page.cpp" line="183"/>
        <source>Proxy port</source>
        <translation>프록시 포트</translation>
    </message>
    <message>
        <location filename="../src/ui/record_page.h" line="21"/>
        <source>Record</source>
        <translation>녹화</translation>
    </message>
</context>
<context>
    <name>RecordingCommands</name>
    <message>
        <location filename="../src/ui/recording_commands.cpp" line="23"/>
        <source>Record Start</source>
        <translation>녹화 시작</translation>
    </message>
    <message>
        <location filename="../src/ui/recording_commands.cpp" line="24"/>
        <source>Record Stop</source>
        <translation>녹화 중지</translation>
    </message>
    <message>
        <location filename="../src/ui/recording_commands.cpp" line="48"/>
        <source>Record the selected row (Ctrl+R)</source>
        <translation>선택한 행 녹화 (Ctrl+R)</translation>
    </message>
    <message>
        <location filename="../src/ui/recording_commands.cpp" line="52"/>
        <source>Stop every recording (Ctrl+.)</source>
        <translation>모든 녹화 중지 (Ctrl+.)</translation>
    </message>
</context>
<context>
    <name>ScheduleDialog</name>
    <message>
        <location filename="../work/wt/schedwin/src/ui/schedule_dialog.cpp" line="36"/>
        <source>none</source>
        <translation>없음</translation>
    </message>
    <message>
        <location filename="../work/wt/schedwin/src/ui/schedule_dialog.cpp" line="37"/>
        <source>%1 (timer off)</source>
        <translation>%1 (타이머 꺼짐)</translation>
    </message>
    <message>
        <location filename="../work/wt/schedwin/src/ui/schedule_dialog.cpp" line="43"/>
        <source>recording</source>
        <translation>녹화 중</translation>
    </message>
    <message>
        <location filename="../work/wt/schedwin/src/ui/schedule_dialog.cpp" line="45"/>
        <source>not run yet</source>
        <translation>아직 실행 안 됨</translation>
    </message>
    <message>
        <location filename="../work/wt/schedwin/src/ui/schedule_dialog.cpp" line="49"/>
        <source>completed (%1)</source>
        <translation>완료 (%1)</translation>
    </message>
    <message>
        <location filename="../work/wt/schedwin/src/ui/schedule_dialog.cpp" line="51"/>
        <source>incomplete (%1)</source>
        <translation>미완료 (%1)</translation>
    </message>
    <message>
        <location filename="../work/wt/schedwin/src/ui/schedule_dialog.cpp" line="53"/>
        <source>failed</source>
        <translation>실패</translation>
    </message>
    <message>
        <location filename="../work/wt/schedwin/src/ui/schedule_dialog.cpp" line="55"/>
        <source>cancelled</source>
        <translation>취소</translation>
    </message>
    <message>
        <location filename="../work/wt/schedwin/src/ui/schedule_dialog.cpp" line="56"/>
        <source>no result</source>
        <translation>결과 없음</translation>
    </message>
    <message>
        <location filename="../work/wt/schedwin/src/ui/schedule_dialog.cpp" line="61"/>
        <source>%1 s</source>
        <translation>%1초</translation>
    </message>
    <message>
        <location filename="../work/wt/schedwin/src/ui/schedule_dialog.cpp" line="61"/>
        <source>%1 min</source>
        <translation>%1분</translation>
    </message>
    <message>
        <location filename="../work/wt/schedwin/src/ui/schedule_dialog.cpp" line="70"/>
        <source>At %1, from %2 before to %3 after</source>
        <translation>%1, %2 전부터 %3 후까지</translation>
    </message>
    <message>
        <location filename="../work/wt/schedwin/src/ui/schedule_dialog.cpp" line="72"/>
        <source>Into %1</source>
        <translation>저장 위치: %1</translation>
    </message>
    <message>
        <location filename="../work/wt/schedwin/src/ui/schedule_dialog.cpp" line="72"/>
        <source>the base folder</source>
        <translation>기본 폴더</translation>
    </message>
    <message>
        <location filename="../work/wt/schedwin/src/ui/schedule_dialog.cpp" line="74"/>
        <source>Last file: %1</source>
        <translation>마지막 파일: %1</translation>
    </message>
    <message>
        <location filename="../work/wt/schedwin/src/ui/schedule_dialog.cpp" line="76"/>
        <source>Last error: %1</source>
        <translation>마지막 오류: %1</translation>
    </message>
    <message>
        <location filename="../work/wt/schedwin/src/ui/schedule_dialog.cpp" line="90"/>
        <source>&amp;Add...</source>
        <translation>추가(&amp;A)...</translation>
    </message>
    <message>
        <location filename="../work/wt/schedwin/src/ui/schedule_dialog.cpp" line="91"/>
        <source>&amp;Edit...</source>
        <translation>편집(&amp;E)...</translation>
    </message>
    <message>
        <location filename="../work/wt/schedwin/src/ui/schedule_dialog.cpp" line="92"/>
        <source>&amp;Remove</source>
        <translation>제거(&amp;R)</translation>
    </message>
    <message>
        <location filename="../work/wt/schedwin/src/ui/schedule_dialog.cpp" line="93"/>
        <source>&amp;Close</source>
        <translation>닫기(&amp;C)</translation>
    </message>
    <message>
        <location filename="../work/wt/schedwin/src/ui/schedule_dialog.cpp" line="95"/>
        <source>Scheduled Recordings</source>
        <translation>예약 녹화</translation>
    </message>
    <message>
        <location filename="../work/wt/schedwin/src/ui/schedule_dialog.cpp" line="99"/>
        <source>Scheduled recordings</source>
        <translation>예약 녹화 목록</translation>
    </message>
    <message>
        <location filename="../work/wt/schedwin/src/ui/schedule_dialog.cpp" line="100"/>
        <source>Next Start</source>
        <translation>다음 시작</translation>
    </message>
    <message>
        <location filename="../work/wt/schedwin/src/ui/schedule_dialog.cpp" line="100"/>
        <source>Title</source>
        <translation>제목</translation>
    </message>
    <message>
        <location filename="../work/wt/schedwin/src/ui/schedule_dialog.cpp" line="100"/>
        <source>Address</source>
        <translation>주소</translation>
    </message>
    <message>
        <location filename="../work/wt/schedwin/src/ui/schedule_dialog.cpp" line="100"/>
        <source>Length</source>
        <translation>길이</translation>
    </message>
    <message>
        <location filename="../work/wt/schedwin/src/ui/schedule_dialog.cpp" line="100"/>
        <source>Last Result</source>
        <translation>마지막 결과</translation>
    </message>
    <message>
        <location filename="../work/wt/schedwin/src/ui/schedule_dialog.cpp" line="116"/>
        <source>Schedule a recording of the row selected in the list</source>
        <translation>목록에서 선택한 항목의 녹화를 예약합니다</translation>
    </message>
    <message>
        <location filename="../work/wt/schedwin/src/ui/schedule_dialog.cpp" line="170"/>
        <source>Reading the schedule...</source>
        <translation>예약을 읽는 중...</translation>
    </message>
    <message>
        <location filename="../work/wt/schedwin/src/ui/schedule_dialog.cpp" line="205"/>
        <source>Scheduled recordings need a systemd user session (systemctl --user). None can be added until there is one.</source>
        <translation>예약 녹화에는 systemd 사용자 세션(systemctl --user)이 필요합니다. 세션이 생길 때까지 예약을 추가할 수 없습니다.</translation>
    </message>
    <message>
        <location filename="../work/wt/schedwin/src/ui/schedule_dialog.cpp" line="208"/>
        <source>No recordings are scheduled. Add one for the row selected in the list.</source>
        <translation>예약된 녹화가 없습니다. 목록에서 선택한 항목으로 예약을 추가하세요.</translation>
    </message>
    <message>
        <location filename="../work/wt/schedwin/src/ui/schedule_dialog.cpp" line="270"/>
        <source>Remove Scheduled Recording</source>
        <translation>예약 녹화 제거</translation>
    </message>
    <message>
        <location filename="../work/wt/schedwin/src/ui/schedule_dialog.cpp" line="271"/>
        <source>Remove the scheduled recording of %1?

A recording of it in progress is stopped; its file is kept.</source>
        <translation>%1의 예약 녹화를 제거할까요?

진행 중인 녹화는 멈추고, 파일은 남겨 둡니다.</translation>
    </message>
    <message>
        <location filename="../work/wt/schedwin/src/ui/schedule_dialog.cpp" line="317"/>
        <source>Scheduled Recordings...</source>
        <translation>예약 녹화...</translation>
    </message>
</context>
<context>
    <name>ScheduleSlotDialog</name>
    <message>
        <location filename="../work/wt/schedwin/src/ui/schedule_slot_dialog.cpp" line="30"/>
        <source> min</source>
        <translation>분</translation>
    </message>
    <message>
        <location filename="../work/wt/schedwin/src/ui/schedule_slot_dialog.cpp" line="77"/>
        <source>&amp;Every week on</source>
        <translation>매주(&amp;E)</translation>
    </message>
    <message>
        <location filename="../work/wt/schedwin/src/ui/schedule_slot_dialog.cpp" line="78"/>
        <source>&amp;Once, on</source>
        <translation>한 번만(&amp;O)</translation>
    </message>
    <message>
        <location filename="../work/wt/schedwin/src/ui/schedule_slot_dialog.cpp" line="79"/>
        <source>As a &amp;calendar time</source>
        <translation>달력 시간 식(&amp;C)</translation>
    </message>
    <message>
        <location filename="../work/wt/schedwin/src/ui/schedule_slot_dialog.cpp" line="83"/>
        <source>Length in minutes</source>
        <translation>길이(분)</translation>
    </message>
    <message>
        <location filename="../work/wt/schedwin/src/ui/schedule_slot_dialog.cpp" line="84"/>
        <source>Start earlier by, in minutes</source>
        <translation>먼저 시작할 시간(분)</translation>
    </message>
    <message>
        <location filename="../work/wt/schedwin/src/ui/schedule_slot_dialog.cpp" line="85"/>
        <source>End later by, in minutes</source>
        <translation>늦게 끝낼 시간(분)</translation>
    </message>
    <message>
        <location filename="../work/wt/schedwin/src/ui/schedule_slot_dialog.cpp" line="87"/>
        <source>&amp;Browse...</source>
        <translation>찾아보기(&amp;B)...</translation>
    </message>
    <message>
        <location filename="../work/wt/schedwin/src/ui/schedule_slot_dialog.cpp" line="90"/>
        <source>&amp;Save</source>
        <translation>저장(&amp;S)</translation>
    </message>
    <message>
        <location filename="../work/wt/schedwin/src/ui/schedule_slot_dialog.cpp" line="90"/>
        <source>&amp;Add</source>
        <translation>추가(&amp;A)</translation>
    </message>
    <message>
        <location filename="../work/wt/schedwin/src/ui/schedule_slot_dialog.cpp" line="92"/>
        <source>Change Scheduled Recording</source>
        <translation>예약 녹화 변경</translation>
    </message>
    <message>
        <location filename="../work/wt/schedwin/src/ui/schedule_slot_dialog.cpp" line="92"/>
        <source>Add Scheduled Recording</source>
        <translation>예약 녹화 추가</translation>
    </message>
    <message>
        <location filename="../work/wt/schedwin/src/ui/schedule_slot_dialog.cpp" line="93"/>
        <source>Address</source>
        <translation>주소</translation>
    </message>
    <message>
        <location filename="../work/wt/schedwin/src/ui/schedule_slot_dialog.cpp" line="94"/>
        <source>Title</source>
        <translation>제목</translation>
    </message>
    <message>
        <location filename="../work/wt/schedwin/src/ui/schedule_slot_dialog.cpp" line="95"/>
        <source>named after the address</source>
        <translation>주소에서 이름을 따옴</translation>
    </message>
    <message>
        <location filename="../work/wt/schedwin/src/ui/schedule_slot_dialog.cpp" line="96"/>
        <source>Date</source>
        <translation>날짜</translation>
    </message>
    <message>
        <location filename="../work/wt/schedwin/src/ui/schedule_slot_dialog.cpp" line="99"/>
        <source>Calendar time</source>
        <translation>달력 시간 식</translation>
    </message>
    <message>
        <location filename="../work/wt/schedwin/src/ui/schedule_slot_dialog.cpp" line="100"/>
        <source>like Mon..Fri 07:00, daily or 2026-12-24 20:00</source>
        <translation>예: Mon..Fri 07:00, daily, 2026-12-24 20:00</translation>
    </message>
    <message>
        <location filename="../work/wt/schedwin/src/ui/schedule_slot_dialog.cpp" line="101"/>
        <source>Start time</source>
        <translation>시작 시간</translation>
    </message>
    <message>
        <location filename="../work/wt/schedwin/src/ui/schedule_slot_dialog.cpp" line="107"/>
        <source>Folder</source>
        <translation>폴더</translation>
    </message>
    <message>
        <location filename="../work/wt/schedwin/src/ui/schedule_slot_dialog.cpp" line="108"/>
        <source>the base folder of the settings</source>
        <translation>설정의 기본 폴더</translation>
    </message>
    <message>
        <location filename="../work/wt/schedwin/src/ui/schedule_slot_dialog.cpp" line="119"/>
        <source>Mon</source>
        <translation>월</translation>
    </message>
    <message>
        <location filename="../work/wt/schedwin/src/ui/schedule_slot_dialog.cpp" line="119"/>
        <source>Tue</source>
        <translation>화</translation>
    </message>
    <message>
        <location filename="../work/wt/schedwin/src/ui/schedule_slot_dialog.cpp" line="119"/>
        <source>Wed</source>
        <translation>수</translation>
    </message>
    <message>
        <location filename="../work/wt/schedwin/src/ui/schedule_slot_dialog.cpp" line="119"/>
        <source>Thu</source>
        <translation>목</translation>
    </message>
    <message>
        <location filename="../work/wt/schedwin/src/ui/schedule_slot_dialog.cpp" line="119"/>
        <source>Fri</source>
        <translation>금</translation>
    </message>
    <message>
        <location filename="../work/wt/schedwin/src/ui/schedule_slot_dialog.cpp" line="119"/>
        <source>Sat</source>
        <translation>토</translation>
    </message>
    <message>
        <location filename="../work/wt/schedwin/src/ui/schedule_slot_dialog.cpp" line="119"/>
        <source>Sun</source>
        <translation>일</translation>
    </message>
    <message>
        <location filename="../work/wt/schedwin/src/ui/schedule_slot_dialog.cpp" line="143"/>
        <source>A&amp;ddress:</source>
        <translation>주소(&amp;D):</translation>
    </message>
    <message>
        <location filename="../work/wt/schedwin/src/ui/schedule_slot_dialog.cpp" line="144"/>
        <source>&amp;Title:</source>
        <translation>제목(&amp;T):</translation>
    </message>
    <message>
        <location filename="../work/wt/schedwin/src/ui/schedule_slot_dialog.cpp" line="145"/>
        <source>Repeats:</source>
        <translation>반복:</translation>
    </message>
    <message>
        <location filename="../work/wt/schedwin/src/ui/schedule_slot_dialog.cpp" line="146"/>
        <source>Start t&amp;ime:</source>
        <translation>시작 시간(&amp;I):</translation>
    </message>
    <message>
        <location filename="../work/wt/schedwin/src/ui/schedule_slot_dialog.cpp" line="147"/>
        <source>&amp;Length:</source>
        <translation>길이(&amp;L):</translation>
    </message>
    <message>
        <location filename="../work/wt/schedwin/src/ui/schedule_slot_dialog.cpp" line="148"/>
        <source>Start ea&amp;rlier by:</source>
        <translation>먼저 시작(&amp;R):</translation>
    </message>
    <message>
        <location filename="../work/wt/schedwin/src/ui/schedule_slot_dialog.cpp" line="149"/>
        <source>E&amp;nd later by:</source>
        <translation>늦게 끝냄(&amp;N):</translation>
    </message>
    <message>
        <location filename="../work/wt/schedwin/src/ui/schedule_slot_dialog.cpp" line="150"/>
        <source>&amp;Folder:</source>
        <translation>폴더(&amp;F):</translation>
    </message>
    <message>
        <location filename="../work/wt/schedwin/src/ui/schedule_slot_dialog.cpp" line="267"/>
        <source>Folder for the Recordings</source>
        <translation>녹화 파일 폴더</translation>
    </message>
</context>
<context>
    <name>ScreenSaverInhibitor</name>
    <message>
        <location filename="../src/app/screen_saver_inhibitor.cpp" line="42"/>
        <source>There is no desktop session bus.</source>
        <translation>데스크톱 세션 버스가 없습니다.</translation>
    </message>
    <message>
        <location filename="../src/app/screen_saver_inhibitor.cpp" line="48"/>
        <source>Playing or recording media</source>
        <translation>미디어 재생 또는 녹화 중</translation>
    </message>
    <message>
        <location filename="../src/app/screen_saver_inhibitor.cpp" line="66"/>
        <source>The screen saver refused.</source>
        <translation>화면 보호기가 거부했습니다.</translation>
    </message>
</context>
<context>
    <name>SetupPage</name>
    <message>
        <location filename="../src/ui/setup_page.cpp" line="13"/>
        <source>Allow miltiple instances</source>
        <translation>여러 개 실행 허용</translation>
    </message>
    <message>
        <location filename="../src/ui/setup_page.cpp" line="14"/>
        <source>Save Play list.</source>
        <translation>재생 목록 저장.</translation>
    </message>
    <message>
        <location filename="../src/ui/setup_page.cpp" line="15"/>
        <source>Save Position( big Screen mode )</source>
        <translation>위치 저장(큰 화면 모드)</translation>
    </message>
    <message>
        <location filename="../src/ui/setup_page.cpp" line="16"/>
        <source>ToolTip</source>
        <translation>툴팁</translation>
    </message>
    <message>
        <location filename="../src/ui/setup_page.cpp" line="17"/>
        <source>&amp;Delete recent files</source>
        <translation>최근 파일 삭제(&amp;D)</translation>
    </message>
    <message>
        <location filename="../src/ui/setup_page.cpp" line="31"/>
        <source>Delete recent files</source>
        <translation>최근 파일 삭제</translation>
    </message>
    <message>
        <location filename="../src/ui/setup_page.cpp" line="32"/>
        <source>Are you sure you want to delete all recent file(url) list?</source>
        <translation>최근 파일(URL) 목록을 모두 삭제하시겠습니까?</translation>
    </message>
    <message>
        <location filename="../src/ui/setup_page.h" line="14"/>
        <source>Setup</source>
        <translation>설정</translation>
    </message>
</context>
<context>
    <name>UrlCaptureCommands</name>
    <message>
        <location filename="../src/ui/url_capture_commands.cpp" line="31"/>
        <source>Start(&amp;S)</source>
        <translation>시작(&amp;S)</translation>
    </message>
    <message>
        <location filename="../src/ui/url_capture_commands.cpp" line="32"/>
        <source>Stop(&amp;T)</source>
        <translation>중지(&amp;T)</translation>
    </message>
    <message>
        <location filename="../src/ui/url_capture_commands.cpp" line="46"/>
        <source>Add the stream addresses other players request (%1)</source>
        <translation>다른 플레이어가 요청하는 스트림 주소를 목록에 추가 (%1)</translation>
    </message>
    <message>
        <location filename="../src/ui/url_capture_commands.cpp" line="66"/>
        <source>● Capturing: %1</source>
        <translation>● 캡처 중: %1</translation>
    </message>
    <message>
        <location filename="../src/ui/url_capture_commands.cpp" line="67"/>
        <source>URL Capture is running on %1</source>
        <translation>%1에서 URL 캡처 실행 중</translation>
    </message>
    <message>
        <location filename="../src/ui/url_capture_commands.cpp" line="83"/>
        <location filename="../src/ui/url_capture_commands.cpp" line="154"/>
        <source>URL Capture</source>
        <translation>URL 캡처</translation>
    </message>
    <message>
        <location filename="../src/ui/url_capture_commands.cpp" line="113"/>
        <source>There is no network adapter to capture from.</source>
        <translation>캡처할 네트워크 어댑터가 없습니다.</translation>
    </message>
</context>
<context>
    <name>UrlCheckCommands</name>
    <message>
        <location filename="../src/ui/url_check_commands.cpp" line="15"/>
        <source>Start</source>
        <translation>시작</translation>
    </message>
    <message>
        <location filename="../src/ui/url_check_commands.cpp" line="16"/>
        <source>Stop</source>
        <translation>중지</translation>
    </message>
    <message>
        <location filename="../src/ui/url_check_commands.cpp" line="30"/>
        <source>Check which network rows can be reached, from the selected row on</source>
        <translation>선택한 행부터 네트워크 행에 연결할 수 있는지 확인</translation>
    </message>
</context>
<context>
    <name>UrlOpenDialog</name>
    <message>
        <location filename="../src/ui/url_open_dialog.cpp" line="14"/>
        <source>&amp;Play</source>
        <translation>재생(&amp;P)</translation>
    </message>
    <message>
        <location filename="../src/ui/url_open_dialog.cpp" line="15"/>
        <source>&amp;Record</source>
        <translation>녹화(&amp;R)</translation>
    </message>
    <message>
        <location filename="../src/ui/url_open_dialog.cpp" line="16"/>
        <source>&amp;Add</source>
        <translation>추가(&amp;A)</translation>
    </message>
    <message>
        <location filename="../src/ui/url_open_dialog.cpp" line="18"/>
        <source>URL Open</source>
        <translation>URL 열기</translation>
    </message>
    <message>
        <location filename="../src/ui/url_open_dialog.cpp" line="19"/>
        <source>mms://server/stream.asf</source>
        <translation>mms://server/stream.asf</translation>
    </message>
    <message>
        <location filename="../src/ui/url_open_dialog.cpp" line="26"/>
        <source>Recent addresses...</source>
        <translation>최근 주소...</translation>
    </message>
    <message>
        <location filename="../src/ui/url_open_dialog.cpp" line="54"/>
        <source>A&amp;ddresses (one per line):</source>
        <translation>주소(&amp;D) (한 줄에 하나씩):</translation>
    </message>
    <message>
        <location filename="../src/ui/url_open_dialog.cpp" line="56"/>
        <source>Recent addresses</source>
        <translation>최근 주소</translation>
    </message>
</context>
<context>
    <name>player::Playback</name>
    <message>
        <location filename="../src/player/playback.cpp" line="61"/>
        <source>&amp;Play</source>
        <translation>재생(&amp;P)</translation>
    </message>
    <message>
        <location filename="../src/player/playback.cpp" line="87"/>
        <source>No sound device could be opened: playing without sound.</source>
        <translation>사운드 장치를 열 수 없어 소리 없이 재생합니다.</translation>
    </message>
    <message>
        <location filename="../src/player/playback.cpp" line="120"/>
        <source>Play/Pause</source>
        <translation>재생/일시 정지</translation>
    </message>
    <message>
        <location filename="../src/player/playback.cpp" line="126"/>
        <source>Stop</source>
        <translation>정지</translation>
    </message>
    <message>
        <location filename="../src/player/playback.cpp" line="127"/>
        <source>Back 30 Seconds</source>
        <translation>30초 뒤로</translation>
    </message>
    <message>
        <location filename="../src/player/playback.cpp" line="128"/>
        <source>Forward 30 Seconds</source>
        <translation>30초 앞으로</translation>
    </message>
    <message>
        <location filename="../src/player/playback.cpp" line="129"/>
        <source>Back 1 Minute</source>
        <translation>1분 뒤로</translation>
    </message>
    <message>
        <location filename="../src/player/playback.cpp" line="131"/>
        <source>Forward 1 Minute</source>
        <translation>1분 앞으로</translation>
    </message>
    <message>
        <location filename="../src/player/playback.cpp" line="132"/>
        <source>Slower</source>
        <translation>느리게</translation>
    </message>
    <message>
        <location filename="../src/player/playback.cpp" line="133"/>
        <source>Normal Speed</source>
        <translation>보통 속도</translation>
    </message>
    <message>
        <location filename="../src/player/playback.cpp" line="134"/>
        <source>Faster</source>
        <translation>빠르게</translation>
    </message>
    <message>
        <location filename="../src/player/playback.cpp" line="135"/>
        <source>Volume Up</source>
        <translation>볼륨 크게</translation>
    </message>
    <message>
        <location filename="../src/player/playback.cpp" line="136"/>
        <source>Volume Down</source>
        <translation>볼륨 작게</translation>
    </message>
    <message>
        <location filename="../src/player/playback.cpp" line="137"/>
        <source>Mute</source>
        <translation>음소거</translation>
    </message>
    <message>
        <location filename="../src/player/playback.cpp" line="141"/>
        <source>Full Screen</source>
        <translation>전체 화면</translation>
    </message>
    <message>
        <location filename="../src/player/playback.cpp" line="145"/>
        <source>Half Size</source>
        <translation>절반 크기</translation>
    </message>
    <message>
        <location filename="../src/player/playback.cpp" line="146"/>
        <source>Normal Size</source>
        <translation>원래 크기</translation>
    </message>
    <message>
        <location filename="../src/player/playback.cpp" line="147"/>
        <source>Double Size</source>
        <translation>두 배 크기</translation>
    </message>
    <message>
        <location filename="../src/player/playback.cpp" line="148"/>
        <source>Keep Ratio</source>
        <translation>비율 유지</translation>
    </message>
    <message>
        <location filename="../src/player/playback.cpp" line="153"/>
        <source>Keep Window Size</source>
        <translation>창 크기 유지</translation>
    </message>
    <message>
        <location filename="../src/player/playback.cpp" line="158"/>
        <source>Hide Caption</source>
        <translation>자막 숨기기</translation>
    </message>
    <message>
        <location filename="../src/player/playback.cpp" line="159"/>
        <source>Bigger Caption Font</source>
        <translation>자막 글꼴 크게</translation>
    </message>
    <message>
        <location filename="../src/player/playback.cpp" line="160"/>
        <source>Smaller Caption Font</source>
        <translation>자막 글꼴 작게</translation>
    </message>
    <message>
        <location filename="../src/player/playback.cpp" line="161"/>
        <source>Bold Captions</source>
        <translation>자막 굵게</translation>
    </message>
    <message>
        <location filename="../src/player/playback.cpp" line="162"/>
        <source>Caption Font...</source>
        <translation>자막 글꼴...</translation>
    </message>
    <message>
        <location filename="../src/player/playback.cpp" line="164"/>
        <source>Larger Caption Area</source>
        <translation>자막 영역 넓게</translation>
    </message>
    <message>
        <location filename="../src/player/playback.cpp" line="166"/>
        <source>Smaller Caption Area</source>
        <translation>자막 영역 좁게</translation>
    </message>
    <message>
        <location filename="../src/player/playback.cpp" line="167"/>
        <source>Image Capture(S)</source>
        <translation>이미지 캡처(S)</translation>
    </message>
    <message>
        <location filename="../src/player/playback.cpp" line="184"/>
        <source>Captions</source>
        <translation>자막</translation>
    </message>
    <message>
        <location filename="../src/player/playback.cpp" line="249"/>
        <location filename="../src/player/playback.cpp" line="312"/>
        <location filename="../src/player/playback.cpp" line="358"/>
        <source>Ready</source>
        <translation>준비</translation>
    </message>
    <message>
        <location filename="../src/player/playback.cpp" line="329"/>
        <source>error</source>
        <translation>오류</translation>
    </message>
    <message>
        <location filename="../src/player/playback.cpp" line="338"/>
        <location filename="../src/player/playback.cpp" line="358"/>
        <source>Buffering</source>
        <translation>버퍼링</translation>
    </message>
    <message>
        <location filename="../src/player/playback.cpp" line="366"/>
        <source>%1 cannot be played: %2</source>
        <translation>%1을(를) 재생할 수 없습니다: %2</translation>
    </message>
    <message>
        <location filename="../src/player/playback.cpp" line="400"/>
        <source>Image saved as %1</source>
        <translation>이미지를 %1(으)로 저장했습니다</translation>
    </message>
    <message>
        <location filename="../src/player/playback.cpp" line="402"/>
        <source>Image Capture: %1</source>
        <translation>이미지 캡처: %1</translation>
    </message>
    <message>
        <location filename="../src/player/playback.cpp" line="403"/>
        <source>%1 could not be saved: %2</source>
        <translation>%1을(를) 저장할 수 없습니다: %2</translation>
    </message>
    <message>
        <location filename="../src/player/playback.cpp" line="496"/>
        <source>Caption Font</source>
        <translation>자막 글꼴</translation>
    </message>
</context>
<context>
    <name>player::Player</name>
    <message>
        <location filename="../src/player/player.cpp" line="452"/>
        <source>The medium cannot be played.</source>
        <translation>미디어를 재생할 수 없습니다.</translation>
    </message>
    <message>
        <location filename="../src/player/player.cpp" line="475"/>
        <source>The server refused the login.</source>
        <translation>서버가 로그인을 거부했습니다.</translation>
    </message>
    <message>
        <location filename="../src/player/player.cpp" line="616"/>
        <source>There is no picture to capture.</source>
        <translation>캡처할 화면이 없습니다.</translation>
    </message>
</context>
<context>
    <name>player::PlayerControls</name>
    <message>
        <location filename="../src/player/player_controls.cpp" line="29"/>
        <source>Play</source>
        <translation>재생</translation>
    </message>
    <message>
        <location filename="../src/player/player_controls.cpp" line="30"/>
        <source>Pause</source>
        <translation>일시 정지</translation>
    </message>
    <message>
        <location filename="../src/player/player_controls.cpp" line="31"/>
        <source>Stop</source>
        <translation>정지</translation>
    </message>
    <message>
        <location filename="../src/player/player_controls.cpp" line="36"/>
        <source>Position</source>
        <translation>위치</translation>
    </message>
    <message>
        <location filename="../src/player/player_controls.cpp" line="44"/>
        <location filename="../src/player/player_controls.cpp" line="45"/>
        <source>Volume</source>
        <translation>볼륨</translation>
    </message>
</context>
<context>
    <name>player::PlayerPage</name>
    <message>
        <location filename="../src/player/player_page.cpp" line="31"/>
        <source>Repeat</source>
        <translation>반복</translation>
    </message>
    <message>
        <location filename="../src/player/player_page.cpp" line="32"/>
        <source>Play in order (otherwise shuffled)</source>
        <translation>순서대로 재생 (해제하면 무작위)</translation>
    </message>
    <message>
        <location filename="../src/player/player_page.cpp" line="34"/>
        <source>Half size</source>
        <translation>절반 크기</translation>
    </message>
    <message>
        <location filename="../src/player/player_page.cpp" line="34"/>
        <source>Normal size</source>
        <translation>원래 크기</translation>
    </message>
    <message>
        <location filename="../src/player/player_page.cpp" line="34"/>
        <source>Double size</source>
        <translation>두 배 크기</translation>
    </message>
    <message>
        <location filename="../src/player/player_page.cpp" line="35"/>
        <source>Keep Ratio</source>
        <translation>비율 유지</translation>
    </message>
    <message>
        <location filename="../src/player/player_page.cpp" line="36"/>
        <source>Keep window size</source>
        <translation>창 크기 유지</translation>
    </message>
    <message>
        <location filename="../src/player/player_page.cpp" line="38"/>
        <source>Playing</source>
        <translation>재생</translation>
    </message>
    <message>
        <location filename="../src/player/player_page.cpp" line="42"/>
        <source>Window size</source>
        <translation>창 크기</translation>
    </message>
    <message>
        <location filename="../src/player/player_page.cpp" line="46"/>
        <source>Enable Caption</source>
        <translation>자막 사용</translation>
    </message>
    <message>
        <location filename="../src/player/player_page.cpp" line="51"/>
        <source> pt</source>
        <translation> pt</translation>
    </message>
    <message>
        <location filename="../src/player/player_page.cpp" line="54"/>
        <source>Bold</source>
        <translation>굵게</translation>
    </message>
    <message>
        <location filename="../src/player/player_page.cpp" line="57"/>
        <source> px</source>
        <translation> px</translation>
    </message>
    <message>
        <location filename="../src/player/player_page.cpp" line="59"/>
        <source>Captions</source>
        <translation>자막</translation>
    </message>
    <message>
        <location filename="../src/player/player_page.cpp" line="62"/>
        <source>Colour</source>
        <translation>색</translation>
    </message>
    <message>
        <location filename="../src/player/player_page.cpp" line="63"/>
        <source>Size</source>
        <translation>크기</translation>
    </message>
    <message>
        <location filename="../src/player/player_page.cpp" line="64"/>
        <source>Font</source>
        <translation>글꼴</translation>
    </message>
    <message>
        <location filename="../src/player/player_page.cpp" line="65"/>
        <source>Style</source>
        <translation>스타일</translation>
    </message>
    <message>
        <location filename="../src/player/player_page.cpp" line="67"/>
        <source>Margin</source>
        <translation>여백</translation>
    </message>
    <message>
        <location filename="../src/player/player_page.cpp" line="81"/>
        <source>Player</source>
        <translation>플레이어</translation>
    </message>
    <message>
        <location filename="../src/player/player_page.cpp" line="110"/>
        <source>Regular</source>
        <translation>보통</translation>
    </message>
    <message>
        <location filename="../src/player/player_page.cpp" line="145"/>
        <source>Caption colour</source>
        <translation>자막 색</translation>
    </message>
</context>
</TS>
