// Desktop Jellop's pointer relay for KWin (Plasma 5.27 and later): hands the compositor's
// pointer position, in logical coordinates, with the bounding box of the outputs, to the pet,
// which loads this script over D-Bus at start and unloads it at exit.
function relay() {
    var at = workspace.cursorPos;
    var area = workspace.virtualScreenGeometry;
    callDBus("org.desktopjellop.Pet", "/org/desktopjellop/Pet", "org.desktopjellop.Pointer",
             "Moved", at.x, at.y, area.x, area.y, area.width, area.height);
}
workspace.cursorPosChanged.connect(relay);
relay();
