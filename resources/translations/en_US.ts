<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US" sourcelanguage="zh_CN">
<context>
    <name>DeviceLifecycle</name>
    <message>
        <source>未连接</source>
        <translation>Not connected</translation>
    </message>
    <message>
        <source>键盘设备已被移除!</source>
        <translation>The keyboard has been removed!</translation>
    </message>
    <message>
        <source>板子ID:%1</source>
        <translation>Board ID:%1</translation>
    </message>
    <message>
        <source>序列号:%1</source>
        <translation>Serial:%1</translation>
    </message>
    <message>
        <source>版本号:%1</source>
        <translation>Version:%1</translation>
    </message>
    <message>
        <source>正在读取数据...</source>
        <translation>Reading data...</translation>
    </message>
    <message>
        <source>请升级固件</source>
        <translation>Please update the firmware</translation>
    </message>
    <message>
        <source>已连接</source>
        <translation>Connected</translation>
    </message>
    <message>
        <source>读取不完整</source>
        <translation>Read incomplete</translation>
    </message>
    <message>
        <source>键盘信息</source>
        <translation>board information</translation>
    </message>
    <message>
        <source>键盘名称</source>
        <translation>keyboard name</translation>
    </message>
    <message>
        <source>回报率</source>
        <translation>polling rate</translation>
    </message>
    <message>
        <source>行程精度</source>
        <translation>travel precision</translation>
    </message>
    <message>
        <source>键位布局</source>
        <translation>key layout</translation>
    </message>
    <message>
        <source>按键参数</source>
        <translation>key settings</translation>
    </message>
    <message>
        <source>按键颜色</source>
        <translation>key colours</translation>
    </message>
    <message>
        <source>灯光设置</source>
        <translation>lighting</translation>
    </message>
    <message>
        <source>死区设置</source>
        <translation>dead zones</translation>
    </message>
    <message>
        <source>Win/Mac模式</source>
        <translation>Win/Mac mode</translation>
    </message>
    <message>
        <source>连接中断</source>
        <translation>connection lost</translation>
    </message>
    <message>
        <source>未能完整读取键盘配置（%1），请重新插拔键盘后再试。</source>
        <translation>The keyboard's configuration could not be read completely (%1). Please unplug the keyboard, plug it in again and retry.</translation>
    </message>
    <message>
        <source>、</source>
        <translation>, </translation>
    </message>
    <message>
        <source>键盘没有确认这项设置，设置可能没有生效。</source>
        <translation>The keyboard did not confirm this setting; it may not have taken effect.</translation>
    </message>
    <message>
        <source>无权访问键盘</source>
        <translation>No permission to use the keyboard</translation>
    </message>
    <message>
        <source>键盘正被 %1 使用</source>
        <translation>The keyboard is in use by %1</translation>
    </message>
    <message>
        <source>其他程序</source>
        <translation>another program</translation>
    </message>
    <message>
        <source>无法访问键盘</source>
        <translation>Cannot open the keyboard</translation>
    </message>
    <message>
        <source>已找到键盘，但当前用户没有权限打开它（%1）。
请在终端中运行以下命令安装 udev 规则，然后拔下并重新插入键盘：

%2

在终端中运行 corvane-cli doctor 也会列出这些命令，便于复制。</source>
        <translation>The keyboard is connected, but this user may not open it (%1).
Run these commands in a terminal to install the udev rule, then unplug and replug the keyboard:

%2

corvane-cli doctor, run in a terminal, prints the same commands for copying.</translation>
    </message>
    <message>
        <source>无法取得键盘锁，未向键盘发送任何数据：%1</source>
        <translation>Cannot take the keyboard lock, so nothing was sent to the keyboard: %1</translation>
    </message>
    <message>
        <source>无法取得键盘锁</source>
        <translation>No keyboard lock</translation>
    </message>
    <message>
        <source>已找到键盘，但无法打开它（%1），可能有其他程序正在独占使用它。
请关闭其他键盘设置软件，然后拔下并重新插入键盘。</source>
        <translation>The keyboard was found but could not be opened (%1): another program may be holding it for itself.
Close other keyboard settings software, then unplug the keyboard and plug it in again.</translation>
    </message>
</context>
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
    <message>
        <source>复制分享码</source>
        <translation>Copy share code</translation>
    </message>
    <message>
        <source>打印/导出图层</source>
        <translation>Print/export layers</translation>
    </message>
    <message>
        <source>打印…</source>
        <translation>Print…</translation>
    </message>
    <message>
        <source>导出为 PDF…</source>
        <translation>Export as PDF…</translation>
    </message>
    <message>
        <source>导出为 SVG…</source>
        <translation>Export as SVG…</translation>
    </message>
