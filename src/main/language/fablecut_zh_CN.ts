<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
    <context>
        <name>AboutDialog</name>
        <message>
            <source>AboutDialog</source>
            <translation>关于</translation>
        </message>
        <message>
            <source>Warning: This program is protected by copyright law and international treaties. Unauthorized reproduction or distribution of it, or of any portion of it, may result in severe civil and criminal penalties.</source>
            <translation>警告：本程序受版权法和国际条约保护。未经授权复制或分发本程序或其任何部分，可能导致严重的民事和刑事处罚。</translation>
        </message>
        <message>
            <source>Version:</source>
            <translation>版本：</translation>
        </message>
    </context>
    <context>
        <name>CProductUpdate</name>
        <message>
            <source>The update check failed: %1</source>
            <translation>检查更新失败：%1</translation>
        </message>
        <message>
            <source>The update check failed: the update service gave no version.</source>
            <translation>检查更新失败：更新服务未给出版本。</translation>
        </message>
        <message>
            <source>Version %1 is available; this is version %2.</source>
            <translation>已有新版本 %1；当前版本为 %2。</translation>
        </message>
        <message>
            <source>This is the newest version (%1).</source>
            <translation>这是最新版本（%1）。</translation>
        </message>
        <message>
            <source>No update service is configured for this program.</source>
            <translation>本程序未配置更新服务。</translation>
        </message>
        <message>
            <source>the update address is not valid.</source>
            <translation>更新地址无效。</translation>
        </message>
        <message>
            <source>Checking for updates...</source>
            <translation>正在检查更新...</translation>
        </message>
    </context>
    <context>
        <name>FMDMediaTreeModel</name>
        <message>
            <source>Name</source>
            <comment>名称</comment>
            <translation>名称</translation>
        </message>
        <message>
            <source>Duration</source>
            <comment>持续时间</comment>
            <translation>持续时间</translation>
        </message>
        <message>
            <source>Size</source>
            <comment>大小</comment>
            <translation>大小</translation>
        </message>
        <message>
            <source>Date</source>
            <comment>日期</comment>
            <translation>日期</translation>
        </message>
        <message>
            <source>Type</source>
            <comment>类型</comment>
            <translation>类型</translation>
        </message>
        <message>
            <source>Name: </source>
            <comment>名称：</comment>
            <translation>名称：</translation>
        </message>
        <message>
            <source>Type: </source>
            <comment>类型：</comment>
            <translation>类型：</translation>
        </message>
        <message>
            <source>Size: </source>
            <comment>大小：</comment>
            <translation>大小：</translation>
        </message>
        <message>
            <source>Duration: </source>
            <comment>时长：</comment>
            <translation>时长：</translation>
        </message>
        <message>
            <source>Date: </source>
            <comment>日期：</comment>
            <translation>日期：</translation>
        </message>
        <message>
            <source>The file no longer exists: %1</source>
            <translation>文件已不存在：%1</translation>
        </message>
    </context>
    <context>
        <name>FMDMediaTreeView</name>
        <message>
            <source>&amp;Play</source>
            <comment>播放</comment>
            <translation>播放(&amp;P)</translation>
        </message>
        <message>
            <source>&amp;Find Target</source>
            <comment>打开所在文件夹</comment>
            <translation>打开所在文件夹(&amp;F)</translation>
        </message>
        <message>
            <source>&amp;Delete</source>
            <comment>删除</comment>
            <translation>删除(&amp;D)</translation>
        </message>
        <message>
            <source>&amp;Rename</source>
            <comment>重命名</comment>
            <translation>重命名(&amp;R)</translation>
        </message>
        <message>
            <source>Select &amp;All</source>
            <comment>全选</comment>
            <translation>全选(&amp;A)</translation>
        </message>
        <message>
            <source>Move &amp;Up</source>
            <comment>上移</comment>
            <translation>上移(&amp;U)</translation>
        </message>
        <message>
            <source>Move Do&amp;wn</source>
            <comment>下移</comment>
            <translation>下移(&amp;W)</translation>
        </message>
    </context>
    <context>
        <name>Fablecut::MainWindow</name>
        <message>
            <source>The platform services could not be created (%1).</source>
            <translation>无法创建平台服务（%1）。</translation>
        </message>
        <message>
            <source>The media libraries could not be loaded: %1</source>
            <translation>无法加载媒体库：%1</translation>
        </message>
        <message>
            <source>Init Vantrel falsed.</source>
            <translation>平台服务初始化失败。</translation>
        </message>
        <message>
            <source>&amp;File</source>
            <comment>文件</comment>
            <translation>文件(&amp;F)</translation>
        </message>
        <message>
            <source>&amp;Tools</source>
            <comment>工具</comment>
            <translation>工具(&amp;T)</translation>
        </message>
        <message>
            <source>&amp;Language</source>
            <comment>语言</comment>
            <translation>语言(&amp;L)</translation>
        </message>
        <message>
            <source>&amp;Import Media Files</source>
            <comment>导入媒体文件</comment>
            <translation>导入媒体文件(&amp;I)</translation>
        </message>
        <message>
            <source>Import a Media &amp;Floder</source>
            <comment>导入媒体文件夹</comment>
            <translation>导入媒体文件夹(&amp;F)</translation>
        </message>
        <message>
            <source>E&amp;xit</source>
            <comment>退出</comment>
            <translation>退出(&amp;X)</translation>
        </message>
        <message>
            <source>&amp;Keyboard Shortcuts</source>
            <comment>键盘快捷键</comment>
            <translation>键盘快捷键(&amp;K)</translation>
        </message>
        <message>
            <source>&amp;Update</source>
            <comment>升级</comment>
            <translation>升级(&amp;U)</translation>
        </message>
        <message>
            <source>Cancel</source>
            <translation>取消</translation>
        </message>
        <message>
            <source>The media library is busy loading or saving. Please import the library list again in a moment.</source>
            <translation>媒体库正在加载或保存，请稍后再导入该资源库。</translation>
        </message>
        <message>
            <source>The media library is busy loading or saving. Please export it again in a moment.</source>
            <translation>媒体库正在加载或保存，请稍后再导出。</translation>
        </message>
        <message>
            <source>The media library could not be written to "%1".</source>
            <translation>无法将媒体库写入“%1”。</translation>
        </message>
        <message>
            <source>The following %1 meida sources  load failed:%2</source>
            <translation>以下 %1 个媒体源加载失败：%2</translation>
        </message>
        <message>
            <source>Camcorder is connected. Are you ready to launch wizard now?

