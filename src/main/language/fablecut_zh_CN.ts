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
        <source>File</source>
        <comment>文件</comment>
        <translation>文件</translation>
    </message>
    <message>
        <source>Tools</source>
        <comment>工具</comment>
        <translation>工具</translation>
    </message>
    <message>
        <source>Language</source>
        <comment>语言</comment>
        <translation>语言</translation>
    </message>
    <message>
        <source>Import Media Files</source>
        <comment>导入媒体文件</comment>
        <translation>导入媒体文件</translation>
    </message>
    <message>
        <source>Import a Media Floder</source>
        <comment>导入媒体文件夹</comment>
        <translation>导入媒体文件夹</translation>
    </message>
    <message>
        <source>Exit</source>
        <comment>退出</comment>
        <translation>退出</translation>
    </message>
    <message>
        <source>Keyboard Shortcuts</source>
        <comment>键盘快捷键</comment>
        <translation>键盘快捷键</translation>
    </message>
    <message>
        <source>Update</source>
        <comment>升级</comment>
        <translation>升级</translation>
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
        <source>The media library could not be written to &quot;%1&quot;.</source>
        <translation>无法将媒体库写入“%1”。</translation>
    </message>
    <message>
        <source>The following %1 meida sources  load failed:%2</source>
        <translation>以下 %1 个媒体源加载失败：%2</translation>
    </message>
    <message>
        <source>Camcorder is connected. Are you ready to launch wizard now?

If you do not want to launch wizard when camcorder is connected,please open Preferences dialog and select &quot;Others&quot;, uncheck the &quot;Launch wizard when camcorder is connected&quot; checkbox.</source>
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
        <source>Pop back up with the &quot;Do not show this message again.&quot; information dialog</source>
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
        <source>File Size</source>
        <comment>文件大小</comment>
        <translation>文件大小</translation>
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
        <source>Select All</source>
        <comment>全选</comment>
        <translation>全选</translation>
    </message>
    <message>
        <source>Delete Selected</source>
        <comment>删除所选内容</comment>
        <translation>删除所选内容</translation>
    </message>
    <message>
        <source>Large Icons</source>
        <comment>大图标</comment>
        <translation>大图标</translation>
    </message>
    <message>
        <source>Small Icons</source>
        <comment>小图标</comment>
        <translation>小图标</translation>
    </message>
    <message>
        <source>Details</source>
        <comment>详细信息</comment>
        <translation>详细信息</translation>
    </message>
    <message>
        <source>Import Media Library</source>
        <comment>导入资源库</comment>
        <translation>导入资源库</translation>
    </message>
    <message>
        <source>Export Media Library</source>
        <comment>导出资源库</comment>
        <translation>导出资源库</translation>
    </message>
    <message>
        <source>Import Media Files</source>
        <comment>导入媒体文件</comment>
        <translation>导入媒体文件</translation>
    </message>
    <message>
        <source>Import a Media Folder</source>
        <comment>导入媒体文件夹</comment>
        <translation>导入媒体文件夹</translation>
    </message>
    <message>
        <source>Sort By</source>
        <comment>排序方式</comment>
        <translation>排序方式</translation>
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
        <source>There&apos;s no any file in directory &quot;%1&quot;</source>
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
        <source>Sorry,this program can not import the following %1 files so far : %2&quot;%3&quot;%4Please contact &lt;a href=&quot;%5&quot;style=&quot;color:#%9&quot;&gt;%6&lt;/a&gt; for help.Please provide the following log file.Log File &lt;a href=&quot;%7&quot;style=&quot;color:#%9&quot;&gt;%8&lt;/a&gt;.</source>
        <translation>抱歉，本程序目前无法导入以下 %1 个文件：%2“%3”%4请联系 &lt;a href=&quot;%5&quot;style=&quot;color:#%9&quot;&gt;%6&lt;/a&gt; 获取帮助，并提供以下日志文件。日志文件 &lt;a href=&quot;%7&quot;style=&quot;color:#%9&quot;&gt;%8&lt;/a&gt;。</translation>
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
</TS>
