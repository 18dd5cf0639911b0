<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
    <context>
        <name>AboutDialog</name>
        <message>
            <source>AboutDialog</source>
            <translation>Über</translation>
        </message>
        <message>
            <source>Warning: This program is protected by copyright law and international treaties. Unauthorized reproduction or distribution of it, or of any portion of it, may result in severe civil and criminal penalties.</source>
            <translation>Warnung: Dieses Programm ist durch Urheberrecht und internationale Verträge geschützt. Unerlaubte Vervielfältigung oder Verbreitung des Programms oder von Teilen davon kann zivil- und strafrechtlich verfolgt werden.</translation>
        </message>
        <message>
            <source>Version:</source>
            <translation>Version:</translation>
        </message>
    </context>
    <context>
        <name>CProductUpdate</name>
        <message>
            <source>The update check failed: %1</source>
            <translation>Die Suche nach Aktualisierungen ist fehlgeschlagen: %1</translation>
        </message>
        <message>
            <source>The update check failed: the update service gave no version.</source>
            <translation>Die Suche nach Aktualisierungen ist fehlgeschlagen: Der Dienst nannte keine Version.</translation>
        </message>
        <message>
            <source>Version %1 is available; this is version %2.</source>
            <translation>Version %1 ist verfügbar; installiert ist Version %2.</translation>
        </message>
        <message>
            <source>This is the newest version (%1).</source>
            <translation>Dies ist die neueste Version (%1).</translation>
        </message>
        <message>
            <source>No update service is configured for this program.</source>
            <translation>Für dieses Programm ist kein Aktualisierungsdienst eingerichtet.</translation>
        </message>
        <message>
            <source>the update address is not valid.</source>
            <translation>Die Aktualisierungsadresse ist ungültig.</translation>
        </message>
        <message>
            <source>Checking for updates...</source>
            <translation>Suche nach Aktualisierungen...</translation>
        </message>
    </context>
    <context>
        <name>FMDMediaTreeModel</name>
        <message>
            <source>Name</source>
            <comment>名称</comment>
            <translation>Name</translation>
        </message>
        <message>
            <source>Duration</source>
            <comment>持续时间</comment>
            <translation>Dauer</translation>
        </message>
        <message>
            <source>Size</source>
            <comment>大小</comment>
            <translation>Größe</translation>
        </message>
        <message>
            <source>Date</source>
            <comment>日期</comment>
            <translation>Datum</translation>
        </message>
        <message>
            <source>Type</source>
            <comment>类型</comment>
            <translation>Typ</translation>
        </message>
        <message>
            <source>Name: </source>
            <comment>名称：</comment>
            <translation>Name: </translation>
        </message>
        <message>
            <source>Type: </source>
            <comment>类型：</comment>
            <translation>Typ: </translation>
        </message>
        <message>
            <source>Size: </source>
            <comment>大小：</comment>
            <translation>Größe: </translation>
        </message>
        <message>
            <source>Duration: </source>
            <comment>时长：</comment>
            <translation>Dauer: </translation>
        </message>
        <message>
            <source>Date: </source>
            <comment>日期：</comment>
            <translation>Datum: </translation>
        </message>
        <message>
            <source>The file no longer exists: %1</source>
            <translation>Die Datei existiert nicht mehr: %1</translation>
        </message>
    </context>
    <context>
        <name>FMDMediaTreeView</name>
        <message>
            <source>&amp;Play</source>
            <comment>播放</comment>
            <translation>&amp;Wiedergeben</translation>
        </message>
        <message>
            <source>&amp;Find Target</source>
            <comment>打开所在文件夹</comment>
            <translation>Im &amp;Ordner zeigen</translation>
        </message>
        <message>
            <source>&amp;Delete</source>
            <comment>删除</comment>
            <translation>&amp;Löschen</translation>
        </message>
        <message>
            <source>&amp;Rename</source>
            <comment>重命名</comment>
            <translation>&amp;Umbenennen</translation>
        </message>
        <message>
            <source>Select &amp;All</source>
            <comment>全选</comment>
            <translation>&amp;Alle auswählen</translation>
        </message>
        <message>
            <source>Move &amp;Up</source>
            <comment>上移</comment>
            <translation>Nach o&amp;ben</translation>
        </message>
        <message>
            <source>Move Do&amp;wn</source>
            <comment>下移</comment>
            <translation>Nach u&amp;nten</translation>
        </message>
    </context>
    <context>
        <name>Fablecut::MainWindow</name>
        <message>
            <source>The platform services could not be created (%1).</source>
            <translation>Die Plattformdienste konnten nicht angelegt werden (%1).</translation>
        </message>
        <message>
            <source>The media libraries could not be loaded: %1</source>
            <translation>Die Medienbibliotheken konnten nicht geladen werden: %1</translation>
        </message>
        <message>
            <source>Init Vantrel falsed.</source>
            <translation>Die Plattformdienste ließen sich nicht starten.</translation>
        </message>
        <message>
            <source>&amp;File</source>
            <comment>文件</comment>
            <translation>&amp;Datei</translation>
        </message>
        <message>
            <source>&amp;Tools</source>
            <comment>工具</comment>
            <translation>E&amp;xtras</translation>
        </message>
        <message>
            <source>&amp;Language</source>
            <comment>语言</comment>
            <translation>&amp;Sprache</translation>
        </message>
        <message>
            <source>&amp;Import Media Files</source>
            <comment>导入媒体文件</comment>
            <translation>Mediendateien &amp;importieren</translation>
        </message>
        <message>
            <source>Import a Media &amp;Floder</source>
            <comment>导入媒体文件夹</comment>
            <translation>Medien&amp;ordner importieren</translation>
        </message>
        <message>
            <source>E&amp;xit</source>
            <comment>退出</comment>
            <translation>&amp;Beenden</translation>
        </message>
        <message>
            <source>&amp;Keyboard Shortcuts</source>
            <comment>键盘快捷键</comment>
            <translation>&amp;Tastenkürzel</translation>
        </message>
        <message>
            <source>&amp;Update</source>
            <comment>升级</comment>
            <translation>Ak&amp;tualisieren</translation>
        </message>
        <message>
            <source>Cancel</source>
            <translation>Abbrechen</translation>
        </message>
        <message>
            <source>The media library is busy loading or saving. Please import the library list again in a moment.</source>
            <translation>Die Mediathek wird gerade geladen oder gespeichert. Bitte importieren Sie die Liste gleich noch einmal.</translation>
        </message>
        <message>
            <source>The media library is busy loading or saving. Please export it again in a moment.</source>
            <translation>Die Mediathek wird gerade geladen oder gespeichert. Bitte exportieren Sie sie gleich noch einmal.</translation>
        </message>
        <message>
            <source>The media library could not be written to "%1".</source>
            <translation>Die Mediathek konnte nicht nach "%1" geschrieben werden.</translation>
        </message>
        <message>
            <source>The following %1 meida sources  load failed:%2</source>
            <translation>Die folgenden %1 Medienquellen konnten nicht geladen werden:%2</translation>
        </message>
        <message>
            <source>Camcorder is connected. Are you ready to launch wizard now?

If you do not want to launch wizard when camcorder is connected,please open Preferences dialog and select "Others", uncheck the "Launch wizard when camcorder is connected" checkbox.</source>
            <translation>Ein Camcorder ist angeschlossen. Möchten Sie den Assistenten jetzt starten?

