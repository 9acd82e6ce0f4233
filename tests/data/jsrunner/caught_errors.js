ObjC.import('Foundation');
var lines = [];
function attempt(name, body) {
    try { body(); lines.push(name + ': no error'); } catch (e) { lines.push(name + ': ' + e.name); }
}
attempt('write nil', function () { $.NSFileHandle.fileHandleWithStandardOutput.writeData(null); });
attempt('other encoding', function () { $('x').dataUsingEncoding(1); });
attempt('other framework', function () { ObjC.import('AppKit'); });
attempt('deep json', function () { JSON.parse(new Array(100001).join('[') + '1' + new Array(100001).join(']')); });
attempt('missing program', function () { var t = $.NSTask.alloc.init; t.launchPath = '/nonexistent/program'; t.launch; });
attempt('closed handle', function () { var w = $.NSPipe.pipe.fileHandleForWriting; w.closeFile; w.writeData($.NSData.data); });
$.NSFileHandle.fileHandleWithStandardOutput.writeData(
    $(lines.join('\n') + '\n').dataUsingEncoding($.NSUTF8StringEncoding));
