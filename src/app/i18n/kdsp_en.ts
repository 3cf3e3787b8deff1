<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="zh_CN">
<context>
    <name>kdsp</name>
    <message>
        <source>提示</source>
        <translation>Confirm</translation>
    </message>
    <message>
        <source>5段混响EQ</source>
        <translation>5-band reverb EQ</translation>
    </message>
    <message>
        <source>5段回声EQ</source>
        <translation>5-band echo EQ</translation>
    </message>
    <message>
        <source>9段EQ</source>
        <translation>9-band EQ</translation>
    </message>
    <message>
        <source>15段EQ</source>
        <translation>15-band EQ</translation>
    </message>
    <message>
        <source>断开</source>
        <translation>Disconnect</translation>
    </message>
    <message>
        <source>联机</source>
        <translation>Connect</translation>
    </message>
    <message>
        <source>频率</source>
        <translation>Frequency</translation>
    </message>
    <message>
        <source>增益</source>
        <translation>Gain</translation>
    </message>
    <message>
        <source>Q值</source>
        <translation>Q</translation>
    </message>
    <message>
        <source>旧密码：</source>
        <translation>Old password:</translation>
    </message>
    <message>
        <source>新密码输入：</source>
        <translation>New password:</translation>
    </message>
    <message>
        <source>新密码确定：</source>
        <translation>Confirm new:</translation>
    </message>
    <message>
        <source>输入解锁密码：</source>
        <translation>Unlock password:</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>系统密码</source>
        <translation>System password</translation>
    </message>
    <message>
        <source>系统密码：</source>
        <translation>Password:</translation>
    </message>
    <message>
        <source>系统密码修改</source>
        <translation>Change system password</translation>
    </message>
    <message>
        <source>自动键盘锁密码修改</source>
        <translation>Change panel lock password</translation>
    </message>
    <message>
        <source>解锁成功</source>
        <translation>Unlocked</translation>
    </message>
    <message>
        <source>密码错误!</source>
        <translation>Wrong password!</translation>
    </message>
    <message>
        <source>密码不一致!</source>
        <translation>Passwords do not match!</translation>
    </message>
    <message>
        <source>设备模式管理</source>
        <translation>Device modes</translation>
    </message>
    <message>
        <source>模式名称：</source>
        <translation>Mode name:</translation>
    </message>
    <message>
        <source>调用设备模式</source>
        <translation>Recall mode</translation>
    </message>
    <message>
        <source>保存设备模式</source>
        <translation>Save mode</translation>
    </message>
    <message>
        <source>模式切换为%1?</source>
        <translation>Switch to mode %1?</translation>
    </message>
    <message>
        <source>用户模式无法执行保存操作!</source>
        <translation>Saving needs manager mode!</translation>
    </message>
    <message>
        <source>串口 %1 无权限。Linux 上使用串口需要加入 dialout 组：sudo usermod -aG dialout $USER，然后重新登录。</source>
        <translation>Permission denied on %1. Serial ports on Linux need membership of the dialout group: sudo usermod -aG dialout $USER, then log in again.</translation>
    </message>
    <message>
        <source>设备只有 %1 个存储模式，无法保存为模式 %2!</source>
        <translation>The processor has only %1 stored modes; mode %2 cannot be saved!</translation>
    </message>
    <message>
        <source>设备只有 %1 个存储模式，无法调用模式 %2!</source>
        <translation>The processor has only %1 stored modes; mode %2 cannot be recalled!</translation>
    </message>
    <message>
        <source>保存当前模式为 %1-%2?</source>
        <translation>Save the current settings as mode %1-%2?</translation>
    </message>
    <message>
        <source>（当前模式：%1 ）</source>
        <translation>(Current mode: %1)</translation>
    </message>
    <message>
        <source>类型</source>
        <translation>Type</translation>
    </message>
    <message>
        <source>回声</source>
        <translation>Echo</translation>
    </message>
    <message>
        <source>效果电平</source>
        <translation>Effect level</translation>
    </message>
    <message>
        <source>直达电平</source>
        <translation>Direct level</translation>
    </message>
    <message>
        <source>低切频率</source>
        <translation>Low cut</translation>
    </message>
    <message>
        <source>高切频率</source>
        <translation>High cut</translation>
    </message>
    <message>
        <source>预延时</source>
        <translation>Pre-delay</translation>
    </message>
    <message>
        <source>延时时间</source>
        <translation>Delay</translation>
    </message>
    <message>
        <source>反馈次数</source>
        <translation>Feedback</translation>
    </message>
    <message>
        <source>混响时间</source>
        <translation>Reverb time</translation>
    </message>
    <message>
        <source>混响预延</source>
        <translation>Reverb pre-delay</translation>
    </message>
    <message>
        <source>回声模式</source>
        <translation>Echo mode</translation>
    </message>
    <message>
        <source>单声道</source>
        <translation>Mono</translation>
    </message>
    <message>
        <source>立体声</source>
        <translation>Stereo</translation>
    </message>
    <message>
        <source>混响</source>
        <translation>Reverb</translation>
    </message>
    <message>
        <source>音乐电平</source>
        <translation>Music level</translation>
    </message>
    <message>
        <source>音乐低切</source>
        <translation>Music low cut</translation>
    </message>
    <message>
        <source>音乐高切</source>
        <translation>Music high cut</translation>
    </message>
    <message>
        <source>高音衰减</source>
        <translation>Treble damping</translation>
    </message>
    <message>
        <source>低音衰减</source>
        <translation>Bass damping</translation>
    </message>
    <message>
        <source>回声EQ</source>
        <translation>Echo EQ</translation>
    </message>
    <message>
        <source>混响EQ</source>
        <translation>Reverb EQ</translation>
    </message>
    <message>
        <source>切换语言</source>
        <translation>Switch language</translation>
    </message>
    <message>
        <source>音乐</source>
        <translation>Music</translation>
    </message>
    <message>
        <source>麦克风</source>
        <translation>Mic</translation>
    </message>
    <message>
        <source>效果</source>
        <translation>Effects</translation>
    </message>
    <message>
        <source>主输出</source>
        <translation>Main</translation>
    </message>
    <message>
        <source>辅助输出1</source>
        <translation>Aux 1</translation>
    </message>
    <message>
        <source>辅助输出2</source>
        <translation>Aux 2</translation>
    </message>
    <message>
        <source>后置输出</source>
        <translation>Rear</translation>
    </message>
    <message>
        <source>系统</source>
        <translation>System</translation>
    </message>
    <message>
        <source>话筒</source>
        <translation>Mic</translation>
    </message>
    <message>
        <source>设备未连接</source>
        <translation>Off Line</translation>
    </message>
    <message>
        <source>设备搜索...</source>
        <translation>Searching...</translation>
    </message>
    <message>
        <source>连接中...</source>
        <translation>Linking...</translation>
    </message>
    <message>
        <source>设备已连接</source>
        <translation>Online</translation>
    </message>
    <message>
        <source>加载中...</source>
        <translation>Loading...</translation>
    </message>
    <message>
        <source>保存中...</source>
        <translation>Saving...</translation>
    </message>
    <message>
        <source>下载数据...</source>
        <translation>Uploading...</translation>
    </message>
    <message>
        <source>校验中...</source>
        <translation>Verifying...</translation>
    </message>
    <message>
        <source>重新连接中...</source>
        <translation>Reconnecting...</translation>
    </message>
    <message>
        <source>保存成功!</source>
        <translation>Save Success!</translation>
    </message>
    <message>
        <source>保存失败!</source>
        <translation>Save Failed!</translation>
    </message>
    <message>
        <source>已断开连接!</source>
        <translation>Off Line!</translation>
    </message>
    <message>
        <source>连接失败!</source>
        <translation>Off Line!</translation>
    </message>
    <message>
        <source>网络地址</source>
        <translation>Network address</translation>
    </message>
    <message>
        <source>端口</source>
        <translation>Port</translation>
    </message>
    <message>
        <source>导入EQ…</source>
        <translation>Import EQ…</translation>
    </message>
    <message>
        <source>导出EQ…</source>
        <translation>Export EQ…</translation>
    </message>
    <message>
        <source>导入EQ</source>
        <translation>Import EQ</translation>
    </message>
    <message>
        <source>导出EQ</source>
        <translation>Export EQ</translation>
    </message>
    <message>
        <source>REW 滤波器设置 (*.txt)</source>
        <translation>REW filter settings (*.txt)</translation>
    </message>
    <message>
        <source>Equalizer APO 配置 (*.txt)</source>
        <translation>Equalizer APO configuration (*.txt)</translation>
    </message>
    <message>
        <source>所有文件 (*)</source>
        <translation>All files (*)</translation>
    </message>
    <message>
        <source>此页面的EQ不能导入或导出滤波器列表。</source>
        <translation>The EQ of this page takes no filter list.</translation>
    </message>
    <message>
        <source>请先切换到手动模式。</source>
        <translation>Switch to manual mode first.</translation>
    </message>
    <message>
        <source>将设置以下频段:</source>
        <translation>These bands will be set:</translation>
    </message>
    <message>
        <source>频段%1: %2 (第%3行)</source>
        <translation>Band %1: %2 (line %3)</translation>
    </message>
    <message>
        <source>频段%1: 平直</source>
        <translation>Band %1: flat</translation>
    </message>
    <message>
        <source>高通: %1 (第%2行)</source>
        <translation>High-pass: %1 (line %2)</translation>
    </message>
    <message>
        <source>低通: %1 (第%2行)</source>
        <translation>Low-pass: %1 (line %2)</translation>
    </message>
    <message>
        <source>未采用(影响较小): 第%1行</source>
        <translation>Left out (smaller effect): line %1</translation>
    </message>
    <message>
        <source>不能采用: 第%1行: %2</source>
        <translation>Not taken: line %1: %2</translation>
    </message>
    <message>
        <source>前级增益 %1 dB: 未应用(本机没有以dB设置的电平)</source>
        <translation>Preamp %1 dB: not applied (no level of the processor is set in dB)</translation>
    </message>
    <message>
        <source>与文件的偏差(20 Hz - 20 kHz): 最大 %1 dB (在 %2 Hz), 平均 %3 dB</source>
        <translation>Deviation from the file (20 Hz - 20 kHz): largest %1 dB (at %2 Hz), mean %3 dB</translation>
    </message>
    <message>
        <source>现在发送吗?</source>
        <translation>Send now?</translation>
    </message>
    <message>
        <source>无法读取文件: %1</source>
        <translation>Cannot read the file: %1</translation>
    </message>
    <message>
        <source>不能导入此文件: %1</source>
        <translation>This file cannot be imported: %1</translation>
    </message>
    <message>
        <source>无法写入文件: %1</source>
        <translation>Cannot write the file: %1</translation>
    </message>
    <message>
        <source>EQ重置</source>
        <translation>Reset EQ</translation>
    </message>
    <message>
        <source>工作模式</source>
        <translation>Operating mode</translation>
    </message>
    <message>
        <source>自动</source>
        <translation>Auto</translation>
    </message>
    <message>
        <source>手动</source>
        <translation>Manual</translation>
    </message>
    <message>
        <source>唱歌</source>
        <translation>Sing</translation>
    </message>
    <message>
        <source>舞蹈</source>
        <translation>Dance</translation>
    </message>
    <message>
        <source>10段音乐EQ</source>
        <translation>10-band music EQ</translation>
    </message>
    <message>
        <source>反馈抑制</source>
        <translation>Anti-feedback</translation>
    </message>
    <message>
        <source>噪声门限</source>
        <translation>Noise gate</translation>
    </message>
    <message>
        <source>麦克风A组</source>
        <translation>Mic group A</translation>
    </message>
    <message>
        <source>麦克风B组</source>
        <translation>Mic group B</translation>
    </message>
    <message>
        <source>频段</source>
        <translation>Bands</translation>
    </message>
    <message>
        <source>混音</source>
        <translation>Mix</translation>
    </message>
    <message>
        <source>延时与静音</source>
        <translation>Delay and mute</translation>
    </message>
    <message>
        <source>左延时</source>
        <translation>Left delay</translation>
    </message>
    <message>
        <source>右延时</source>
        <translation>Right delay</translation>
    </message>
    <message>
        <source>左通道静音</source>
        <translation>Mute left</translation>
    </message>
    <message>
        <source>右通道静音</source>
        <translation>Mute right</translation>
    </message>
    <message>
        <source>音色</source>
        <translation>Tone</translation>
    </message>
    <message>
        <source>标准</source>
        <translation>Standard</translation>
    </message>
    <message>
        <source>低音增强</source>
        <translation>Bass boost</translation>
    </message>
    <message>
        <source>延时</source>
        <translation>Delay</translation>
    </message>
    <message>
        <source>静 音</source>
        <translation>Mute</translation>
    </message>
    <message>
        <source>分频器</source>
        <translation>Crossover</translation>
    </message>
    <message>
        <source>高通类型</source>
        <translation>High-pass type</translation>
    </message>
    <message>
        <source>高通频率</source>
        <translation>High-pass</translation>
    </message>
    <message>
        <source>高通Q值</source>
        <translation>High-pass Q</translation>
    </message>
    <message>
        <source>低通类型</source>
        <translation>Low-pass type</translation>
    </message>
    <message>
        <source>低通频率</source>
        <translation>Low-pass</translation>
    </message>
    <message>
        <source>低通Q值</source>
        <translation>Low-pass Q</translation>
    </message>
    <message>
        <source>压限器</source>
        <translation>Limiter</translation>
    </message>
    <message>
        <source>启动时间</source>
        <translation>Attack</translation>
    </message>
    <message>
        <source>释放时间</source>
        <translation>Release</translation>
    </message>
    <message>
        <source>门限电平</source>
        <translation>Threshold</translation>
    </message>
    <message>
        <source>压缩比</source>
        <translation>Ratio</translation>
    </message>
    <message>
        <source>响应</source>
        <translation>Response</translation>
    </message>
    <message>
        <source>快</source>
        <translation>Fast</translation>
    </message>
    <message>
        <source>中</source>
        <translation>Mid</translation>
    </message>
    <message>
        <source>慢</source>
        <translation>Slow</translation>
    </message>
    <message>
        <source>7段EQ</source>
        <translation>7-band EQ</translation>
    </message>
    <message>
        <source>音量限制</source>
        <translation>Volume limits</translation>
    </message>
    <message>
        <source>音乐开机音量</source>
        <translation>Music at power-on</translation>
    </message>
    <message>
        <source>音乐最大音量</source>
        <translation>Music maximum</translation>
    </message>
    <message>
        <source>话筒开机音量</source>
        <translation>Mic at power-on</translation>
    </message>
    <message>
        <source>话筒最大音量</source>
        <translation>Mic maximum</translation>
    </message>
    <message>
        <source>效果开机音量</source>
        <translation>Effects at power-on</translation>
    </message>
    <message>
        <source>效果最大音量</source>
        <translation>Effects maximum</translation>
    </message>
    <message>
        <source>音乐输入</source>
        <translation>Music input</translation>
    </message>
    <message>
        <source>输入选择</source>
        <translation>Input</translation>
    </message>
    <message>
        <source>输入1</source>
        <translation>Input 1</translation>
    </message>
    <message>
        <source>输入2</source>
        <translation>Input 2</translation>
    </message>
    <message>
        <source>输入3</source>
        <translation>Input 3</translation>
    </message>
    <message>
        <source>输入电平</source>
        <translation>Input level</translation>
    </message>
    <message>
        <source>输入增益</source>
        <translation>Input gain</translation>
    </message>
    <message>
        <source>模式</source>
        <translation>Modes</translation>
    </message>
    <message>
        <source>当前模式</source>
        <translation>Current mode</translation>
    </message>
    <message>
        <source>用户模式</source>
        <translation>User mode</translation>
    </message>
    <message>
        <source>用户</source>
        <translation>User</translation>
    </message>
    <message>
        <source>管理员</source>
        <translation>Manager</translation>
    </message>
    <message>
        <source>面板自动锁</source>
        <translation>Panel auto lock</translation>
    </message>
    <message>
        <source>禁用</source>
        <translation>Off</translation>
    </message>
    <message>
        <source>开启</source>
        <translation>On</translation>
    </message>
    <message>
        <source>红外遥控</source>
        <translation>IR remote</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>Off</translation>
    </message>
    <message>
        <source>预设</source>
        <translation>Presets</translation>
    </message>
    <message>
        <source>动态EQ %1</source>
        <translation>Dynamic EQ %1</translation>
    </message>
    <message>
        <source>动态</source>
        <translation>Dynamic</translation>
    </message>
    <message>
        <source>动态EQ复位</source>
        <translation>Reset DEQ</translation>
    </message>
    <message>
        <source>数据备份</source>
        <translation>Presets</translation>
    </message>
    <message>
        <source>密码</source>
        <translation>Password</translation>
    </message>
    <message>
        <source>电脑数据备份管理</source>
        <translation>Presets on this PC</translation>
    </message>
    <message>
        <source>      序号</source>
        <translation>No.</translation>
    </message>
    <message>
        <source>                   （电脑）数据名称</source>
        <translation>Preset name (PC)</translation>
    </message>
    <message>
        <source>备份文件名称：</source>
        <translation>Preset name:</translation>
    </message>
    <message>
        <source>保存数据到电脑</source>
        <translation>Save to PC</translation>
    </message>
    <message>
        <source>上传数据到设备</source>
        <translation>Send to device</translation>
    </message>
    <message>
        <source>*系统提示*</source>
        <translation>*System*</translation>
    </message>
    <message>
        <source>文件已存在,覆盖它吗?</source>
        <translation>The file exists. Overwrite it?</translation>
    </message>
    <message>
        <source>加载模式：%1 ?</source>
        <translation>Load preset: %1 ?</translation>
    </message>
    <message>
        <source>设备状态</source>
        <translation>Device status</translation>
    </message>
    <message>
        <source>请稍等,可能需要几秒钟才能完成操作！</source>
        <translation>Please wait, this can take a few seconds!</translation>
    </message>
    <message>
        <source>EQ pass</source>
        <translation>Bypass</translation>
    </message>
    <message>
        <source>恢复上次备份</source>
        <translation>Restore last backup</translation>
    </message>
    <message>
        <source>上传校验失败：%1</source>
        <translation>Upload check failed: %1</translation>
    </message>
    <message>
        <source>设备确认了上传，但回读的数据与文件不同：
