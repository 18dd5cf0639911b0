<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
    <context>
        <name>AboutDialog</name>
        <message>
            <source>AboutDialog</source>
            <translation>AboutDialog</translation>
        </message>
        <message>
            <source>Warning: This program is protected by copyright law and international treaties. Unauthorized reproduction or distribution of it, or of any portion of it, may result in severe civil and criminal penalties.</source>
            <translation>Warning: This program is protected by copyright law and international treaties. Unauthorized reproduction or distribution of it, or of any portion of it, may result in severe civil and criminal penalties.</translation>
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
            <translation>The update check failed: %1</translation>
        </message>
        <message>
            <source>The update check failed: the update service gave no version.</source>
            <translation>The update check failed: the update service gave no version.</translation>
        </message>
        <message>
            <source>Version %1 is available; this is version %2.</source>
            <translation>Version %1 is available; this is version %2.</translation>
        </message>
        <message>
            <source>This is the newest version (%1).</source>
            <translation>This is the newest version (%1).</translation>
        </message>
        <message>
            <source>No update service is configured for this program.</source>
            <translation>No update service is configured for this program.</translation>
        </message>
        <message>
            <source>the update address is not valid.</source>
            <translation>the update address is not valid.</translation>
        </message>
        <message>
            <source>Checking for updates...</source>
            <translation>Checking for updates...</translation>
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
            <translation>Duration</translation>
        </message>
        <message>
            <source>Size</source>
            <comment>大小</comment>
            <translation>Size</translation>
        </message>
        <message>
            <source>Date</source>
            <comment>日期</comment>
            <translation>Date</translation>
        </message>
        <message>
            <source>Type</source>
            <comment>类型</comment>
            <translation>Type</translation>
        </message>
        <message>
            <source>Name: </source>
            <comment>名称：</comment>
            <translation>Name: </translation>
        </message>
        <message>
            <source>Type: </source>
            <comment>类型：</comment>
            <translation>Type: </translation>
        </message>
        <message>
            <source>Size: </source>
            <comment>大小：</comment>
            <translation>Size: </translation>
        </message>
        <message>
            <source>Duration: </source>
            <comment>时长：</comment>
            <translation>Duration: </translation>
        </message>
        <message>
            <source>Date: </source>
            <comment>日期：</comment>
            <translation>Date: </translation>
        </message>
    </context>
    <context>
        <name>FMDMediaTreeView</name>
        <message>
            <source>&amp;Play</source>
            <comment>播放</comment>
            <translation>&amp;Play</translation>
        </message>
        <message>
            <source>&amp;Find Target</source>
            <comment>打开所在文件夹</comment>
            <translation>&amp;Find Target</translation>
        </message>
        <message>
            <source>&amp;Delete</source>
            <comment>删除</comment>
            <translation>&amp;Delete</translation>
        </message>
        <message>
            <source>&amp;Rename</source>
            <comment>重命名</comment>
            <translation>&amp;Rename</translation>
        </message>
        <message>
            <source>Select &amp;All</source>
            <comment>全选</comment>
            <translation>Select &amp;All</translation>
        </message>
        <message>
            <source>Move &amp;Up</source>
            <comment>上移</comment>
            <translation>Move &amp;Up</translation>
        </message>
        <message>
            <source>Move Do&amp;wn</source>
            <comment>下移</comment>
            <translation>Move Do&amp;wn</translation>
        </message>
    </context>
    <context>
        <name>Fablecut::MainWindow</name>
        <message>
            <source>The platform services could not be created (%1).</source>
            <translation>The platform services could not be created (%1).</translation>
        </message>
        <message>
            <source>The media libraries could not be loaded: %1</source>
            <translation>The media libraries could not be loaded: %1</translation>
        </message>
        <message>
            <source>Init Vantrel falsed.</source>
            <translation>Init Vantrel falsed.</translation>
        </message>
        <message>
            <source>&amp;File</source>
            <comment>文件</comment>
            <translation>&amp;File</translation>
        </message>
        <message>
            <source>&amp;Tools</source>
            <comment>工具</comment>
            <translation>&amp;Tools</translation>
        </message>
        <message>
            <source>&amp;Language</source>
            <comment>语言</comment>
            <translation>&amp;Language</translation>
        </message>
        <message>
            <source>&amp;Import Media Files</source>
            <comment>导入媒体文件</comment>
            <translation>&amp;Import Media Files</translation>
        </message>
        <message>
            <source>Import a Media &amp;Floder</source>
            <comment>导入媒体文件夹</comment>
            <translation>Import a Media &amp;Floder</translation>
        </message>
        <message>
            <source>E&amp;xit</source>
            <comment>退出</comment>
            <translation>E&amp;xit</translation>
        </message>
        <message>
            <source>&amp;Keyboard Shortcuts</source>
            <comment>键盘快捷键</comment>
            <translation>&amp;Keyboard Shortcuts</translation>
        </message>
        <message>
            <source>&amp;Update</source>
            <comment>升级</comment>
            <translation>&amp;Update</translation>
        </message>
        <message>
            <source>Cancel</source>
            <translation>Cancel</translation>
        </message>
        <message>
            <source>The media library is busy loading or saving. Please import the library list again in a moment.</source>
            <translation>The media library is busy loading or saving. Please import the library list again in a moment.</translation>
        </message>
        <message>
            <source>The media library is busy loading or saving. Please export it again in a moment.</source>
            <translation>The media library is busy loading or saving. Please export it again in a moment.</translation>
        </message>
        <message>
            <source>The media library could not be written to "%1".</source>
            <translation>The media library could not be written to "%1".</translation>
        </message>
        <message>
            <source>The following %1 meida sources  load failed:%2</source>
            <translation>The following %1 meida sources  load failed:%2</translation>
        </message>
        <message>
            <source>Camcorder is connected. Are you ready to launch wizard now?

