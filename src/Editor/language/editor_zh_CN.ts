<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>QObject</name>
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