%1

重新上传吗?</source>
        <translation>The processor acknowledged the upload, but what was read back differs from the file:
%1

Upload again?</translation>
    </message>
    <message>
        <source>没有用户数据文件夹，无法备份设备数据</source>
        <translation>No user data folder: the processor&apos;s settings cannot be backed up</translation>
    </message>
    <message>
        <source>备份文件夹：%1</source>
        <translation>Backups: %1</translation>
    </message>
    <message>
        <source>未备份：尚未读取设备数据</source>
        <translation>No backup: the processor has not been read yet</translation>
    </message>
    <message>
        <source>已备份：%1</source>
        <translation>Backed up: %1</translation>
    </message>
    <message>
        <source>未备份：%1</source>
        <translation>No backup: %1</translation>
    </message>
    <message>
        <source>无法备份设备当前的数据：
%1

仍然覆盖设备的数据吗?</source>
        <translation>The processor&apos;s current settings could not be backed up:
%1

Overwrite them anyway?</translation>
    </message>
    <message>
        <source>设备未连接：无法确定要恢复哪台设备的备份。</source>
        <translation>No processor connected: there is no telling whose backup to restore.</translation>
    </message>
    <message>
        <source>没有这台设备（%1）的备份：%2</source>
        <translation>No backup of this processor (%1) in %2</translation>
    </message>
    <message>
        <source>把 %1 的备份上传到设备吗?