Wenn der Assistent beim Anschließen eines Camcorders nicht starten soll, öffnen Sie die Einstellungen, wählen "Sonstiges" und entfernen das Häkchen bei "Assistent starten, wenn ein Camcorder angeschlossen wird".</translation>
        </message>
        <message>
            <source>The camcorder is disconnected!</source>
            <translation>Der Camcorder wurde getrennt!</translation>
        </message>
        <message>
            <source>Some output tasks are still running, are you sure you want to quit?</source>
            <translation>Es gibt noch Ausgabeaufgaben. Möchten Sie das Programm wirklich beenden?</translation>
        </message>
    </context>
    <context>
        <name>MainWindow</name>
        <message>
            <source>Import/Edit</source>
            <comment>导入/编辑</comment>
            <translation>Importieren/Bearbeiten</translation>
        </message>
        <message>
            <source>Output</source>
            <comment>输出</comment>
            <translation>Ausgabe</translation>
        </message>
    </context>
    <context>
        <name>ProfileNodeManager</name>
        <message>
            <source>All Rearch Results</source>
            <translation>Alle Suchergebnisse</translation>
        </message>
        <message>
            <source>Failed to Save Config File.</source>
            <translation>Die Konfigurationsdatei konnte nicht gespeichert werden.</translation>
        </message>
    </context>
    <context>
        <name>QObject</name>
        <message>
            <source>Error</source>
            <translation>Fehler</translation>
        </message>
        <message>
            <source>The program met an unknown error.</source>
            <translation>Im Programm ist ein unbekannter Fehler aufgetreten.</translation>
        </message>
        <message>
            <source>Do not show this message again.</source>
            <translation>Diese Meldung nicht mehr anzeigen.</translation>
        </message>
        <message>
            <source>GB</source>
            <translation>GB</translation>
        </message>
        <message>
            <source>MB</source>
            <translation>MB</translation>
        </message>
        <message>
            <source>KB</source>
            <translation>KB</translation>
        </message>
        <message>
            <source>B</source>
            <translation>B</translation>
        </message>
        <message>
            <source>Start :  </source>
            <translation>Anfang :  </translation>
        </message>
        <message>
            <source>End :  </source>
            <translation>Ende :  </translation>
        </message>
        <message>
            <source>Duration :  </source>
            <translation>Dauer :  </translation>
        </message>
        <message>
            <source>Resize start</source>
            <translation>Anfang verschieben</translation>
        </message>
        <message>
            <source>Resize end</source>
            <translation>Ende verschieben</translation>
        </message>
        <message>
            <source>The file no longer exists: %1</source>
            <translation>Die Datei existiert nicht mehr: %1</translation>
        </message>
        <message>
            <source>Missing: %1</source>
            <translation>Fehlt: %1</translation>
        </message>
    </context>
    <context>
        <name>VBaseTitleBar</name>
        <message>
            <source>Minimize</source>
            <extracomment>最小化按钮</extracomment>
            <translation>Minimieren</translation>
        </message>
        <message>
            <source>Close</source>
            <extracomment>关闭按钮</extracomment>
            <translation>Schließen</translation>
        </message>
        <message>
            <source>Maximize</source>
            <extracomment>最大化按钮</extracomment>
            <translation>Maximieren</translation>
        </message>
        <message>
            <source>Restore</source>
            <extracomment>还原按钮</extracomment>
            <translation>Wiederherstellen</translation>
        </message>
        <message>
            <source>Help</source>
            <extracomment>帮助按钮</extracomment>
            <translation>Hilfe</translation>
        </message>
        <message>
            <source>Preference</source>
            <extracomment>设置按钮</extracomment>
            <translation>Einstellungen</translation>
        </message>
    </context>
    <context>
        <name>VCamcorderDialog</name>
        <message>
            <source>No camcorder is connected</source>
            <translation>Es ist kein Camcorder angeschlossen</translation>
        </message>
        <message>
            <source>Camcorder</source>
            <translation>Camcorder</translation>
        </message>
        <message>
            <source>Back</source>
            <translation>Zurück</translation>
        </message>
        <message>
            <source>Next</source>
            <translation>Weiter</translation>
        </message>
        <message>
            <source>Start</source>
            <translation>Starten</translation>
        </message>
        <message>
            <source>Cancel</source>
            <translation>Abbrechen</translation>
        </message>
        <message>
            <source>VCamcorderDialog</source>
            <translation>Camcorder</translation>
        </message>
        <message>
            <source>Please select a camcorder first.</source>
            <translation>Bitte wählen Sie zuerst einen Camcorder.</translation>
        </message>
        <message>
            <source>This camcorder does not contain any video file,
please select another camcorder.</source>
            <translation>Dieser Camcorder enthält keine Videodatei,