If you do not want to launch wizard when camcorder is connected,please open Preferences dialog and select "Others", uncheck the "Launch wizard when camcorder is connected" checkbox.</source>
            <translation>Camcorder is connected. Are you ready to launch wizard now?

If you do not want to launch wizard when camcorder is connected,please open Preferences dialog and select "Others", uncheck the "Launch wizard when camcorder is connected" checkbox.</translation>
        </message>
        <message>
            <source>The camcorder is disconnected!</source>
            <translation>The camcorder is disconnected!</translation>
        </message>
        <message>
            <source>Some output tasks are still running, are you sure you want to quit?</source>
            <translation>Some output tasks are still running, are you sure you want to quit?</translation>
        </message>
    </context>
    <context>
        <name>MainWindow</name>
        <message>
            <source>Import/Edit</source>
            <comment>导入/编辑</comment>
            <translation>Import/Edit</translation>
        </message>
        <message>
            <source>Output</source>
            <comment>输出</comment>
            <translation>Output</translation>
        </message>
    </context>
    <context>
        <name>ProfileNodeManager</name>
        <message>
            <source>All Rearch Results</source>
            <translation>All Rearch Results</translation>
        </message>
        <message>
            <source>Failed to Save Config File.</source>
            <translation>Failed to Save Config File.</translation>
        </message>
    </context>
    <context>
        <name>QObject</name>
        <message>
            <source>Error</source>
            <translation>Error</translation>
        </message>
        <message>
            <source>The program met an unknown error.</source>
            <translation>The program met an unknown error.</translation>
        </message>
        <message>
            <source>Do not show this message again.</source>
            <translation>Do not show this message again.</translation>
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
            <translation>Start :  </translation>
        </message>
        <message>
            <source>End :  </source>
            <translation>End :  </translation>
        </message>
        <message>
            <source>Duration :  </source>
            <translation>Duration :  </translation>
        </message>
        <message>
            <source>Resize start</source>
            <translation>Resize start</translation>
        </message>
        <message>
            <source>Resize end</source>
            <translation>Resize end</translation>
        </message>
    </context>
    <context>
        <name>VBaseTitleBar</name>
        <message>
            <source>Minimize</source>
            <extracomment>最小化按钮</extracomment>
            <translation>Minimize</translation>
        </message>
        <message>
            <source>Close</source>
            <extracomment>关闭按钮</extracomment>
            <translation>Close</translation>
        </message>
        <message>
            <source>Maximize</source>
            <extracomment>最大化按钮</extracomment>
            <translation>Maximize</translation>
        </message>
        <message>
            <source>Restore</source>
            <extracomment>还原按钮</extracomment>
            <translation>Restore</translation>
        </message>
        <message>
            <source>Help</source>
            <extracomment>帮助按钮</extracomment>
            <translation>Help</translation>
        </message>
        <message>
            <source>Preference</source>
            <extracomment>设置按钮</extracomment>
            <translation>Preference</translation>
        </message>
    </context>
    <context>
        <name>VCamcorderDialog</name>
        <message>
            <source>No camcorder is connected</source>
            <translation>No camcorder is connected</translation>
        </message>
        <message>
            <source>Camcorder</source>
            <translation>Camcorder</translation>
        </message>
        <message>
            <source>Back</source>
            <translation>Back</translation>
        </message>
        <message>
            <source>Next</source>
            <translation>Next</translation>
        </message>
        <message>
            <source>Start</source>
            <translation>Start</translation>
        </message>
        <message>
            <source>Cancel</source>
            <translation>Cancel</translation>
        </message>
        <message>
            <source>VCamcorderDialog</source>
            <translation>VCamcorderDialog</translation>
        </message>
        <message>
            <source>Please select a camcorder first.</source>
            <translation>Please select a camcorder first.</translation>
        </message>
        <message>
            <source>This camcorder does not contain any video file,
