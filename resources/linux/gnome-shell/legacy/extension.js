// Desktop Jellop's pointer relay for GNOME Shell 43 and 44 (the init/enable/disable form; the
// same relay for 45 and later is the ES module of jellop-pointer@desktopjellop.org).
//
// While enabled it owns org.desktopjellop.ShellPointer on the session bus, which tells the pet
// that the relay is there. While the pet runs (its name org.desktopjellop.Pet is on the bus) it
// hands the pet the compositor's pointer position, in logical pixels, with the stage's size,
// each time the pointer moves: org.desktopjellop.Pointer.Moved(x, y, 0, 0, width, height).
const {Gio, GLib, Meta} = imports.gi;

const PET = 'org.desktopjellop.Pet';

class PointerRelay {
    constructor() {
        this._owner = Gio.bus_own_name(Gio.BusType.SESSION, 'org.desktopjellop.ShellPointer',
            Gio.BusNameOwnerFlags.NONE, null, null, null);
        this._watch = Gio.bus_watch_name(Gio.BusType.SESSION, PET,
            Gio.BusNameWatcherFlags.NONE, () => this._follow(), () => this._rest());
    }

    _tracker() {
        if (global.backend && global.backend.get_cursor_tracker)
            return global.backend.get_cursor_tracker();
        return Meta.CursorTracker.get_for_display(global.display);
    }

    _follow() {
        this._rest();
        this._last = null;
        this._moved = this._tracker().connect('position-invalidated', () => this._send());
        // The tracker's signal is the pointer's motion; a slow look now and then covers a
        // compositor that does not send it for every motion.
        this._poll = GLib.timeout_add(GLib.PRIORITY_DEFAULT, 250, () => {
            this._send();
            return GLib.SOURCE_CONTINUE;
        });
        this._send();
    }

    _rest() {
        if (this._moved) {
            this._tracker().disconnect(this._moved);
            this._moved = 0;
        }
        if (this._poll) {
            GLib.source_remove(this._poll);
            this._poll = 0;
        }
    }

    _send() {
        const [x, y] = global.get_pointer();
        if (this._last && this._last[0] === x && this._last[1] === y)
            return;
        this._last = [x, y];
        Gio.DBus.session.call(PET, '/org/desktopjellop/Pet', 'org.desktopjellop.Pointer', 'Moved',
            new GLib.Variant('(dddddd)', [x, y, 0, 0, global.stage.width, global.stage.height]),
            null, Gio.DBusCallFlags.NO_AUTO_START, 1000, null, null);
    }

    destroy() {
        this._rest();
        Gio.bus_unwatch_name(this._watch);
        Gio.bus_unown_name(this._owner);
    }
}

class Extension {
    enable() {
        this._relay = new PointerRelay();
    }

    disable() {
        this._relay.destroy();
        this._relay = null;
    }
}

function init() {
    return new Extension();
}
