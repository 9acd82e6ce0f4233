if (true) {
    throw 'plain text';
}
