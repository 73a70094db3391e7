<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
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
        <source>Exporting track %1 of %2:
%3</source>
        <translation>正在导出第 %1 首，共 %2 首：
%3</translation>
    </message>
    <message>
        <source>Export completed.</source>
        <translation>导出完成。</translation>
    </message>
    <message>
        <source>Export cancelled: %1 of %2 tracks were exported.</source>
        <translation>导出已取消：已导出 %1 首，共 %2 首。</translation>
    </message>
    <message>
        <source>%1 of %2 tracks could not be exported:</source>
        <translation>%2 首中有 %1 首无法导出：</translation>
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
</TS>