</context>
<context>
    <name>KeyChooseWgt</name>
    <message>
        <source>自定义按键</source>
        <translation>Custom keys</translation>
    </message>
    <message>
        <source>基本字符</source>
        <translation>Basic keys</translation>
    </message>
    <message>
        <source>扩展字符</source>
        <translation>Extended keys</translation>
    </message>
    <message>
        <source>灯效控制</source>
        <translation>Lighting control</translation>
    </message>
    <message>
        <source>键盘控制</source>
        <translation>Keyboard control</translation>
    </message>
    <message>
        <source>PS:Win、Mac、Reset、ADJ为长按触发按键</source>
        <translation>Note: Win, Mac, Reset and ADJ act on a long press</translation>
    </message>
    <message>
        <source>按键分类</source>
        <translation>Key categories</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>程序设置</source>
        <translation>Program settings</translation>
    </message>
    <message>
        <source>键盘中的配置</source>
        <translation>the keyboard's own configuration</translation>
    </message>
    <message>
        <source>当前配置：%1</source>
        <translation>Current profile: %1</translation>
    </message>
    <message>
        <source>切换配置</source>
        <translation>Switch profile</translation>
    </message>
    <message>
        <source>显示窗口</source>
        <translation>Show window</translation>
    </message>
    <message>
        <source>退出</source>
        <translation>Quit</translation>
    </message>
    <message>
        <source>键盘未连接或正忙，请稍后再切换配置。</source>
        <translation>The keyboard is not connected or is busy; switch the profile later.</translation>
    </message>
    <message>
        <source>%1 — 自动：%2</source>
        <translation>%1 — auto: %2</translation>
    </message>
    <message>
        <source>其他应用</source>
        <translation>other applications</translation>
    </message>
    <message>
        <source>Boot模式</source>
        <translation>Boot mode</translation>
    </message>
    <message>
        <source>键盘App程序不存在，请升级固件？</source>
        <translation>The keyboard has no application firmware. Update the firmware?</translation>
    </message>
    <message>
        <source>提示</source>
        <translation>Notice</translation>
    </message>
    <message>
        <source>配置文件列表</source>
        <translation>Profile list</translation>
    </message>
    <message>
        <source>保存配置文件</source>
        <translation>Save profile</translation>
    </message>
    <message>
        <source>导入外部配置文件</source>
        <translation>Import a profile file</translation>
    </message>
    <message>
        <source>设置</source>
        <translation>Settings</translation>
    </message>
    <message>
        <source>中文</source>
        <translation>中文</translation>
    </message>
    <message>
        <source>最小化</source>
        <translation>Minimise</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>还原</source>
        <translation>Undo</translation>
    </message>
    <message>
        <source>重做</source>
        <translation>Redo</translation>
    </message>
    <message>
        <source>添加层</source>
        <translation>Add layer</translation>
    </message>
    <message>
        <source>未连接</source>
        <translation>Not connected</translation>
    </message>
    <message>
        <source>正在初始化设备配置中，请稍后在操作...</source>
        <translation>The keyboard's configuration is still being read, please try again in a moment...</translation>
    </message>
    <message>
        <source>切换模式</source>
        <translation>Switch mode</translation>
    </message>
    <message>
        <source>是否从Mac模式切换到Win模式？</source>
        <translation>Switch from Mac mode to Windows mode?</translation>
    </message>
    <message>
        <source>是否从Win模式切换到Mac模式？</source>
        <translation>Switch from Windows mode to Mac mode?</translation>
    </message>
    <message>
        <source>配置已保存</source>
        <translation>Profile saved</translation>
    </message>
    <message>
        <source>覆盖已有配置</source>
        <translation>Overwrite profile</translation>
    </message>
    <message>
        <source>配置%1已存在，是否覆盖该配置？</source>
        <translation>Profile %1 already exists. Overwrite it?</translation>
    </message>
    <message>
        <source>配置文件已导入</source>
        <translation>Profile imported</translation>
    </message>
    <message>
        <source>应用配置</source>
        <translation>Apply profile</translation>
    </message>
    <message>
        <source>是否应用该配置到键盘？</source>
        <translation>Apply this profile to the keyboard?</translation>
    </message>
    <message>
        <source>开始下发配置，请稍等...</source>
        <translation>Sending the profile, please wait...</translation>
    </message>
    <message>
        <source>配置文件已导出</source>
        <translation>Profile exported</translation>
    </message>
    <message>
        <source>选择键盘配置文件</source>
        <translation>Choose a keyboard profile</translation>
    </message>
    <message>
        <source>键盘</source>
        <translation>Keyboard</translation>
    </message>
    <message>
        <source>键盘最多保存%1个宏，其余的宏没有写入键盘。</source>
        <translation>The keyboard holds at most %1 macros; the others were not written to it.</translation>
    </message>
    <message>
        <source>固件正在升级，请等待升级结束后再关闭。</source>
        <translation>The firmware is being updated. Please wait until the update has finished before closing.</translation>
    </message>
    <message>
        <source>配置文件</source>
        <translation>Profiles</translation>
    </message>
    <message>
        <source>配置文件“%1”已损坏，无法应用：%2</source>
        <translation>The profile file "%1" is damaged and cannot be applied: %2</translation>
    </message>
    <message>
        <source>选择要保存的文件</source>
        <translation>Choose where to save the file</translation>
    </message>
    <message>
        <source>还原：%1</source>
        <translation>Undo: %1</translation>
    </message>
    <message>
        <source>重做：%1</source>
        <translation>Redo: %1</translation>
    </message>
    <message>
        <source>应用配置“%1”</source>
        <translation>Apply profile “%1”</translation>
    </message>
    <message>
        <source>键盘没有保存配置“%1”的全部设置，请重新应用该配置。</source>
        <translation>The keyboard did not keep every setting of the profile “%1”. Apply it again.</translation>
    </message>
    <message>
        <source>无法访问键盘</source>
        <translation>Cannot open the keyboard</translation>
    </message>
    <message>
        <source>（已关闭 SOCD 与 RS 按键）</source>
        <translation> (SOCD and RS keys off)</translation>
    </message>
    <message>
        <source> — 已关闭 SOCD 与 RS 按键</source>
        <translation> — SOCD and RS keys off</translation>
    </message>
    <message>
        <source>“%1”的应用规则</source>
        <translation>the application rule of “%1”</translation>
    </message>
    <message>
        <source>、</source>
        <translation>, </translation>
    </message>
    <message>
        <source>全局触发行程：%1 mm</source>
        <translation>Global actuation: %1 mm</translation>
    </message>
    <message>
        <source>分享</source>
        <translation>Share</translation>
    </message>
    <message>
        <source>分享的配置</source>
        <translation>Shared profile</translation>
    </message>
    <message>
        <source>分享码中没有可用的配置。</source>
        <translation>The share code holds no usable profile.</translation>
    </message>
    <message>
        <source>分享码中的配置“%1”（%2 键盘）：</source>
        <translation>The share code holds profile “%1” (for the %2 keyboard):</translation>
    </message>
    <message>
        <source>分享码太长，不是有效的分享码。</source>
        <translation>The share code is too long to be a valid one.</translation>
    </message>
    <message>
        <source>分享码已复制到剪贴板</source>
        <translation>Share code copied to the clipboard</translation>
    </message>
    <message>
        <source>分享码已损坏（可能没有复制完整），请重新复制完整的分享码。</source>
        <translation>The share code is damaged (perhaps not copied whole). Copy the whole code again.</translation>
    </message>
    <message>
        <source>剪贴板中没有 Corvane 分享码。</source>
        <translation>The clipboard holds no Corvane share code.</translation>
    </message>
    <message>
        <source>单独设置行程的按键：%1 个</source>
        <translation>Keys with their own travel: %1</translation>
    </message>
    <message>
        <source>同名配置已存在，将导入为“%1”。</source>
        <translation>A profile of that name exists; it will be imported as “%1”.</translation>
    </message>
    <message>
        <source>四个 Fn 层中改过的按键：%1 个</source>
        <translation>Keys changed on the four Fn layers: %1</translation>
    </message>
    <message>
        <source>型号 %1</source>
        <translation>model %1</translation>
    </message>
    <message>
        <source>宏“%1”已存在，将导入为“%2”。</source>
        <translation>Macro “%1” exists; it will be imported as “%2”.</translation>
    </message>
    <message>
        <source>宏：%1 个</source>
        <translation>Macros: %1</translation>
    </message>
    <message>
        <source>导入中途失败，已导入的文件保留：%1 个。</source>
        <translation>The import stopped part way; the %1 file(s) already imported are kept.</translation>
    </message>
    <message>
        <source>导入全部</source>
        <translation>Import everything</translation>
    </message>
    <message>
        <source>导入分享码</source>
        <translation>Import a share code</translation>
    </message>
    <message>
        <source>导出全部</source>
        <translation>Export everything</translation>
    </message>
    <message>
        <source>将被替换：%1。</source>
        <translation>This replaces: %1.</translation>
    </message>
    <message>
        <source>已导入 %1 个文件</source>
        <translation>%1 file(s) imported</translation>
    </message>
    <message>
        <source>已导入配置“%1”</source>
        <translation>Profile “%1” imported</translation>
    </message>
    <message>
        <source>已导出 %1 个配置、%2 个宏、%3 个灯光预设和 %4 条应用规则。</source>
        <translation>Exported %1 profile(s), %2 macro(s), %3 lighting preset(s) and %4 application rule(s).</translation>
    </message>
    <message>
        <source>快照</source>
        <translation>Snapshots</translation>
    </message>
    <message>
        <source>快照已恢复</source>
        <translation>Snapshot restored</translation>
    </message>
    <message>
        <source>快照已恢复；宏“%1”的内容找不到，这些键保持不变。</source>
        <translation>Snapshot restored; the steps of macro(s) “%1” are nowhere to be found, so those keys were left as they are.</translation>
    </message>
    <message>
        <source>文件中的内容都已存在，没有需要导入的</source>
        <translation>Everything in the file is already here; nothing to import</translation>
    </message>
    <message>
        <source>无法写入文件“%1”，没有导出。</source>
        <translation>Cannot write “%1”; nothing was exported.</translation>
    </message>
    <message>
        <source>无法写入配置文件，没有导入。</source>
        <translation>Cannot write the profile file; nothing was imported.</translation>
    </message>
    <message>
        <source>无法恢复这个快照。</source>
        <translation>This snapshot cannot be restored.</translation>
    </message>
    <message>
        <source>无法读取、未导出：%1</source>
        <translation>Unreadable, not exported: %1</translation>
    </message>
    <message>
        <source>是否导入为新配置？</source>
        <translation>Import it as a new profile?</translation>
    </message>
    <message>
        <source>是否导入？</source>
        <translation>Import?</translation>
    </message>
    <message>
        <source>更多配置操作</source>
        <translation>More profile actions</translation>
    </message>
    <message>
        <source>没有找到 Corvane 分享码。</source>
        <translation>No Corvane share code found.</translation>
    </message>
    <message>
        <source>灯光预设 %1</source>
        <translation>lighting preset %1</translation>
    </message>
    <message>
        <source>灯光：效果 %1，亮度 %2</source>
        <translation>Lighting: effect %1, brightness %2</translation>
    </message>
    <message>
        <source>粘贴分享码</source>
        <translation>Paste a share code</translation>
    </message>
    <message>
        <source>请先连接键盘。</source>
        <translation>Connect the keyboard first.</translation>
    </message>
    <message>
        <source>还不知道这个配置用于哪种键盘：请先连接一次键盘。</source>
        <translation>It is not known yet which keyboard this profile is for: connect the keyboard once first.</translation>
    </message>
    <message>
        <source>这个分享码来自更新版本的 Corvane，请先升级 Corvane 再导入。</source>
        <translation>This share code comes from a newer Corvane. Update Corvane, then import it.</translation>
    </message>
    <message>
        <source>这个分享码适用于 %1 键盘，当前键盘是 %2，没有导入。</source>
        <translation>This share code is for the %1 keyboard, but this keyboard is a %2; nothing was imported.</translation>
    </message>
    <message>
        <source>这个文件不是 Corvane 导出的文件。</source>
        <translation>This file was not exported by Corvane.</translation>
    </message>
    <message>
        <source>这个文件包含 %1 个配置、%2 个宏、%3 个灯光预设和 %4 条应用规则。</source>
        <translation>This file holds %1 profile(s), %2 macro(s), %3 lighting preset(s) and %4 application rule(s).</translation>
    </message>
    <message>
        <source>这个文件太大，不是 Corvane 导出的文件。</source>
        <translation>This file is too large to be one Corvane exported.</translation>
    </message>
    <message>
        <source>这个文件已损坏（可能不完整），没有导入任何内容。</source>
        <translation>This file is damaged (perhaps incomplete); nothing was imported.</translation>
    </message>
    <message>
        <source>这个文件来自更新版本的 Corvane，请先升级 Corvane 再导入。</source>
        <translation>This file comes from a newer Corvane. Update Corvane, then import it.</translation>
    </message>
    <message>
        <source>这个配置太大，无法生成分享码，请使用“导出”。</source>
        <translation>This profile is too large for a share code; use “Export” instead.</translation>
    </message>
    <message>
        <source>这个配置用到的宏文件无法读取，无法生成分享码。</source>
        <translation>A macro file this profile uses cannot be read, so no share code can be made.</translation>
    </message>
    <message>
        <source>配置“%1”已存在</source>
        <translation>Profile “%1” is already here</translation>
    </message>
    <message>
        <source>配置“%1”已存在，将导入为“%2”。</source>
        <translation>Profile “%1” exists; it will be imported as “%2”.</translation>
    </message>
    <message>
        <source>高级键：%1</source>
        <translation>Advanced keys: %1</translation>
    </message>
    <message>
        <source>默认配置</source>
        <translation>the default profile</translation>
    </message>
    <message>
        <source>打印/导出图层</source>
        <translation>Print/export layers</translation>
    </message>
    <message>
        <source>无法打印图层。</source>
        <translation>The layers cannot be printed.</translation>
    </message>
    <message>
        <source>无法写入文件“%1”。</source>
        <translation>Cannot write “%1”.</translation>
    </message>
    <message>
        <source>图层已导出到“%1”</source>
        <translation>Layers exported to “%1”</translation>
    </message>
    <message>
        <source>分享码已复制到剪贴板；宏“%1”的文件找不到，分享码中不含用到它的按键。</source>
        <translation>Share code copied to the clipboard; the file of macro(s) “%1” is missing, so the keys that use it are not in the code.</translation>
    </message>
    <message>
        <source>离线编辑</source>
        <translation>Edit offline</translation>
    </message>
    <message>
        <source>键盘型号</source>
        <translation>Keyboard model</translation>
    </message>
    <message>
        <source>配置</source>
        <translation>Profile</translation>
    </message>
    <message>
        <source>是否把离线编辑的配置“%1”应用到键盘？只发送与键盘不同的部分。</source>
        <translation>Apply the profile “%1” edited offline to the keyboard? Only what differs from the keyboard is sent.</translation>
    </message>
    <message>
        <source>键盘已连接，可以直接编辑。</source>
        <translation>The keyboard is connected: edit it directly.</translation>
    </message>
    <message>
        <source>还没有配置文件：请先保存或导入一个配置。</source>
        <translation>There are no profiles yet: save or import one first.</translation>
    </message>
    <message>
        <source>无法离线编辑这个配置。</source>
        <translation>This profile cannot be edited offline.</translation>
    </message>
    <message>
        <source>离线编辑：%1 (%2)</source>
        <translation>Offline editing: %1 (%2)</translation>
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
        <translation>A profile named "%1" already exists. Please choose another name.</translation>
    </message>
    <message>
        <source>无法重命名配置文件：%1</source>
        <translation>Cannot rename the profile file: %1</translation>
    </message>
    <message>
        <source>无法删除配置文件：%1</source>
        <translation>Cannot delete the profile file: %1</translation>
    </message>
    <message>
        <source>配置文件导入失败</source>
        <translation>The profile could not be imported</translation>
    </message>
    <message>
        <source>配置文件“%1”已损坏：%2</source>
        <translation>The profile file "%1" is damaged: %2</translation>
    </message>
    <message>
        <source>文件名无效</source>
        <translation>the file name is not valid</translation>
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
        <translation>The profile name must not contain "..".</translation>
    </message>
    <message>
        <source>配置名称不能以“.”开头。</source>
        <translation>The profile name must not start with ".".</translation>
    </message>
    <message>
        <source>配置名称不能以“.”或空格结尾。</source>
        <translation>The profile name must not end with "." or a space.</translation>
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
<context>
    <name>main</name>
    <message>
        <source>提示</source>
        <translation>Notice</translation>
    </message>
    <message>
        <source>应用程序已运行！</source>
        <translation>The application is already running!</translation>
    </message>
    <message>
        <source>更新程序已在运行。</source>
        <translation>The updater is already running.</translation>
    </message>
    <message>
        <source>无法确认没有其他更新程序在运行，没有进行更新：%1</source>
        <translation>Could not make sure that no other updater is running, so nothing was updated: %1</translation>
    </message>
</context>
<context>
    <name>AdvancedKeySetPageWgt</name>
    <message>
        <source>高级键</source>
        <translation>Advanced keys</translation>
    </message>
    <message>
        <source>提示</source>
        <translation>Note</translation>
    </message>
    <message>
        <source>高级键最多绑定32个</source>
        <translation>At most 32 advanced keys can be bound</translation>
    </message>
    <message>
        <source>当前绑定值</source>
        <translation>Current bindings</translation>
    </message>
    <message>
        <source>绑定宏数量 %1/%2</source>
        <translation>Macros bound %1/%2</translation>
    </message>
    <message>
        <source>宏高级键最多绑定16个</source>
        <translation>At most 16 macro keys can be bound</translation>
    </message>
    <message>
        <source>宏没有写入键盘：键盘最多保存%1个宏。</source>
        <translation>The macro was not written to the keyboard: it keeps at most %1 macros.</translation>
    </message>
    <message>
        <source>这个按键在键盘上没有键码，不能绑定高级键。</source>
        <translation>This key has no key code on the keyboard, so it cannot take an advanced binding.</translation>
    </message>
    <message>
        <source>%1 的高级键</source>
        <translation>Advanced key of %1</translation>
    </message>
    <message>
        <source>无</source>
        <translation>none</translation>
    </message>
