// Runs the KWin script and the GNOME Shell 43 extension against stand-ins of
// their hosts, and checks that each reports what Corvane's ReportFocus takes:
// three strings (class, pid as text, title), "" for what is not known.
// Usage: node check_scripts.js KWIN_SCRIPT GNOME43_EXTENSION
'use strict';
const fs = require('fs');
const vm = require('vm');
const assert = require('assert');

function signal() {
    const slots = [];
    return { connect: (f) => slots.push(f), emit: (...a) => slots.forEach((f) => f(...a)) };
}

function checkKWin(path, modern) {
    const calls = [];
    const workspace = modern
        ? { windowActivated: signal(), activeWindow: null }
        : { clientActivated: signal(), activeClient: null };
    vm.runInNewContext(fs.readFileSync(path, 'utf8'), {
        workspace,
        callDBus: (...args) => calls.push(args),
    });
    // The state at load: no window.
    assert.deepStrictEqual(calls.shift(),
        ['org.corvane.Corvane1', '/org/corvane/Corvane1', 'org.corvane.Corvane1', 'ReportFocus', '', '', '']);
    const activated = modern ? workspace.windowActivated : workspace.clientActivated;
    activated.emit({ resourceClass: 'steam_app_730', pid: 4242, caption: 'Counter-Strike 2' });
    activated.emit({ resourceClass: undefined, pid: -1, caption: 'x' });
    activated.emit(null);
    assert.deepStrictEqual(calls.map((c) => c.slice(4)),
        [['steam_app_730', '4242', 'Counter-Strike 2'], ['', '', 'x'], ['', '', '']]);
    for (const c of calls)
        c.slice(4).forEach((v) => assert.strictEqual(typeof v, 'string'));
}

function checkGnome43(path) {
    const calls = [];
    const handlers = {};
    let next = 1;
    const display = {
        focus_window: null,
        connect: (name, f) => { handlers[next] = [name, f]; return next++; },
        disconnect: (id) => { delete handlers[id]; },
    };
    class Variant {
        constructor(signature, values) { this.signature = signature; this.values = values; }
    }
    const imports = { gi: {
        Gio: { DBus: { session: { call: (...args) => calls.push(args) } }, DBusCallFlags: { NO_AUTO_START: 1 } },
        GLib: { Variant },
    } };
    const context = { imports, global: { display } };
    vm.runInNewContext(fs.readFileSync(path, 'utf8') + '\nthis.extension = init();', context);
    const ext = context.extension;
    ext.enable();
    const window = (cls, pid, title) => ({ get_wm_class: () => cls, get_pid: () => pid, get_title: () => title });
    display.focus_window = window('Steam_app_570', 77, 'Dota 2');
    Object.values(handlers).forEach(([name, f]) => { assert.strictEqual(name, 'notify::focus-window'); f(); });
    display.focus_window = window(null, 0, null);
    Object.values(handlers).forEach(([, f]) => f());
    const reports = calls.map((c) => {
        assert.deepStrictEqual(c.slice(0, 4),
            ['org.corvane.Corvane1', '/org/corvane/Corvane1', 'org.corvane.Corvane1', 'ReportFocus']);
        assert.strictEqual(c[4].signature, '(sss)');
        assert.strictEqual(c[6], 1); // never starts Corvane
        return Array.from(c[4].values); // made in the script's own realm
    });
    assert.deepStrictEqual(reports, [['', '', ''], ['Steam_app_570', '77', 'Dota 2'], ['', '', '']]);
    ext.disable();
    assert.strictEqual(Object.keys(handlers).length, 0);
}

checkKWin(process.argv[2], true);
checkKWin(process.argv[2], false);
checkGnome43(process.argv[3]);
console.log('desktop scripts: KWin (6 and 5.27) and GNOME Shell 43 report as ReportFocus takes');
