#include "shell/session_bus.h"

#include <QFileInfo>
#include <QtGlobal>

// With no bus address set and no bus in the runtime folder, D-Bus would start a bus through
// `dbus-launch --autolaunch` at the first look-up (Qt's accessibility bridge makes one at
// start-up), and that bus would keep running after the program has ended. An address of no
// known kind makes every look-up fail at once instead; the program needs no bus of its own.
void useOnlyARunningSessionBus()
{
    if (qEnvironmentVariableIsSet("DBUS_SESSION_BUS_ADDRESS")) {
        return;
    }
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QFileInfo::exists(runtime + QStringLiteral("/bus"))) {
        return;  // D-Bus finds the user's bus there itself
    }
    qputenv("DBUS_SESSION_BUS_ADDRESS", "disabled:");
}