please select another camcorder.</source>
            <translation>This camcorder does not contain any video file,
please select another camcorder.</translation>
        </message>
        <message>
            <source>The camcorder is disconnected!</source>
            <translation>The camcorder is disconnected!</translation>
        </message>
    </context>
    <context>
        <name>VDCPreferenceAccelerate</name>
        <message>
            <source>GPU Encode acceleration</source>
            <translation>GPU Encode acceleration</translation>
        </message>
        <message>
            <source>Enable NVIDIA CUDA acceleration</source>
            <translation>Enable NVIDIA CUDA acceleration</translation>
        </message>
        <message>
            <source>Learn More...</source>
            <translation>Learn More...</translation>
        </message>
        <message>
            <source>Enable AMD APP acceleration</source>
            <translation>Enable AMD APP acceleration</translation>
        </message>
        <message>
            <source>H264 Decoder</source>
            <translation>H264 Decoder</translation>
        </message>
        <message>
            <source>CUDA Decoder</source>
            <translation>CUDA Decoder</translation>
        </message>
        <message>
            <source>Intel Decoder</source>
            <translation>Intel Decoder</translation>
        </message>
        <message>
            <source>System Decoder</source>
            <translation>System Decoder</translation>
        </message>
        <message>
            <source>Acceleration</source>
            <translation>Acceleration</translation>
        </message>
    </context>
    <context>
        <name>VDCPreferenceConvert</name>
        <message>
            <source>Convert using all cores</source>
            <translation>Convert using all cores</translation>
        </message>
        <message>
            <source>Convert using the least core number</source>
            <translation>Convert using the least core number</translation>
        </message>
        <message>
            <source>Customize core number:</source>
            <translation>Customize core number:</translation>
        </message>
        <message>
            <source> Process </source>
            <translation> Process </translation>
        </message>
        <message>
            <source>Maximum Simultaneous Running Processes:</source>
            <translation>Maximum Simultaneous Running Processes:</translation>
        </message>
        <message>
            <source>Convert</source>
            <translation>Convert</translation>
        </message>
    </context>
    <context>
        <name>VDCPreferenceDlg</name>
        <message>
            <source>Preference</source>
            <translation>Preference</translation>
        </message>
    </context>
    <context>
        <name>VDCPreferenceGeneral</name>
        <message>
            <source>General Settings</source>
            <translation>General Settings</translation>
        </message>
        <message>
            <source>If output file exists, please select</source>
            <translation>If output file exists, please select</translation>
        </message>
        <message>
            <source>btnGFileExists</source>
            <translation>btnGFileExists</translation>
        </message>
        <message>
            <source>Rename</source>
            <translation>Rename</translation>
        </message>
        <message>
            <source>Overwrite</source>
            <translation>Overwrite</translation>
        </message>
        <message>
            <source>Skip</source>
            <translation>Skip</translation>
        </message>
        <message>
            <source>Lossless Output Mode</source>
            <translation>Lossless Output Mode</translation>
        </message>
        <message>
            <source>btnGLosslessMode</source>
            <translation>btnGLosslessMode</translation>
        </message>
        <message>
            <source>Split from the exact frame you choose</source>
            <translation>Split from the exact frame you choose</translation>
        </message>
        <message>
            <source>Split from the next GOP</source>
            <translation>Split from the next GOP</translation>
        </message>
        <message>
            <source>General</source>
            <translation>General</translation>
        </message>
    </context>
    <context>
        <name>VDCPreferenceOthers</name>
        <message>
            <source>Snapshot</source>
            <translation>Snapshot</translation>
        </message>
        <message>
            <source>Width:</source>
            <translation>Width:</translation>
        </message>
        <message>
            <source>Height:</source>
            <translation>Height:</translation>
        </message>
        <message>
            <source>Original Video Size</source>
            <translation>Original Video Size</translation>
        </message>
        <message>
            <source>Options when camcorder is connected</source>
            <translation>Options when camcorder is connected</translation>
        </message>
        <message>
            <source>Launch wizard when camcorder is connected</source>
            <translation>Launch wizard when camcorder is connected</translation>
        </message>
        <message>
            <source>Reset confirmation message displays</source>
            <translation>Reset confirmation message displays</translation>
        </message>
        <message>
            <source>Pop back up with the "Do not show this message again." information dialog</source>
            <translation>Pop back up with the "Do not show this message again." information dialog</translation>
        </message>
        <message>
            <source>Reset</source>
            <translation>Reset</translation>
        </message>
        <message>
            <source>Others</source>
            <translation>Others</translation>
        </message>
        <message>
            <source>Reset succeeded!</source>
            <translation>Reset succeeded!</translation>
        </message>
    </context>
    <context>
        <name>VDCPreferenceTivo</name>
        <message>
            <source>Tivo Settings</source>
            <translation>Tivo Settings</translation>
        </message>
        <message>
            <source>Tivo</source>
            <translation>Tivo</translation>
        </message>
    </context>
    <context>
        <name>VEditorWidget</name>
        <message>
            <source>Effects</source>
            <comment>效果</comment>
            <translation>Effects</translation>
        </message>
        <message>
            <source>Volume Adjustment</source>
            <comment>音量调节</comment>
            <translation>Volume Adjustment</translation>
        </message>
        <message>
            <source>3D Effect</source>
            <comment>3D效果</comment>
            <translation>3D Effect</translation>
        </message>
        <message>
            <source>VEditorWidget</source>
            <translation>VEditorWidget</translation>
        </message>
        <message>
            <source>Reset</source>
            <comment>重新设定</comment>
            <translation>Reset</translation>
        </message>
        <message>
            <source>Apply to all</source>
            <comment>应用至全部</comment>
            <translation>Apply to all</translation>
        </message>
        <message>
            <source>Effects</source>
            <comment>特效</comment>
            <translation>Effects</translation>
        </message>
        <message>
            <source>Volume Adjustment</source>
            <comment>音量</comment>
            <translation>Volume Adjustment</translation>
        </message>
        <message>
            <source>3D Effect</source>
            <comment>3D 效果</comment>
            <translation>3D Effect</translation>
        </message>
    </context>
    <context>
        <name>VIconDisplayView</name>
        <message>
            <source>&amp;Play</source>
            <comment>播放</comment>
            <translation>&amp;Play</translation>
        </message>
        <message>
            <source>&amp;Find Target</source>
            <comment>打开所在文件夹</comment>
            <translation>&amp;Find Target</translation>
        </message>
        <message>
            <source>&amp;Delete</source>
            <comment>删除</comment>
            <translation>&amp;Delete</translation>
        </message>
    </context>
    <context>
        <name>VImportMediaLibDialog</name>
        <message>
            <source>Importing media Library...</source>
            <extracomment>正在导入媒体库...</extracomment>
            <translation>Importing media Library...</translation>
        </message>
    </context>
    <context>
        <name>VResourceLib</name>
        <message>
            <source>Import</source>
            <comment>导入</comment>
            <translation>Import</translation>
        </message>
        <message>
            <source>Camcorder</source>
            <comment>摄像机</comment>
            <translation>Camcorder</translation>
        </message>
        <message>
            <source>Options</source>
            <comment>选项</comment>
            <translation>Options</translation>
        </message>
        <message>
            <source>&amp;Name</source>
            <comment>名称</comment>
            <translation>&amp;Name</translation>
        </message>
        <message>
            <source>&amp;Duration</source>
            <comment>持续时间</comment>
            <translation>&amp;Duration</translation>
        </message>
        <message>
            <source>&amp;File Size</source>
            <comment>文件大小</comment>
            <translation>&amp;File Size</translation>
        </message>
        <message>
            <source>D&amp;ate</source>
            <comment>日期</comment>
            <translation>D&amp;ate</translation>
        </message>
        <message>
            <source>&amp;Type</source>
            <comment>类型</comment>
            <translation>&amp;Type</translation>
        </message>
        <message>
            <source>Select &amp;All</source>
            <comment>全选</comment>
            <translation>Select &amp;All</translation>
        </message>
        <message>
            <source>&amp;Delete Selected</source>
            <comment>删除所选内容</comment>
            <translation>&amp;Delete Selected</translation>
        </message>
        <message>
            <source>&amp;Large Icons</source>
            <comment>大图标</comment>
            <translation>&amp;Large Icons</translation>
        </message>
        <message>
            <source>S&amp;mall Icons</source>
            <comment>小图标</comment>
            <translation>S&amp;mall Icons</translation>
        </message>
        <message>
            <source>De&amp;tails</source>
            <comment>详细信息</comment>
            <translation>De&amp;tails</translation>
        </message>
        <message>
            <source>&amp;Import Media Library</source>
            <comment>导入资源库</comment>
            <translation>&amp;Import Media Library</translation>
        </message>
        <message>
            <source>&amp;Export Media Library</source>
            <comment>导出资源库</comment>
            <translation>&amp;Export Media Library</translation>
        </message>
        <message>
            <source>Import Media &amp;Files</source>
            <comment>导入媒体文件</comment>
            <translation>Import Media &amp;Files</translation>
        </message>
        <message>
            <source>Import a Media F&amp;older</source>
            <comment>导入媒体文件夹</comment>
            <translation>Import a Media F&amp;older</translation>
        </message>
        <message>
            <source>&amp;Sort By</source>
            <comment>排序方式</comment>
            <translation>&amp;Sort By</translation>
        </message>
        <message>
            <source>Display All Medias</source>
            <comment>全部媒体</comment>
            <translation>Display All Medias</translation>
        </message>
        <message>
            <source>Display Video</source>
            <comment>视频</comment>
            <translation>Display Video</translation>
        </message>
        <message>
            <source>Display Audio</source>
            <comment>音频</comment>
            <translation>Display Audio</translation>
        </message>
        <message>
            <source>Media Files (%1);;All Files (*)</source>
            <translation>Media Files (%1);;All Files (*)</translation>
        </message>
        <message>
            <source>Open</source>
            <translation>Open</translation>
        </message>
        <message>
            <source>If import a folder within the media file?</source>
            <translation>If import a folder within the media file?</translation>
        </message>
        <message>
            <source>There's no any file in directory "%1"</source>
            <translation>There's no any file in directory "%1"</translation>
        </message>
        <message>
            <source>Export media library</source>
            <translation>Export media library</translation>
        </message>
        <message>
            <source>Import media library</source>
            <translation>Import media library</translation>
        </message>
    </context>
    <context>
        <name>VSourceWorkSpace</name>
        <message>
            <source>Media Source</source>
            <comment>媒体源</comment>
            <translation>Media Source</translation>
        </message>
        <message>
            <source>Effects</source>
            <comment>效果</comment>
            <translation>Effects</translation>
        </message>
        <message>
            <source>Volume Adjustment</source>
            <comment>音量调节</comment>
            <translation>Volume Adjustment</translation>
        </message>
        <message>
            <source>3D Effect</source>
            <comment>3D效果</comment>
            <translation>3D Effect</translation>
        </message>
    </context>
    <context>
        <name>VSourcerPage</name>
        <message>
            <source>Another import is still running. Please import these files when it has finished.</source>
            <translation>Another import is still running. Please import these files when it has finished.</translation>
        </message>
        <message>
            <source>Sorry,this program can not import the following %1 files so far : %2"%3"%4Please contact &lt;a href="%5"style="color:#%9"&gt;%6&lt;/a&gt; for help.Please provide the following log file.Log File &lt;a href="%7"style="color:#%9"&gt;%8&lt;/a&gt;.</source>
            <translation>Sorry,this program can not import the following %1 files so far : %2"%3"%4Please contact &lt;a href="%5"style="color:#%9"&gt;%6&lt;/a&gt; for help.Please provide the following log file.Log File &lt;a href="%7"style="color:#%9"&gt;%8&lt;/a&gt;.</translation>
        </message>
        <message>
            <source>Sorry,this program can not import the following %1 files so far : %2"%3"%4The log file tells why: &lt;a href="%5"style="color:#%7"&gt;%6&lt;/a&gt;.</source>
            <translation>Sorry,this program can not import the following %1 files so far : %2"%3"%4The log file tells why: &lt;a href="%5"style="color:#%7"&gt;%6&lt;/a&gt;.</translation>
        </message>
        <message>
            <source>Can not import TIVO files, invalid media access key. please visit preference dialog and enter the correct media access key.</source>
            <translation>Can not import TIVO files, invalid media access key. please visit preference dialog and enter the correct media access key.</translation>
        </message>
        <message>
            <source>The files cannot be backed up: no file backuper is available. Nothing was imported.</source>
            <translation>The files cannot be backed up: no file backuper is available. Nothing was imported.</translation>
        </message>
        <message>
            <source>The backup could not be started. Nothing was copied or imported.</source>
            <translation>The backup could not be started. Nothing was copied or imported.</translation>
        </message>
        <message>
            <source>These files could not be backed up and are not imported:
%1</source>
            <translation>These files could not be backed up and are not imported:
%1</translation>
        </message>
        <message>
            <source>The backup could not be started (%1). Nothing was copied or imported.</source>
            <translation>The backup could not be started (%1). Nothing was copied or imported.</translation>
        </message>
    </context>
    <context>
        <name>VYoutubeSettingWidget</name>
        <message>
            <source>Film</source>
            <translation>Film &amp; Animation</translation>
        </message>
        <message>
            <source>Autos</source>
            <translation>Autos &amp; Vehicles</translation>
        </message>
        <message>
            <source>Animals</source>
            <translation>Pets &amp; Animals</translation>
        </message>
        <message>
            <source>Travel</source>
            <translation>Travel &amp; Events</translation>
        </message>
        <message>
            <source>Shortmov</source>
            <translation>Short Movies</translation>
        </message>
        <message>
            <source>Videoblog</source>
            <translation>Videoblogging</translation>
        </message>
        <message>
            <source>People</source>
            <translation>People &amp; Blogs</translation>
        </message>
        <message>
            <source>News</source>
            <translation>News &amp; Politics</translation>
        </message>
        <message>
            <source>Howto</source>
            <translation>Howto &amp; Style</translation>
        </message>
        <message>
            <source>Nonprofit</source>
            <translation>Nonprofits &amp; Activism</translation>
        </message>
        <message>
            <source>Tech</source>
            <translation>Science &amp; Technology</translation>
        </message>
        <message>
            <source>Movies_Anime_animation</source>
            <translation>Movies: Anime/Animation</translation>
        </message>
        <message>
            <source>Movies_Comedy</source>
            <translation>Movies: Comedy</translation>
        </message>
        <message>
            <source>Movies_Documentary</source>
            <translation>Movies: Documentary</translation>
        </message>
        <message>
            <source>Movies_Action_adventure</source>
            <translation>Movies: Action/Adventure</translation>
        </message>
        <message>
            <source>Movies_Classics</source>
            <translation>Movies: Classics</translation>
        </message>
        <message>
            <source>Movies_Foreign</source>
            <translation>Movies: Foreign</translation>
        </message>
        <message>
            <source>Movies_Horror</source>
            <translation>Movies: Horror</translation>
        </message>
        <message>
            <source>Movies_Drama</source>
            <translation>Movies: Drama</translation>
        </message>
        <message>
            <source>Movies_Family</source>
            <translation>Movies: Family</translation>
        </message>
        <message>
            <source>Movies_Shorts</source>
            <translation>Movies: Shorts</translation>
        </message>
        <message>
            <source>Movies_Sci_fi_fantasy</source>
            <translation>Movies: Sci-Fi/Fantasy</translation>
        </message>
        <message>
            <source>Movies_Thriller</source>
            <translation>Movies: Thriller</translation>
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
            <translation>Cut the Clip</translation>
        </message>
        <message>
            <source>Delete Selected Clip(s)</source>
            <translation>Delete Selected Clip(s)</translation>
        </message>
        <message>
            <source>Zoom Out (-)</source>
            <translation>Zoom Out (-)</translation>
        </message>
        <message>
            <source>Zoom in (+)</source>
            <translation>Zoom in (+)</translation>
        </message>
    </context>
    <context>
        <name>VTrackView</name>
        <message>
            <source>&amp;Duplicate this Clip</source>
            <comment>复制选中片段</comment>
            <translation>&amp;Duplicate this Clip</translation>
        </message>
        <message>
            <source>D&amp;elete Selected Clip(s)</source>
            <comment>删除选中片段</comment>
            <translation>D&amp;elete Selected Clip(s)</translation>
        </message>
        <message>
            <source>&amp;Clear All Clips</source>
            <comment>清除所有片段</comment>
            <translation>&amp;Clear All Clips</translation>
        </message>
        <message>
            <source>Select &amp;All Clips</source>
            <comment>选择全部片段</comment>
            <translation>Select &amp;All Clips</translation>
        </message>
        <message>
            <source>&amp;Play this Clip</source>
            <comment>播放选中片段</comment>
            <translation>&amp;Play this Clip</translation>
        </message>
        <message>
            <source>&amp;View this Clip</source>
            <comment>浏览选中片段</comment>
            <translation>&amp;View this Clip</translation>
        </message>
    </context>
    <context>
        <name>VSelectCamcorderWidget</name>
        <message>
            <source>Choose the right camcorder or storage media for video importing and click "Next".</source>
            <translation>Choose the right camcorder or storage media for video importing and click "Next".</translation>
        </message>
        <message>
            <source>Playback can be jerky in preview window if source files are large in size. Please wait a second for the program to respond.</source>
            <translation>Playback can be jerky in preview window if source files are large in size. Please wait a second for the program to respond.</translation>
        </message>
        <message>
            <source>The video cannot be previewed:
%1</source>
            <translation>The video cannot be previewed:
%1</translation>
        </message>
    </context>
    <context>
        <name>VImportFilesWidget</name>
        <message>
            <source>Camcorder :</source>
            <translation>Camcorder :</translation>
        </message>
        <message>
            <source>Check All</source>
            <translation>Check All</translation>
        </message>
        <message>
            <source>Backup files to local</source>
            <translation>Backup files to local</translation>
        </message>
        <message>
            <source>Backup to:</source>
            <translation>Backup to:</translation>
        </message>
        <message>
            <source>Free Disk Space:</source>
            <translation>Free Disk Space:</translation>
        </message>
        <message>
            <source>default</source>
            <translation>default</translation>
        </message>
        <message>
            <source>year</source>
            <translation>year</translation>
        </message>
        <message>
            <source>month</source>
            <translation>month</translation>
        </message>
        <message>
            <source>date</source>
            <translation>date</translation>
        </message>
        <message>
            <source>type</source>
            <translation>type</translation>
        </message>
        <message>
            <source>Open</source>
            <translation>Open</translation>
        </message>
        <message>
            <source>Path provided is not writable.</source>
            <translation>Path provided is not writable.</translation>
        </message>
        <message>
            <source>Playback can be jerky in preview window if source files are large in size.Please wait a second for the program to respond.</source>
            <translation>Playback can be jerky in preview window if source files are large in size.Please wait a second for the program to respond.</translation>
        </message>
        <message>
            <source>Choose backup video files to the local,
