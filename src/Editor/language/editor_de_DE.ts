<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>QObject</name>
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
    <name>VEditorWidget</name>
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
</TS>
