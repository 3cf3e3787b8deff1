// Applying the kept settings to the main window at start-up and keeping its
// choices when it closes.
#include "app/window/window_settings.h"

#include <QLineEdit>

#include "app/state/settings.h"
#include "app/window/main_window.h"

namespace kdsp {

void ApplySettings(Settings& settings, MainWindow& window, const AppOptions& options) {
    auto* ip = window.Ctl<QLineEdit>("IPstrEdit");
    auto* port = window.Ctl<QLineEdit>("IPPortStrEdit");
    if (ip && options.host.isEmpty() && !settings.Host().isEmpty()) ip->setText(settings.Host());
    if (port && options.port.isEmpty() && !settings.Port().isEmpty()) port->setText(settings.Port());
    settings.startHost = ip ? ip->text() : QString();
    settings.startPort = port ? port->text() : QString();
    window.SetStartTab(settings.Page());
    // A place on a screen that is no longer there, or one that leaves part of the
    // window off its screen, would put controls out of reach.
    if (auto place = settings.Position()) window.PlaceOnScreen(*place);
    window.SetSettings(&settings);
}

void KeepSettings(Settings& settings, MainWindow& window) {
    settings.SetPage(window.ShownTab());
    if (!window.IsMaximised()) settings.SetPosition(window.pos());
    if (auto* ip = window.Ctl<QLineEdit>("IPstrEdit"); ip && ip->text() != settings.startHost)
        settings.SetHost(ip->text().trimmed());
    if (auto* port = window.Ctl<QLineEdit>("IPPortStrEdit"); port && port->text() != settings.startPort)
        settings.SetPort(port->text());
    settings.Sync();
}

}  // namespace kdsp