</context>
<context>
    <name>ColorConfigWgt</name>
    <message>
        <source>灯光设置</source>
        <translation>Lighting</translation>
    </message>
    <message>
        <source>RGB灯光效果</source>
        <translation>RGB effects</translation>
    </message>
    <message>
        <source>无灯效</source>
        <translation>Off</translation>
    </message>
    <message>
        <source>随波逐浪</source>
        <translation>Waves</translation>
    </message>
    <message>
        <source>川流不息</source>
        <translation>Stream</translation>
    </message>
    <message>
        <source>活力气泡</source>
        <translation>Bubbles</translation>
    </message>
    <message>
        <source>数学之美</source>
        <translation>Maths</translation>
    </message>
    <message>
        <source>交替人生</source>
        <translation>Alternate</translation>
    </message>
    <message>
        <source>细雨纷飞</source>
        <translation>Drizzle</translation>
    </message>
    <message>
        <source>旋转风暴</source>
        <translation>Spin storm</translation>
    </message>
    <message>
        <source>满天繁星</source>
        <translation>Starry sky</translation>
    </message>
    <message>
        <source>自由风车</source>
        <translation>Windmill</translation>
    </message>
    <message>
        <source>幸运彩虹</source>
        <translation>Rainbow</translation>
    </message>
    <message>
        <source>流星赶月</source>
        <translation>Meteor</translation>
    </message>
    <message>
        <source>百花争艳</source>
        <translation>Blossom</translation>
    </message>
    <message>
        <source>魔力橡皮</source>
        <translation>Magic eraser</translation>
    </message>
    <message>
        <source>活力弹球</source>
        <translation>Pinball</translation>
    </message>
    <message>
        <source>静态灯光</source>
        <translation>Static colours</translation>
    </message>
    <message>
        <source>1 min</source>
        <translation>1 min</translation>
    </message>
    <message>
        <source>2 min</source>
        <translation>2 min</translation>
    </message>
    <message>
        <source>3 min</source>
        <translation>3 min</translation>
    </message>
    <message>
        <source>5 min</source>
        <translation>5 min</translation>
    </message>
    <message>
        <source>10 min</source>
        <translation>10 min</translation>
    </message>
    <message>
        <source>15 min</source>
        <translation>15 min</translation>
    </message>
    <message>
        <source>20 min</source>
        <translation>20 min</translation>
    </message>
    <message>
        <source>25 min</source>
        <translation>25 min</translation>
    </message>
    <message>
        <source>30 min</source>
        <translation>30 min</translation>
    </message>
    <message>
        <source>45 min</source>
        <translation>45 min</translation>
    </message>
    <message>
        <source>60 min</source>
        <translation>60 min</translation>
    </message>
    <message>
        <source>120 min</source>
        <translation>120 min</translation>
    </message>
    <message>
        <source>从不</source>
        <translation>Never</translation>
    </message>
    <message>
        <source>亮度</source>
        <translation>Brightness</translation>
    </message>
    <message>
        <source>速度</source>
        <translation>Speed</translation>
    </message>
    <message>
        <source>慢</source>
        <translation>Slow</translation>
    </message>
    <message>
        <source>中</source>
        <translation>Medium</translation>
    </message>
    <message>
        <source>快</source>
        <translation>Fast</translation>
    </message>
    <message>
        <source>睡眠</source>
        <translation>Sleep</translation>
    </message>
    <message>
        <source>反向</source>
        <translation>Reverse</translation>
    </message>
    <message>
        <source>正向</source>
        <translation>Forward</translation>
    </message>
    <message>
        <source>超光速提示</source>
        <translation>Super light speed</translation>
    </message>
    <message>
        <source>当前处于超光速模式，RGB灯效被禁用，是否退出超光速模式？</source>
        <translation>Super light speed mode is on, and it turns the lighting off. Leave super light speed mode?</translation>
    </message>
    <message>
        <source>灯光预设无法保存到 %1</source>
        <translation>The lighting presets could not be saved to %1</translation>
    </message>
    <message>
        <source>%1 的颜色</source>
        <translation>Colour of %1</translation>
    </message>
    <message>
        <source>按键颜色</source>
        <translation>Key colours</translation>
    </message>
    <message>
        <source>灯效</source>
        <translation>Lighting effect</translation>
    </message>
    <message>
        <source>灯效方向</source>
        <translation>Lighting direction</translation>
    </message>
    <message>
        <source>休眠时间</source>
        <translation>Sleep time</translation>
    </message>
    <message>
        <source>%1 分钟</source>
        <translation>%1 min</translation>
    </message>
    <message>
        <source>预设%1</source>
        <translation>Preset %1</translation>
    </message>
    <message>
        <source>退出超光速模式</source>
        <translation>Leave super-light-speed mode</translation>
    </message>
    <message>
        <source>离线编辑时不能设置按键颜色：按键颜色保存在键盘上，不在配置文件中。连接键盘后再设置。</source>
        <translation>Key colours cannot be set while editing offline: the keyboard keeps them, not the profile. Set them with the keyboard connected.</translation>
    </message>
</context>
<context>
    <name>CustomKeySetPageWgt</name>
    <message>
        <source>自定义键</source>
        <translation>Custom keys</translation>
    </message>
    <message>
        <source>开始绑定</source>
        <translation>Choose the new key</translation>
    </message>
    <message>
        <source>支持Win/Mac系统默认布局切换。可在任意层重新映射按键，支持拖动或点击修改，修改后立即生效。</source>
        <translation>Switch between the Win and Mac default layouts. Remap keys on any layer by dragging or clicking; changes take effect at once.</translation>
    </message>
    <message>
        <source>默认</source>
        <translation>Default</translation>
    </message>
    <message>
        <source>功能</source>
        <translation>Function</translation>
    </message>
    <message>
        <source>Fn%1 层的 %2</source>
        <translation>%2 on layer Fn%1</translation>
    </message>
    <message>
        <source>Fn%1 层的键位</source>
        <translation>Keys of layer Fn%1</translation>
    </message>
</context>
<context>
    <name>KeyConfigWgt</name>
    <message>
        <source>设置页面</source>
        <translation>Settings pages</translation>
    </message>
</context>
<context>
    <name>KeyboardBaseWgt</name>
    <message>
        <source>键盘</source>
        <translation>Keyboard</translation>
    </message>
</context>
<context>
    <name>KeyboardBtn</name>
    <message>
        <source>高级键：%1</source>
        <translation>Advanced key: %1</translation>
    </message>
    <message>
        <source>快速触发：按下%1毫米，抬起%2毫米</source>
        <translation>Rapid trigger: press %1 mm, release %2 mm</translation>
    </message>
    <message>
        <source>单独行程：%1毫米</source>
        <translation>Own travel: %1 mm</translation>
    </message>
    <message>
        <source>已选中</source>
        <translation>Selected</translation>
    </message>
    <message>
        <source>%1（%2 键位）</source>
        <translation>%1 (on the %2 key)</translation>
    </message>
</context>
<context>
    <name>PerformancePageWgt</name>
    <message>
        <source>性能设置</source>
        <translation>Performance</translation>
    </message>
    <message>
        <source>行程设置</source>
        <translation>Travel</translation>
    </message>
    <message>
        <source>高级设置</source>
        <translation>Advanced</translation>
    </message>
    <message>
        <source>键盘校准</source>
        <translation>Calibration</translation>
    </message>
    <message>
        <source>停止测试</source>
        <translation>Stop test</translation>
    </message>
    <message>
        <source>开始测试</source>
        <translation>Start test</translation>
    </message>
    <message>
        <source>设置全局触发行程</source>
        <translation>Global actuation travel</translation>
    </message>
    <message>
        <source>设置单键触发行程</source>
        <translation>Per-key actuation travel</translation>
    </message>
    <message>
        <source>快速触发(选中键位生效)</source>
        <translation>Rapid trigger (selected keys)</translation>
    </message>
    <message>
        <source>快速触发将根据您按下或释放按键的意图动态地调整您的触发行程和重置行程.</source>
        <translation>Rapid trigger moves the actuation and reset points with you as you press or release a key.</translation>
    </message>
    <message>
        <source>灵敏度</source>
        <translation>Sensitivity</translation>
    </message>
    <message>
        <source>灵敏度决定了您松开按键重置和再次按下按键触发所需的行程.</source>
        <translation>Sensitivity is how far a key must rise to reset and go down again to actuate.</translation>
    </message>
    <message>
        <source>按下按键的触发行程</source>
        <translation>Press sensitivity</translation>
    </message>
    <message>
        <source>松开按键的重置行程</source>
        <translation>Release sensitivity</translation>
    </message>
    <message>
        <source>重置</source>
        <translation>Reset</translation>
    </message>
    <message>
        <source>低</source>
        <translation>Low</translation>
    </message>
    <message>
        <source>高</source>
        <translation>High</translation>
    </message>
    <message>
        <source>设置单键快速触发</source>
        <translation>Choose rapid-trigger keys</translation>
    </message>
    <message>
        <source>W A S D</source>
        <translation>W A S D</translation>
    </message>
    <message>
        <source>全选</source>
        <translation>Select all</translation>
    </message>
    <message>
        <source>取消全选</source>
        <translation>Select none</translation>
    </message>
    <message>
        <source>超级响应模式</source>
        <translation>Super response mode</translation>
    </message>
    <message>
        <source>超级响应模式会尽可能提升键盘的响应速度，为您带来极致的输入体验。但开启超级响应模式后，触发精度会略微下降。</source>
        <translation>Super response mode makes the keyboard respond as fast as it can. With it on, actuation is slightly less precise.</translation>
    </message>
    <message>
        <source>死区设置</source>
        <translation>Dead zones</translation>
    </message>
    <message>
        <source>触发优化</source>
        <translation>Actuation guard</translation>
    </message>
    <message>
        <source>触底优化</source>
        <translation>Bottom-out guard</translation>
    </message>
    <message>
        <source>部分轴体的总行程会有±0.2mm的公差，设置0死区可能会存在误触发或断触现象。开启触发/触底优化后，会限制死区&gt;=0.2mm，避免误触和底部断触。</source>
        <translation>The total travel of some switches varies by ±0.2 mm, so a dead zone of 0 may cause false or dropped presses. With the guards on, dead zones stay at 0.2 mm or more to prevent them.</translation>
    </message>
    <message>
        <source>按下（触发）</source>
        <translation>Press (actuation)</translation>
    </message>
    <message>
        <source>抬起（重置）</source>
        <translation>Release (reset)</translation>
    </message>
    <message>
        <source>校准时请完全按下按键并保持1到2秒，同时上下左右轻微晃动按键。注意：快速的按下并抬起按键会导致校准结果不准确。</source>
        <translation>To calibrate, press each key all the way down, hold it for 1 to 2 seconds and rock it gently in every direction. Note: pressing and releasing keys quickly makes the calibration inaccurate.</translation>
    </message>
    <message>
        <source>保存校准</source>
        <translation>Save calibration</translation>
    </message>
    <message>
        <source>开始校准</source>
        <translation>Start calibration</translation>
    </message>
    <message>
        <source>实时行程</source>
        <translation>Live travel</translation>
    </message>
    <message>
        <source>全局行程已设置为</source>
        <translation>Global travel set to </translation>
    </message>
    <message>
        <source>请先在键盘上选择按键</source>
        <translation>Select keys on the keyboard first</translation>
    </message>
    <message>
        <source>按压设定触发点</source>
        <translation>Set by pressing</translation>
    </message>
    <message>
        <source>按压按键… %1 秒</source>
        <translation>Press the keys… %1 s</translation>
    </message>
    <message>
        <source>没有按下选中的按键，触发行程未改变</source>
        <translation>No selected key was pressed; actuation travel unchanged</translation>
    </message>
    <message>
        <source>未按下，行程未改变：%1</source>
        <translation>Not pressed, travel unchanged: %1</translation>
    </message>
    <message>
        <source>、</source>
        <translation>, </translation>
    </message>
    <message>
        <source>已按按压深度设置触发行程</source>
        <translation>Actuation travel set by pressing</translation>
    </message>
    <message>
        <source>%1 个按键</source>
        <translation>%1 keys</translation>
    </message>
    <message>
        <source>%1 的快速触发</source>
        <translation>Rapid trigger of %1</translation>
    </message>
    <message>
        <source>%1 的触发行程</source>
        <translation>Actuation travel of %1</translation>
    </message>
    <message>
        <source>全局行程</source>
        <translation>Global travel</translation>
    </message>
    <message>
        <source>按下死区</source>
        <translation>Press dead zone</translation>
    </message>
    <message>
        <source>抬起死区</source>
        <translation>Release dead zone</translation>
    </message>
    <message>
        <source>开启超光速模式</source>
        <translation>Turn on super light speed</translation>
    </message>
    <message>
        <source>关闭超光速模式</source>
        <translation>Turn off super light speed</translation>
    </message>
    <message>
        <source>跟随全局</source>
        <translation>follows the global travel</translation>
    </message>
    <message>
        <source>行程曲线</source>
        <translation>Travel scope</translation>
    </message>
    <message>
        <source>按键行程随时间的曲线，可记录与回放</source>
        <translation>Key travel over time; can be recorded and replayed</translation>
    </message>
    <message>
        <source>以下按键在静止时读数异常：</source>
        <translation>These keys read wrongly at rest:</translation>
    </message>
    <message>
        <source>重新校准</source>
        <translation>Recalibrate</translation>
    </message>
    <message>
        <source>%1 在未按下时读数跳动 %2 mm，建议重新校准</source>
        <translation>%1 reading jumps by %2 mm while not pressed; recalibration recommended</translation>
    </message>
    <message>
        <source>%1 在静止时读数 %2 mm，建议重新校准</source>
        <translation>%1 reads %2 mm at rest; recalibration recommended</translation>
    </message>
