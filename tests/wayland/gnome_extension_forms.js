// Both forms of the GNOME Shell extension run in gjs, with the few parts of the shell they use
// stood in for: `global` (the pointer, the stage's size, the cursor tracker) and, for the ES
// module of GNOME 45 and later, the shell's Extension base class (the module's import of it is
// pointed at the stand-in in a copy). A real GNOME Shell runs the 43-44 form in the Wayland
// tier; Debian 12 has no shell of 45 or later, so this is where the module form runs.
//
// gjs -m gnome_extension_forms.js EXTENSIONS_DIR (holding legacy/ and module/), on a private
// session bus, with mutter's typelibs on GI_TYPELIB_PATH. A second connection plays the pet: it
// owns org.desktopjellop.Pet and records the Moved calls. Exits with the number of failures.
import Gio from 'gi://Gio';
import GLib from 'gi://GLib';
import System from 'system';

const [extensionsDir] = ARGV;
const RELAY = 'org.desktopjellop.ShellPointer';
const PET = 'org.desktopjellop.Pet';
const POINTER_XML = `<node><interface name="org.desktopjellop.Pointer">
  <method name="Moved">
    <arg type="d" direction="in"/><arg type="d" direction="in"/><arg type="d" direction="in"/>
    <arg type="d" direction="in"/><arg type="d" direction="in"/><arg type="d" direction="in"/>
  </method></interface></node>`;

// The compositor's cursor tracker: its handlers, and a motion that calls them.
const tracker = {
    handlers: new Map(),
    next: 1,
    connect(signal, handler) {
        this.handlers.set(this.next, {signal, handler});
        return this.next++;
    },
    disconnect(id) {
        this.handlers.delete(id);
    },
    move(x, y) {
        global.pointer = [x, y];
        for (const {signal, handler} of this.handlers.values()) {
            if (signal === 'position-invalidated')
                handler();
        }
    },
};
globalThis.global = {
    pointer: [10, 20],
    get_pointer() {
        return [...this.pointer, 0];
    },
    backend: {get_cursor_tracker: () => tracker},
    stage: {width: 1280, height: 800},
};

function sleep(ms) {
    return new Promise(resolve => GLib.timeout_add(GLib.PRIORITY_DEFAULT, ms, () => {
        resolve();
        return GLib.SOURCE_REMOVE;
    }));
}

async function until(condition, ms = 3000) {
    for (let waited = 0; waited < ms; waited += 20) {
        if (condition())
            return true;
        await sleep(20);
    }
    return condition();
}

// The pet: a connection of its own that owns the pet's name while `present`.
class Pet {
    constructor() {
        this.calls = [];
        this.connection = Gio.DBusConnection.new_for_address_sync(
            Gio.dbus_address_get_for_bus_sync(Gio.BusType.SESSION, null),
            Gio.DBusConnectionFlags.AUTHENTICATION_CLIENT |
            Gio.DBusConnectionFlags.MESSAGE_BUS_CONNECTION, null, null);
        this.exported = Gio.DBusExportedObject.wrapJSObject(POINTER_XML, {
            Moved: (...values) => this.calls.push(values.slice(0, 6).join(',')),
        });
        this.exported.export(this.connection, '/org/desktopjellop/Pet');
        this.owner = 0;
    }

    arrive() {
        this.owner = Gio.bus_own_name_on_connection(this.connection, PET,
            Gio.BusNameOwnerFlags.NONE, null, null);
    }

    leave() {
        Gio.bus_unown_name(this.owner);
        this.owner = 0;
    }

    hasOwner(name) {
        const reply = this.connection.call_sync('org.freedesktop.DBus', '/org/freedesktop/DBus',
            'org.freedesktop.DBus', 'NameHasOwner', new GLib.Variant('(s)', [name]), null,
            Gio.DBusCallFlags.NONE, 1000, null);
        return reply.deepUnpack()[0];
    }
}

