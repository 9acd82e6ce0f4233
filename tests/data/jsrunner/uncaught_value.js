var ready = true;
if (ready) {
    throw 'plain text';
}