</context>
<context>
    <name>ProfilePlan</name>
    <message>
        <source>开始下发配置，请稍等...</source>
        <translation>Sending the profile, please wait...</translation>
    </message>
    <message>
        <source>正在下发RGB和性能参数，请稍等...</source>
        <translation>Sending lighting and performance settings, please wait...</translation>
    </message>
    <message>
        <source>正在下发按键模式数据，请稍等...</source>
        <translation>Sending key assignments, please wait...</translation>
    </message>
    <message>
        <source>正在下发自定义按键数据，请稍等...</source>
        <translation>Sending per-key settings, please wait...</translation>
    </message>
    <message>
        <source>正在下发高级键参数，请稍等...</source>
        <translation>Sending advanced key settings, please wait...</translation>
    </message>
    <message>
        <source>正在下发高级键数据，请稍等...</source>
        <translation>Sending advanced key data, please wait...</translation>
    </message>
    <message>
        <source>配置下发完成！</source>
        <translation>Profile sent!</translation>
    </message>
    <message>
        <source>open file failure!</source>
        <translation>open file failure!</translation>
    </message>
    <message>
        <source>数据解析异常!</source>
        <translation>The macro file could not be read!</translation>
    </message>
</context>
<context>
    <name>KeyTouchDisSetWindow</name>
    <message>
        <source>设置单键触发行程</source>
        <translation>Per-key actuation travel</translation>
    </message>
    <message>
        <source>左键单击选择一个或多个按键。
拖动下方滑杆来调整选中按键的触发行程。</source>
        <translation>Click to select one or more keys.
Drag the slider below to set their actuation travel.</translation>
    </message>
    <message>
        <source>轴体行程示意</source>
        <translation>Switch travel diagram</translation>
    </message>
    <message>
        <source>重置</source>
        <translation>Reset</translation>
    </message>
    <message>
        <source>将所有按键恢复为全局</source>
        <translation>Return all keys to the global travel</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
</context>
<context>
    <name>CalibrationAnimation</name>
    <message>
        <source>校准动画</source>
        <translation>Calibration animation</translation>
    </message>
</context>
<context>
    <name>PressProgressBar</name>
    <message>
        <source>按键行程</source>
        <translation>Key travel</translation>
    </message>
    <message>
        <source>触发 %1 mm</source>
        <translation>Actuation %1 mm</translation>
    </message>
    <message>
        <source>触发 %1 mm，按下 %2 mm，松开 %3 mm</source>
        <translation>Actuation %1 mm, press %2 mm, release %3 mm</translation>
    </message>
    <message>
        <source>按键行程：%1</source>
        <translation>Key travel: %1</translation>
    </message>
    <message>
        <source>；</source>
        <translation>; </translation>
    </message>
</context>
<context>
    <name>KeyQuickTouchWindow</name>
    <message>
        <source>设置单键快速触发</source>
        <translation>Choose rapid-trigger keys</translation>
    </message>
    <message>
        <source>选中的按键已启用快速触发。未选中则未启用。
未启用时，按键的触发点和重置点将被固定为设定的触发行程。</source>
        <translation>Selected keys have rapid trigger on; the others have it off.
Without it, a key actuates and resets at its set actuation travel.</translation>
    </message>
    <message>
        <source>全选</source>
        <translation>Select all</translation>
    </message>
    <message>
        <source>取消全选</source>
        <translation>Select none</translation>
    </message>
    <message>
        <source>保存选择</source>
        <translation>Save selection</translation>
    </message>
</context>
<context>
    <name>AdvanceKeySetWindow</name>
    <message>
        <source>当前按键：%1</source>
        <translation>Current key: %1</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>删除绑定</source>
        <translation>Remove binding</translation>
    </message>
</context>
<context>
    <name>AdvanceTypeChooseWindow</name>
    <message>
        <source>动态键程（DKS）</source>
        <translation>Dynamic keystroke (DKS)</translation>
    </message>
    <message>
        <source>多点触发（MPT）</source>
        <translation>Multi-point trigger (MPT)</translation>
    </message>
    <message>
        <source>按住/单击（MT）</source>
        <translation>Hold/tap (MT)</translation>
    </message>
    <message>
        <source>切换开关（TGL）</source>
        <translation>Toggle (TGL)</translation>
    </message>
    <message>
        <source>释放触发（END）</source>
        <translation>Release trigger (END)</translation>
    </message>
    <message>
        <source>SOCD（SOCD）</source>
        <translation>SOCD (SOCD)</translation>
    </message>
    <message>
        <source>宏指令（MACRO）</source>
        <translation>Macro (MACRO)</translation>
    </message>
    <message>
        <source>单个按键实现4种功能:您可以根据4种不同的按压程度绑定1至4种功能。</source>
        <translation>Four functions on one key: bind 1 to 4 functions to four stages of a keystroke.</translation>
    </message>
    <message>
        <source>单个按键可在三个不用的深度触发三个不同的按键。</source>
        <translation>One key sends three different keys at three different depths.</translation>
    </message>
    <message>
        <source>单个按键实现2种功能:按住按键为一种，单击按键为另一种。</source>
        <translation>Two functions on one key: one when held, another when tapped.</translation>
    </message>
    <message>
        <source>单击按键可开关持续触发。按住按键则为正常触发行为。</source>
        <translation>A tap turns a continuous press on or off. Holding the key acts normally.</translation>
    </message>
    <message>
        <source>单个按键可在松开时发送另一个按键。</source>
        <translation>One key sends another key when it is released.</translation>
    </message>
    <message>
        <source>绑定两个按键，后按下的按键会强制释放前一个按键，同一时刻只会触发一个按键。</source>
        <translation>Binds two keys: the one pressed last releases the other, so only one of them is down at a time.</translation>
    </message>
    <message>
        <source>给按键设置一串指令，已发送多个按键。</source>
        <translation>Gives a key a sequence of actions that sends several keys.</translation>
    </message>
    <message>
        <source>选择高级键类型</source>
        <translation>Choose an advanced key type</translation>
    </message>
</context>
<context>
    <name>BindItemWgt</name>
    <message>
        <source>删除%1的绑定</source>
        <translation>Remove the binding of %1</translation>
    </message>
    <message>
        <source>删除绑定</source>
        <translation>Remove binding</translation>
    </message>
    <message>
        <source>%1，%2，%3</source>
        <translation>%1, %2, %3</translation>
    </message>
</context>
<context>
    <name>DKSSetWgt</name>
    <message>
        <source>按键起点</source>
        <translation>Key starts moving</translation>
    </message>
    <message>
        <source>按下过程</source>
        <translation>While pressing</translation>
    </message>
    <message>
        <source>按键触底</source>
        <translation>Key bottoms out</translation>
    </message>
    <message>
        <source>触底保持</source>
        <translation>While bottomed out</translation>
    </message>
    <message>
        <source>按键触底时松开</source>
        <translation>Released from the bottom</translation>
    </message>
    <message>
        <source>松开过程</source>
        <translation>While releasing</translation>
    </message>
    <message>
        <source>完全松开按键</source>
        <translation>Key fully released</translation>
    </message>
</context>
<context>
    <name>DKSSetWindow</name>
    <message>
        <source>动态键程（DKS）</source>
        <translation>Dynamic keystroke (DKS)</translation>
    </message>
    <message>
        <source>按键起点</source>
        <translation>Key starts moving</translation>
    </message>
    <message>
        <source>按键触底</source>
        <translation>Key bottoms out</translation>
    </message>
    <message>
        <source>按键触底时松开</source>
        <translation>Released from the bottom</translation>
    </message>
    <message>
        <source>完全松开按键</source>
        <translation>Key fully released</translation>
    </message>
    <message>
        <source>%1的触发点</source>
        <translation>Trigger point of "%1"</translation>
    </message>
    <message>
        <source>按键%1</source>
        <translation>Key %1</translation>
    </message>
    <message>
        <source>%1mm</source>
        <translation>%1mm</translation>
    </message>
</context>
<context>
    <name>ENDSetWindow</name>
    <message>
        <source>释放触发（END）</source>
        <translation>Release trigger (END)</translation>
    </message>
    <message>
        <source>单击按键可在松开时发送另一个按键。按住按键则为正常触发行为。拖放按键到您想要的键位上即可绑定切换开关键。</source>
        <translation>Releasing the key sends another key. Holding the key acts normally. Drag a key onto the slot to bind it.</translation>
    </message>
    <message>
        <source>松开时发送</source>
        <translation>Sent on release</translation>
    </message>
</context>
<context>
    <name>HoldTimeWgt</name>
    <message>
        <source>%1ms</source>
        <translation>%1ms</translation>
    </message>
    <message>
        <source>按住时间</source>
        <translation>Hold time</translation>
    </message>
    <message>
        <source>重置</source>
        <translation>Reset</translation>
    </message>
