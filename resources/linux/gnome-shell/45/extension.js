/* Tells Corvane (its session bus service) the focused window's wm_class,
 * process id and title whenever the focus moves. GNOME Shell 45 and later. */
import Gio from 'gi://Gio';
import GLib from 'gi://GLib';
import {Extension} from 'resource:///org/gnome/shell/extensions/extension.js';

const SERVICE = 'org.corvane.Corvane1';
const PATH = '/org/corvane/Corvane1';

export default class CorvaneFocus extends Extension {
    enable() {
        this._handler = global.display.connect('notify::focus-window', () => this._report());
        this._report();
    }

    disable() {
        if (this._handler)
            global.display.disconnect(this._handler);
        this._handler = null;
    }

    _report() {
        const window = global.display.focus_window;
        const wmClass = window ? (window.get_wm_class() || '') : '';
        const pid = window && window.get_pid() > 0 ? String(window.get_pid()) : '';
        const title = window ? (window.get_title() || '') : '';
        // Corvane may not run: the call is not to start it, and its answer
        // (or its absence) is of no interest.
        Gio.DBus.session.call(SERVICE, PATH, SERVICE, 'ReportFocus',
            new GLib.Variant('(sss)', [wmClass, pid, title]), null,
            Gio.DBusCallFlags.NO_AUTO_START, 1000, null, null);
    }
}