bitte wählen Sie einen anderen Camcorder.</translation>
        </message>
        <message>
            <source>The camcorder is disconnected!</source>
            <translation>Der Camcorder wurde getrennt!</translation>
        </message>
    </context>
    <context>
        <name>VDCPreferenceAccelerate</name>
        <message>
            <source>GPU Encode acceleration</source>
            <translation>GPU-Beschleunigung beim Kodieren</translation>
        </message>
        <message>
            <source>Enable NVIDIA CUDA acceleration</source>
            <translation>NVIDIA-CUDA-Beschleunigung verwenden</translation>
        </message>
        <message>
            <source>Learn More...</source>
            <translation>Mehr erfahren...</translation>
        </message>
        <message>
            <source>Enable AMD APP acceleration</source>
            <translation>AMD-APP-Beschleunigung verwenden</translation>
        </message>
        <message>
            <source>H264 Decoder</source>
            <translation>H.264-Dekoder</translation>
        </message>
        <message>
            <source>CUDA Decoder</source>
            <translation>CUDA-Dekoder</translation>
        </message>
        <message>
            <source>Intel Decoder</source>
            <translation>Intel-Dekoder</translation>
        </message>
        <message>
            <source>System Decoder</source>
            <translation>System-Dekoder</translation>
        </message>
        <message>
            <source>Acceleration</source>
            <translation>Beschleunigung</translation>
        </message>
    </context>
    <context>
        <name>VDCPreferenceConvert</name>
        <message>
            <source>Convert using all cores</source>
            <translation>Mit allen Kernen umwandeln</translation>
        </message>
        <message>
            <source>Convert using the least core number</source>
            <translation>Mit möglichst wenigen Kernen umwandeln</translation>
        </message>
        <message>
            <source>Customize core number:</source>
            <translation>Anzahl der Kerne:</translation>
        </message>
        <message>
            <source> Process </source>
            <translation> Prozesse </translation>
        </message>
        <message>
            <source>Maximum Simultaneous Running Processes:</source>
            <translation>Höchstzahl gleichzeitiger Prozesse:</translation>
        </message>
        <message>
            <source>Convert</source>
            <translation>Umwandeln</translation>
        </message>
    </context>
    <context>
        <name>VDCPreferenceDlg</name>
        <message>
            <source>Preference</source>
            <translation>Einstellungen</translation>
        </message>
    </context>
    <context>
        <name>VDCPreferenceGeneral</name>
        <message>
            <source>General Settings</source>
            <translation>Allgemeine Einstellungen</translation>
        </message>
        <message>
            <source>If output file exists, please select</source>
            <translation>Wenn die Ausgabedatei schon existiert:</translation>
        </message>
        <message>
            <source>btnGFileExists</source>
            <translation>btnGFileExists</translation>
        </message>
        <message>
            <source>Rename</source>
            <translation>Umbenennen</translation>
        </message>
        <message>
            <source>Overwrite</source>
            <translation>Überschreiben</translation>
        </message>
        <message>
            <source>Skip</source>
            <translation>Überspringen</translation>
        </message>
        <message>
            <source>Lossless Output Mode</source>
            <translation>Verlustfreie Ausgabe</translation>
        </message>
        <message>
            <source>btnGLosslessMode</source>
            <translation>btnGLosslessMode</translation>
        </message>
        <message>
            <source>Split from the exact frame you choose</source>
            <translation>Genau am gewählten Bild teilen</translation>
        </message>
        <message>
            <source>Split from the next GOP</source>
            <translation>An der nächsten GOP teilen</translation>
        </message>
        <message>
            <source>General</source>
            <translation>Allgemein</translation>
        </message>
    </context>
    <context>
        <name>VDCPreferenceOthers</name>
        <message>
            <source>Snapshot</source>
            <translation>Schnappschuss</translation>
        </message>
        <message>
            <source>Width:</source>
            <translation>Breite:</translation>
        </message>
        <message>
            <source>Height:</source>
            <translation>Höhe:</translation>
        </message>
        <message>
            <source>Original Video Size</source>
            <translation>Originale Videogröße</translation>
        </message>
        <message>
            <source>Options when camcorder is connected</source>
            <translation>Beim Anschließen eines Camcorders</translation>
        </message>
        <message>
            <source>Launch wizard when camcorder is connected</source>
            <translation>Assistent starten, wenn ein Camcorder angeschlossen wird</translation>
        </message>
        <message>
            <source>Reset confirmation message displays</source>
            <translation>Bestätigungsmeldungen zurücksetzen</translation>
        </message>
        <message>
            <source>Pop back up with the "Do not show this message again." information dialog</source>
            <translation>Meldungen mit "Diese Meldung nicht mehr anzeigen." wieder anzeigen</translation>
        </message>
        <message>
            <source>Reset</source>
            <translation>Zurücksetzen</translation>
        </message>
        <message>
            <source>Others</source>
            <translation>Sonstiges</translation>
        </message>
        <message>
            <source>Reset succeeded!</source>
            <translation>Zurückgesetzt!</translation>
        </message>
    </context>
    <context>
        <name>VDCPreferenceTivo</name>
        <message>
            <source>Tivo Settings</source>
            <translation>TiVo-Einstellungen</translation>
        </message>
        <message>
            <source>Tivo</source>
            <translation>TiVo</translation>
        </message>
    </context>
    <context>
        <name>VEditorWidget</name>
        <message>
            <source>Effects</source>
            <comment>效果</comment>
            <translation>Effekte</translation>
        </message>
        <message>
            <source>Volume Adjustment</source>
            <comment>音量调节</comment>
            <translation>Lautstärke</translation>
        </message>
        <message>
            <source>3D Effect</source>
            <comment>3D效果</comment>
            <translation>3D-Effekt</translation>
        </message>
        <message>
            <source>VEditorWidget</source>
            <translation>VEditorWidget</translation>
        </message>
        <message>
            <source>Reset</source>
            <comment>重新设定</comment>
            <translation>Zurücksetzen</translation>
        </message>
        <message>
            <source>Apply to all</source>
            <comment>应用至全部</comment>
            <translation>Auf alle anwenden</translation>
        </message>
        <message>
            <source>Effects</source>
            <comment>特效</comment>
            <translation>Effekte</translation>
        </message>
        <message>
            <source>Volume Adjustment</source>
            <comment>音量</comment>
            <translation>Lautstärke</translation>
        </message>
        <message>
            <source>3D Effect</source>
            <comment>3D 效果</comment>
            <translation>3D-Effekt</translation>
        </message>
    </context>
    <context>
        <name>VIconDisplayView</name>
        <message>
            <source>&amp;Play</source>
            <comment>播放</comment>
            <translation>&amp;Wiedergeben</translation>
        </message>
        <message>
            <source>&amp;Find Target</source>
            <comment>打开所在文件夹</comment>
            <translation>Im &amp;Ordner zeigen</translation>
        </message>
        <message>
            <source>&amp;Delete</source>
            <comment>删除</comment>
            <translation>&amp;Löschen</translation>
        </message>
        <message>
            <source>The file no longer exists: %1</source>
            <translation>Die Datei existiert nicht mehr: %1</translation>
        </message>
    </context>
    <context>
        <name>VImportMediaLibDialog</name>
        <message>
            <source>Importing media Library...</source>
            <extracomment>正在导入媒体库...</extracomment>
            <translation>Mediathek wird importiert...</translation>
        </message>
    </context>
    <context>
        <name>VResourceLib</name>
        <message>
            <source>Import</source>
            <comment>导入</comment>
            <translation>Importieren</translation>
        </message>
        <message>
            <source>Camcorder</source>
            <comment>摄像机</comment>
            <translation>Camcorder</translation>
        </message>
        <message>
            <source>Options</source>
            <comment>选项</comment>
            <translation>Optionen</translation>
        </message>
        <message>
            <source>&amp;Name</source>
            <comment>名称</comment>
            <translation>&amp;Name</translation>
        </message>
        <message>
            <source>&amp;Duration</source>
            <comment>持续时间</comment>
            <translation>&amp;Dauer</translation>
        </message>
        <message>
            <source>&amp;File Size</source>
            <comment>文件大小</comment>
            <translation>Datei&amp;größe</translation>
        </message>
        <message>
            <source>D&amp;ate</source>
            <comment>日期</comment>
            <translation>D&amp;atum</translation>
        </message>
        <message>
            <source>&amp;Type</source>
            <comment>类型</comment>
            <translation>&amp;Typ</translation>
        </message>
        <message>
            <source>Select &amp;All</source>
            <comment>全选</comment>
            <translation>&amp;Alles auswählen</translation>
        </message>
        <message>
            <source>&amp;Delete Selected</source>
            <comment>删除所选内容</comment>
            <translation>Auswahl &amp;löschen</translation>
        </message>
        <message>
            <source>&amp;Large Icons</source>
            <comment>大图标</comment>
            <translation>&amp;Große Symbole</translation>
        </message>
        <message>
            <source>S&amp;mall Icons</source>
            <comment>小图标</comment>
            <translation>&amp;Kleine Symbole</translation>
        </message>
        <message>
            <source>De&amp;tails</source>
            <comment>详细信息</comment>
            <translation>&amp;Details</translation>
        </message>
        <message>
            <source>&amp;Import Media Library</source>
            <comment>导入资源库</comment>
            <translation>Mediathek &amp;importieren</translation>
        </message>
        <message>
            <source>&amp;Export Media Library</source>
            <comment>导出资源库</comment>
            <translation>Mediathek &amp;exportieren</translation>
        </message>
        <message>
            <source>Import Media &amp;Files</source>
            <comment>导入媒体文件</comment>
            <translation>Medien&amp;dateien importieren</translation>
        </message>
        <message>
            <source>Import a Media F&amp;older</source>
            <comment>导入媒体文件夹</comment>
            <translation>Medien&amp;ordner importieren</translation>
        </message>
        <message>
            <source>&amp;Sort By</source>
            <comment>排序方式</comment>
            <translation>&amp;Sortieren nach</translation>
        </message>
        <message>
            <source>Display All Medias</source>
            <comment>全部媒体</comment>
            <translation>Alle Medien anzeigen</translation>
        </message>
        <message>
            <source>Display Video</source>
            <comment>视频</comment>
            <translation>Videos anzeigen</translation>
        </message>
        <message>
            <source>Display Audio</source>
            <comment>音频</comment>
            <translation>Audio anzeigen</translation>
        </message>
        <message>
            <source>Media Files (%1);;All Files (*)</source>
            <translation>Mediendateien (%1);;Alle Dateien (*)</translation>
        </message>
        <message>
            <source>Open</source>
            <translation>Öffnen</translation>
        </message>
        <message>
            <source>If import a folder within the media file?</source>
            <translation>Sollen auch die Unterordner importiert werden?</translation>
        </message>
        <message>
            <source>There's no any file in directory "%1"</source>
            <translation>Im Ordner "%1" liegt keine Datei.</translation>
        </message>
        <message>
            <source>Export media library</source>
            <translation>Mediathek exportieren</translation>
        </message>
        <message>
            <source>Import media library</source>
            <translation>Mediathek importieren</translation>
        </message>
    </context>
    <context>
        <name>VSourceWorkSpace</name>
        <message>
            <source>Media Source</source>
            <comment>媒体源</comment>
            <translation>Medienquellen</translation>
        </message>
        <message>
            <source>Effects</source>
            <comment>效果</comment>
            <translation>Effekte</translation>
        </message>
        <message>
            <source>Volume Adjustment</source>
            <comment>音量调节</comment>
            <translation>Lautstärke</translation>
        </message>
        <message>
            <source>3D Effect</source>
            <comment>3D效果</comment>
            <translation>3D-Effekt</translation>
        </message>
    </context>
    <context>
        <name>VSourcerPage</name>
        <message>
            <source>Another import is still running. Please import these files when it has finished.</source>
            <translation>Es läuft noch ein Import. Bitte importieren Sie diese Dateien, wenn er beendet ist.</translation>
        </message>
        <message>
            <source>Sorry,this program can not import the following %1 files so far : %2"%3"%4Please contact &lt;a href="%5"style="color:#%9"&gt;%6&lt;/a&gt; for help.Please provide the following log file.Log File &lt;a href="%7"style="color:#%9"&gt;%8&lt;/a&gt;.</source>
            <translation>Die folgenden %1 Dateien konnten leider nicht importiert werden: %2"%3"%4Hilfe erhalten Sie unter &lt;a href="%5"style="color:#%9"&gt;%6&lt;/a&gt;. Bitte senden Sie die folgende Protokolldatei mit. Protokolldatei &lt;a href="%7"style="color:#%9"&gt;%8&lt;/a&gt;.</translation>
        </message>
        <message>
            <source>Sorry,this program can not import the following %1 files so far : %2"%3"%4The log file tells why: &lt;a href="%5"style="color:#%7"&gt;%6&lt;/a&gt;.</source>
            <translation>Die folgenden %1 Dateien konnten leider nicht importiert werden: %2"%3"%4Den Grund nennt die Protokolldatei: &lt;a href="%5"style="color:#%7"&gt;%6&lt;/a&gt;.</translation>
        </message>
        <message>
            <source>Can not import TIVO files, invalid media access key. please visit preference dialog and enter the correct media access key.</source>
            <translation>TiVo-Dateien können nicht importiert werden: Der Medienzugriffsschlüssel ist ungültig. Bitte geben Sie in den Einstellungen den richtigen Schlüssel ein.</translation>
        </message>
        <message>
            <source>The files cannot be backed up: no file backuper is available. Nothing was imported.</source>
            <translation>Die Dateien können nicht gesichert werden: Es ist keine Sicherung verfügbar. Es wurde nichts importiert.</translation>
        </message>
        <message>
            <source>The backup could not be started. Nothing was copied or imported.</source>
            <translation>Die Sicherung konnte nicht gestartet werden. Es wurde nichts kopiert oder importiert.</translation>
        </message>
        <message>
            <source>These files could not be backed up and are not imported:
%1</source>
            <translation>Diese Dateien konnten nicht gesichert werden und werden nicht importiert:
%1</translation>
        </message>
        <message>
            <source>The backup could not be started (%1). Nothing was copied or imported.</source>
            <translation>Die Sicherung konnte nicht gestartet werden (%1). Es wurde nichts kopiert oder importiert.</translation>
        </message>
        <message>
            <source>pictures are not imported as media files</source>
            <translation>Bilder werden nicht als Mediendateien importiert</translation>
        </message>
        <message>
            <source>no picture could be read from it</source>
            <translation>es ließ sich kein Bild daraus lesen</translation>
        </message>
        <message>
            <source>the reason is in the log file</source>
            <translation>der Grund steht in der Protokolldatei</translation>
        </message>
        <message>
            <source>%1: %2</source>
            <translation>%1: %2</translation>
        </message>
    </context>
    <context>
        <name>VMOutPutTaskMgr</name>
        <message>
            <source>Add output task</source>
            <translation>Ausgabeaufgabe hinzufügen</translation>
        </message>
        <message>
            <source>Delete checked tasks</source>
            <translation>Markierte Aufgaben löschen</translation>
        </message>
        <message>
            <source>Convert checked tasks</source>
            <translation>Markierte Aufgaben umwandeln</translation>
        </message>
        <message>
            <source>Checked all tasks</source>
            <translation>Alle Aufgaben markieren</translation>
        </message>
        <message>
            <source>&amp;Delete</source>
            <translation>&amp;Löschen</translation>
        </message>
        <message>
            <source>&amp;Rename</source>
            <translation>&amp;Umbenennen</translation>
        </message>
        <message>
            <source>&amp;Find Target</source>
            <translation>&amp;Ziel anzeigen</translation>
        </message>
        <message>
            <source>No media source for conversion</source>
            <translation>Keine Medienquelle zum Umwandeln</translation>
        </message>
        <message>
            <source>The convert task &quot;%1&quot; in the destination directory already exist!</source>
            <translation>Die Umwandlungsaufgabe „%1“ existiert bereits im Zielordner!</translation>
        </message>
        <message>
            <source>Please rename task or change file exists policy in the preference dialog.</source>
            <translation>Bitte benennen Sie die Aufgabe um oder ändern Sie in den Einstellungen, was bei vorhandenen Dateien geschieht.</translation>
        </message>
        <message>
            <source>The conversion could not be started.</source>
            <translation>Die Umwandlung konnte nicht gestartet werden.</translation>
        </message>
        <message>
            <source>Unexpected error</source>
            <translation>Unerwarteter Fehler</translation>
        </message>
        <message>
            <source>Are you sure you want to delete is conversion Output task?</source>
            <translation>Möchten Sie die laufende Ausgabeaufgabe wirklich löschen?</translation>
        </message>
        <message>
            <source>Are you sure you want to delete conversion Output task?</source>
            <translation>Möchten Sie die Ausgabeaufgabe wirklich löschen?</translation>
        </message>
        <message>
            <source>These files of the timeline no longer exist:</source>
            <translation>Diese Dateien der Zeitleiste existieren nicht mehr:</translation>
        </message>
    </context>
    <context>
        <name>VMOutputTaskItem</name>
        <message>
            <source>%1 can't hold the %2 sound: it is left out</source>
            <translation>%1 kann den Ton %2 nicht aufnehmen: er wird weggelassen</translation>
        </message>
        <message>
            <source>%1 can't hold the %2 subtitles: they are left out</source>
            <translation>%1 kann die Untertitel %2 nicht aufnehmen: sie werden weggelassen</translation>
        </message>
        <message>
            <source>%1 keeps the clip's turn only as a &quot;rotate&quot; tag, which other players don't read</source>
            <translation>%1 bewahrt die Drehung des Clips nur als &quot;rotate&quot;-Tag, den andere Player nicht lesen</translation>
        </message>
        <message>
            <source>No encoder here for the pictures at a cut: the clips start at their next key picture</source>
            <translation>Kein Encoder für die Bilder an einem Schnitt vorhanden: die Clips beginnen an ihrem nächsten Schlüsselbild</translation>
        </message>
        <message>
            <source>Pause</source>
            <comment>暂停</comment>
            <translation>Pause</translation>
        </message>
        <message>
            <source>Start</source>
            <comment>开始</comment>
            <translation>Start</translation>
        </message>
        <message>
            <source>Converting</source>
            <comment>正在转换</comment>
            <translation>Wird konvertiert</translation>
        </message>
        <message>
            <source>Conversion canceled</source>
            <comment>转换已取消</comment>
            <translation>Konvertierung abgebrochen</translation>
        </message>
        <message>
            <source>The conversion failed:</source>
            <comment>转换失败：</comment>
            <translation>Die Umwandlung ist fehlgeschlagen:</translation>
        </message>
        <message>
            <source>No reason was given.</source>
            <comment>未给出原因。</comment>
            <translation>Es wurde kein Grund angegeben.</translation>
        </message>
        <message>
            <source>The conversion's log: %1</source>
            <comment>转换日志：%1</comment>
            <translation>Protokoll der Umwandlung: %1</translation>
        </message>
        <message>
            <source>Output task failed,please send the following log file to us&lt;br&gt;&lt;br&gt; %1</source>
            <comment>输出任务失败，请将以下日志文件发送给我们</comment>
            <translation>Die Ausgabe ist fehlgeschlagen. Bitte senden Sie uns die folgende Protokolldatei:&lt;br&gt;&lt;br&gt; %1</translation>
        </message>
        <message>
            <source>Conversion failed</source>
            <comment>转换失败</comment>
            <translation>Konvertierung fehlgeschlagen</translation>
        </message>
        <message>
            <source>Conversion succeed</source>
            <comment>转换成功</comment>
            <translation>Konvertierung abgeschlossen</translation>
        </message>
        <message>
            <source>Starting upload</source>
            <comment>开始上传</comment>
            <translation>Hochladen beginnt</translation>
        </message>
        <message>
            <source>Upload failed</source>
            <comment>上传失败</comment>
            <translation>Hochladen fehlgeschlagen</translation>
        </message>
        <message>
            <source>Youtube Login Failed</source>
            <comment>Youtube登录失败</comment>
            <translation>Anmeldung bei YouTube fehlgeschlagen</translation>
        </message>
        <message>
            <source>uploading</source>
            <comment>正在上传</comment>
            <translation>Wird hochgeladen</translation>
        </message>
        <message>
            <source>Upload succeed</source>
            <comment>上传成功</comment>
            <translation>Hochladen abgeschlossen</translation>
        </message>
        <message>
            <source>Login authentication fails, the account information is incorrect</source>
            <comment>登录验证失败，账户信息不正确</comment>
            <translation>Anmeldung abgelehnt, die Kontodaten sind falsch</translation>
        </message>
        <message>
            <source>Connection timeout</source>
            <comment>连接超时</comment>
            <translation>Zeitüberschreitung der Verbindung</translation>
        </message>
        <message>
            <source>Upload file %1 failed,the following log file has provided more information.