%2</source>
        <translation>Upload the backup made %1 to the processor?
%2</translation>
    </message>
    <message>
        <source>……另有 %1 项</source>
        <translation>... and %1 more</translation>
    </message>
    <message>
        <source>离线修改：%1</source>
        <translation>Offline edits: %1</translation>
    </message>
    <message numerus="yes">
        <source>离线期间修改了 %n 项设置：
%1

把这些修改发送到设备吗？不发送则放弃这些修改，保留设备上的设置。</source>
        <translation>
            <numerusform>%n setting was changed while offline:
%1

Send this change to the processor? If not, it is dropped and the processor&apos;s setting is kept.</numerusform>
            <numerusform>%n settings were changed while offline:
%1

Send these changes to the processor? If not, they are dropped and the processor&apos;s settings are kept.</numerusform>
        </translation>
    </message>
    <message>
        <source>第%1段</source>
        <translation>Band %1</translation>
    </message>
    <message>
        <source>下列修改属于设备当前不在的唱歌/舞蹈模式，未发送：
%1</source>
        <translation>These changes belong to the sing/dance mode the processor is not in now; they were not sent:
%1</translation>
    </message>
    <message>
        <source>撤销</source>
        <translation>Undo</translation>
    </message>
    <message>
        <source>撤销 (Ctrl+Z)</source>
        <translation>Undo (Ctrl+Z)</translation>
    </message>
    <message>
        <source>重做</source>
        <translation>Redo</translation>
    </message>
    <message>
        <source>重做 (Ctrl+Shift+Z, Ctrl+Y)</source>
        <translation>Redo (Ctrl+Shift+Z, Ctrl+Y)</translation>
    </message>
    <message>
        <source>网络</source>
        <translation>Network</translation>
    </message>
    <message>
        <source>Besell 24dB</source>
        <translation>Bessel 24dB</translation>
    </message>
    <message>
        <source>Link Riley 24dB</source>
        <translation>Linkwitz-Riley 24dB</translation>
    </message>
    <message>
        <source>密码修改成功!</source>
        <translation>Password changed!</translation>
    </message>
    <message>
        <source>上传前设备的数据没有备份。</source>
        <translation>The processor&apos;s settings from before the upload were not backed up.</translation>
    </message>
    <message>
        <source>上传前设备的数据已备份在：
