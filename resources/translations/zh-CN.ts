<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>AboutView</name>
    <message>
        <source>About</source>
        <translation>关于</translation>
    </message>
    <message>
        <source>Quellin</source>
        <translation>Quellin</translation>
    </message>
    <message>
        <source>Quellin developers</source>
        <translation>Quellin 开发者</translation>
    </message>
    <message>
        <source>Support: </source>
        <translation>支持：</translation>
    </message>
    <message>
        <source>Version:</source>
        <translation>版本：</translation>
    </message>
    <message>
        <source>Association</source>
        <translation>文件关联</translation>
    </message>
    <message>
        <source>Copyright © 2025 Quellin developers. All rights reserved.</source>
        <translation>版权所有 © 2025 Quellin 开发者。保留所有权利。</translation>
    </message>
    <message>
        <source>User guide</source>
        <translation>用户指南</translation>
    </message>
</context>
<context>
    <name>DataNotices</name>
    <message>
        <source>The settings database was damaged (%1). Quellin starts with default settings. The old file is kept as:
%2</source>
        <translation>设置数据库已损坏（%1）。Quellin 将使用默认设置启动。旧文件保留为：
%2</translation>
    </message>
    <message>
        <source>The playlists database was damaged (%1). Quellin starts without playlists. The old file is kept as:
%2</source>
        <translation>播放列表数据库已损坏（%1）。Quellin 将在没有播放列表的情况下启动。旧文件保留为：
%2</translation>
    </message>
    <message>
        <source>Quellin cannot prepare its data folder and will close.

Folder: %1
Reason: %2</source>
        <translation>Quellin 无法准备其数据文件夹，即将关闭。

文件夹：%1
原因：%2</translation>
    </message>
    <message>
        <source>Settings cannot be saved (%1). Changes made now last only until Quellin closes.</source>
        <translation>无法保存设置（%1）。现在所做的更改仅在 Quellin 关闭前有效。</translation>
    </message>
</context>
<context>
    <name>DatabaseCheck</name>
    <message>
        <source>the table %1 is missing</source>
        <translation>缺少数据表 %1</translation>
    </message>
