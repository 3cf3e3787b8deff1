// What the command line of kdsp-control asks for: read by the start-up, the link
// window and the kept settings.
#pragma once

#include <QString>
#include <QStringList>

namespace kdsp {

struct AppOptions {
    QString host;                 // empty: keep the editable default
    QString port;                 // empty: keep "8889"
    QStringList serialPorts;      // used when serialGiven
    bool serialGiven = false;     // --serial or --no-serial seen
    QString screenshotPath;       // save a picture once online / failed, then quit
    int screenshotTab = 0;        // tab button (1..9) selected before the picture
    QString screenshotCompare;    // preset shown as slot B and in the diff view of the picture
    QString language;             // "zh" or "en" for this run; empty: the kept choice
    bool fastTransfers = false;   // reads, reloads and uploads at the fast pace
    QString presetFile;           // a preset file opened for editing at the start
};

}  // namespace kdsp