Log File &lt;a href="%2"style="color:#%4"&gt;%3&lt;/a&gt;.</source>
            <comment>上传文件%1失败，以下日志文件提供了更多信息。</comment>
            <translation>Hochladen von %1 fehlgeschlagen, die folgende Protokolldatei enthält mehr Informationen.
Protokolldatei &lt;a href="%2"style="color:#%4"&gt;%3&lt;/a&gt;.</translation>
        </message>
        <message>
            <source>Upload file %1 failed.</source>
            <comment>上传文件%1失败。</comment>
            <translation>Hochladen von %1 fehlgeschlagen.</translation>
        </message>
        <message>
            <source>The file was not uploaded: no upload service is configured.</source>
            <translation>Die Datei wurde nicht hochgeladen: Es ist kein Upload-Dienst eingerichtet.</translation>
        </message>
        <message>
            <source>The file was not uploaded: enter an account in the upload settings first.</source>
            <translation>Die Datei wurde nicht hochgeladen: Geben Sie zuerst in den Upload-Einstellungen ein Konto ein.</translation>
        </message>
    </context>
    <context>
        <name>VProfileDevicePage</name>
        <message>
            <source>Format:</source>
            <comment>格式:</comment>
            <translation>Format:</translation>
        </message>
        <message>
            <source>Device</source>
            <translation>Gerät</translation>
        </message>
    </context>
    <context>
        <name>VProfileEditorPage</name>
        <message>
            <source>Editor</source>
            <translation>Schnittprogramm</translation>
        </message>
    </context>
    <context>
        <name>VProfileFormatPage</name>
        <message>
            <source>Common Format</source>
            <translation>Gängige Formate</translation>
        </message>
    </context>
    <context>
        <name>VProfileLosslessPage</name>
        <message>
            <source>The lossless output should pay attention to the following matters：
1. Currently only supports the mts m2ts mod  tod format 
2. The format and encoding of video files in the timeline show be  substantially the same
3. Any editing effects (effect audio 3d) will be ignored when output </source>
            <comment>无损输出，应注意以下事项： 1.目前只支持MTS M2TS MOD，TOD格式 2.时间轴上视频文件的格式和编码大致相同 3.任何编辑效果（效果音频3D）时在输出时将被忽略</comment>
            <translation>Bei verlustfreier Ausgabe ist Folgendes zu beachten:
1. Derzeit werden nur die Formate MTS, M2TS, MOD und TOD unterstützt
2. Format und Kodierung der Videodateien in der Zeitleiste sollten weitgehend gleich sein
3. Bearbeitungseffekte (Effekte, Audio, 3D) werden bei der Ausgabe ignoriert</translation>
        </message>
        <message>
            <source>Reserve camcorder timecode(if exists) </source>
            <comment>保留摄像机视频拍摄时间（如果存在）</comment>
            <translation>Aufnahmezeit des Camcorders beibehalten (falls vorhanden)</translation>
        </message>
        <message>
            <source>Lossless</source>
            <translation>Verlustfrei</translation>
        </message>
    </context>
    <context>
        <name>VProfileManagerWidget</name>
        <message>
            <source>Output Path:</source>
            <translation>Ausgabeordner:</translation>
        </message>
        <message>
            <source>Browse</source>
            <translation>Durchsuchen</translation>
        </message>
        <message>
            <source>Open</source>
            <translation>Öffnen</translation>
        </message>
        <message>
            <source>Path provided is not writable.</source>
            <translation>In den angegebenen Ordner kann nicht geschrieben werden.</translation>
        </message>
    </context>
    <context>
        <name>VProfileMgrPageWidget</name>
        <message>
            <source>The profile settings could not be kept: %1</source>
            <translation>Die Profileinstellungen konnten nicht übernommen werden: %1</translation>
        </message>
    </context>
    <context>
        <name>VProfileOnlinePage</name>
        <message>
            <source>Video Params</source>
            <comment>视频参数</comment>
            <translation>Videoparameter</translation>
        </message>
        <message>
            <source>Format</source>
            <comment>格式</comment>
            <translation>Format</translation>
        </message>
        <message>
            <source>Online</source>
            <translation>Online</translation>
        </message>
    </context>
    <context>
        <name>VProfileParamSPWidget</name>
        <message>
            <source>Size(pix):</source>
            <comment>视频大小（像素）</comment>
            <translation>Größe (Pixel):</translation>
        </message>
        <message>
            <source>Channels:</source>
            <comment>声道数：</comment>
            <translation>Kanäle:</translation>
        </message>
        <message>
            <source>Video Size</source>
            <comment>视频大小</comment>
            <translation>Videogröße</translation>
        </message>
        <message>
            <source>Channels</source>
            <comment>声道数</comment>
            <translation>Kanäle</translation>
        </message>
    </context>
    <context>
        <name>VProfileParamWidget</name>
        <message>
            <source>Video</source>
            <translation>Video</translation>
        </message>
        <message>
            <source>Codec:</source>
            <translation>Codec:</translation>
        </message>
        <message>
            <source>Video Codec</source>
            <translation>Video-Codec</translation>
        </message>
        <message>
            <source>Size(pix):</source>
            <translation>Größe (Pixel):</translation>
        </message>
        <message>
            <source>Video Size</source>
            <translation>Videogröße</translation>
        </message>
        <message>
            <source>Bitrate(kbps):</source>
            <translation>Bitrate (kbit/s):</translation>
        </message>
        <message>
            <source>Video Bitrate</source>
            <translation>Video-Bitrate</translation>
        </message>
        <message>
            <source>Frame Rate(fps):</source>
            <translation>Bildrate (fps):</translation>
        </message>
        <message>
            <source>Video Framerate</source>
            <translation>Video-Bildrate</translation>
        </message>
        <message>
            <source>Audio</source>
            <translation>Audio</translation>
        </message>
        <message>
            <source>Audio Codec</source>
            <translation>Audio-Codec</translation>
        </message>
        <message>
            <source>Sample Rate(hz):</source>
            <translation>Abtastrate (Hz):</translation>
        </message>
        <message>
            <source>Audio Sample Rate</source>
            <translation>Audio-Abtastrate</translation>
        </message>
        <message>
            <source>Bitrate(bps):</source>
            <translation>Bitrate (bit/s):</translation>
        </message>
        <message>
            <source>Audio Bitrate</source>
            <translation>Audio-Bitrate</translation>
        </message>
        <message>
            <source>Channels:</source>
            <translation>Kanäle:</translation>
        </message>
        <message>
            <source>Channels</source>
            <translation>Kanäle</translation>
        </message>
    </context>
    <context>
        <name>VYoutubeSettingWidget</name>
        <message>
            <source>Upload to YouTube after output</source>
            <comment>输出后上传至Youtube</comment>
            <translation>Nach der Ausgabe zu YouTube hochladen</translation>
        </message>
        <message>
            <source>Youtube Account:</source>
            <comment>Youtube账户:</comment>
            <translation>YouTube-Konto:</translation>
        </message>
        <message>
            <source>User Name:</source>
            <comment>用户名:</comment>
            <translation>Benutzername:</translation>
        </message>
        <message>
            <source>Remove</source>
            <comment>移除</comment>
            <translation>Entfernen</translation>
        </message>
        <message>
            <source>Password:</source>
            <comment>密码</comment>
            <translation>Passwort:</translation>
        </message>
        <message>
            <source>Youtube Video Info</source>
            <comment>Youtube视频信息</comment>
            <translation>YouTube-Videoangaben</translation>
        </message>
        <message>
            <source>Title:</source>
            <comment>标题：</comment>
            <translation>Titel:</translation>
        </message>
        <message>
            <source>Keywords:</source>
            <comment>关键字：</comment>
            <translation>Schlagwörter:</translation>
        </message>
        <message>
            <source>Category:</source>
            <comment>类别：</comment>
            <translation>Kategorie:</translation>
        </message>
        <message>
            <source>Description:</source>
            <comment>描述：</comment>
            <translation>Beschreibung:</translation>
        </message>
        <message>
            <source>Access Type:</source>
            <comment>访问类型</comment>
            <translation>Sichtbarkeit:</translation>
        </message>
        <message>
            <source>Public</source>
            <comment>公开的</comment>
            <translation>Öffentlich</translation>
        </message>
        <message>
            <source>No Public</source>
            <comment>非公开的</comment>
            <translation>Nicht gelistet</translation>
        </message>
        <message>
            <source>Private</source>
            <comment>私有的</comment>
            <translation>Privat</translation>
        </message>
        <message>
            <source>Film</source>
            <translation>Film &amp; Animation</translation>
        </message>
        <message>
            <source>Autos</source>
            <translation>Autos &amp; Fahrzeuge</translation>
        </message>
        <message>
            <source>Music</source>
            <translation>Musik</translation>
        </message>
        <message>
            <source>Animals</source>
            <translation>Tiere</translation>
        </message>
        <message>
            <source>Sports</source>
            <translation>Sport</translation>
        </message>
        <message>
            <source>Travel</source>
            <translation>Reisen &amp; Events</translation>
        </message>
        <message>
            <source>Shortmov</source>
            <translation>Kurzfilme</translation>
        </message>
        <message>
            <source>Videoblog</source>
            <translation>Videoblog</translation>
        </message>
        <message>
            <source>Games</source>
            <translation>Spiele</translation>
        </message>
        <message>
            <source>Comedy</source>
            <translation>Comedy</translation>
        </message>
        <message>
            <source>People</source>
            <translation>Menschen &amp; Blogs</translation>
        </message>
        <message>
            <source>News</source>
            <translation>Nachrichten &amp; Politik</translation>
        </message>
        <message>
            <source>Entertainment</source>
            <translation>Unterhaltung</translation>
        </message>
        <message>
            <source>Education</source>
            <translation>Bildung</translation>
        </message>
        <message>
            <source>Howto</source>
            <translation>Anleitungen &amp; Stil</translation>
        </message>
        <message>
            <source>Nonprofit</source>
            <translation>Gemeinnützig</translation>
        </message>
        <message>
            <source>Tech</source>
            <translation>Wissenschaft &amp; Technik</translation>
        </message>
        <message>
            <source>Movies_Anime_animation</source>
            <translation>Filme: Anime/Animation</translation>
        </message>
        <message>
            <source>Movies</source>
            <translation>Filme</translation>
        </message>
        <message>
            <source>Movies_Comedy</source>
            <translation>Filme: Komödie</translation>
        </message>
        <message>
            <source>Movies_Documentary</source>
            <translation>Filme: Dokumentation</translation>
        </message>
        <message>
            <source>Movies_Action_adventure</source>
            <translation>Filme: Action/Abenteuer</translation>
        </message>
        <message>
            <source>Movies_Classics</source>
            <translation>Filme: Klassiker</translation>
        </message>
        <message>
            <source>Movies_Foreign</source>
            <translation>Filme: Ausland</translation>
        </message>
        <message>
            <source>Movies_Horror</source>
            <translation>Filme: Horror</translation>
        </message>
        <message>
            <source>Movies_Drama</source>
            <translation>Filme: Drama</translation>
        </message>
        <message>
            <source>Movies_Family</source>
            <translation>Filme: Familie</translation>
        </message>
        <message>
            <source>Movies_Shorts</source>
            <translation>Filme: Kurzfilme</translation>
        </message>
        <message>
            <source>Shows</source>
            <translation>Sendungen</translation>
        </message>
        <message>
            <source>Movies_Sci_fi_fantasy</source>
            <translation>Filme: Science-Fiction/Fantasy</translation>
        </message>
        <message>
            <source>Movies_Thriller</source>
            <translation>Filme: Thriller</translation>
        </message>
        <message>
            <source>Trailers</source>
            <translation>Trailer</translation>
        </message>
        <message>
            <source>This profile does not upload: only the YouTube profiles upload after output.</source>
            <translation>Dieses Profil lädt nicht hoch: Nur die YouTube-Profile werden nach der Ausgabe hochgeladen.</translation>
        </message>
    </context>
    <context>
        <name>VTimeLineViewClass</name>
        <message>
            <source>VTimeLineView</source>
            <translation>VTimeLineView</translation>
        </message>
        <message>
            <source>Cut the Clip</source>
            <translation>Clip schneiden</translation>
        </message>
        <message>
            <source>Delete Selected Clip(s)</source>
            <translation>Ausgewählte Clips löschen</translation>
        </message>
        <message>
            <source>Zoom Out (-)</source>
            <translation>Verkleinern (-)</translation>
        </message>
        <message>
            <source>Zoom in (+)</source>
            <translation>Vergrößern (+)</translation>
        </message>
    </context>
    <context>
        <name>VTrackView</name>
        <message>
            <source>&amp;Duplicate this Clip</source>
            <comment>复制选中片段</comment>
            <translation>Diesen Clip &amp;duplizieren</translation>
        </message>
        <message>
            <source>D&amp;elete Selected Clip(s)</source>
            <comment>删除选中片段</comment>
            <translation>Ausgewählte Clips &amp;löschen</translation>
        </message>
        <message>
            <source>&amp;Clear All Clips</source>
            <comment>清除所有片段</comment>
            <translation>Alle Clips &amp;entfernen</translation>
        </message>
        <message>
            <source>Select &amp;All Clips</source>
            <comment>选择全部片段</comment>
            <translation>Alle Clips &amp;auswählen</translation>
        </message>
        <message>
            <source>&amp;Play this Clip</source>
            <comment>播放选中片段</comment>
            <translation>Diesen Clip a&amp;bspielen</translation>
        </message>
        <message>
            <source>&amp;View this Clip</source>
            <comment>浏览选中片段</comment>
            <translation>Diesen Clip im &amp;Ordner zeigen</translation>
        </message>
    </context>
    <context>
        <name>VSelectCamcorderWidget</name>
        <message>
            <source>Choose the right camcorder or storage media for video importing and click "Next".</source>
            <translation>Wählen Sie den Camcorder oder Datenträger für den Videoimport und klicken Sie auf „Weiter“.</translation>
        </message>
        <message>
            <source>Playback can be jerky in preview window if source files are large in size. Please wait a second for the program to respond.</source>
            <translation>Bei großen Quelldateien kann die Wiedergabe im Vorschaufenster ruckeln. Bitte warten Sie einen Moment, bis das Programm reagiert.</translation>
        </message>
        <message>
            <source>The video cannot be previewed:
%1</source>
            <translation>Das Video kann nicht in der Vorschau gezeigt werden:
%1</translation>
        </message>
    </context>
    <context>
        <name>VImportFilesWidget</name>
        <message>
            <source>Camcorder :</source>
            <translation>Camcorder:</translation>
        </message>
        <message>
            <source>Check All</source>
            <translation>Alle auswählen</translation>
        </message>
        <message>
            <source>Backup files to local</source>
            <translation>Dateien lokal sichern</translation>
        </message>
        <message>
            <source>Backup to:</source>
            <translation>Sichern nach:</translation>
        </message>
        <message>
            <source>Free Disk Space:</source>
            <translation>Freier Speicher:</translation>
        </message>
        <message>
            <source>default</source>
            <translation>Standard</translation>
        </message>
        <message>
            <source>year</source>
            <translation>Jahr</translation>
        </message>
        <message>
            <source>month</source>
            <translation>Monat</translation>
        </message>
        <message>
            <source>date</source>
            <translation>Datum</translation>
        </message>
        <message>
            <source>type</source>
            <translation>Typ</translation>
        </message>
        <message>
            <source>Open</source>
            <translation>Öffnen</translation>
        </message>
        <message>
            <source>Path provided is not writable.</source>
            <translation>In den angegebenen Pfad kann nicht geschrieben werden.</translation>
        </message>
        <message>
            <source>Playback can be jerky in preview window if source files are large in size.Please wait a second for the program to respond.</source>
            <translation>Bei großen Quelldateien kann die Wiedergabe im Vorschaufenster ruckeln. Bitte warten Sie einen Moment, bis das Programm reagiert.</translation>
        </message>
        <message>
            <source>Choose backup video files to the local,
program will import local video after the backup is complete;
Otherwise will directly import camcorder video.
Please keep camcorder connected for the whole import and ouput progress.
Unexpected disconnection will cause unpredictable results</source>
            <translation>Wählen Sie die lokale Sicherung der Videodateien,