</context>
<context>
    <name>KeyTesterWgt</name>
    <message>
        <source>按键测试</source>
        <translation>Key test</translation>
    </message>
</context>
<context>
    <name>MPTSetWindow</name>
    <message>
        <source>多点触发（MPT）</source>
        <translation>Multi-point trigger (MPT)</translation>
    </message>
    <message>
        <source>单击按键可在三个不用的深度触发三个不同的按键。</source>
        <translation>The key sends three different keys at three different depths.</translation>
    </message>
    <message>
        <source>触发点%1</source>
        <translation>Trigger point %1</translation>
    </message>
    <message>
        <source>%1的行程</source>
        <translation>Travel of %1</translation>
    </message>
</context>
<context>
    <name>MTSetWindow</name>
    <message>
        <source>按住/单击（MT）</source>
        <translation>Hold/tap (MT)</translation>
    </message>
    <message>
        <source>单个按键实现2种功能:按住按键为一种，单击按键为另一种。</source>
        <translation>Two functions on one key: one when held, another when tapped.</translation>
    </message>
    <message>
        <source>按住</source>
        <translation>Hold</translation>
    </message>
    <message>
        <source>单击</source>
        <translation>Tap</translation>
    </message>
</context>
<context>
    <name>PairKeySetWindow</name>
    <message>
        <source>当前按键</source>
        <translation>This key</translation>
    </message>
    <message>
        <source>另一个按键</source>
        <translation>Other key</translation>
    </message>
    <message>
        <source>绑定</source>
        <translation>Bound to</translation>
    </message>
    <message>
        <source>请选择另一个按键</source>
        <translation>Choose the other key of the pair</translation>
    </message>
    <message>
        <source>不能与按键自身绑定</source>
        <translation>A key cannot be paired with itself</translation>
    </message>
    <message>
        <source>该按键不在当前键盘上</source>
        <translation>That key is not on this keyboard</translation>
    </message>
</context>
<context>
    <name>RSSetWindow</name>
    <message>
        <source>Rappy Snappy（RS）</source>
        <translation>Rappy Snappy (RS)</translation>
    </message>
    <message>
        <source>绑定两个按键，同时监测按压程度，按压更深的按键被触发。当两个按键触底时，同时触发。</source>
        <translation>Binds two keys and watches how far each is pressed: the deeper one is sent. When both bottom out, both are sent.</translation>
    </message>
</context>
<context>
    <name>SOCDSetWindow</name>
    <message>
        <source>SOCD（SOCD）</source>
        <translation>SOCD (SOCD)</translation>
    </message>
    <message>
        <source>绑定两个按键，后按下的按键会强制释放前一个按键，同一时刻只会触发一个按键。</source>
        <translation>Binds two keys: the one pressed last releases the other, so only one of them is down at a time.</translation>
    </message>
</context>
<context>
    <name>TGLSetWindow</name>
    <message>
        <source>切换开关（TGL）</source>
        <translation>Toggle (TGL)</translation>
    </message>
    <message>
        <source>单击按键可切换开启或关闭持续触发。按住按键则为正常触发行为。拖放按键到您想要的键位上即可绑定切换开关键。</source>
        <translation>A tap turns a continuous press on or off. Holding the key acts normally. Drag a key onto the slot to bind the toggle.</translation>
    </message>
    <message>
        <source>绑定按键</source>
        <translation>Bound key</translation>
    </message>
</context>
<context>
    <name>TouchDisModifyWindow</name>
    <message>
        <source>设置DKS动作的触发点</source>
        <translation>Set the trigger point of the DKS actions</translation>
    </message>
    <message>
        <source>触发点</source>
        <translation>Trigger point</translation>
    </message>
</context>
<context>
    <name>ColorChooseWgt</name>
    <message>
        <source>颜色</source>
        <translation>Colours</translation>
    </message>
    <message>
        <source>预设%1</source>
        <translation>Preset %1</translation>
    </message>
    <message>
        <source>颜色 %1</source>
        <translation>Colour %1</translation>
    </message>
    <message>
        <source>重置当前预设</source>
        <translation>Reset preset</translation>
    </message>
    <message>
        <source>重置所有预设</source>
        <translation>Reset all presets</translation>
    </message>
    <message>
        <source>填充全部按键</source>
        <translation>Fill all keys</translation>
    </message>
    <message>
        <source>用当前颜色填充全部按键</source>
        <translation>Paint every key with the current colour</translation>
    </message>
    <message>
        <source>红色 (R)</source>
        <translation>Red (R)</translation>
    </message>
    <message>
        <source>绿色 (G)</source>
        <translation>Green (G)</translation>
    </message>
    <message>
        <source>蓝色 (B)</source>
        <translation>Blue (B)</translation>
    </message>
    <message>
        <source>色相 (H)</source>
        <translation>Hue (H)</translation>
    </message>
    <message>
        <source>饱和度 (S)</source>
        <translation>Saturation (S)</translation>
    </message>
    <message>
        <source>明度 (V)</source>
        <translation>Value (V)</translation>
    </message>
    <message>
        <source>颜色选择器</source>
        <translation>Colour wheel</translation>
    </message>
</context>
<context>
    <name>ColorWheel</name>
    <message>
        <source>颜色选择器</source>
        <translation>Colour wheel</translation>
    </message>
</context>
<context>
    <name>Swatches</name>
    <message>
        <source>当前颜色</source>
        <translation>Current colour</translation>
    </message>
    <message>
        <source>使用最近的颜色 %1</source>
        <translation>Use recent colour %1</translation>
    </message>
</context>
<context>
    <name>MacroManageWindow</name>
    <message>
        <source>宏管理</source>
        <translation>Macro manager</translation>
    </message>
    <message>
        <source>宏列表</source>
        <translation>Macros</translation>
    </message>
    <message>
        <source>宏记录</source>
        <translation>Steps</translation>
    </message>
    <message>
        <source>导入</source>
        <translation>Import</translation>
    </message>
    <message>
        <source>导出</source>
        <translation>Export</translation>
    </message>
    <message>
        <source>删除</source>
        <translation>Delete</translation>
    </message>
    <message>
        <source>复制</source>
        <translation>Copy</translation>
    </message>
    <message>
        <source>保存录制</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>停止录制</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>开始录制</source>
        <translation>Record</translation>
    </message>
    <message>
        <source>删除步骤</source>
        <translation>Delete step</translation>
    </message>
    <message>
        <source>上移步骤</source>
        <translation>Move step up</translation>
    </message>
    <message>
        <source>下移步骤</source>
        <translation>Move step down</translation>
    </message>
    <message>
        <source>记录延时</source>
        <translation>Record delays</translation>
    </message>
    <message>
        <source>设置延时</source>
        <translation>Fixed delay</translation>
    </message>
    <message>
        <source>固定延时（毫秒）</source>
        <translation>Fixed delay (ms)</translation>
    </message>
    <message>
        <source>毫秒</source>
        <translation>ms</translation>
    </message>
    <message>
        <source>按下 %1</source>
        <translation>Press %1</translation>
    </message>
    <message>
        <source>松开 %1</source>
        <translation>Release %1</translation>
    </message>
    <message>
        <source>延时 %1 毫秒</source>
        <translation>Delay %1 ms</translation>
    </message>
    <message>
        <source>error</source>
        <translation>Error</translation>
    </message>
    <message>
        <source>提示</source>
        <translation>Notice</translation>
    </message>
    <message>
        <source>请先录制宏信息！</source>
        <translation>Record a macro first!</translation>
    </message>
    <message>
        <source>每个宏最大支持64个操作</source>
        <translation>A macro holds at most 64 steps.</translation>
    </message>
    <message>
        <source>选择要打开的文件</source>
        <translation>Choose the file to open</translation>
    </message>
    <message>
        <source>数据文件(*.csv)</source>
        <translation>Data files (*.csv)</translation>
    </message>
    <message>
        <source>open file failure!</source>
        <translation>The file could not be opened.</translation>
    </message>
    <message>
        <source>数据解析异常!</source>
        <translation>The macro file could not be read!</translation>
    </message>
    <message>
        <source>选择要保存的文件</source>
        <translation>Choose the file to save</translation>
    </message>
</context>
<context>
    <name>MacroName</name>
    <message>
        <source>宏名称不能为空。</source>
        <translation>The macro name cannot be empty.</translation>
    </message>
    <message>
        <source>宏名称不能超过%1个字符。</source>
        <translation>The macro name cannot be longer than %1 characters.</translation>
    </message>
    <message>
        <source>宏名称不能包含以下字符：%1 或控制字符。</source>
        <translation>The macro name cannot contain these characters: %1 or control characters.</translation>
    </message>
    <message>
        <source>宏名称不能包含“..”。</source>
        <translation>The macro name cannot contain "..".</translation>
    </message>
    <message>
        <source>宏名称不能以“.”开头。</source>
        <translation>The macro name cannot start with ".".</translation>
    </message>
    <message>
        <source>宏名称不能以“.”或空格结尾。</source>
        <translation>The macro name cannot end with "." or a space.</translation>
    </message>
    <message>
        <source>宏名称是系统保留名称，请换一个名称。</source>
        <translation>The macro name is reserved by the system; choose another one.</translation>
    </message>
</context>
<context>
    <name>MacroSetWindow</name>
    <message>
        <source>宏指令（MACRO）</source>
        <translation>Macro (MACRO)</translation>
    </message>
    <message>
        <source>给按键设置一串指令，已发送多个按键。</source>
        <translation>Gives a key a sequence of actions that sends several keys.</translation>
    </message>
    <message>
        <source>宏：</source>
        <translation>Macro:</translation>
    </message>
    <message>
        <source>未选择宏</source>
        <translation>No macro chosen</translation>
    </message>
    <message>
        <source>宏：%1</source>
        <translation>Macro: %1</translation>
    </message>
    <message>
        <source>请从宏列表中选择一个宏。</source>
        <translation>Choose a macro from the list.</translation>
    </message>
    <message>
        <source>宏“%1”不在宏列表中，请重新选择。</source>
        <translation>The macro "%1" is not in the list; choose another one.</translation>
    </message>
    <message>
        <source>这个宏没有步骤。</source>
        <translation>This macro has no steps.</translation>
    </message>
</context>
<context>
    <name>MacroStore</name>
    <message>
        <source>无法创建宏文件夹。</source>
        <translation>The macro folder could not be created.</translation>
    </message>
    <message>
        <source>宏文件保存失败，原有文件未改动。</source>
        <translation>The macro file could not be saved; the file on disk is unchanged.</translation>
    </message>
    <message>
        <source>已有名为“%1”的宏。</source>
        <translation>A macro named "%1" already exists.</translation>
    </message>
    <message>
        <source>宏文件“%1”已不存在。</source>
        <translation>The macro file "%1" no longer exists.</translation>
    </message>
    <message>
        <source>宏文件重命名失败。</source>
        <translation>The macro file could not be renamed.</translation>
    </message>
    <message>
        <source>宏文件删除失败。</source>
        <translation>The macro file could not be deleted.</translation>
    </message>
</context>
<context>
    <name>MacroTableWgt</name>
    <message>
        <source>%1：%2 个步骤</source>
        <translation>%1: %2 steps</translation>
    </message>
    <message>
        <source>宏列表</source>
        <translation>Macros</translation>
    </message>
    <message>
        <source>宏管理</source>
        <translation>Macro manager</translation>
    </message>
    <message>
        <source>还没有宏。点击“宏管理”录制或导入一个宏。</source>
        <translation>No macros yet. Click "Macro manager" to record or import one.</translation>
    </message>
