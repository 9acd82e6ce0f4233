ObjC.import('Foundation');
function fail() {
    $.NSFileHandle.fileHandleWithStandardOutput.writeData('not data');
}
fail();