importiert das Programm nach der Sicherung die lokalen Videos;
andernfalls werden die Videos direkt vom Camcorder importiert.
Lassen Sie den Camcorder während des gesamten Imports und der Ausgabe angeschlossen.
Eine unerwartete Trennung führt zu unvorhersehbaren Ergebnissen</translation>
        </message>
    </context>
    <context>
        <name>V3DEffectAdjust</name>
        <message>
            <source>V3DEffectAdjust</source>
            <translation>V3DEffectAdjust</translation>
        </message>
        <message>
            <source>Depth:</source>
            <comment>深度：</comment>
            <translation>Tiefe:</translation>
        </message>
        <message>
            <source> Current Clip Name: %1</source>
            <comment>片段名: %1</comment>
            <translation> Aktueller Clip: %1</translation>
        </message>
        <message>
            <source>Current Clip Name: No Clip</source>
            <comment>片段名: 无片段</comment>
            <translation>Aktueller Clip: kein Clip</translation>
        </message>
    </context>
    <context>
        <name>VEffectAdjust</name>
        <message>
            <source>VEffectAdjust</source>
            <translation>VEffectAdjust</translation>
        </message>
        <message>
            <source>Flip Horizontally</source>
            <comment>水平翻转</comment>
            <translation>Horizontal spiegeln</translation>
        </message>
        <message>
            <source>Flip Vertically</source>
            <comment>垂直翻转</comment>
            <translation>Vertikal spiegeln</translation>
        </message>
        <message>
            <source>Rotate counter-clockwise</source>
            <comment>逆时针旋转</comment>
            <translation>Gegen den Uhrzeigersinn drehen</translation>
        </message>
        <message>
            <source>Rotate clockwise</source>
            <comment>顺时针选择</comment>
            <translation>Im Uhrzeigersinn drehen</translation>
        </message>
        <message>
            <source> Current Clip Name: %1</source>
            <comment>片段名: %1</comment>
            <translation> Aktueller Clip: %1</translation>
        </message>
        <message>
            <source>Current Clip Name: No Clip</source>
            <comment>片段名: 无片段</comment>
            <translation>Aktueller Clip: kein Clip</translation>
        </message>
        <message>
            <source>Clip Name: No Clip</source>
            <comment>片段名: 无片段</comment>
            <translation>Clip: kein Clip</translation>
        </message>
    </context>
    <context>
        <name>VEffectOptions</name>
        <message>
            <source>None</source>
            <comment>无</comment>
            <translation>Keiner</translation>
        </message>
        <message>
            <source>Simple Gauss Blur</source>
            <comment>高斯模糊</comment>
            <translation>Gaußscher Weichzeichner</translation>
        </message>
        <message>
            <source>Simple Laplacian Sharpen</source>
            <comment>拉普拉斯锐化</comment>
            <translation>Laplace-Schärfen</translation>
        </message>
        <message>
            <source>Gray</source>
            <comment>灰度</comment>
            <translation>Graustufen</translation>
        </message>
        <message>
            <source>Flip Color</source>
            <comment>颜色翻转</comment>
            <translation>Farben tauschen</translation>
        </message>
        <message>
            <source>Invert</source>
            <comment>反色</comment>
            <translation>Invertieren</translation>
        </message>
        <message>
            <source>Aged Film</source>
            <comment>老电影</comment>
            <translation>Alter Film</translation>
        </message>
    </context>
    <context>
        <name>VVolumeAdjust</name>
        <message>
            <source>VVolumeAdjust</source>
            <translation>VVolumeAdjust</translation>
        </message>
        <message>
            <source>Volume</source>
            <comment>音量</comment>
            <translation>Lautstärke</translation>
        </message>
        <message>
            <source> Current Clip Name: %1</source>
            <comment>片段名: %1</comment>
            <translation> Aktueller Clip: %1</translation>
        </message>
        <message>
            <source>Current Clip Name: No Clip</source>
            <comment>片段名: 无片段</comment>
            <translation>Aktueller Clip: kein Clip</translation>
        </message>
    </context>
    <context>
        <name>VExportPage</name>
        <message>
            <source>Some profile files could not be read. They were kept aside and the defaults are used:</source>
            <translation>Einige Profildateien konnten nicht gelesen werden. Sie wurden beiseitegelegt; es gelten die Voreinstellungen:</translation>
        </message>
    </context>
    <context>
        <name>VTimeLineView</name>
        <message>
            <source>The files of these clips no longer exist. The clips stay on the timeline with their edits, shown as missing, and cannot be converted until their files are back:</source>
            <translation>Die Dateien dieser Clips existieren nicht mehr. Die Clips bleiben mit ihren Bearbeitungen in der Zeitleiste, als fehlend gezeigt, und können erst umgewandelt werden, wenn ihre Dateien wieder da sind:</translation>
        </message>
    </context>
    <context>
        <name>VDCMainPlayer</name>
        <message>
            <source>The snapshot could not be saved as &quot;%1&quot;.</source>
            <translation>Der Schnappschuss konnte nicht als „%1“ gespeichert werden.</translation>
        </message>
        <message>
            <source>The folder cannot be written: choose another one.</source>
            <translation>In den Ordner kann nicht geschrieben werden: Wählen Sie einen anderen.</translation>
        </message>
    </context>
    <context>
        <name>UserFailureText</name>
        <message>
            <source>the file</source>
            <translation>die Datei</translation>
        </message>
        <message>
            <source>the file %1</source>
            <translation>die Datei %1</translation>
        </message>
        <message>
            <source>%1 no longer exists</source>
            <translation>%1 gibt es nicht mehr</translation>
        </message>
        <message>
            <source>%1 may not be read or written (permission denied)</source>
            <translation>%1 darf nicht gelesen oder geschrieben werden (keine Berechtigung)</translation>
        </message>
        <message>
            <source>%1 is a folder, not a file</source>
            <translation>%1 ist ein Ordner, keine Datei</translation>
        </message>
        <message>
            <source>the disk is full</source>
            <translation>der Datenträger ist voll</translation>
        </message>
        <message>
            <source>the disk can only be read</source>
            <translation>der Datenträger ist schreibgeschützt</translation>
        </message>
        <message>
            <source>the disk could not be read or written (%1)</source>
            <translation>der Datenträger ließ sich nicht lesen oder beschreiben (%1)</translation>
        </message>
        <message>
            <source>%1 could not be used: the system reports &quot;%2&quot;</source>
            <translation>%1 ließ sich nicht verwenden: Das System meldet „%2“</translation>
        </message>
        <message>
            <source>the file %1 is damaged: its data ends at %2 s of the %3 s its header states (it is cut short)</source>
            <translation>die Datei %1 ist beschädigt: Ihre Daten enden bei %2 s der %3 s, die ihr Kopf angibt (sie ist abgeschnitten)</translation>
        </message>
        <message>
            <source>the file %1 is damaged</source>
            <translation>die Datei %1 ist beschädigt</translation>
        </message>
        <message>
            <source>it holds no pictures and no sound</source>
            <translation>sie enthält weder Bilder noch Ton</translation>
        </message>
        <message>
            <source>it is a folder, not a media file</source>
            <translation>es ist ein Ordner, keine Mediendatei</translation>
        </message>
        <message>
            <source>it is not a media file, or it is damaged</source>
            <translation>es ist keine Mediendatei, oder sie ist beschädigt</translation>
        </message>
        <message>
            <source>the file is empty</source>
            <translation>die Datei ist leer</translation>
        </message>
        <message>
            <source>it holds no picture</source>
            <translation>sie enthält kein Bild</translation>
        </message>
        <message>
            <source>its picture cannot be decoded</source>
            <translation>ihr Bild lässt sich nicht dekodieren</translation>
        </message>
        <message>
            <source>the file changed while it was being read</source>
            <translation>die Datei hat sich beim Lesen geändert</translation>
        </message>
        <message>
            <source>a TiVo recording needs the TiVo media access key</source>
            <translation>eine TiVo-Aufnahme braucht den TiVo-Medienzugangsschlüssel</translation>
        </message>
        <message>
            <source>there was not enough memory</source>
            <translation>es war nicht genug Speicher frei</translation>
        </message>
    </context>
    <context>
        <name>MediaShowImageDelegate</name>
        <message>
            <source>Missing</source>
            <translation>Fehlt</translation>
        </message>
    </context>
    <context>
        <name>MediaShowDetailsDelegate</name>
        <message>
            <source>Missing</source>
            <translation>Fehlt</translation>
        </message>
    </context>
</TS>