</context>
<context>
    <name>OnlineUpdate</name>
    <message>
        <source>未配置更新服务器，无法在线更新。</source>
        <translation>No update server is configured, so online updates are not available.</translation>
    </message>
    <message>
        <source>更新服务器地址无效，无法在线更新。</source>
        <translation>The update server address is not valid, so online updates are not available.</translation>
    </message>
    <message>
        <source>无法获取固件版本信息：%1</source>
        <translation>Cannot get the firmware version information: %1</translation>
    </message>
    <message>
        <source>无法获取固件版本信息：服务器返回的内容无效。</source>
        <translation>Cannot get the firmware version information: the server returned invalid content.</translation>
    </message>
    <message>
        <source>固件版本信息没有有效的 SHA-256 校验值，为安全起见没有使用。</source>
        <translation>The firmware version information has no valid SHA-256 checksum; for safety it was not used.</translation>
    </message>
    <message>
        <source>更新服务器使用不加密的 http:// 地址，不能使用。请改用 https:// 地址。</source>
        <translation>The update server uses an unencrypted http:// address and cannot be used. Please use an https:// address.</translation>
    </message>
</context>
<context>
    <name>Downloader</name>
    <message>
        <source>无法写入下载文件。</source>
        <translation>the downloaded file could not be written.</translation>
    </message>
    <message>
        <source>无法连接更新服务器，请检查网络。</source>
        <translation>could not reach the update server. Please check the network.</translation>
    </message>
    <message>
        <source>更新服务器拒绝了请求（HTTP %1）。</source>
        <translation>the update server refused the request (HTTP %1).</translation>
    </message>
    <message>
        <source>下载的文件超出允许的大小。</source>
        <translation>the download is larger than allowed.</translation>
    </message>
    <message>
        <source>下载不完整，连接中断。</source>
        <translation>the download is incomplete: the connection was interrupted.</translation>
    </message>
    <message>
        <source>下载超时，服务器没有响应。</source>
        <translation>the download timed out: the server stopped responding.</translation>
    </message>
    <message>
        <source>下载已取消。</source>
        <translation>the download was cancelled.</translation>
    </message>
    <message>
        <source>下载用时过长，已停止。</source>
        <translation>The download took too long and was stopped.</translation>
    </message>
</context>
<context>
    <name>Update</name>
    <message>
        <source>立即更新</source>
        <translation>Update now</translation>
    </message>
    <message>
        <source>下载进度</source>
        <translation>Download progress</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>当前版本：V%1    最新版本：V%2</source>
        <translation>Current version: V%1    Latest version: V%2</translation>
    </message>
    <message>
        <source>正在检查更新</source>
        <translation>Checking for updates</translation>
    </message>
    <message>
        <source>已是最新版本！</source>
        <translation>You have the latest version!</translation>
    </message>
    <message>
        <source>程序安装在系统目录中，请通过系统的软件包管理器更新。</source>
        <translation>The program is installed system-wide. Please update it with your system's package manager.</translation>
    </message>
    <message>
        <source>正在下载新版本</source>
        <translation>Downloading the new version</translation>
    </message>
    <message>
        <source>正在安装新版本</source>
        <translation>Installing the new version</translation>
    </message>
    <message>
        <source>更新完成！正在启动！</source>
        <translation>Update complete! Starting...</translation>
    </message>
</context>
<context>
    <name>SoftwareUpdate</name>
    <message>
        <source>没有找到要更新的程序，请先运行一次配置程序。</source>
        <translation>The program to update was not found. Please run the configurator once first.</translation>
    </message>
    <message>
        <source>无法获取最新版本信息：%1</source>
        <translation>Could not get the latest version information: %1</translation>
    </message>
    <message>
        <source>无法获取最新版本信息：服务器返回的内容无效。</source>
        <translation>Could not get the latest version information: the server's answer is not valid.</translation>
    </message>
    <message>
        <source>下载新版本失败：%1 当前版本没有改变。</source>
        <translation>Downloading the new version failed: %1 The installed version has not been changed.</translation>
    </message>
    <message>
        <source>下载的文件不是可运行的程序，当前版本没有改变。</source>
        <translation>The downloaded file is not a program that can run. The installed version has not been changed.</translation>
    </message>
    <message>
        <source>下载的文件校验失败（SHA-256 不一致），当前版本没有改变。</source>
        <translation>The downloaded file failed its check (SHA-256 mismatch). The installed version has not been changed.</translation>
    </message>
    <message>
        <source>无法关闭正在运行的%1，请先关闭它再更新。当前版本没有改变。</source>
        <translation>The running %1 could not be closed. Please close it and update again. The installed version has not been changed.</translation>
    </message>
    <message>
        <source>无法备份当前版本，更新没有进行。</source>
        <translation>The installed version could not be backed up, so nothing was updated.</translation>
    </message>
    <message>
        <source>无法替换程序文件，当前版本没有改变。</source>
        <translation>The program file could not be replaced. The installed version has not been changed.</translation>
    </message>
    <message>
        <source>新版本无法运行，旧版本也无法恢复。旧版本保存在：%1</source>
        <translation>The new version does not run and the old version could not be put back. The old version is kept at: %1</translation>
    </message>
    <message>
        <source>更新失败：新版本无法运行，已恢复并启动旧版本。</source>
        <translation>The update failed: the new version does not run. The old version was restored and started.</translation>
    </message>
    <message>
        <source>更新失败：新版本无法运行，已恢复旧版本，但无法启动它，请手动启动。</source>
        <translation>The update failed: the new version does not run. The old version was restored but could not be started; start it yourself.</translation>
    </message>
    <message>
        <source>此程序由系统的软件包管理器安装，不能在这里更新。请通过软件包管理器更新软件包。</source>
        <translation>This program was installed by the system's package manager and cannot be updated here. Please update the package with the package manager.</translation>
    </message>
    <message>
        <source>版本信息没有给出新程序的 SHA-256 校验值，不能安全地更新。</source>
        <translation>The version information gives no SHA-256 checksum of the new program, so it cannot be updated safely.</translation>
    </message>
    <message>
        <source>更新被中止，但新版本没有退出，仍在运行。旧版本保存在：%1</source>
        <translation>The update was stopped, but the new version did not exit and is still running. The old version is kept at: %1</translation>
    </message>
    <message>
        <source>无法确认已安装程序的版本，为安全起见没有检查更新。</source>
        <translation>The version of the installed program could not be determined; for safety no update check was made.</translation>
    </message>
    <message>
        <source>更新已中止，当前版本没有改变。</source>
        <translation>The update was stopped; the current version is unchanged.</translation>
    </message>
    <message>
        <source>更新已中止：已恢复并启动旧版本。</source>
        <translation>The update was stopped: the old version was restored and started.</translation>
    </message>
</context>
<context>
    <name>FirmwareStatusText</name>
    <message>
        <source>正在校验固件信息，请稍候...</source>
        <translation>Verifying the firmware information, please wait...</translation>
    </message>
    <message>
        <source>请检查键盘是否正常工作！</source>
        <translation>Please check that the keyboard is working!</translation>
    </message>
    <message>
        <source>键盘已经是这个固件，无需升级。</source>
        <translation>The keyboard already has this firmware; no update is needed.</translation>
    </message>
    <message>
        <source>键盘数据擦除异常！</source>
        <translation>Erasing the keyboard failed!</translation>
    </message>
    <message>
        <source>固件升级失败！</source>
        <translation>The firmware update failed!</translation>
    </message>
    <message>
        <source>固件升级失败！键盘停留在升级模式，请再次升级以恢复键盘。</source>
        <translation>The firmware update failed! The keyboard is waiting in update mode: run the update again to recover it.</translation>
    </message>
    <message>
        <source>设备断开，升级失败，请重试。</source>
        <translation>The device was disconnected and the update failed. Please try again.</translation>
    </message>
    <message>
        <source>固件升级完成！</source>
        <translation>Firmware update complete!</translation>
    </message>
    <message>
        <source>没有找到键盘！</source>
        <translation>No keyboard was found!</translation>
    </message>
    <message>
        <source>无法打开键盘！</source>
        <translation>The keyboard could not be opened!</translation>
    </message>
    <message>
        <source>键盘读写异常！</source>
        <translation>Reading from or writing to the keyboard failed!</translation>
    </message>
</context>
<context>
    <name>IAPFirmwareWindow</name>
    <message>
        <source>键盘正被 %1 使用，升级没有开始。请等它结束后再试。</source>
        <translation>The keyboard is in use by %1, so the update was not started. Try again once it has finished.</translation>
    </message>
    <message>
        <source>其他程序</source>
        <translation>another program</translation>
    </message>
    <message>
        <source>无法确认没有其他程序在使用键盘（%1 中的键盘锁无法创建或打开），为安全起见升级没有开始。</source>
        <translation>Could not make sure that no other program is using the keyboard (the keyboard lock in %1 cannot be created or opened), so for safety the update was not started.</translation>
    </message>
    <message>
        <source>正在下载固件：%1%</source>
        <translation>Downloading the firmware: %1%</translation>
    </message>
    <message>
        <source>固件不存在，请先升级固件</source>
        <translation>The keyboard has no firmware. Please update the firmware first.</translation>
    </message>
    <message>
        <source>已是最新版本</source>
        <translation>The firmware is up to date</translation>
    </message>
    <message>
        <source>★最新版本：V%1
版本日志：
%2</source>
        <translation>★ Latest version: V%1
