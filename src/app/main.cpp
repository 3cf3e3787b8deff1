// kdsp-control: creates the main window, the link window and the status
// dialog in that order and runs the event loop until the main window closes.
#include <QApplication>
#include <cstdio>
#include <cstring>
#include <optional>

#include "app/i18n/language.h"
#include "app/link/link_window.h"
#include "app/panels/offline_preset.h"
#include "app/panels/status_dialog.h"
#include "app/state/settings.h"
#include "app/window/app_setup.h"
#include "app/window/main_window.h"
#include "app/window/window_settings.h"

namespace {

// Packaging (help2man) and scripts ask for these where there is no display.
bool AsksForHelpOrVersion(int argc, char** argv) {
    for (int i = 1; i < argc; ++i)
        for (const char* flag : {"-h", "--help", "-?", "--help-all", "-v", "--version"})
            if (std::strcmp(argv[i], flag) == 0)
                return true;
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication::setApplicationName("Audio Effect Contrller");
    // --version names the Qt the window runs on: the first thing to ask of a display fault.
    QCoreApplication::setApplicationVersion(
        QStringLiteral(KDSP_VERSION " (Qt %1)").arg(QString::fromLatin1(qVersion())));
    kdsp::AppOptions options;
    QString error;
    if (AsksForHelpOrVersion(argc, argv)) {
        // A window application would need a display before it could print a line.
        QCoreApplication core(argc, argv);
        // Help and the version are printed, and the program ends, in here.
        if (kdsp::ParseOptions(QCoreApplication::arguments(), options, error))
            return 0;
        fprintf(stderr, "%s\n", qPrintable(error));
        return 2;
    }
    QApplication app(argc, argv);
    if (!kdsp::ParseOptions(QApplication::arguments(), options, error)) {
        fprintf(stderr, "%s\n", qPrintable(error));
        return 2;
    }
    // A picture shows the window the command line asks for: kept settings are
    // neither read nor written.
    std::optional<kdsp::Settings> settings;
    if (options.screenshotPath.isEmpty()) settings.emplace();
    kdsp::SetUiLanguage(kdsp::StartLanguage(options, settings ? &*settings : nullptr));
    kdsp::ApplyTheme(app);
    kdsp::MainWindow window;
    kdsp::StatusDialog status;
    kdsp::LinkWindow link(window, status, options);
    window.SetLinkWindow(&link);
    window.SetStatusDialog(&status);
    if (settings) kdsp::ApplySettings(*settings, window, options);
    if (!options.screenshotPath.isEmpty()) {
        window.SetScreenshotPath(options.screenshotPath, options.screenshotTab, options.screenshotCompare);
        link.SetQuietMessages(true);
    }
    window.show();
    // A preset given (a double-click in the file manager) opens while the search runs.
    if (!options.presetFile.isEmpty()) kdsp::OpenPresetDocument(window, options.presetFile);
    return QApplication::exec();
}