If you do not want to launch wizard when camcorder is connected,please open Preferences dialog and select "Others", uncheck the "Launch wizard when camcorder is connected" checkbox.</source>
            <translation>摄像机已连接。现在启动向导吗？

如果不希望在连接摄像机时启动向导，请打开首选项对话框，选择“其他”，取消勾选“连接摄像机时启动向导”。</translation>
        </message>
        <message>
            <source>The camcorder is disconnected!</source>
            <translation>摄像机已断开！</translation>
        </message>
        <message>
            <source>Some output tasks are still running, are you sure you want to quit?</source>
            <translation>仍有输出任务在运行，确定要退出吗？</translation>
        </message>
    </context>
    <context>
        <name>MainWindow</name>
        <message>
            <source>Import/Edit</source>
            <comment>导入/编辑</comment>
            <translation>导入/编辑</translation>
        </message>
        <message>
            <source>Output</source>
            <comment>输出</comment>
            <translation>输出</translation>
        </message>
    </context>
    <context>
        <name>ProfileNodeManager</name>
        <message>
            <source>All Rearch Results</source>
            <translation>全部搜索结果</translation>
        </message>
        <message>
            <source>Failed to Save Config File.</source>
            <translation>保存配置文件失败。</translation>
        </message>
    </context>
    <context>
        <name>QObject</name>
        <message>
            <source>Error</source>
            <translation>错误</translation>
        </message>
        <message>
            <source>The program met an unknown error.</source>
            <translation>程序遇到未知错误。</translation>
        </message>
        <message>
            <source>Do not show this message again.</source>
            <translation>不再显示此消息。</translation>
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
            <translation>开始 :  </translation>
        </message>
        <message>
            <source>End :  </source>
            <translation>结束 :  </translation>
        </message>
        <message>
            <source>Duration :  </source>
            <translation>时长 :  </translation>
        </message>
        <message>
            <source>Resize start</source>
            <translation>调整开始</translation>
        </message>
        <message>
            <source>Resize end</source>
            <translation>调整结束</translation>
        </message>
        <message>
            <source>The file no longer exists: %1</source>
            <translation>文件已不存在：%1</translation>
        </message>
        <message>
            <source>Missing: %1</source>
            <translation>缺失：%1</translation>
        </message>
    </context>
    <context>
        <name>VBaseTitleBar</name>
        <message>
            <source>Minimize</source>
            <extracomment>最小化按钮</extracomment>
            <translation>最小化</translation>
        </message>
        <message>
            <source>Close</source>
            <extracomment>关闭按钮</extracomment>
            <translation>关闭</translation>
        </message>
        <message>
            <source>Maximize</source>
            <extracomment>最大化按钮</extracomment>
            <translation>最大化</translation>
        </message>
        <message>
            <source>Restore</source>
            <extracomment>还原按钮</extracomment>
            <translation>还原</translation>
        </message>
        <message>
            <source>Help</source>
            <extracomment>帮助按钮</extracomment>
            <translation>帮助</translation>
        </message>
        <message>
            <source>Preference</source>
            <extracomment>设置按钮</extracomment>
            <translation>首选项</translation>
        </message>
    </context>
    <context>
        <name>VCamcorderDialog</name>
        <message>
            <source>No camcorder is connected</source>
            <translation>未连接摄像机</translation>
        </message>
        <message>
            <source>Camcorder</source>
            <translation>摄像机</translation>
        </message>
        <message>
            <source>Back</source>
            <translation>上一步</translation>
        </message>
        <message>
            <source>Next</source>
            <translation>下一步</translation>
        </message>
        <message>
            <source>Start</source>
            <translation>开始</translation>
        </message>
        <message>
            <source>Cancel</source>
            <translation>取消</translation>
        </message>
        <message>
            <source>VCamcorderDialog</source>
            <translation>摄像机</translation>
        </message>
        <message>
            <source>Please select a camcorder first.</source>
            <translation>请先选择一台摄像机。</translation>
        </message>
        <message>
            <source>This camcorder does not contain any video file,
please select another camcorder.</source>
            <translation>此摄像机不包含任何视频文件，