Release notes:
%2</translation>
    </message>
    <message>
        <source>提示</source>
        <translation>Notice</translation>
    </message>
    <message>
        <source>正在初始化设备配置中，请稍后在操作...</source>
        <translation>The keyboard's configuration is still being read, please try again in a moment...</translation>
    </message>
    <message>
        <source>正在下载固件...</source>
        <translation>Downloading the firmware...</translation>
    </message>
    <message>
        <source>正在更新</source>
        <translation>Updating</translation>
    </message>
    <message>
        <source>正在更新：V%1</source>
        <translation>Updating to V%1</translation>
    </message>
    <message>
        <source>更新完成</source>
        <translation>Update complete</translation>
    </message>
    <message>
        <source>固件没有启动，键盘停留在升级模式，请再次升级。</source>
        <translation>The firmware did not start; the keyboard is waiting in update mode. Please update again.</translation>
    </message>
    <message>
        <source>固件升级完成，当前固件版本：V%1</source>
        <translation>Firmware updated. Current firmware version: V%1</translation>
    </message>
    <message>
        <source>固件升级完成，当前固件版本：V%1。键盘配置没有读取完整，可在配置列表中应用备份“%2”。</source>
        <translation>Firmware updated. Current firmware version: V%1. The keyboard's configuration could not be read completely; you can apply the backup “%2” from the profile list.</translation>
    </message>
    <message>
        <source>恢复配置</source>
        <translation>Restore configuration</translation>
    </message>
    <message>
        <source>固件已升级到V%1。是否把升级前备份的配置“%2”恢复到键盘？</source>
        <translation>The firmware is now V%1. Put the configuration backed up before the update (“%2”) back on the keyboard?</translation>
    </message>
    <message>
        <source>恢复出厂设置</source>
        <translation>Factory reset</translation>
    </message>
    <message>
        <source>是否将键盘恢复出厂设置？</source>
        <translation>Reset the keyboard to its factory settings?</translation>
    </message>
    <message>
        <source>无法启动更新程序。</source>
        <translation>The updater could not be started.</translation>
    </message>
    <message>
        <source>固件正在升级，请等待升级结束后再关闭。</source>
        <translation>The firmware is being updated. Please wait until the update has finished before closing.</translation>
    </message>
    <message>
        <source>设置</source>
        <translation>Settings</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>语    言</source>
        <translation>Language</translation>
    </message>
    <message>
        <source>回报率设置</source>
        <translation>Polling rate</translation>
    </message>
    <message>
        <source>驱动版本</source>
        <translation>Software version</translation>
    </message>
    <message>
        <source>检查更新</source>
        <translation>Check for updates</translation>
    </message>
    <message>
        <source>固件版本</source>
        <translation>Firmware version</translation>
    </message>
    <message>
        <source>固件升级</source>
        <translation>Firmware update</translation>
    </message>
    <message>
        <source>本地升级</source>
        <translation>Local file</translation>
    </message>
    <message>
        <source>选择...</source>
        <translation>Choose...</translation>
    </message>
    <message>
        <source>本地更新</source>
        <translation>Update from file</translation>
    </message>
    <message>
        <source>在线升级</source>
        <translation>Online</translation>
    </message>
    <message>
        <source>在线更新</source>
        <translation>Update online</translation>
    </message>
    <message>
        <source>升级进度</source>
        <translation>Update progress</translation>
    </message>
    <message>
        <source>未选择固件文件</source>
        <translation>No firmware file chosen</translation>
    </message>
    <message>
        <source>选择要打开的文件</source>
        <translation>Choose the file to open</translation>
    </message>
    <message>
        <source>固件文件 (*.bin *.BIN);;所有文件 (*)</source>
        <translation>Firmware files (*.bin *.BIN);;All files (*)</translation>
    </message>
    <message>
        <source>★最新版本：V%1</source>
        <translation>★ Latest version: V%1</translation>
    </message>
    <message>
        <source>保存诊断报告</source>
        <translation>Save Support Report</translation>
    </message>
    <message>
        <source>诊断报告 (*.json)</source>
        <translation>Support report (*.json)</translation>
    </message>
    <message>
        <source>把程序、系统和键盘的信息存为一个文件，附在问题报告里</source>
        <translation>Saves the program, system and keyboard details in one file to attach to a bug report</translation>
    </message>
    <message>
        <source>诊断报告已保存到 %1</source>
        <translation>The support report was saved to %1</translation>
    </message>
    <message>
        <source>诊断报告保存失败：%1</source>
        <translation>The support report could not be saved: %1</translation>
    </message>
    <message>
        <source>更新程序已在运行。</source>
        <translation>The updater is already running.</translation>
    </message>
    <message>
        <source>无法确认本地固件文件“%1”的版本，它可能比键盘现在的固件旧。确定要写入吗？</source>
        <translation>The version of the local firmware file “%1” cannot be checked; it may be older than the keyboard's current firmware. Write it anyway?</translation>
    </message>
</context>
<context>
    <name>FirmwareFetch</name>
    <message>
        <source>请先选择固件文件。</source>
        <translation>Please choose a firmware file first.</translation>
    </message>
    <message>
        <source>只能用 .bin 固件文件升级，其他格式的文件不能写入键盘。</source>
        <translation>Only .bin firmware files can be used; files of other formats cannot be written to the keyboard.</translation>
    </message>
    <message>
        <source>无法读取固件文件。</source>
        <translation>The firmware file could not be read.</translation>
    </message>
    <message>
        <source>固件文件过大，不是本键盘的固件。</source>
        <translation>The firmware file is too large to be firmware for this keyboard.</translation>
    </message>
    <message>
        <source>固件文件是空的，没有写入键盘。</source>
        <translation>The firmware file is empty; nothing was written to the keyboard.</translation>
    </message>
    <message>
        <source>更新服务器上没有这块键盘的固件文件信息。</source>
        <translation>The update server names no firmware file for this keyboard.</translation>
    </message>
    <message>
        <source>固件信息没有有效的校验值，不能在线升级。</source>
        <translation>The firmware information has no valid checksum, so it cannot be installed online.</translation>
    </message>
    <message>
        <source>固件下载失败：%1</source>
        <translation>The firmware download failed: %1</translation>
    </message>
    <message>
        <source>无法读取下载的固件文件。</source>
        <translation>The downloaded firmware file could not be read.</translation>
    </message>
    <message>
        <source>下载的固件文件是空的，没有写入键盘。</source>
        <translation>The downloaded firmware file is empty; nothing was written to the keyboard.</translation>
    </message>
    <message>
        <source>下载的固件校验失败（MD5 不一致），没有写入键盘。</source>
        <translation>The downloaded firmware failed its check (MD5 mismatch); nothing was written to the keyboard.</translation>
    </message>
    <message>
        <source>下载的固件校验失败（SHA-256 不一致），没有写入键盘。</source>
        <translation>The downloaded firmware failed its check (SHA-256 mismatch); nothing was written to the keyboard.</translation>
    </message>
</context>
<context>
    <name>FirmwareBackup</name>
    <message>
        <source>无法保存键盘当前配置的备份，固件没有升级。</source>
        <translation>The keyboard's configuration could not be backed up, so the firmware was not updated.</translation>
    </message>
</context>
<context>
    <name>ProfileFile</name>
    <message>
        <source>无法打开文件</source>
        <translation>the file cannot be opened</translation>
    </message>
    <message>
        <source>文件过大</source>
        <translation>the file is too large</translation>
    </message>
    <message>
        <source>文件为空</source>
        <translation>the file is empty</translation>
    </message>
    <message>
        <source>内容不是有效的配置</source>
        <translation>its contents are not a valid profile</translation>
    </message>
</context>
<context>
    <name>FileItemWgt</name>
    <message>
        <source>配置操作</source>
        <translation>Profile actions</translation>
    </message>
    <message>
        <source>已损坏</source>
        <translation>Damaged</translation>
    </message>
    <message>
        <source>%1（已损坏）</source>
        <translation>%1 (damaged)</translation>
    </message>
    <message>
        <source>已损坏：%1</source>
        <translation>Damaged: %1</translation>
    </message>
</context>
<context>
    <name>DocumentFetch</name>
    <message>
        <source>更新服务器上的版本信息没有签名，为安全起见没有使用。</source>
        <translation>The version information on the update server is not signed; for safety it was not used.</translation>
    </message>
    <message>
        <source>版本信息不是用受信任的密钥签名的，为安全起见没有使用。</source>
        <translation>The version information was not signed with a trusted key; for safety it was not used.</translation>
    </message>
    <message>
        <source>版本信息的签名不正确，内容可能被篡改，为安全起见没有使用。</source>
        <translation>The signature of the version information is wrong and its content may have been tampered with; for safety it was not used.</translation>
    </message>
    <message>
        <source>版本信息的签名属于另一个文件，为安全起见没有使用。</source>
        <translation>The signature of the version information belongs to another file; for safety it was not used.</translation>
    </message>
    <message>
        <source>版本信息的签名没有有效的签名时间，为安全起见没有使用。</source>
        <translation>The signature of the version information has no valid signing time; for safety it was not used.</translation>
    </message>
    <message>
        <source>更新服务器返回的版本信息已过期，已忽略。</source>
        <translation>The version information from the update server has expired and was ignored.</translation>
    </message>
    <message>
        <source>更新服务器返回的版本信息比上次的旧，已忽略。</source>
        <translation>The version information from the update server is older than the last one received and was ignored.</translation>
    </message>
</context>
<context>
    <name>KeyboardConfigModel</name>
    <message>
        <source>键盘最多保存%1个宏。</source>
        <translation>The keyboard holds at most %1 macros.</translation>
    </message>
    <message>
        <source>键盘没有接受全部更改，界面显示的是键盘现在的设置：%1</source>
        <translation>The keyboard did not take every change; what is shown is what the keyboard holds now: %1</translation>
    </message>
    <message>
        <source>正在读取键盘的配置，这次更改没有发送，请稍后再试。</source>
        <translation>The keyboard's configuration is still being read; this change was not sent. Please try again in a moment.</translation>
    </message>
</context>
<context>
    <name>SettingsDialog</name>
    <message>
        <source>程序设置</source>
        <translation>Program settings</translation>
    </message>
    <message>
        <source>自动切换配置</source>
        <translation>Automatic profiles</translation>
    </message>
    <message>
        <source>应用程序</source>
        <translation>Application</translation>
    </message>
    <message>
        <source>配置文件</source>
        <translation>Profile</translation>
    </message>
    <message>
        <source>自动切换规则</source>
        <translation>Automatic profile rules</translation>
    </message>
    <message>
        <source>可执行文件名或窗口类名</source>
        <translation>Executable name or window class</translation>
    </message>
    <message>
        <source>添加规则</source>
        <translation>Add rule</translation>
    </message>
    <message>
        <source>删除规则</source>
        <translation>Remove rule</translation>
    </message>
    <message>
        <source>其他应用：</source>
        <translation>Other applications:</translation>
    </message>
    <message>
        <source>其他应用使用的配置</source>
        <translation>Profile for other applications</translation>
    </message>
    <message>
        <source>后台运行</source>
        <translation>Running in the background</translation>
    </message>
    <message>
        <source>随桌面会话启动</source>
        <translation>Start with the desktop session</translation>
    </message>
    <message>
        <source>有自动切换规则时，关闭主窗口后 Corvane 在系统托盘中继续运行，由托盘菜单退出。</source>
        <translation>With automatic profile rules, Corvane keeps running in the system tray after the main window is closed; quit it from the tray menu.</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>%1（配置不存在）</source>
        <translation>%1 (profile missing)</translation>
    </message>
    <message>
        <source>这个配置文件已不存在，规则被跳过。</source>
        <translation>This profile no longer exists; the rule is skipped.</translation>
    </message>
    <message>
        <source>保持当前配置</source>
        <translation>Keep the current profile</translation>
    </message>
    <message>
        <source>请填写应用程序的可执行文件名或窗口类名。</source>
        <translation>Enter the application's executable name or window class.</translation>
    </message>
    <message>
        <source>还没有配置文件：请先保存一个配置文件。</source>
        <translation>There are no profiles yet: save a profile first.</translation>
    </message>
    <message>
        <source>无法保存设置：%1 无法写入。</source>
        <translation>The settings were not saved: %1 cannot be written.</translation>
    </message>
    <message>
        <source>无法更改自动启动项：%1</source>
        <translation>The autostart entry could not be changed: %1</translation>
    </message>
    <message>
        <source>自动切换配置需要桌面告知前台应用：当前会话不提供这一信息（支持 X11、wlroots 合成器、KDE Plasma 与 GNOME Shell）。</source>
        <translation>Switching profiles automatically needs the desktop to tell which application is in front, and this session does not (X11, wlroots compositors, KDE Plasma and GNOME Shell do).</translation>
    </message>
    <message>
        <source>GNOME Shell 扩展“Corvane focus”未启用，自动切换配置不起作用。启用它：%1，然后重新登录。</source>
        <translation>The GNOME Shell extension "Corvane focus" is not enabled, so profiles do not switch automatically. Enable it with: %1, then log in again.</translation>
    </message>
    <message>
        <source>跟随前台应用：%1</source>
        <translation>Following the application in front: %1</translation>
    </message>
    <message>
        <source>离开该应用时恢复之前的配置</source>
        <translation>Go back to the previous profile when leaving the application</translation>
    </message>
    <message>
        <source>关闭 SOCD 与 RS 按键</source>
        <translation>Turn SOCD and RS keys off</translation>
    </message>
    <message>
        <source>该应用在前台时，配置不带 SOCD 与 RS 绑定应用到键盘；离开后恢复。</source>
        <translation>While this application is in front, the profile goes to the keyboard without its SOCD and RS bindings; they come back when it leaves.</translation>
    </message>
    <message>
        <source>前台应用变化时，键盘自动使用为该应用指定的配置文件。应用按可执行文件名、窗口类名或 app id 识别；“steam:应用编号”匹配 Steam 游戏，“title:文字”匹配标题中含该文字的窗口。</source>
        <translation>When the application in front changes, the keyboard uses the profile chosen for it. Applications are known by executable name, window class or app id; "steam:app id" matches a Steam game, "title:text" a window whose title holds the text.</translation>
    </message>
    <message>
        <source>离开后恢复之前的配置</source>
        <translation>back to the previous profile on leaving</translation>
    </message>
    <message>
        <source>（%1）</source>
        <translation> (%1)</translation>
    </message>
    <message>
        <source>，</source>
        <translation>, </translation>
    </message>
    <message>
        <source>前台应用变化时，键盘自动使用为该应用指定的配置文件。应用按可执行文件名或窗口类名识别。</source>
        <translation>When the application in front changes, the keyboard takes the profile chosen for it. Applications are recognised by their executable name or window class.</translation>
    </message>
    <message>
        <source>自动切换配置需要 X11 会话：当前会话不提供前台应用的信息。</source>
        <translation>Automatic profiles need an X11 session: this session does not tell which application is in front.</translation>
    </message>
