// The settings kdsp-control keeps between runs, read with care: the file is the
// user's to edit, so every value is checked before the window uses it.
#include "app/state/settings.h"

#include <cstdlib>

#include <QRegularExpression>
#include <QSettings>

#include "app/state/app_options.h"

namespace kdsp {

namespace {

constexpr char KeyLanguage[] = "language";
constexpr char KeyHost[] = "tcp/host";
constexpr char KeyPort[] = "tcp/port";
constexpr char KeySerialPort[] = "serial/port";
constexpr char KeyPage[] = "window/page";
constexpr char KeyX[] = "window/x";
constexpr char KeyY[] = "window/y";

// Far beyond any desktop; a larger number is a damaged value, not a place.
constexpr int MaxCoordinate = 100000;

bool ValidHost(const QString& host) {
    static const QRegularExpression hostChars(QStringLiteral("^[A-Za-z0-9.:\\[\\]-]{1,253}$"));
    return hostChars.match(host).hasMatch();
}

QString ValidPort(const QString& text) {
    bool ok = false;
    const int port = text.trimmed().toInt(&ok);
    return ok && port >= 1 && port <= 65535 ? QString::number(port) : QString();
}

bool ValidSerialPort(const QString& name) {
    if (name.isEmpty() || name.size() > 255) return false;
    for (QChar c : name)
        if (!c.isPrint()) return false;
    return true;
}

int IntIn(const QString& text, int low, int high, int fallback) {
    bool ok = false;
    const int v = text.toInt(&ok);
    return ok && v >= low && v <= high ? v : fallback;
}

}  // namespace

Settings::Settings()
    : Settings(QString()) {}

Settings::Settings(const QString& file) {
    if (file.isEmpty())
        store_ = std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, "kdsp",
                                             "kdsp-control");
    else
        store_ = std::make_unique<QSettings>(file, QSettings::IniFormat);
    // What could be made of a damaged file is not trusted, nor written back with
    // the next change: that change starts a clean file.
    if (store_->status() != QSettings::NoError) store_->clear();
}

Settings::~Settings() = default;

QString Settings::Text(const char* key) const {
    const QVariant v = store_->value(key);
    // A value holding commas reads as a list: not one this program wrote.
    return v.typeId() == QMetaType::QString ? v.toString() : QString();
}

std::optional<UiLanguage> Settings::Language() const { return ParseLanguage(Text(KeyLanguage)); }

QString Settings::Host() const {
    const QString host = Text(KeyHost);
    return ValidHost(host) ? host : QString();
}

QString Settings::Port() const { return ValidPort(Text(KeyPort)); }

QString Settings::SerialPort() const {
    const QString port = Text(KeySerialPort);
    return ValidSerialPort(port) ? port : QString();
}

int Settings::Page() const { return IntIn(Text(KeyPage), 1, 9, 0); }

std::optional<QPoint> Settings::Position() const {
    const int x = IntIn(Text(KeyX), -MaxCoordinate, MaxCoordinate, MaxCoordinate + 1);
    const int y = IntIn(Text(KeyY), -MaxCoordinate, MaxCoordinate, MaxCoordinate + 1);
    if (x > MaxCoordinate || y > MaxCoordinate) return std::nullopt;
    return QPoint(x, y);
}

void Settings::SetLanguage(UiLanguage language) {
    if (language == UiLanguage::Unset)
        store_->remove(KeyLanguage);
    else
        store_->setValue(KeyLanguage, LanguageCode(language));
}

void Settings::SetHost(const QString& host) {
    if (ValidHost(host)) store_->setValue(KeyHost, host);
}

void Settings::SetPort(const QString& port) {
    const QString valid = ValidPort(port);
    if (!valid.isEmpty()) store_->setValue(KeyPort, valid);
}

void Settings::SetSerialPort(const QString& port) {
    if (ValidSerialPort(port)) store_->setValue(KeySerialPort, port);
}

void Settings::SetPage(int page) {
    if (page >= 1 && page <= 9) store_->setValue(KeyPage, QString::number(page));
}

void Settings::SetPosition(QPoint position) {
    if (std::abs(position.x()) > MaxCoordinate || std::abs(position.y()) > MaxCoordinate) return;
    store_->setValue(KeyX, QString::number(position.x()));
    store_->setValue(KeyY, QString::number(position.y()));
}

void Settings::Sync() { store_->sync(); }

UiLanguage StartLanguage(const AppOptions& options, const Settings* settings) {
    if (auto given = ParseLanguage(options.language)) return *given;
    if (settings)
        if (auto kept = settings->Language()) return *kept;
    return UiLanguage::Unset;
}

}  // namespace kdsp