%1</source>
        <translation>The processor&apos;s settings from before the upload are kept in:
%1</translation>
    </message>
    <message>
        <source>正在上传数据到设备。现在关闭，设备只更新了一部分。
%1

等待上传完成后再关闭窗口吗?</source>
        <translation>The upload to the processor is still running. Closed now, the processor is only partly updated.
%1

Wait for the upload to finish and close the window then?</translation>
    </message>
    <message>
        <source>设备已收到全部数据，正在回读校验。现在关闭，上传不会被校验。
%1

等待校验完成后再关闭窗口吗?</source>
        <translation>The processor has taken the whole upload; it is being read back. Closed now, the upload is not checked.
%1

Wait for the check to finish and close the window then?</translation>
    </message>
    <message>
        <source>完成后关闭</source>
        <translation>Close when done</translation>
    </message>
    <message>
        <source>立即关闭</source>
        <translation>Close now</translation>
    </message>
    <message>
        <source>设备确认了上传，但回读的数据与文件不同：
%1</source>
        <translation>The processor acknowledged the upload, but what was read back differs from the file:
%1</translation>
    </message>
    <message>
        <source>%1 还没有存入设置</source>
        <translation>Nothing has been stored in %1 yet</translation>
    </message>
    <message>
        <source>保存</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>保存预设 (Ctrl+S)</source>
        <translation>Save the preset (Ctrl+S)</translation>
    </message>
    <message>
        <source>保留设备的设置</source>
        <translation>Keep the processor&apos;s settings</translation>
    </message>
    <message>
        <source>全部采用（所显示的）</source>
        <translation>Take all shown</translation>
    </message>
    <message>
        <source>全部页</source>
        <translation>All pages</translation>
    </message>
    <message>
        <source>切换到%1（右键：存入、载入预设、退出A/B）</source>
        <translation>Switch to %1 (right-click: store, load a preset, leave A/B)</translation>
    </message>
    <message>
        <source>列出两组设置之间不同的参数</source>
        <translation>List the parameters two sets of settings hold differently</translation>
    </message>
    <message>
        <source>参数</source>
        <translation>Parameter</translation>
    </message>
    <message>
        <source>发送预设</source>
        <translation>Send the preset</translation>
    </message>
    <message>
        <source>另存…</source>
        <translation>Save as…</translation>
    </message>
    <message>
        <source>在A与B之间切换 (F9)</source>
        <translation>Switch between A and B (F9)</translation>
    </message>
    <message>
        <source>在A与B之间切换 (F9)
