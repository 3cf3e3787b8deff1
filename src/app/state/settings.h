// What kdsp-control remembers between runs: the language, the TCP address and
// port, the serial port the processor was last found on, the last page and the
// window's place. Kept with QSettings in the platform's own place (on Linux
// ~/.config/kdsp/kdsp-control.conf); a damaged or unreadable file reads as defaults.
#pragma once

#include <memory>
#include <optional>

#include <QPoint>
#include <QString>

#include "app/i18n/language.h"

class QSettings;

namespace kdsp {

struct AppOptions;

class Settings {
public:
    // The user's own settings.
    Settings();
    // The settings kept in `file` (tests).
    explicit Settings(const QString& file);
    ~Settings();

    // What was kept; a value never kept, or not a sensible one, reads as none.
    std::optional<UiLanguage> Language() const;
    QString Host() const;
    QString Port() const;
    QString SerialPort() const;
    int Page() const;  // tab button 1..9, 0 none
    std::optional<QPoint> Position() const;

    void SetLanguage(UiLanguage language);
    void SetHost(const QString& host);
    void SetPort(const QString& port);
    void SetSerialPort(const QString& port);
    void SetPage(int page);
    void SetPosition(QPoint position);
    // Writes what was set to the file now (also done on destruction).
    void Sync();

    // The address and port the window started with, so only the user's own
    // changes are kept (not an address given on the command line).
    QString startHost;
    QString startPort;

private:
    QString Text(const char* key) const;
    std::unique_ptr<QSettings> store_;
};

// The language of this run: --lang, else the kept one, else none chosen.
UiLanguage StartLanguage(const AppOptions& options, const Settings* settings);
}  // namespace kdsp
