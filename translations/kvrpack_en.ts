<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="zh_TW">
<context>
    <name>kvrpack::PluginBuilderWindow</name>
    <message>
        <source>掛件名稱:</source>
        <translation>Pendant set name:</translation>
    </message>
    <message>
        <source>版本: ( 數字亦可 )</source>
        <translation>Version: (a number is fine)</translation>
    </message>
    <message>
        <source>副檔名:</source>
        <translation>Extension:</translation>
    </message>
    <message>
        <source>作者:</source>
        <translation>Author:</translation>
    </message>
    <message>
        <source>註解:</source>
        <translation>Comment:</translation>
    </message>
    <message>
        <source>kvrpack</source>
        <translation>kvrpack</translation>
    </message>
    <message>
        <source>刪除</source>
        <translation>Delete</translation>
    </message>
    <message>
        <source>把圖像檔案拖放到清單中，填好說明後按「建立 Kivora 掛件」。</source>
        <translation>Drop picture files on the list, fill in the texts and press &quot;Build Kivora plug-in&quot;.</translation>
    </message>
    <message>
        <source>建立 Kivora 掛件</source>
        <translation>Build Kivora plug-in</translation>
    </message>
</context>
</TS>