// Each form, loaded as its shell loads it: an object with enable() and disable().
async function load(form) {
    const dir = `${extensionsDir}/${form}`;
    const metadata = JSON.parse(new TextDecoder().decode(
        GLib.file_get_contents(`${dir}/metadata.json`)[1]));
    if (form === 'legacy') {
        imports.searchPath.unshift(dir);
        return imports.extension.init(metadata);
    }
    const copy = GLib.dir_make_tmp('jellop-extension-XXXXXX');
    const shellExtension = `${copy}/shell-extension.js`;
    GLib.file_set_contents(shellExtension,
        'export class Extension { constructor(metadata) { this.metadata = metadata; } }\n');
    const source = new TextDecoder().decode(GLib.file_get_contents(`${dir}/extension.js`)[1]);
    const pointed = source.replace("'resource:///org/gnome/shell/extensions/extension.js'",
        `'file://${shellExtension}'`);
    if (pointed === source)
        throw new Error('the module form no longer imports the shell\'s Extension');
    GLib.file_set_contents(`${copy}/extension.js`, pointed);
    const {default: Extension} = await import(`file://${copy}/extension.js`);
    return new Extension(metadata);
}

let failures = 0;
function check(what, ok, seen = '') {
    print(`  ${ok ? 'ok  ' : 'FAIL'}  ${what}${seen ? ` (${seen})` : ''}`);
    failures += ok ? 0 : 1;
}

async function run(form, pet) {
    print(`the ${form} form`);
    global.pointer = [10, 20];
    const extension = await load(form);
    extension.enable();
    check('enabled, it owns its name on the bus', await until(() => pet.hasOwner(RELAY)));
    check('with no pet it does not watch the pointer', tracker.handlers.size === 0,
        `${tracker.handlers.size} handlers`);

    pet.arrive();
    check('the pet arrives: it is told where the pointer is, with the stage\'s size',
        await until(() => pet.calls.at(-1) === '10,20,0,0,1280,800'), pet.calls.at(-1));
    tracker.move(300, 250);
    check('the pointer moves: it is told at once',
        await until(() => pet.calls.at(-1) === '300,250,0,0,1280,800', 200), pet.calls.at(-1));
    let count = pet.calls.length;
    tracker.move(300, 250);
    await sleep(600);
    check('a motion to where it was already says nothing', pet.calls.length === count,
        `${pet.calls.length - count} more calls`);
    global.pointer = [5, 6];
    check('a motion the tracker does not signal is seen within half a second',
        await until(() => pet.calls.at(-1) === '5,6,0,0,1280,800', 600), pet.calls.at(-1));

    pet.leave();
    check('the pet leaves: it stops watching the pointer',
        await until(() => tracker.handlers.size === 0), `${tracker.handlers.size} handlers`);
    count = pet.calls.length;
    pet.arrive();
    check('the pet comes back: it is told again where the pointer is',
        await until(() => pet.calls.length > count && pet.calls.at(-1) === '5,6,0,0,1280,800'),
        pet.calls.at(-1));

    extension.disable();
    check('disabled, it gives up its name', await until(() => !pet.hasOwner(RELAY)));
    count = pet.calls.length;
    tracker.move(40, 50);
    global.pointer = [41, 51];
    await sleep(600);
    check('and tells the pet nothing more', tracker.handlers.size === 0 &&
        pet.calls.length === count, `${tracker.handlers.size} handlers, ` +
        `${pet.calls.length - count} more calls`);
    pet.leave();
}

const loop = new GLib.MainLoop(null, false);
let status = 1;
(async () => {
    const pet = new Pet();
    for (const form of ['legacy', 'module'])
        await run(form, pet);
    print(`GNOME Shell extension forms: ${failures} failed`);
    status = failures;
})().catch(error => {
    print(`FAIL  ${error}\n${error.stack}`);
}).finally(() => loop.quit());
loop.run();
System.exit(status);
