// Opens a report in Chromium over the DevTools protocol (--remote-debugging-pipe: NUL-ended JSON messages on
// the browser's descriptors 3 and 4) and checks it as a person would use it. Prints one line per failed
// check; exit status 1 when any failed.
//   node check_page.js BROWSER REPORT.html PROFILE_DIR NOTE...
'use strict';
const { spawn } = require('child_process');

const [browserPath, reportPath, profile, ...notes] = process.argv.slice(2);
const pageUrl = 'file://' + reportPath;

const browser = spawn(browserPath, ['--no-sandbox', '--disable-gpu', '--no-first-run', '--remote-debugging-pipe',
                                    '--user-data-dir=' + profile, 'about:blank'],
                      { stdio: ['ignore', 'ignore', 'ignore', 'pipe', 'pipe'] });
const toBrowser = browser.stdio[3];
const fromBrowser = browser.stdio[4];

let nextId = 1;
const waiting = new Map();
const listeners = [];
let pending = Buffer.alloc(0);
fromBrowser.on('data', (chunk) => {
    pending = Buffer.concat([pending, chunk]);
    for (let end = pending.indexOf(0); end >= 0; end = pending.indexOf(0)) {
        const message = JSON.parse(pending.subarray(0, end).toString('utf8'));
        pending = pending.subarray(end + 1);
        if (message.id && waiting.has(message.id)) {
            const { resolve, reject } = waiting.get(message.id);
            waiting.delete(message.id);
            message.error ? reject(new Error(JSON.stringify(message.error))) : resolve(message.result);
        } else if (message.method) {
            listeners.forEach((listen) => listen(message));
        }
    }
});

function send(method, params = {}, sessionId = undefined) {
    const id = nextId++;
    toBrowser.write(JSON.stringify({ id, method, params, sessionId }) + '\0');
    return new Promise((resolve, reject) => waiting.set(id, { resolve, reject }));
}

const failures = [];
function check(ok, what) {
    if (!ok) {
        failures.push(what);
    }
}

// The note as the page shows it: controls and bidirectional overrides written as escapes.
function shown(note) {
    let out = '';
    for (const c of note) {
        const code = c.codePointAt(0);
        if (c === '\r') out += '\\r';
        else if (c === '\n') out += '\\n';
        else if (c === '\t') out += '\\t';
        else if (code < 0x20 || code === 0x7f) out += '\\x' + code.toString(16).toUpperCase().padStart(2, '0');
        else if ((code >= 0x202a && code <= 0x202e) || (code >= 0x2066 && code <= 0x2069))
            out += '\\u' + code.toString(16).toUpperCase();
        else out += c;
    }
    return out;
}

// Runs in the page: the figures, the sorts and the filter, as the results of each.
function pageChecks(expectedNotes) {
    const result = {};
    const count = +document.getElementById('count').textContent;
    const sum = (selector) =>
        Array.prototype.reduce.call(document.querySelectorAll(selector), (s, e) => s + +e.dataset.n, 0);
    const log = document.getElementById('log');
    const rows = () => Array.prototype.slice.call(log.tBodies[0].rows);
    const visible = () => rows().filter((r) => !r.hidden);
    result.count = count;
    result.timeline = sum('#timeline rect[data-n]');
    result.classes = sum('#classes rect[data-n]');
    result.severities = Array.prototype.reduce.call(document.querySelectorAll('ul.sev b'),
                                                    (s, b) => s + +b.textContent, 0);
    result.rows = rows().length;
    result.scripts = document.scripts.length;
    result.injected = document.querySelectorAll('img, #log svg, #log b, [onerror], [onload]').length;
    result.notesShown = expectedNotes.map((note) =>
        rows().some((r) => r.cells[7].textContent === 'Maintenance note: ' + note));

    const headings = log.tHead.rows[0].cells;
    const column = (c) => rows().map((r) => r.cells[c]);
    const ordered = (keys, direction) => keys.every((k, i) => i === 0 || (direction > 0 ? keys[i - 1] <= k : keys[i - 1] >= k));
    headings[1].click();
    result.numbersUp = ordered(column(1).map((c) => +c.textContent), 1);
    headings[1].click();
    result.numbersDown = ordered(column(1).map((c) => +c.textContent), -1);
    headings[4].click();
    result.timesUp = ordered(column(4).map((c) => c.querySelector('time').getAttribute('datetime')), 1);
    headings[0].click();
    result.severityUp = ordered(rows().map((r) => r.className), 1) && rows()[0].className === 'r0';

    const filter = document.getElementById('q');
    result.filterShown = !filter.hidden;
    filter.value = 'FDP.EXE';
    filter.dispatchEvent(new Event('input'));
    result.filtered = visible().length;
    filter.value = '';
    filter.dispatchEvent(new Event('input'));
    result.unfiltered = visible().length;
    return result;
}