</context>
<context>
    <name>KeyboardController</name>
    <message>
        <source>应用配置“%1”</source>
        <translation>Apply profile “%1”</translation>
    </message>
    <message>
        <source>回报率</source>
        <translation>Polling rate</translation>
    </message>
    <message>
        <source>切换到Win模式</source>
        <translation>Switch to Windows mode</translation>
    </message>
    <message>
        <source>切换到Mac模式</source>
        <translation>Switch to Mac mode</translation>
    </message>
    <message>
        <source>恢复快照</source>
        <translation>Restore a snapshot</translation>
    </message>
</context>
<context>
    <name>UpdateTrust</name>
    <message>
        <source>此版本未内置更新签名密钥，在线更新已关闭。</source>
        <translation>This build has no built-in update signing key, so online updates are turned off.</translation>
    </message>
</context>
<context>
    <name>Snapshot</name>
    <message>
        <source>固件升级前</source>
        <translation>Before a firmware update</translation>
    </message>
    <message>
        <source>恢复出厂设置前</source>
        <translation>Before a factory reset</translation>
    </message>
    <message>
        <source>导入并替换配置前</source>
        <translation>Before an import replaced a profile</translation>
    </message>
    <message>
        <source>切换 Win/Mac 模式前</source>
        <translation>Before a Win/Mac mode switch</translation>
    </message>
    <message>
        <source>外部应用配置前</source>
        <translation>Before a profile applied from outside</translation>
    </message>
    <message>
        <source>快照</source>
        <translation>Snapshot</translation>
    </message>
</context>
<context>
    <name>SnapshotListWindow</name>
    <message>
        <source>快照</source>
        <translation>Snapshots</translation>
    </message>
    <message>
        <source>固件升级、恢复出厂设置等操作之前，键盘的配置会自动保存为快照（每个键盘保留最近 %1 个）。恢复快照只发送与当前配置不同的部分，可以撤销。</source>
        <translation>Before a firmware update, a factory reset and similar steps, the keyboard's configuration is kept as a snapshot (the newest %1 of each keyboard). Restoring one sends only what differs from the keyboard now, and can be undone.</translation>
    </message>
    <message>
        <source>快照列表</source>
        <translation>Snapshot list</translation>
    </message>
    <message>
        <source>恢复所选快照</source>
        <translation>Restore the selected snapshot</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>这个键盘还没有快照</source>
        <translation>This keyboard has no snapshots yet</translation>
    </message>
</context>
<context>
    <name>LayerSheet</name>
    <message>
        <source>按住：%1，点按：%2</source>
        <translation>hold: %1, tap: %2</translation>
    </message>
    <message>
        <source>与 %1 互斥</source>
        <translation>last input wins against %1</translation>
    </message>
    <message>
        <source>按键</source>
        <translation>Key</translation>
    </message>
    <message>
        <source>类型</source>
        <translation>Kind</translation>
    </message>
    <message>
        <source>设置</source>
        <translation>Settings</translation>
    </message>
    <message>
        <source>Fn%1 层</source>
        <translation>Fn%1 layer</translation>
    </message>
    <message>
        <source>高级键</source>
        <translation>Advanced keys</translation>
    </message>
</context>
<context>
    <name>KeyTrace</name>
    <message>
        <source>%1：最大深度 %2 mm，触发 %3 次</source>
        <translation>%1: deepest %2 mm, actuated %3 times</translation>
    </message>
</context>
<context>
    <name>KeyTraceCsv</name>
    <message>
        <source>记录文件超过 %1 MB</source>
        <translation>The recording is larger than %1 MB</translation>
    </message>
    <message>
        <source>记录文件第 %1 行：%2</source>
        <translation>Recording, line %1: %2</translation>
    </message>
    <message>
        <source>行太长</source>
        <translation>line too long</translation>
    </message>
    <message>
        <source>不是行程记录（表头应为 time_ms,key,depth_um,state）</source>
        <translation>not a travel recording (the header must be time_ms,key,depth_um,state)</translation>
    </message>
    <message>
        <source>超过 %1 行</source>
        <translation>more than %1 lines</translation>
    </message>
    <message>
        <source>应有 4 个字段</source>
        <translation>expected 4 fields</translation>
    </message>
    <message>
        <source>时间无效</source>
        <translation>invalid time</translation>
    </message>
    <message>
        <source>按键名无效</source>
        <translation>invalid key name</translation>
    </message>
    <message>
        <source>深度无效</source>
        <translation>invalid depth</translation>
    </message>
    <message>
        <source>状态无效</source>
        <translation>invalid state</translation>
    </message>
    <message>
        <source>超过 %1 个按键</source>
        <translation>more than %1 keys</translation>
    </message>
    <message>
        <source>文件是空的</source>
        <translation>the file is empty</translation>
    </message>
</context>
<context>
    <name>TravelScopeWgt</name>
    <message>
        <source>行程曲线</source>
        <translation>Travel scope</translation>
    </message>
    <message>
        <source>没有按键</source>
        <translation>No keys</translation>
    </message>
    <message>
        <source>实时，暂停后显示摘要</source>
        <translation>Live; pause to get a summary</translation>
    </message>
    <message>
        <source>已触发</source>
        <translation>actuated</translation>
    </message>
    <message>
        <source>未触发</source>
        <translation>not actuated</translation>
    </message>
    <message>
        <source>%1：%2 ms，%3 mm，%4（状态 %5）</source>
        <translation>%1: %2 ms, %3 mm, %4 (state %5)</translation>
    </message>
    <message>
        <source>死区</source>
        <translation>Dead zone</translation>
    </message>
    <message>
        <source>（无设置）</source>
        <translation>(no settings)</translation>
    </message>
    <message>
        <source>在键盘上选择 1 到 4 个按键</source>
        <translation>Select 1 to 4 keys on the keyboard</translation>
    </message>
</context>
<context>
    <name>TravelScopeWindow</name>
    <message>
        <source>记录到</source>
        <translation>Record to</translation>
    </message>
    <message>
        <source>CSV 文件 (*.csv)</source>
        <translation>CSV files (*.csv)</translation>
    </message>
    <message>
        <source>打开记录</source>
        <translation>Open recording</translation>
    </message>
    <message>
        <source>保存图片</source>
        <translation>Save picture</translation>
    </message>
    <message>
        <source>PNG 图片 (*.png)</source>
        <translation>PNG pictures (*.png)</translation>
    </message>
    <message>
        <source>行程曲线</source>
        <translation>Travel scope</translation>
    </message>
    <message>
        <source>继续</source>
        <translation>Resume</translation>
    </message>
    <message>
        <source>暂停</source>
        <translation>Pause</translation>
    </message>
    <message>
        <source>停止记录</source>
        <translation>Stop recording</translation>
    </message>
    <message>
        <source>记录</source>
        <translation>Record</translation>
    </message>
    <message>
        <source>把曲线上的数据（时间、按键、深度、状态）写入您指定的 CSV 文件。按键数据就是一份击键记录，可能包含您输入的密码，请妥善保管该文件。</source>
        <translation>Writes what the scope shows (time, key, depth, state) to a CSV file you name. A key stream is a keystroke log and may contain passwords you type: keep the file safe.</translation>
    </message>
    <message>
        <source>回放一个记录的 CSV 文件，无需连接键盘</source>
        <translation>Plays back a recorded CSV file, without a keyboard</translation>
    </message>
    <message>
        <source>把曲线保存为 PNG 图片</source>
        <translation>Saves the plot as a PNG picture</translation>
    </message>
    <message>
        <source>在键盘上选择 1 到 4 个按键。虚线：触发点；点线：快速触发的触发与重置位置；斜线区：死区；实心三角：键盘报告触发；空心圆：键盘报告释放。</source>
        <translation>Select 1 to 4 keys on the keyboard. Dashed: actuation point; dotted: where rapid trigger actuates and resets; hatched: dead zones; filled triangle: the keyboard reported an actuation; open circle: it reported a release.</translation>
    </message>
    <message>
        <source>曲线摘要</source>
        <translation>Scope summary</translation>
    </message>
    <message>
        <source>记录中按键变化：新的按键从此刻起记录</source>
        <translation>Keys changed while recording: the new keys are recorded from now on</translation>
    </message>
    <message>
        <source>无法写入记录文件：%1</source>
        <translation>Cannot write the recording: %1</translation>
    </message>
    <message>
        <source>记录已达 %1 行上限，已停止并保存到 %2</source>
        <translation>The recording reached its limit of %1 lines; it stopped and was saved to %2</translation>
    </message>
    <message>
        <source>无法创建记录文件 %1：%2</source>
        <translation>Cannot create the recording %1: %2</translation>
    </message>
    <message>
        <source>正在记录到 %1</source>
        <translation>Recording to %1</translation>
    </message>
    <message>
        <source>记录未保存：%1</source>
        <translation>The recording was not saved: %1</translation>
    </message>
    <message>
        <source>已记录 %1 行到 %2</source>
        <translation>Recorded %1 lines to %2</translation>
    </message>
    <message>
        <source>无法打开记录 %1：%2</source>
        <translation>Cannot open the recording %1: %2</translation>
    </message>
    <message>
        <source>无法打开记录 %1：文件超过 %2 MB</source>
        <translation>Cannot open the recording %1: the file is larger than %2 MB</translation>
    </message>
    <message>
        <source>正在回放 %1，点击“继续”回到实时曲线</source>
        <translation>Playing back %1; click “Resume” to return to the live scope</translation>
    </message>
    <message>
        <source>图片已保存到 %1</source>
        <translation>Picture saved to %1</translation>
    </message>
    <message>
        <source>无法保存图片 %1：%2</source>
        <translation>Cannot save the picture %1: %2</translation>
    </message>
</context>
</TS>
