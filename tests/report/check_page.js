// Opens a report in Chromium over the DevTools protocol (--remote-debugging-pipe: NUL-ended JSON messages on
// the browser's descriptors 3 and 4) and checks it as a person would use it. Prints one line per failed
// check; exit status 1 when any failed.
//   node check_page.js BROWSER REPORT.html PROFILE_DIR NOTE...
'use strict';
const { spawn } = require('child_process');

const [browserPath, reportPath, profile, ...notes] = process.argv.slice(2);
const pageUrl = 'file://' + reportPath;
const browser = spawn(browserPath, ['--no-sandbox', '--disable-gpu', '--remote-debugging-pipe',
                                    '--user-data-dir=' + profile, 'about:blank'],
                      { stdio: ['ignore', 'ignore', 'ignore', 'pipe', 'pipe'] });

let nextId = 1;
const waiting = new Map();
let onEvent = () => {};
let pending = Buffer.alloc(0);
browser.stdio[4].on('data', (chunk) => {
    pending = Buffer.concat([pending, chunk]);
    for (let end = pending.indexOf(0); end >= 0; end = pending.indexOf(0)) {
        const message = JSON.parse(pending.subarray(0, end).toString('utf8'));
        pending = pending.subarray(end + 1);
        const answer = waiting.get(message.id);
        if (answer) {
            waiting.delete(message.id);
            message.error ? answer.reject(new Error(JSON.stringify(message.error))) : answer.resolve(message.result);
        } else if (message.method) {
            onEvent(message);
        }
    }
});
function send(method, params = {}, sessionId = undefined) {
    const id = nextId++;
    browser.stdio[3].write(JSON.stringify({ id, method, params, sessionId }) + '\0');
    return new Promise((resolve, reject) => waiting.set(id, { resolve, reject }));
}

// Runs in the page: its figures, then a sort by three columns and a filter, as the outcome of each.
function pageChecks(markupNotes) {
    const sum = (selector) => Array.from(document.querySelectorAll(selector)).reduce((s, e) => s + +e.textContent, 0);
    const log = document.getElementById('log');
    const rows = () => Array.from(log.tBodies[0].rows);
    const ordered = (keys, way) => keys.every((k, i) => i === 0 || (way > 0 ? keys[i - 1] <= k : keys[i - 1] >= k));
    const heading = (c) => log.tHead.rows[0].cells[c].click();
    const filter = document.getElementById('q');
    const filtered = (text) => {
        filter.value = text;
        filter.dispatchEvent(new Event('input'));
        return rows().filter((r) => !r.hidden).length;
    };
    const bars = (id) => Array.from(document.querySelectorAll(id + ' rect')).reduce((s, r) => s + +r.dataset.n, 0);
    const r = { count: +document.getElementById('count').textContent, rows: rows().length };
    r.timeline = bars('#timeline');
    r.classes = bars('#classes');
    r.severities = sum('ul.sev b');
    r.scripts = document.scripts.length;
    r.injected = document.querySelectorAll('img, #log svg, #log b, [onerror], [onload]').length;
    r.controls = /[\x00-\x1f\x7f-\x9f\u202a-\u202e\u2066-\u2069]/.test(log.tBodies[0].textContent.replace(/\n/g, ''));
    r.notesShown = markupNotes.map((note) => rows().some((row) => row.cells[7].textContent === 'Maintenance note: ' + note));
    heading(1);
    r.numbersUp = ordered(rows().map((row) => +row.cells[1].textContent), 1);
    heading(1);
    r.numbersDown = ordered(rows().map((row) => +row.cells[1].textContent), -1);
    heading(4);
    r.timesUp = ordered(rows().map((row) => row.cells[4].querySelector('time').getAttribute('datetime')), 1);
    heading(0);
    r.severityUp = ordered(rows().map((row) => row.className), 1) && rows()[0].className === 'r0';
    r.filter = [!filter.hidden, filtered('FDP.EXE'), filtered('')];
    return r;
}

async function main() {
    const { targetId } = await send('Target.createTarget', { url: 'about:blank' });
    const { sessionId } = await send('Target.attachToTarget', { targetId, flatten: true });
    const problems = [];
    const requests = [];
    const loaded = new Promise((resolve) => (onEvent = (message) => {
        const p = message.params;
        switch (message.method) {
        case 'Runtime.exceptionThrown': problems.push('exception: ' + p.exceptionDetails.text); break;
        case 'Runtime.consoleAPICalled': problems.push('console.' + p.type); break;
        case 'Log.entryAdded': problems.push(p.entry.level + ': ' + p.entry.text); break;
        case 'Network.requestWillBeSent': requests.push(p.request.url); break;
        case 'Page.loadEventFired': resolve(); break;
        case 'Page.javascriptDialogOpening':
            problems.push('a dialog opened: ' + p.message);
            send('Page.handleJavaScriptDialog', { accept: true }, sessionId);
            break;
        }
    }));
    for (const domain of ['Runtime', 'Log', 'Network', 'Page']) {
        await send(domain + '.enable', {}, sessionId);
    }
    await send('Page.navigate', { url: pageUrl }, sessionId);
    await loaded;
    // Notes of printable ASCII show as they are; those with controls are checked for no control at all.
    const markupNotes = notes.filter((note) => /^[\x20-\x7e]*$/.test(note));
    const expression = '(' + pageChecks + ')(' + JSON.stringify(markupNotes) + ')';
    const r = (await send('Runtime.evaluate', { expression, returnByValue: true }, sessionId)).result.value;
    return [
        [problems.length === 0, 'console or page problems: ' + problems.join('; ')],
        [requests.every((url) => url === pageUrl), 'requests besides the page: ' + requests.join(' ')],
        [r.count > 0 && r.rows === r.count, `${r.rows} table rows, ${r.count} entries`],
        [r.timeline === r.count && r.classes === r.count && r.severities === r.count,
         `timeline ${r.timeline}, classes ${r.classes}, severities ${r.severities}, entries ${r.count}`],
        [r.scripts === 1 && r.injected === 0 && !r.controls, `${r.scripts} scripts, ${r.injected} injected, controls ${r.controls}`],
        ...r.notesShown.map((ok, i) => [ok, 'not shown as text: ' + markupNotes[i]]),
        [r.numbersUp && r.numbersDown && r.timesUp && r.severityUp, 'sorting: ' + JSON.stringify(r)],
        [r.filter.join() === `true,1,${r.count}`, 'filter (shown, matched, all): ' + r.filter],
    ].filter(([ok]) => !ok).map(([, what]) => what);
}

// A guard against a browser that never answers, not a measure of speed.
const guard = setTimeout(() => finish(['the browser did not finish within 90 s']), 90000);
function finish(failures) {
    clearTimeout(guard);
    browser.kill();
    failures.forEach((f) => console.log('FAIL: ' + f));
    process.exit(failures.length === 0 ? 0 : 1);
}
main().then(finish, (error) => finish([error.message]));
