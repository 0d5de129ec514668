<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US" sourcelanguage="zh_CN">
<context>
    <name>FileListWgt</name>
    <message>
        <source>重命名</source>
        <translation>Rename</translation>
    </message>
    <message>
        <source>导出</source>
        <translation>Export</translation>
    </message>
    <message>
        <source>删除</source>
        <translation>Delete</translation>
    </message>
</context>
<context>
    <name>KeyboardBtn</name>
    <message>
        <source>开始绑定</source>
        <translation>Start binding</translation>
    </message>
</context>
<context>
    <name>PopWindow</name>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>ProfileManager</name>
    <message>
        <source>配置文件名无效。</source>
        <translation>Invalid profile file name.</translation>
    </message>
    <message>
        <source>无法读取配置文件：%1</source>
        <translation>Cannot read the profile file: %1</translation>
    </message>
    <message>
        <source>当前没有可保存的配置。</source>
        <translation>There is no configuration to save.</translation>
    </message>
    <message>
        <source>保存配置失败：%1</source>
        <translation>Failed to save the profile: %1</translation>
    </message>
    <message>
        <source>导出配置失败：%1</source>
        <translation>Failed to export the profile: %1</translation>
    </message>
    <message>
        <source>配置不存在。</source>
        <translation>The profile does not exist.</translation>
    </message>
    <message>
        <source>名为“%1”的配置已存在，请换一个名称。</source>
        <translation>A profile named &quot;%1&quot; already exists. Please choose another name.</translation>
    </message>
    <message>
        <source>正在下发RGB和性能参数，请稍等...</source>
        <translation>Sending lighting and performance settings, please wait...</translation>
    </message>
    <message>
        <source>正在下发按键模式数据，请稍等...</source>
        <translation>Sending key layout data, please wait...</translation>
    </message>
    <message>
        <source>正在下发自定义按键数据，请稍等...</source>
        <translation>Sending per-key travel data, please wait...</translation>
    </message>
    <message>
        <source>正在下发高级键参数，请稍等...</source>
        <translation>Sending advanced key settings, please wait...</translation>
    </message>
</context>
<context>
    <name>ProfileName</name>
    <message>
        <source>配置名称不能为空。</source>
        <translation>The profile name must not be empty.</translation>
    </message>
    <message>
        <source>配置名称不能超过%1个字符。</source>
        <translation>The profile name must not be longer than %1 characters.</translation>
    </message>
    <message>
        <source>配置名称不能包含以下字符：%1 或控制字符。</source>
        <translation>The profile name must not contain any of these characters: %1 or control characters.</translation>
    </message>
    <message>
        <source>配置名称不能包含“..”。</source>
        <translation>The profile name must not contain &quot;..&quot;.</translation>
    </message>
    <message>
        <source>配置名称不能以“.”开头。</source>
        <translation>The profile name must not start with &quot;.&quot;.</translation>
    </message>
    <message>
        <source>配置名称不能以“.”或空格结尾。</source>
        <translation>The profile name must not end with &quot;.&quot; or a space.</translation>
    </message>
    <message>
        <source>配置名称是系统保留名称，请换一个名称。</source>
        <translation>This name is reserved by the system. Please choose another name.</translation>
    </message>
</context>
<context>
    <name>SendDataProgress</name>
    <message>
        <source>配置下发超时，请稍后重试！</source>
        <translation>Sending the configuration timed out. Please try again later!</translation>
    </message>
</context>
<context>
    <name>inputWindow</name>
    <message>
        <source>保存配置</source>
        <translation>Save Profile</translation>
    </message>
    <message>
        <source>请输入配置名称：</source>
        <translation>Profile name:</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
</context>
</TS>
