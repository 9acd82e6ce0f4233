// The statusline helper's work in Node.js, for comparison only: the same read of standard
// input, the same atomic snapshot write, the same existence test and the same line.
'use strict';
const fs = require('fs');
const path = require('path');
const os = require('os');

function main() {
    let input = Buffer.alloc(0);
    try {
        input = fs.readFileSync(0);
    } catch (e) {
        // treated as empty input
    }
    let doc = null;
    try {
        doc = JSON.parse(new TextDecoder('utf-8', { fatal: true }).decode(input));
    } catch (e) {
        doc = null;
    }
    doc = doc || {};
    const isPlainObject = (v) => typeof v === 'object' && v !== null && !Array.isArray(v);
    const rates = isPlainObject(doc.rate_limits) ? doc.rate_limits : {};
    const model = doc.model && typeof doc.model.display_name === 'string' ? doc.model.display_name : '';
    const claude = path.join(os.homedir(), '.claude');
    if (Object.keys(rates).length > 0) {
        const windows = {};
        for (const [key, value] of Object.entries(rates)) {
            if (isPlainObject(value)) windows[key] = value;
        }
        const target = path.join(claude, 'usage_snapshot.json');
        const temporary = `${target}.tmp-${process.pid}`;
        try {
            fs.writeFileSync(temporary, JSON.stringify({ updated_at: Date.now() / 1000, model, windows }));
            fs.renameSync(temporary, target);
        } catch (e) {
            // ignored, as the helper does
        }
    }
    fs.existsSync(path.join(claude, 'statusline-usage.inner'));
    const pct = (w) => (!w || w.used_percentage == null ? '-' : `${Math.round(w.used_percentage)}%`);
    const parts = [];
    if (model) parts.push(`[${model}]`);
    const dir = doc.workspace ? doc.workspace.current_dir : undefined;
    if (typeof dir === 'string' && dir) {
        const name = dir.replace(/\/+$/, '').split('/').pop();
        if (name) parts.push(name);
    }
    parts.push(`5h ${pct(rates.five_hour)} | 7d ${pct(rates.seven_day)}`);
    process.stdout.write(parts.join('  ') + '\n');
}

main();