另一唱歌/舞蹈模式中有 %1 项不同，未发送</source>
        <translation>Switch between A and B (F9)
%1 differing settings of the other sing/dance mode were not sent</translation>
    </message>
    <message>
        <source>存入当前设置</source>
        <translation>Store the current settings</translation>
    </message>
    <message>
        <source>对比</source>
        <translation>against</translation>
    </message>
    <message>
        <source>对比…</source>
        <translation>Compare…</translation>
    </message>
    <message>
        <source>对比设置</source>
        <translation>Compare settings</translation>
    </message>
    <message>
        <source>当前设置</source>
        <translation>Current settings</translation>
    </message>
    <message>
        <source>打开…</source>
        <translation>Open…</translation>
    </message>
    <message>
        <source>打开预设</source>
        <translation>Open preset</translation>
    </message>
    <message>
        <source>打开预设文件离线编辑</source>
        <translation>Open a preset file to edit it offline</translation>
    </message>
    <message>
        <source>把当前设置存为%1（右键：载入预设）</source>
        <translation>Store the current settings as %1 (right-click: load a preset)</translation>
    </message>
    <message>
        <source>按名称或数值筛选</source>
        <translation>Filter by name or value</translation>
    </message>
    <message>
        <source>无法保存预设：
%1</source>
        <translation>The preset could not be saved:
%1</translation>
    </message>
    <message>
        <source>最近的备份</source>
        <translation>Last backup</translation>
    </message>
    <message>
        <source>浏览…</source>
        <translation>Browse…</translation>
    </message>
    <message>
        <source>第一组</source>
        <translation>First</translation>
    </message>
    <message>
        <source>第二组</source>
        <translation>Second</translation>
    </message>
    <message>
        <source>继续离线编辑</source>
        <translation>Go on editing offline</translation>
    </message>
    <message>
        <source>设备已连接：请先断开设备再打开预设离线编辑，或用“上传数据到设备”发送预设。</source>
        <translation>A processor is connected: disconnect it before opening a preset to edit offline, or send the preset with &quot;Upload to device&quot;.</translation>
    </message>
    <message>
        <source>请选择预设文件</source>
        <translation>Choose a preset file</translation>
    </message>
    <message>
        <source>载入预设文件…</source>
        <translation>Load a preset file…</translation>
    </message>
    <message>
        <source>这台设备还没有备份</source>
        <translation>No backup of this processor yet</translation>
    </message>
    <message>
        <source>退出A/B（保留当前设置）</source>
        <translation>Leave A/B (keep the current settings)</translation>
    </message>
    <message>
        <source>采用此值</source>
        <translation>Take this value</translation>
    </message>
    <message>
        <source>页</source>
        <translation>Page</translation>
    </message>
    <message>
        <source>预设另存为</source>
        <translation>Save preset as</translation>
    </message>
    <message>
        <source>预设文件</source>
        <translation>Preset file</translation>
    </message>
    <message>
        <source>预设文件 (*.Nddt *.nddt)</source>
        <translation>Preset files (*.Nddt *.nddt)</translation>
    </message>
    <message>
        <source>预设文件的路径</source>
        <translation>Path of the preset file</translation>
    </message>
    <message numerus="yes">
        <source>%n 项不同</source>
        <translation>
            <numerusform>%n difference</numerusform>
            <numerusform>%n differences</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>设备的设置与预设“%1”有 %n 项不同（设备 → 预设）：
%2

把编辑的预设发送到设备，保留设备的设置（关闭预设），还是断开设备继续离线编辑预设？</source>
        <translation>
            <numerusform>The processor&apos;s settings differ from the preset &quot;%1&quot; in %n setting (processor → preset):
%2

Send the edited preset to the processor, keep the processor&apos;s settings (closing the preset), or disconnect and go on editing the preset offline?</numerusform>
            <numerusform>The processor&apos;s settings differ from the preset &quot;%1&quot; in %n settings (processor → preset):
%2

Send the edited preset to the processor, keep the processor&apos;s settings (closing the preset), or disconnect and go on editing the preset offline?</numerusform>
        </translation>
    </message>
</context>
</TS>
