#!/usr/bin/osascript -l JavaScript
var = 1;