请选择其他摄像机。</translation>
        </message>
        <message>
            <source>The camcorder is disconnected!</source>
            <translation>摄像机已断开连接！</translation>
        </message>
    </context>
    <context>
        <name>VDCPreferenceAccelerate</name>
        <message>
            <source>GPU Encode acceleration</source>
            <translation>GPU 编码加速</translation>
        </message>
        <message>
            <source>Enable NVIDIA CUDA acceleration</source>
            <translation>启用 NVIDIA CUDA 加速</translation>
        </message>
        <message>
            <source>Learn More...</source>
            <translation>了解更多...</translation>
        </message>
        <message>
            <source>Enable AMD APP acceleration</source>
            <translation>启用 AMD APP 加速</translation>
        </message>
        <message>
            <source>H264 Decoder</source>
            <translation>H264 解码器</translation>
        </message>
        <message>
            <source>CUDA Decoder</source>
            <translation>CUDA 解码器</translation>
        </message>
        <message>
            <source>Intel Decoder</source>
            <translation>Intel 解码器</translation>
        </message>
        <message>
            <source>System Decoder</source>
            <translation>系统解码器</translation>
        </message>
        <message>
            <source>Acceleration</source>
            <translation>加速</translation>
        </message>
    </context>
    <context>
        <name>VDCPreferenceConvert</name>
        <message>
            <source>Convert using all cores</source>
            <translation>使用所有核心转换</translation>
        </message>
        <message>
            <source>Convert using the least core number</source>
            <translation>使用最少核心数转换</translation>
        </message>
        <message>
            <source>Customize core number:</source>
            <translation>自定义核心数：</translation>
        </message>
        <message>
            <source> Process </source>
            <translation> 个进程 </translation>
        </message>
        <message>
            <source>Maximum Simultaneous Running Processes:</source>
            <translation>最大同时运行进程数：</translation>
        </message>
        <message>
            <source>Convert</source>
            <translation>转换</translation>
        </message>
    </context>
    <context>
        <name>VDCPreferenceDlg</name>
        <message>
            <source>Preference</source>
            <translation>首选项</translation>
        </message>
    </context>
    <context>
        <name>VDCPreferenceGeneral</name>
        <message>
            <source>General Settings</source>
            <translation>常规设置</translation>
        </message>
        <message>
            <source>If output file exists, please select</source>
            <translation>如果输出文件已存在，请选择</translation>
        </message>
        <message>
            <source>btnGFileExists</source>
            <translation>btnGFileExists</translation>
        </message>
        <message>
            <source>Rename</source>
            <translation>重命名</translation>
        </message>
        <message>
            <source>Overwrite</source>
            <translation>覆盖</translation>
        </message>
        <message>
            <source>Skip</source>
            <translation>跳过</translation>
        </message>
        <message>
            <source>Lossless Output Mode</source>
            <translation>无损输出模式</translation>
        </message>
        <message>
            <source>btnGLosslessMode</source>
            <translation>btnGLosslessMode</translation>
        </message>
        <message>
            <source>Split from the exact frame you choose</source>
            <translation>从所选的精确帧处分割</translation>
        </message>
        <message>
            <source>Split from the next GOP</source>
            <translation>从下一个 GOP 处分割</translation>
        </message>
        <message>
            <source>General</source>
            <translation>常规</translation>
        </message>
    </context>
    <context>
        <name>VDCPreferenceOthers</name>
        <message>
            <source>Snapshot</source>
            <translation>快照</translation>
        </message>
        <message>
            <source>Width:</source>
            <translation>宽度：</translation>
        </message>
        <message>
            <source>Height:</source>
            <translation>高度：</translation>
        </message>
        <message>
            <source>Original Video Size</source>
            <translation>原始视频尺寸</translation>
        </message>
        <message>
            <source>Options when camcorder is connected</source>
            <translation>连接摄像机时的选项</translation>
        </message>
        <message>
            <source>Launch wizard when camcorder is connected</source>
            <translation>连接摄像机时启动向导</translation>
        </message>
        <message>
            <source>Reset confirmation message displays</source>
            <translation>重置确认消息显示</translation>
        </message>
        <message>
            <source>Pop back up with the "Do not show this message again." information dialog</source>
            <translation>重新显示带有“不再显示此消息。”的提示对话框</translation>
        </message>
        <message>
            <source>Reset</source>
            <translation>重置</translation>
        </message>
        <message>
            <source>Others</source>
            <translation>其他</translation>
        </message>
        <message>
            <source>Reset succeeded!</source>
            <translation>重置成功！</translation>
        </message>
    </context>
    <context>
        <name>VDCPreferenceTivo</name>
        <message>
            <source>Tivo Settings</source>
            <translation>TiVo 设置</translation>
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
            <translation>效果</translation>
        </message>
        <message>
            <source>Volume Adjustment</source>
            <comment>音量调节</comment>
            <translation>音量调节</translation>
        </message>
        <message>
            <source>3D Effect</source>
            <comment>3D效果</comment>
            <translation>3D效果</translation>
        </message>
        <message>
            <source>VEditorWidget</source>
            <translation>VEditorWidget</translation>
        </message>
        <message>
            <source>Reset</source>
            <comment>重新设定</comment>
            <translation>重新设定</translation>
        </message>
        <message>
            <source>Apply to all</source>
            <comment>应用至全部</comment>
            <translation>应用至全部</translation>
        </message>
        <message>
            <source>Effects</source>
            <comment>特效</comment>
            <translation>特效</translation>
        </message>
        <message>
            <source>Volume Adjustment</source>
            <comment>音量</comment>
            <translation>音量</translation>
        </message>
        <message>
            <source>3D Effect</source>
            <comment>3D 效果</comment>
            <translation>3D 效果</translation>
        </message>
    </context>
    <context>
        <name>VIconDisplayView</name>
        <message>
            <source>&amp;Play</source>
            <comment>播放</comment>
            <translation>播放(&amp;P)</translation>
        </message>
        <message>
            <source>&amp;Find Target</source>
            <comment>打开所在文件夹</comment>
            <translation>打开所在文件夹(&amp;F)</translation>
        </message>
        <message>
            <source>&amp;Delete</source>
            <comment>删除</comment>
            <translation>删除(&amp;D)</translation>
        </message>
        <message>
            <source>The file no longer exists: %1</source>
            <translation>文件已不存在：%1</translation>
        </message>
    </context>
    <context>
        <name>VImportMediaLibDialog</name>
        <message>
            <source>Importing media Library...</source>
            <extracomment>正在导入媒体库...</extracomment>
            <translation>正在导入媒体库...</translation>
        </message>
    </context>
    <context>
        <name>VResourceLib</name>
        <message>
            <source>Import</source>
            <comment>导入</comment>
            <translation>导入</translation>
        </message>
        <message>
            <source>Camcorder</source>
            <comment>摄像机</comment>
            <translation>摄像机</translation>
        </message>
        <message>
            <source>Options</source>
            <comment>选项</comment>
            <translation>选项</translation>
        </message>
        <message>
            <source>&amp;Name</source>
            <comment>名称</comment>
            <translation>名称(&amp;N)</translation>
        </message>
        <message>
            <source>&amp;Duration</source>
            <comment>持续时间</comment>
            <translation>持续时间(&amp;D)</translation>
        </message>
        <message>
            <source>&amp;File Size</source>
            <comment>文件大小</comment>
            <translation>文件大小(&amp;F)</translation>
        </message>
        <message>
            <source>D&amp;ate</source>
            <comment>日期</comment>
            <translation>日期(&amp;A)</translation>
        </message>
        <message>
            <source>&amp;Type</source>
            <comment>类型</comment>
            <translation>类型(&amp;T)</translation>
        </message>
        <message>
            <source>Select &amp;All</source>
            <comment>全选</comment>
            <translation>全选(&amp;A)</translation>
        </message>
        <message>
            <source>&amp;Delete Selected</source>
            <comment>删除所选内容</comment>
            <translation>删除所选内容(&amp;D)</translation>
        </message>
        <message>
            <source>&amp;Large Icons</source>
            <comment>大图标</comment>
            <translation>大图标(&amp;L)</translation>
        </message>
        <message>
            <source>S&amp;mall Icons</source>
            <comment>小图标</comment>
            <translation>小图标(&amp;M)</translation>
        </message>
        <message>
            <source>De&amp;tails</source>
            <comment>详细信息</comment>
            <translation>详细信息(&amp;T)</translation>
        </message>
        <message>
            <source>&amp;Import Media Library</source>
            <comment>导入资源库</comment>
            <translation>导入资源库(&amp;I)</translation>
        </message>
        <message>
            <source>&amp;Export Media Library</source>
            <comment>导出资源库</comment>
            <translation>导出资源库(&amp;E)</translation>
        </message>
        <message>
            <source>Import Media &amp;Files</source>
            <comment>导入媒体文件</comment>
            <translation>导入媒体文件(&amp;F)</translation>
        </message>
        <message>
            <source>Import a Media F&amp;older</source>
            <comment>导入媒体文件夹</comment>
            <translation>导入媒体文件夹(&amp;O)</translation>
        </message>
        <message>
            <source>&amp;Sort By</source>
            <comment>排序方式</comment>
            <translation>排序方式(&amp;S)</translation>
        </message>
        <message>
            <source>Display All Medias</source>
            <comment>全部媒体</comment>
            <translation>全部媒体</translation>
        </message>
        <message>
            <source>Display Video</source>
            <comment>视频</comment>
            <translation>视频</translation>
        </message>
        <message>
            <source>Display Audio</source>
            <comment>音频</comment>
            <translation>音频</translation>
        </message>
        <message>
            <source>Media Files (%1);;All Files (*)</source>
            <translation>媒体文件 (%1);;所有文件 (*)</translation>
        </message>
        <message>
            <source>Open</source>
            <translation>打开</translation>
        </message>
        <message>
            <source>If import a folder within the media file?</source>
            <translation>是否同时导入子文件夹中的媒体文件？</translation>
        </message>
        <message>
            <source>There's no any file in directory "%1"</source>
            <translation>文件夹“%1”中没有任何文件</translation>
        </message>
        <message>
            <source>Export media library</source>
            <translation>导出媒体库</translation>
        </message>
        <message>
            <source>Import media library</source>
            <translation>导入媒体库</translation>
        </message>
    </context>
    <context>
        <name>VSourceWorkSpace</name>
        <message>
            <source>Media Source</source>
            <comment>媒体源</comment>
            <translation>媒体源</translation>
        </message>
        <message>
            <source>Effects</source>
            <comment>效果</comment>
            <translation>效果</translation>
        </message>
        <message>
            <source>Volume Adjustment</source>
            <comment>音量调节</comment>
            <translation>音量调节</translation>
        </message>
        <message>
            <source>3D Effect</source>
            <comment>3D效果</comment>
            <translation>3D效果</translation>
        </message>
    </context>
    <context>
        <name>VSourcerPage</name>
        <message>
            <source>Another import is still running. Please import these files when it has finished.</source>
            <translation>另一个导入仍在进行，请在其完成后再导入这些文件。</translation>
        </message>
        <message>
            <source>Sorry,this program can not import the following %1 files so far : %2"%3"%4Please contact &lt;a href="%5"style="color:#%9"&gt;%6&lt;/a&gt; for help.Please provide the following log file.Log File &lt;a href="%7"style="color:#%9"&gt;%8&lt;/a&gt;.</source>
            <translation>抱歉，本程序目前无法导入以下 %1 个文件：%2“%3”%4请联系 &lt;a href="%5"style="color:#%9"&gt;%6&lt;/a&gt; 获取帮助，并提供以下日志文件。日志文件 &lt;a href="%7"style="color:#%9"&gt;%8&lt;/a&gt;。</translation>
        </message>
        <message>
            <source>Sorry,this program can not import the following %1 files so far : %2"%3"%4The log file tells why: &lt;a href="%5"style="color:#%7"&gt;%6&lt;/a&gt;.</source>
            <translation>抱歉，本程序目前无法导入以下 %1 个文件：%2“%3”%4原因请见日志文件：&lt;a href="%5"style="color:#%7"&gt;%6&lt;/a&gt;。</translation>
        </message>
        <message>
            <source>Can not import TIVO files, invalid media access key. please visit preference dialog and enter the correct media access key.</source>
            <translation>无法导入 TiVo 文件，媒体访问密钥无效。请打开首选项对话框并输入正确的媒体访问密钥。</translation>
        </message>
        <message>
            <source>The files cannot be backed up: no file backuper is available. Nothing was imported.</source>
            <translation>无法备份文件：没有可用的文件备份程序。未导入任何文件。</translation>
        </message>
        <message>
            <source>The backup could not be started. Nothing was copied or imported.</source>
            <translation>无法开始备份。未复制或导入任何文件。</translation>
        </message>
        <message>
            <source>These files could not be backed up and are not imported:
%1</source>
            <translation>以下文件无法备份，未被导入：
%1</translation>
        </message>
        <message>
            <source>The backup could not be started (%1). Nothing was copied or imported.</source>
            <translation>无法开始备份（%1）。未复制或导入任何文件。</translation>
        </message>
        <message>
            <source>pictures are not imported as media files</source>
            <translation>图片不会作为媒体文件导入</translation>
        </message>
        <message>
            <source>no picture could be read from it</source>
            <translation>无法从中读取画面</translation>
        </message>
        <message>
            <source>the reason is in the log file</source>
            <translation>原因见日志文件</translation>
        </message>
        <message>
            <source>%1: %2</source>
            <translation>%1：%2</translation>
        </message>
    </context>
    <context>
        <name>VMOutPutTaskMgr</name>
        <message>
            <source>Add output task</source>
            <translation>添加输出任务</translation>
        </message>
        <message>
            <source>Delete checked tasks</source>
            <translation>删除选中的任务</translation>
        </message>
        <message>
            <source>Convert checked tasks</source>
            <translation>转换选中的任务</translation>
        </message>
        <message>
            <source>Checked all tasks</source>
            <translation>选中所有任务</translation>
        </message>
        <message>
            <source>&amp;Delete</source>
            <translation>删除(&amp;D)</translation>
        </message>
        <message>
            <source>&amp;Rename</source>
            <translation>重命名(&amp;R)</translation>
        </message>
        <message>
            <source>&amp;Find Target</source>
            <translation>查找目标(&amp;F)</translation>
        </message>
        <message>
            <source>No media source for conversion</source>
            <translation>没有可转换的媒体源</translation>
        </message>
        <message>
            <source>The convert task &quot;%1&quot; in the destination directory already exist!</source>
            <translation>转换任务“%1”在目标目录中已存在！</translation>
        </message>
        <message>
            <source>Please rename task or change file exists policy in the preference dialog.</source>
            <translation>请重命名任务，或在首选项对话框中更改文件已存在时的处理方式。</translation>
        </message>
        <message>
            <source>The conversion could not be started.</source>
            <translation>无法开始转换。</translation>
        </message>
        <message>
            <source>Unexpected error</source>
            <translation>意外错误</translation>
        </message>
        <message>
            <source>Are you sure you want to delete is conversion Output task?</source>
            <translation>确定要删除正在转换的输出任务吗？</translation>
        </message>
        <message>
            <source>Are you sure you want to delete conversion Output task?</source>
            <translation>确定要删除输出任务吗？</translation>
        </message>
        <message>
            <source>These files of the timeline no longer exist:</source>
            <translation>时间线上的以下文件已不存在：</translation>
        </message>
    </context>
    <context>
        <name>VMOutputTaskItem</name>
        <message>
            <source>%1 can't hold the %2 sound: it is left out</source>
            <translation>%1 无法容纳 %2 声音：将被省略</translation>
        </message>
        <message>
            <source>%1 can't hold the %2 subtitles: they are left out</source>
            <translation>%1 无法容纳 %2 字幕：将被省略</translation>
        </message>
        <message>
            <source>%1 keeps the clip's turn only as a &quot;rotate&quot; tag, which other players don't read</source>
            <translation>%1 仅以 &quot;rotate&quot; 标签保留片段的旋转，其他播放器不会读取它</translation>
        </message>
        <message>
            <source>No encoder here for the pictures at a cut: the clips start at their next key picture</source>
            <translation>此处没有用于剪切点画面的编码器：片段从其下一个关键帧开始</translation>
        </message>
        <message>
            <source>Pause</source>
            <comment>暂停</comment>
            <translation>暂停</translation>
        </message>
        <message>
            <source>Start</source>
            <comment>开始</comment>
            <translation>开始</translation>
        </message>
        <message>
            <source>Converting</source>
            <comment>正在转换</comment>
            <translation>正在转换</translation>
        </message>
        <message>
            <source>Conversion canceled</source>
            <comment>转换已取消</comment>
            <translation>转换已取消</translation>
        </message>
        <message>
            <source>The conversion failed:</source>
            <comment>转换失败：</comment>
            <translation>转换失败：</translation>
        </message>
        <message>
            <source>No reason was given.</source>
            <comment>未给出原因。</comment>
            <translation>未给出原因。</translation>
        </message>
        <message>
            <source>The conversion's log: %1</source>
            <comment>转换日志：%1</comment>
            <translation>转换日志：%1</translation>
        </message>
        <message>
            <source>Output task failed,please send the following log file to us&lt;br&gt;&lt;br&gt; %1</source>
            <comment>输出任务失败，请将以下日志文件发送给我们</comment>
            <translation>输出任务失败，请将以下日志文件发送给我们&lt;br&gt;&lt;br&gt; %1</translation>
        </message>
        <message>
            <source>Conversion failed</source>
            <comment>转换失败</comment>
            <translation>转换失败</translation>
        </message>
        <message>
            <source>Conversion succeed</source>
            <comment>转换成功</comment>
            <translation>转换成功</translation>
        </message>
        <message>
            <source>Starting upload</source>
            <comment>开始上传</comment>
            <translation>开始上传</translation>
        </message>
        <message>
            <source>Upload failed</source>
            <comment>上传失败</comment>
            <translation>上传失败</translation>
        </message>
        <message>
            <source>Youtube Login Failed</source>
            <comment>Youtube登录失败</comment>
            <translation>YouTube 登录失败</translation>
        </message>
        <message>
            <source>uploading</source>
            <comment>正在上传</comment>
            <translation>正在上传</translation>
        </message>
        <message>
            <source>Upload succeed</source>
            <comment>上传成功</comment>
            <translation>上传成功</translation>
        </message>
        <message>
            <source>Login authentication fails, the account information is incorrect</source>
            <comment>登录验证失败，账户信息不正确</comment>
            <translation>登录验证失败，账户信息不正确</translation>
        </message>
        <message>
            <source>Connection timeout</source>
            <comment>连接超时</comment>
            <translation>连接超时</translation>
        </message>
        <message>
            <source>Upload file %1 failed,the following log file has provided more information.