</context>
<context>
    <name>DatabaseRegistry</name>
    <message>
        <source>%1 is not a folder</source>
        <translation>%1 不是文件夹</translation>
    </message>
    <message>
        <source>%1 is not writable</source>
        <translation>%1 不可写</translation>
    </message>
    <message>
        <source>the folder cannot be created</source>
        <translation>无法创建该文件夹</translation>
    </message>
    <message>
        <source>the template %1 is missing</source>
        <translation>模板 %1 缺失</translation>
    </message>
    <message>
        <source>%1 is damaged (%2) and cannot be set aside: %3</source>
        <translation>%1 已损坏（%2），且无法移到一旁：%3</translation>
    </message>
    <message>
        <source>the template %1 is not usable (%2)</source>
        <translation>模板 %1 不可用（%2）</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>Quellin</source>
        <translation>Quellin</translation>
    </message>
    <message>
        <source>Please add tracks to export by double-clicking.</source>
        <translation>请双击曲目将其加入导出列表。</translation>
    </message>
    <message>
        <source>Select Export Folder</source>
        <translation>选择导出文件夹</translation>
    </message>
    <message>
        <source>Export Music</source>
        <translation>导出音乐</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>取消</translation>
    </message>
    <message>
        <source>The playlist could not be written.</source>
        <translation>无法写入播放列表。</translation>
    </message>
    <message>
        <source>The ffmpeg program was not found. It was looked for in %1 and on the PATH.</source>
        <translation>找不到 ffmpeg 程序。已在 %1 和 PATH 中查找。</translation>
    </message>
    <message>
        <source>Play</source>
        <translation>播放</translation>
    </message>
    <message>
        <source>Pause</source>
        <translation>暂停</translation>
    </message>
    <message>
        <source>Previous</source>
        <translation>上一首</translation>
    </message>
    <message>
        <source>Next</source>
        <translation>下一首</translation>
    </message>
    <message>
        <source>Quit</source>
        <translation>退出</translation>
    </message>
    <message>
        <source>Playlists</source>
        <translation>播放列表</translation>
    </message>
    <message>
        <source>Please select a playlist</source>
        <translation>请选择一个播放列表</translation>
    </message>
    <message>
        <source>This playlist has no songs</source>
        <translation>该播放列表中没有歌曲</translation>
    </message>
    <message>
        <source>Unable to get playlist id</source>
        <translation>无法获取播放列表 ID</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>删除</translation>
    </message>
    <message>
        <source>Are you sure you want to delete this playlist?</source>
        <translation>确定要删除此播放列表吗？</translation>
    </message>
    <message>
        <source>Please add tracks to the export list first</source>
        <translation>请先将曲目添加到导出列表</translation>
    </message>
    <message>
        <source>Media Library Explorer</source>
        <translation>媒体库浏览器</translation>
    </message>
    <message>
        <source>Play library</source>
        <translation>播放列表播放</translation>
    </message>
    <message>
        <source>Delete library</source>
        <translation>删除播放列表</translation>
    </message>
    <message>
        <source>Cue Media File Explorer</source>
        <translation>CUE 媒体文件浏览器</translation>
    </message>
    <message>
        <source>Media Library Directory</source>
        <translation>媒体库目录</translation>
    </message>
    <message>
        <source>Add media directory</source>
        <translation>添加媒体目录</translation>
    </message>
    <message>
        <source>Delete media directory</source>
        <translation>删除媒体目录</translation>
    </message>
    <message>
        <source>Current Music List</source>
        <translation>当前音乐列表</translation>
    </message>
    <message>
        <source>Selected Music List</source>
        <translation>已选音乐列表</translation>
    </message>
    <message>
        <source>Save playlist</source>
        <translation>保存播放列表</translation>
    </message>
    <message>
        <source>Title</source>
        <translation>标题</translation>
    </message>
    <message>
        <source>Start</source>
        <translation>开始</translation>
    </message>
    <message>
        <source>Duration</source>
        <translation>时长</translation>
    </message>
    <message>
        <source>#</source>
        <translation>#</translation>
    </message>
    <message>
        <source>Please enter content to search</source>
        <translation>请输入搜索内容</translation>
    </message>
    <message>
        <source>Cue Files</source>
        <translation>CUE 文件</translation>
    </message>
    <message>
        <source>Select Media Folder</source>
        <translation>选择媒体文件夹</translation>
    </message>
    <message>
        <source>Are you sure you want to delete this source path?</source>
        <translation>确定要删除此源路径吗？</translation>
    </message>
    <message>
        <source>Open in Explorer</source>
        <translation>在文件管理器中打开</translation>
    </message>
    <message>
        <source>Add to Export List</source>
        <translation>添加到导出列表</translation>
    </message>
    <message>
        <source>Delete from Playlist</source>
        <translation>从播放列表中删除</translation>
    </message>
    <message>
        <source>Are you sure you want to delete this song from the playlist?</source>
        <translation>确定要从播放列表中删除这首歌吗？</translation>
    </message>
    <message>
        <source>Remove from List</source>
        <translation>从列表中移除</translation>
    </message>
    <message>
        <source>Unable to locate current media file</source>
        <translation>无法定位当前媒体文件</translation>
    </message>
    <message>
        <source>File does not exist:
%1</source>
        <translation>文件不存在：
