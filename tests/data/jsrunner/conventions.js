ObjC.import('Foundation');
function out(value) {
    var data = $(String(value) + '\n').dataUsingEncoding($.NSUTF8StringEncoding);
    $.NSFileHandle.fileHandleWithStandardOutput.writeData(data);
}
out(ObjC.unwrap($.NSString.alloc.initWithDataEncoding($.NSData.data, $.NSUTF8StringEncoding)) === '');
out('\ud83d\ude80 \ud800!');
var path = ObjC.unwrap($.NSHomeDirectory()) + '/golden.txt';
out($('written/ok').writeToFileAtomicallyEncodingError(path, true, $.NSUTF8StringEncoding, null));
out($.NSFileManager.defaultManager.fileExistsAtPath($(path)));
out(ObjC.unwrap($.NSString.stringWithContentsOfFileEncodingError(path + '.none', $.NSUTF8StringEncoding, null)));