Log File &lt;a href="%2"style="color:#%4"&gt;%3&lt;/a&gt;.</source>
            <comment>上传文件%1失败，以下日志文件提供了更多信息。</comment>
            <translation>上传文件 %1 失败，以下日志文件提供了更多信息。
日志文件 &lt;a href="%2"style="color:#%4"&gt;%3&lt;/a&gt;。</translation>
        </message>
        <message>
            <source>Upload file %1 failed.</source>
            <comment>上传文件%1失败。</comment>
            <translation>上传文件 %1 失败。</translation>
        </message>
        <message>
            <source>The file was not uploaded: no upload service is configured.</source>
            <translation>文件未上传：未配置上传服务。</translation>
        </message>
        <message>
            <source>The file was not uploaded: enter an account in the upload settings first.</source>
            <translation>文件未上传：请先在上传设置中输入账户。</translation>
        </message>
    </context>
    <context>
        <name>VProfileDevicePage</name>
        <message>
            <source>Format:</source>
            <comment>格式:</comment>
            <translation>格式:</translation>
        </message>
        <message>
            <source>Device</source>
            <translation>设备</translation>
        </message>
    </context>
    <context>
        <name>VProfileEditorPage</name>
        <message>
            <source>Editor</source>
            <translation>编辑软件</translation>
        </message>
    </context>
    <context>
        <name>VProfileFormatPage</name>
        <message>
            <source>Common Format</source>
            <translation>常用格式</translation>
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
            <translation>无损输出，应注意以下事项：