async function main() {
    const { targetId } = await send('Target.createTarget', { url: 'about:blank' });
    const { sessionId } = await send('Target.attachToTarget', { targetId, flatten: true });
    const problems = [];
    const requests = [];
    let loaded;
    const load = new Promise((resolve) => (loaded = resolve));
    listeners.push((message) => {
        if (message.sessionId !== sessionId) {
            return;
        }
        const p = message.params;
        switch (message.method) {
        case 'Runtime.exceptionThrown': problems.push('exception: ' + p.exceptionDetails.text); break;
        case 'Runtime.consoleAPICalled':
            if (p.type === 'error' || p.type === 'warning') problems.push('console ' + p.type);
            break;
        case 'Log.entryAdded':
            if (p.entry.level === 'error' || p.entry.level === 'warning') problems.push('log: ' + p.entry.text);
            break;
        case 'Page.javascriptDialogOpening':
            problems.push('a dialog opened: ' + p.message);
            send('Page.handleJavaScriptDialog', { accept: true }, sessionId);
            break;
        case 'Network.requestWillBeSent': requests.push(p.request.url); break;
        case 'Page.loadEventFired': loaded(); break;
        }
    });
    for (const domain of ['Runtime', 'Log', 'Network', 'Page']) {
        await send(domain + '.enable', {}, sessionId);
    }
    await send('Page.navigate', { url: pageUrl }, sessionId);
    await load;
    const expected = notes.map(shown);
    const { result } = await send('Runtime.evaluate', {
        expression: '(' + pageChecks.toString() + ')(' + JSON.stringify(expected) + ')',
        returnByValue: true,
    }, sessionId);
    const r = result.value;
    if (!r) {
        throw new Error('the checks did not run: ' + JSON.stringify(result));
    }
    check(problems.length === 0, 'console or page problems: ' + problems.join('; '));
    check(requests.every((url) => url === pageUrl), 'requests besides the page: ' + requests.join(' '));
    check(r.count > 0 && r.timeline === r.count, `timeline bars ${r.timeline}, entries ${r.count}`);
    check(r.classes === r.count, `class bars ${r.classes}, entries ${r.count}`);
    check(r.severities === r.count, `severity counts ${r.severities}, entries ${r.count}`);
    check(r.rows === r.count, `table rows ${r.rows}, entries ${r.count}`);
    check(r.scripts === 1 && r.injected === 0, `scripts ${r.scripts}, injected elements ${r.injected}`);
    r.notesShown.forEach((ok, i) => check(ok, 'note not shown as text: ' + JSON.stringify(notes[i])));
    check(r.numbersUp && r.numbersDown, 'event numbers do not sort both ways');
    check(r.timesUp, 'update times do not sort');
    check(r.severityUp, 'severities do not sort');
    check(r.filterShown && r.filtered === 1 && r.unfiltered === r.count,
          `filter: field shown ${r.filterShown}, ${r.filtered} rows matched, ${r.unfiltered} after clearing`);
}

// A guard against a browser that never answers, not a measure of speed.
const guard = setTimeout(() => {
    failures.push('the browser did not finish within 90 s');
    finish();
}, 90000);

function finish() {
    clearTimeout(guard);
    browser.kill();
    failures.forEach((f) => console.log('FAIL: ' + f));
    process.exit(failures.length === 0 ? 0 : 1);
}

main().then(finish, (error) => {
    failures.push(error.message);
    finish();
});
