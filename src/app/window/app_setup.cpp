// Command-line options and the theme of kdsp-control.
#include "app/window/app_setup.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFile>
#include <QFont>

#include "app/i18n/language.h"
#include "app/state/app_options.h"

// Resources of a static library need an explicit initialisation.
static void InitThemeResource() { Q_INIT_RESOURCE(theme); }

namespace kdsp {

bool ParseOptions(const QStringList& args, AppOptions& options, QString& error) {
    QCommandLineParser parser;
    parser.setApplicationDescription("Control window of the audio effect processor");
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption host("host", "TCP address of the processor.", "H");
    const QCommandLineOption port("port", "TCP port of the processor.", "P");
    const QCommandLineOption serial("serial", "Serial port to search (repeatable).", "PORT");
    const QCommandLineOption noSerial("no-serial", "Search no serial port.");
    const QCommandLineOption shot("screenshot",
                                  "Save a picture once online (or failed) and quit; kept settings are "
                                  "neither read nor written.",
                                  "FILE");
    const QCommandLineOption shotTab("screenshot-tab", "Tab (1..9) shown in the picture.", "N");
    const QCommandLineOption shotCompare("screenshot-compare",
                                         "Before the picture, take the settings as slot A and this preset as "
                                         "slot B, and save the diff view of the two beside the picture "
                                         "(NAME-diff.png).",
                                         "FILE");
    const QCommandLineOption lang("lang", "Language of the window for this run: zh or en.", "L");
    const QCommandLineOption fast("fast-transfers",
                                  "Send each step of a read or upload as soon as the last one is answered.");
    parser.addOptions({host, port, serial, noSerial, shot, shotTab, shotCompare, lang, fast});
    parser.addPositionalArgument("FILE", "A preset file (.Nddt) to open for editing, offline.", "[FILE]");
    if (!parser.parse(args)) {
        error = parser.errorText();
        return false;
    }
    if (parser.isSet("help")) parser.showHelp(0);
    if (parser.isSet("version")) parser.showVersion();
    options.host = parser.value(host);
    options.port = parser.value(port);
    if (!options.port.isEmpty()) {
        bool ok = false;
        const int p = options.port.toInt(&ok);
        if (!ok || p < 1 || p > 65535) {
            error = "invalid --port: " + options.port;
            return false;
        }
    }
    options.serialPorts = parser.values(serial);
    options.serialGiven = parser.isSet(serial) || parser.isSet(noSerial);
    if (parser.isSet(noSerial)) options.serialPorts.clear();
    options.language = parser.value(lang);
    if (parser.isSet(lang) && !ParseLanguage(options.language)) {
        error = "invalid --lang: " + options.language + " (zh or en)";
        return false;
    }
    options.screenshotPath = parser.value(shot);
    options.screenshotCompare = parser.value(shotCompare);
    options.fastTransfers = parser.isSet(fast);
    if (parser.positionalArguments().size() > 1) {
        error = "one preset file at most";
        return false;
    }
    if (!parser.positionalArguments().isEmpty()) options.presetFile = parser.positionalArguments().front();
    if (parser.isSet(shotTab)) {
        bool ok = false;
        options.screenshotTab = parser.value(shotTab).toInt(&ok);
        if (!ok || options.screenshotTab < 1 || options.screenshotTab > 9) {
            error = "invalid --screenshot-tab: " + parser.value(shotTab);
            return false;
        }
    }
    return true;
}

void ApplyTheme(QApplication& app) {
    QFont font;
    font.setFamilies({"WenQuanYi Micro Hei", "Microsoft YaHei", "PingFang SC", "Noto Sans CJK SC", "sans-serif"});
    font.setPixelSize(12);
    app.setFont(font);
    InitThemeResource();
    QFile qss(":/kdsp/theme.qss");
    if (qss.open(QIODevice::ReadOnly)) app.setStyleSheet(QString::fromUtf8(qss.readAll()));
}

}  // namespace kdsp