%1</translation>
    </message>
    <message>
        <source>Please select a song from the current music list on the right to play</source>
        <translation>请从右侧当前音乐列表中选择一首歌曲播放</translation>
    </message>
    <message>
        <source>Unable to get audio file path</source>
        <translation>无法获取音频文件路径</translation>
    </message>
    <message>
        <source>Cannot play &quot;%1&quot;: the file does not exist.</source>
        <translation>无法播放“%1”：文件不存在。</translation>
    </message>
    <message>
        <source>Cannot play &quot;%1&quot;: it is not a regular file.</source>
        <translation>无法播放“%1”：它不是普通文件。</translation>
    </message>
    <message>
        <source>Cannot play &quot;%1&quot;: the file cannot be read.</source>
        <translation>无法播放“%1”：文件无法读取。</translation>
    </message>
    <message>
        <source>Cannot play &quot;%1&quot;: no audio output device is available.</source>
        <translation>无法播放“%1”：没有可用的音频输出设备。</translation>
    </message>
    <message>
        <source>Cannot play &quot;%1&quot;: no decoder can open this file.</source>
        <translation>无法播放“%1”：没有解码器能打开此文件。</translation>
    </message>
    <message>
        <source>No file manager could show &quot;%1&quot;.</source>
        <translation>没有文件管理器能显示“%1”。</translation>
    </message>
    <message>
        <source>Failed to delete playlist</source>
        <translation>删除播放列表失败</translation>
    </message>
    <message>
        <source>Failed to save the new order</source>
        <translation>保存新的顺序失败</translation>
    </message>
    <message>
        <source>Failed to delete the song from the playlist</source>
        <translation>从播放列表删除歌曲失败</translation>
    </message>
    <message>
        <source>Gapless Playback</source>
        <translation>无缝播放</translation>
    </message>
    <message>
        <source>Audio file not found: %1</source>
        <translation>找不到音频文件：%1</translation>
    </message>
    <message>
        <source>Volume</source>
        <translation>音量</translation>
    </message>
    <message>
        <source>the folder cannot be written (%1)</source>
        <translation>文件夹无法写入（%1）</translation>
    </message>
    <message>
        <source>no free file name</source>
        <translation>没有可用的文件名</translation>
    </message>
    <message>
        <source>the source is not a regular file</source>
        <translation>源不是普通文件</translation>
    </message>
    <message>
        <source>the source file is missing</source>
        <translation>源文件不存在</translation>
    </message>
    <message>
        <source>ffmpeg failed (exit %1)</source>
        <translation>ffmpeg 失败（退出码 %1）</translation>
    </message>
    <message>
        <source>ffmpeg wrote nothing</source>
        <translation>ffmpeg 没有写出任何内容</translation>
    </message>
    <message>
        <source>Export cancelled: %1 of %2 tracks were exported to %3.</source>
        <translation>导出已取消：%2 首中的 %1 首已导出到 %3。</translation>
    </message>
    <message>
        <source>%1 of %2 tracks were exported to %3.</source>
        <translation>%2 首中的 %1 首已导出到 %3。</translation>
    </message>
    <message>
        <source>Not exported:</source>
        <translation>未导出：</translation>
    </message>
    <message>
        <source>%1 of %2 tracks done. Writing:
%3</source>
        <translation>已完成 %2 首中的 %1 首。正在写入：
%3</translation>
    </message>
    <message>
        <source>Open Folder</source>
        <translation>打开文件夹</translation>
    </message>
</context>
<context>
    <name>MediaLibraryEditView</name>
    <message>
        <source>Save Playlist</source>
        <translation>保存播放列表</translation>
    </message>
    <message>
        <source>Playlist Name:</source>
        <translation>播放列表名称：</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>取消</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>保存</translation>
    </message>
    <message>
        <source>DefaultLibrary</source>
        <translation>默认播放列表</translation>
    </message>
    <message>
        <source>Please enter playlist name</source>
        <translation>请输入播放列表名称</translation>
    </message>
    <message>
        <source>Failed to save playlist</source>
        <translation>保存播放列表失败</translation>
    </message>
    <message>
        <source>Save completed</source>
        <translation>保存完成</translation>
    </message>
</context>
<context>
    <name>MessageBoxView</name>
    <message>
        <source>MessageBox</source>
        <translation>消息</translation>
    </message>
    <message>
        <source>MessageBoxTitle</source>
        <translation>消息</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>取消</translation>
    </message>
    <message>
        <source>Sure</source>
        <translation>确定</translation>
    </message>
</context>
<context>
    <name>VolumeButton</name>
    <message>
        <source>Volume: %1 %</source>
        <translation>音量：%1 %</translation>
    </message>
    <message>
        <source>Volume</source>
        <translation>音量</translation>
    </message>
</context>
</TS>