1. 目前只支持 MTS、M2TS、MOD、TOD 格式
2. 时间轴上视频文件的格式和编码应大致相同
3. 任何编辑效果（效果、音频、3D）在输出时将被忽略</translation>
        </message>
        <message>
            <source>Reserve camcorder timecode(if exists) </source>
            <comment>保留摄像机视频拍摄时间（如果存在）</comment>
            <translation>保留摄像机视频拍摄时间（如果存在）</translation>
        </message>
        <message>
            <source>Lossless</source>
            <translation>无损</translation>
        </message>
    </context>
    <context>
        <name>VProfileManagerWidget</name>
        <message>
            <source>Output Path:</source>
            <translation>输出路径:</translation>
        </message>
        <message>
            <source>Browse</source>
            <translation>浏览</translation>
        </message>
        <message>
            <source>Open</source>
            <translation>打开</translation>
        </message>
        <message>
            <source>Path provided is not writable.</source>
            <translation>所选路径不可写。</translation>
        </message>
    </context>
    <context>
        <name>VProfileMgrPageWidget</name>
        <message>
            <source>The profile settings could not be kept: %1</source>
            <translation>无法保存配置设置：%1</translation>
        </message>
    </context>
    <context>
        <name>VProfileOnlinePage</name>
        <message>
            <source>Video Params</source>
            <comment>视频参数</comment>
            <translation>视频参数</translation>
        </message>
        <message>
            <source>Format</source>
            <comment>格式</comment>
            <translation>格式</translation>
        </message>
        <message>
            <source>Online</source>
            <translation>在线</translation>
        </message>
    </context>
    <context>
        <name>VProfileParamSPWidget</name>
        <message>
            <source>Size(pix):</source>
            <comment>视频大小（像素）</comment>
            <translation>大小(像素):</translation>
        </message>
        <message>
            <source>Channels:</source>
            <comment>声道数：</comment>
            <translation>声道:</translation>
        </message>
        <message>
            <source>Video Size</source>
            <comment>视频大小</comment>
            <translation>视频大小</translation>
        </message>
        <message>
            <source>Channels</source>
            <comment>声道数</comment>
            <translation>声道</translation>
        </message>
    </context>
    <context>
        <name>VProfileParamWidget</name>
        <message>
            <source>Video</source>
            <translation>视频</translation>
        </message>
        <message>
            <source>Codec:</source>
            <translation>编码:</translation>
        </message>
        <message>
            <source>Video Codec</source>
            <translation>视频编码</translation>
        </message>
        <message>
            <source>Size(pix):</source>
            <translation>大小(像素):</translation>
        </message>
        <message>
            <source>Video Size</source>
            <translation>视频大小</translation>
        </message>
        <message>
            <source>Bitrate(kbps):</source>
            <translation>码率(kbps):</translation>
        </message>
        <message>
            <source>Video Bitrate</source>
            <translation>视频码率</translation>
        </message>
        <message>
            <source>Frame Rate(fps):</source>
            <translation>帧率(fps):</translation>
        </message>
        <message>
            <source>Video Framerate</source>
            <translation>视频帧率</translation>
        </message>
        <message>
            <source>Audio</source>
            <translation>音频</translation>
        </message>
        <message>
            <source>Audio Codec</source>
            <translation>音频编码</translation>
        </message>
        <message>
            <source>Sample Rate(hz):</source>
            <translation>采样率(Hz):</translation>
        </message>
        <message>
            <source>Audio Sample Rate</source>
            <translation>音频采样率</translation>
        </message>
        <message>
            <source>Bitrate(bps):</source>
            <translation>码率(bps):</translation>
        </message>
        <message>
            <source>Audio Bitrate</source>
            <translation>音频码率</translation>
        </message>
        <message>
            <source>Channels:</source>
            <translation>声道:</translation>
        </message>
        <message>
            <source>Channels</source>
            <translation>声道</translation>
        </message>
    </context>
    <context>
        <name>VYoutubeSettingWidget</name>
        <message>
            <source>Upload to YouTube after output</source>
            <comment>输出后上传至Youtube</comment>
            <translation>输出后上传至 YouTube</translation>
        </message>
        <message>
            <source>Youtube Account:</source>
            <comment>Youtube账户:</comment>
            <translation>YouTube 账户:</translation>
        </message>
        <message>
            <source>User Name:</source>
            <comment>用户名:</comment>
            <translation>用户名:</translation>
        </message>
        <message>
            <source>Remove</source>
            <comment>移除</comment>
            <translation>移除</translation>
        </message>
        <message>
            <source>Password:</source>
            <comment>密码</comment>
            <translation>密码:</translation>
        </message>
        <message>
            <source>Youtube Video Info</source>
            <comment>Youtube视频信息</comment>
            <translation>YouTube 视频信息</translation>
        </message>
        <message>
            <source>Title:</source>
            <comment>标题：</comment>
            <translation>标题：</translation>
        </message>
        <message>
            <source>Keywords:</source>
            <comment>关键字：</comment>
            <translation>关键字：</translation>
        </message>
        <message>
            <source>Category:</source>
            <comment>类别：</comment>
            <translation>类别：</translation>
        </message>
        <message>
            <source>Description:</source>
            <comment>描述：</comment>
            <translation>描述：</translation>
        </message>
        <message>
            <source>Access Type:</source>
            <comment>访问类型</comment>
            <translation>访问类型：</translation>
        </message>
        <message>
            <source>Public</source>
            <comment>公开的</comment>
            <translation>公开的</translation>
        </message>
        <message>
            <source>No Public</source>
            <comment>非公开的</comment>
            <translation>非公开的</translation>
        </message>
        <message>
            <source>Private</source>
            <comment>私有的</comment>
            <translation>私有的</translation>
        </message>
        <message>
            <source>Film</source>
            <translation>电影和动画</translation>
        </message>
        <message>
            <source>Autos</source>
            <translation>汽车</translation>
        </message>
        <message>
            <source>Music</source>
            <translation>音乐</translation>
        </message>
        <message>
            <source>Animals</source>
            <translation>宠物和动物</translation>
        </message>
        <message>
            <source>Sports</source>
            <translation>体育</translation>
        </message>
        <message>
            <source>Travel</source>
            <translation>旅游和活动</translation>
        </message>
        <message>
            <source>Shortmov</source>
            <translation>短片</translation>
        </message>
        <message>
            <source>Videoblog</source>
            <translation>视频博客</translation>
        </message>
        <message>
            <source>Games</source>
            <translation>游戏</translation>
        </message>
        <message>
            <source>Comedy</source>
            <translation>喜剧</translation>
        </message>
        <message>
            <source>People</source>
            <translation>人物和博客</translation>
        </message>
        <message>
            <source>News</source>
            <translation>新闻和政治</translation>
        </message>
        <message>
            <source>Entertainment</source>
            <translation>娱乐</translation>
        </message>
        <message>
            <source>Education</source>
            <translation>教育</translation>
        </message>
        <message>
            <source>Howto</source>
            <translation>DIY 和生活百科</translation>
        </message>
        <message>
            <source>Nonprofit</source>
            <translation>非营利组织</translation>
        </message>
        <message>
            <source>Tech</source>
            <translation>科学和技术</translation>
        </message>
        <message>
            <source>Movies_Anime_animation</source>
            <translation>电影：动漫/动画</translation>
        </message>
        <message>
            <source>Movies</source>
            <translation>电影</translation>
        </message>
        <message>
            <source>Movies_Comedy</source>
            <translation>电影：喜剧</translation>
        </message>
        <message>
            <source>Movies_Documentary</source>
            <translation>电影：纪录片</translation>
        </message>
        <message>
            <source>Movies_Action_adventure</source>
            <translation>电影：动作/冒险</translation>
        </message>
        <message>
            <source>Movies_Classics</source>
            <translation>电影：经典</translation>
        </message>
        <message>
            <source>Movies_Foreign</source>
            <translation>电影：外国</translation>
        </message>
        <message>
            <source>Movies_Horror</source>
            <translation>电影：恐怖</translation>
        </message>
        <message>
            <source>Movies_Drama</source>
            <translation>电影：剧情</translation>
        </message>
        <message>
            <source>Movies_Family</source>
            <translation>电影：家庭</translation>
        </message>
        <message>
            <source>Movies_Shorts</source>
            <translation>电影：短片</translation>
        </message>
        <message>
            <source>Shows</source>
            <translation>节目</translation>
        </message>
        <message>
            <source>Movies_Sci_fi_fantasy</source>
            <translation>电影：科幻/奇幻</translation>
        </message>
        <message>
            <source>Movies_Thriller</source>
            <translation>电影：惊悚</translation>
        </message>
        <message>
            <source>Trailers</source>
            <translation>预告片</translation>
        </message>
        <message>
            <source>This profile does not upload: only the YouTube profiles upload after output.</source>
            <translation>此配置不会上传：只有 YouTube 配置会在输出后上传。</translation>
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
            <translation>剪切片段</translation>
        </message>
        <message>
            <source>Delete Selected Clip(s)</source>
            <translation>删除选中片段</translation>
        </message>
        <message>
            <source>Zoom Out (-)</source>
            <translation>缩小 (-)</translation>
        </message>
        <message>
            <source>Zoom in (+)</source>
            <translation>放大 (+)</translation>
        </message>
    </context>
    <context>
        <name>VTrackView</name>
        <message>
            <source>&amp;Duplicate this Clip</source>
            <comment>复制选中片段</comment>
            <translation>复制此片段(&amp;D)</translation>
        </message>
        <message>
            <source>D&amp;elete Selected Clip(s)</source>
            <comment>删除选中片段</comment>
            <translation>删除选中片段(&amp;E)</translation>
        </message>
        <message>
            <source>&amp;Clear All Clips</source>
            <comment>清除所有片段</comment>
            <translation>清除所有片段(&amp;C)</translation>
        </message>
        <message>
            <source>Select &amp;All Clips</source>
            <comment>选择全部片段</comment>
            <translation>选择全部片段(&amp;A)</translation>
        </message>
        <message>
            <source>&amp;Play this Clip</source>
            <comment>播放选中片段</comment>
            <translation>播放此片段(&amp;P)</translation>
        </message>
        <message>
            <source>&amp;View this Clip</source>
            <comment>浏览选中片段</comment>
            <translation>浏览此片段(&amp;V)</translation>
        </message>
    </context>
    <context>
        <name>VSelectCamcorderWidget</name>
        <message>
            <source>Choose the right camcorder or storage media for video importing and click "Next".</source>
            <translation>请选择要导入视频的摄像机或存储介质，然后单击“下一步”。</translation>
        </message>
        <message>
            <source>Playback can be jerky in preview window if source files are large in size. Please wait a second for the program to respond.</source>
            <translation>源文件较大时，预览窗口中的播放可能不流畅。请稍候，等待程序响应。</translation>
        </message>
        <message>
            <source>The video cannot be previewed:
%1</source>
            <translation>无法预览该视频：
%1</translation>
        </message>
    </context>
    <context>
        <name>VImportFilesWidget</name>
        <message>
            <source>Camcorder :</source>
            <translation>摄像机：</translation>
        </message>
        <message>
            <source>Check All</source>
            <translation>全选</translation>
        </message>
        <message>
            <source>Backup files to local</source>
            <translation>将文件备份到本地</translation>
        </message>
        <message>
            <source>Backup to:</source>
            <translation>备份到：</translation>
        </message>
        <message>
            <source>Free Disk Space:</source>
            <translation>可用磁盘空间：</translation>
        </message>
        <message>
            <source>default</source>
            <translation>默认</translation>
        </message>
        <message>
            <source>year</source>
            <translation>年</translation>
        </message>
        <message>
            <source>month</source>
            <translation>月</translation>
        </message>
        <message>
            <source>date</source>
            <translation>日期</translation>
        </message>
        <message>
            <source>type</source>
            <translation>类型</translation>
        </message>
        <message>
            <source>Open</source>
            <translation>打开</translation>
        </message>
        <message>
            <source>Path provided is not writable.</source>
            <translation>无法写入所提供的路径。</translation>
        </message>
        <message>
            <source>Playback can be jerky in preview window if source files are large in size.Please wait a second for the program to respond.</source>
            <translation>源文件较大时，预览窗口中的播放可能不流畅。请稍候，等待程序响应。</translation>
        </message>
        <message>
            <source>Choose backup video files to the local,
program will import local video after the backup is complete;
Otherwise will directly import camcorder video.
Please keep camcorder connected for the whole import and ouput progress.
Unexpected disconnection will cause unpredictable results</source>
            <translation>选择将视频文件备份到本地时，