program will import local video after the backup is complete;
Otherwise will directly import camcorder video.
Please keep camcorder connected for the whole import and ouput progress.
Unexpected disconnection will cause unpredictable results</source>
            <translation>Choose backup video files to the local,
program will import local video after the backup is complete;
Otherwise will directly import camcorder video.
Please keep camcorder connected for the whole import and ouput progress.
Unexpected disconnection will cause unpredictable results</translation>
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
            <translation>Depth:</translation>
        </message>
        <message>
            <source> Current Clip Name: %1</source>
            <comment>片段名: %1</comment>
            <translation> Current Clip Name: %1</translation>
        </message>
        <message>
            <source>Current Clip Name: No Clip</source>
            <comment>片段名: 无片段</comment>
            <translation>Current Clip Name: No Clip</translation>
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
            <translation>Flip Horizontally</translation>
        </message>
        <message>
            <source>Flip Vertically</source>
            <comment>垂直翻转</comment>
            <translation>Flip Vertically</translation>
        </message>
        <message>
            <source>Rotate counter-clockwise</source>
            <comment>逆时针旋转</comment>
            <translation>Rotate counter-clockwise</translation>
        </message>
        <message>
            <source>Rotate clockwise</source>
            <comment>顺时针选择</comment>
            <translation>Rotate clockwise</translation>
        </message>
        <message>
            <source> Current Clip Name: %1</source>
            <comment>片段名: %1</comment>
            <translation> Current Clip Name: %1</translation>
        </message>
        <message>
            <source>Current Clip Name: No Clip</source>
            <comment>片段名: 无片段</comment>
            <translation>Current Clip Name: No Clip</translation>
        </message>
        <message>
            <source>Clip Name: No Clip</source>
            <comment>片段名: 无片段</comment>
            <translation>Clip Name: No Clip</translation>
        </message>
    </context>
    <context>
        <name>VEffectOptions</name>
        <message>
            <source>None</source>
            <comment>无</comment>
            <translation>None</translation>
        </message>
        <message>
            <source>Simple Gauss Blur</source>
            <comment>高斯模糊</comment>
            <translation>Simple Gauss Blur</translation>
        </message>
        <message>
            <source>Simple Laplacian Sharpen</source>
            <comment>拉普拉斯锐化</comment>
            <translation>Simple Laplacian Sharpen</translation>
        </message>
        <message>
            <source>Gray</source>
            <comment>灰度</comment>
            <translation>Gray</translation>
        </message>
        <message>
            <source>Flip Color</source>
            <comment>颜色翻转</comment>
            <translation>Flip Color</translation>
        </message>
        <message>
            <source>Invert</source>
            <comment>反色</comment>
            <translation>Invert</translation>
        </message>
        <message>
            <source>Aged Film</source>
            <comment>老电影</comment>
            <translation>Aged Film</translation>
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
            <translation>Volume</translation>
        </message>
        <message>
            <source> Current Clip Name: %1</source>
            <comment>片段名: %1</comment>
            <translation> Current Clip Name: %1</translation>
        </message>
        <message>
            <source>Current Clip Name: No Clip</source>
            <comment>片段名: 无片段</comment>
            <translation>Current Clip Name: No Clip</translation>
        </message>
    </context>
    <context>
        <name>VExportPage</name>
        <message>
            <source>Some profile files could not be read. They were kept aside and the defaults are used:</source>
            <translation>Some profile files could not be read. They were kept aside and the defaults are used:</translation>
        </message>
    </context>
    <context>
        <name>VMOutputTaskItem</name>
        <message>
            <source>%1 can't hold the %2 sound: it is left out</source>
            <translation>%1 can't hold the %2 sound: it is left out</translation>
        </message>
        <message>
            <source>%1 can't hold the %2 subtitles: they are left out</source>
            <translation>%1 can't hold the %2 subtitles: they are left out</translation>
        </message>
        <message>
            <source>%1 keeps the clip's turn only as a &quot;rotate&quot; tag, which other players don't read</source>
            <translation>%1 keeps the clip's turn only as a &quot;rotate&quot; tag, which other players don't read</translation>
        </message>
        <message>
            <source>No encoder here for the pictures at a cut: the clips start at their next key picture</source>
            <translation>No encoder here for the pictures at a cut: the clips start at their next key picture</translation>
        </message>
    </context>
</TS>