程序将在备份完成后导入本地视频；
否则将直接导入摄像机中的视频。
请在整个导入和输出过程中保持摄像机连接。
意外断开连接将导致不可预知的结果</translation>
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
            <translation>深度：</translation>
        </message>
        <message>
            <source> Current Clip Name: %1</source>
            <comment>片段名: %1</comment>
            <translation> 片段名: %1</translation>
        </message>
        <message>
            <source>Current Clip Name: No Clip</source>
            <comment>片段名: 无片段</comment>
            <translation>片段名: 无片段</translation>
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
            <translation>水平翻转</translation>
        </message>
        <message>
            <source>Flip Vertically</source>
            <comment>垂直翻转</comment>
            <translation>垂直翻转</translation>
        </message>
        <message>
            <source>Rotate counter-clockwise</source>
            <comment>逆时针旋转</comment>
            <translation>逆时针旋转</translation>
        </message>
        <message>
            <source>Rotate clockwise</source>
            <comment>顺时针选择</comment>
            <translation>顺时针旋转</translation>
        </message>
        <message>
            <source> Current Clip Name: %1</source>
            <comment>片段名: %1</comment>
            <translation> 片段名: %1</translation>
        </message>
        <message>
            <source>Current Clip Name: No Clip</source>
            <comment>片段名: 无片段</comment>
            <translation>片段名: 无片段</translation>
        </message>
        <message>
            <source>Clip Name: No Clip</source>
            <comment>片段名: 无片段</comment>
            <translation>片段名: 无片段</translation>
        </message>
    </context>
    <context>
        <name>VEffectOptions</name>
        <message>
            <source>None</source>
            <comment>无</comment>
            <translation>无</translation>
        </message>
        <message>
            <source>Simple Gauss Blur</source>
            <comment>高斯模糊</comment>
            <translation>高斯模糊</translation>
        </message>
        <message>
            <source>Simple Laplacian Sharpen</source>
            <comment>拉普拉斯锐化</comment>
            <translation>拉普拉斯锐化</translation>
        </message>
        <message>
            <source>Gray</source>
            <comment>灰度</comment>
            <translation>灰度</translation>
        </message>
        <message>
            <source>Flip Color</source>
            <comment>颜色翻转</comment>
            <translation>颜色翻转</translation>
        </message>
        <message>
            <source>Invert</source>
            <comment>反色</comment>
            <translation>反色</translation>
        </message>
        <message>
            <source>Aged Film</source>
            <comment>老电影</comment>
            <translation>老电影</translation>
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
            <translation>音量</translation>
        </message>
        <message>
            <source> Current Clip Name: %1</source>
            <comment>片段名: %1</comment>
            <translation> 片段名: %1</translation>
        </message>
        <message>
            <source>Current Clip Name: No Clip</source>
            <comment>片段名: 无片段</comment>
            <translation>片段名: 无片段</translation>
        </message>
    </context>
    <context>
        <name>VExportPage</name>
        <message>
            <source>Some profile files could not be read. They were kept aside and the defaults are used:</source>
            <translation>部分配置文件无法读取，已另存备份，现使用默认设置：</translation>
        </message>
    </context>
    <context>
        <name>VTimeLineView</name>
        <message>
            <source>The files of these clips no longer exist. The clips stay on the timeline with their edits, shown as missing, and cannot be converted until their files are back:</source>
            <translation>以下片段的文件已不存在。这些片段及其编辑仍保留在时间线上并标为缺失，在文件恢复之前无法转换：</translation>
        </message>
    </context>
    <context>
        <name>VDCMainPlayer</name>
        <message>
            <source>The snapshot could not be saved as &quot;%1&quot;.</source>
            <translation>无法将快照保存为“%1”。</translation>
        </message>
        <message>
            <source>The folder cannot be written: choose another one.</source>
            <translation>无法写入该文件夹：请选择其他文件夹。</translation>
        </message>
    </context>
    <context>
        <name>UserFailureText</name>
        <message>
            <source>the file</source>
            <translation>该文件</translation>
        </message>
        <message>
            <source>the file %1</source>
            <translation>文件“%1”</translation>
        </message>
        <message>
            <source>%1 no longer exists</source>
            <translation>%1已不存在</translation>
        </message>
        <message>
            <source>%1 may not be read or written (permission denied)</source>
            <translation>%1无权读写（权限被拒绝）</translation>
        </message>
        <message>
            <source>%1 is a folder, not a file</source>
            <translation>%1是文件夹，不是文件</translation>
        </message>
        <message>
            <source>the disk is full</source>
            <translation>磁盘已满</translation>
        </message>
        <message>
            <source>the disk can only be read</source>
            <translation>磁盘只能读取</translation>
        </message>
        <message>
            <source>the disk could not be read or written (%1)</source>
            <translation>无法读写磁盘（%1）</translation>
        </message>
        <message>
            <source>%1 could not be used: the system reports &quot;%2&quot;</source>
            <translation>无法使用%1：系统报告“%2”</translation>
        </message>
        <message>
            <source>the file %1 is damaged: its data ends at %2 s of the %3 s its header states (it is cut short)</source>
            <translation>文件“%1”已损坏：其数据在 %2 秒处结束，而文件头声明为 %3 秒（文件被截断）</translation>
        </message>
        <message>
            <source>the file %1 is damaged</source>
            <translation>文件“%1”已损坏</translation>
        </message>
        <message>
            <source>it holds no pictures and no sound</source>
            <translation>其中没有画面也没有声音</translation>
        </message>
        <message>
            <source>it is a folder, not a media file</source>
            <translation>这是文件夹，不是媒体文件</translation>
        </message>
        <message>
            <source>it is not a media file, or it is damaged</source>
            <translation>这不是媒体文件，或者文件已损坏</translation>
        </message>
        <message>
            <source>the file is empty</source>
            <translation>文件为空</translation>
        </message>
        <message>
            <source>it holds no picture</source>
            <translation>其中没有图像</translation>
        </message>
        <message>
            <source>its picture cannot be decoded</source>
            <translation>无法解码其图像</translation>
        </message>
        <message>
            <source>the file changed while it was being read</source>
            <translation>读取时文件发生了变化</translation>
        </message>
        <message>
            <source>a TiVo recording needs the TiVo media access key</source>
            <translation>TiVo 录像需要 TiVo 媒体访问密钥</translation>
        </message>
        <message>
            <source>there was not enough memory</source>
            <translation>内存不足</translation>
        </message>
    </context>
    <context>
        <name>MediaShowImageDelegate</name>
        <message>
            <source>Missing</source>
            <translation>缺失</translation>
        </message>
    </context>
    <context>
        <name>MediaShowDetailsDelegate</name>
        <message>
            <source>Missing</source>
            <translation>缺失</translation>
        </message>
    </context>
</TS>
