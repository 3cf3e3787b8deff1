// The window's language: translators, remembered captions and retranslation.
#include "app/i18n/language.h"

#include <memory>

#include <QComboBox>
#include <QCoreApplication>
#include <QEvent>
#include <QLibraryInfo>
#include <QTabWidget>
#include <QTableWidget>
#include <QTranslator>
#include <QVariant>
#include <QWidget>

#include "core/model/language.h"

namespace kdsp {

namespace {

constexpr char TrContext[] = "kdsp";
// Dynamic property "kdspTr:<property>" holds {source, text set, args...}.
constexpr char TrKeyPrefix[] = "kdspTr:";
constexpr char TrItemsKey[] = "kdspTrItems";

struct Translators {
    UiLanguage language = UiLanguage::Unset;
    std::unique_ptr<QTranslator> window;  // our texts (English)
    std::unique_ptr<QTranslator> qt;      // Qt's own dialog texts (Chinese)
    std::unique_ptr<QTranslator> english;  // our English, loaded on demand, never installed
};

Translators& Current() {
    static Translators t;
    return t;
}

void Remove(std::unique_ptr<QTranslator>& t) {
    if (!t) return;
    QCoreApplication::removeTranslator(t.get());
    t.reset();
}

std::unique_ptr<QTranslator> Load(const QString& file, const QString& folder) {
    auto t = std::make_unique<QTranslator>();
    if (!t->load(file, folder) || !QCoreApplication::installTranslator(t.get())) return nullptr;
    return t;
}

QString Translated(const QStringList& stored) {
    QString text = Tr(stored.value(0));
    for (int k = 2; k < stored.size(); ++k) text = text.arg(stored[k]);
    return text;
}

void ApplyItems(QWidget* w, const QStringList& sources) {
    if (auto* tabs = qobject_cast<QTabWidget*>(w)) {
        for (int k = 0; k < tabs->count() && k < sources.size(); ++k) tabs->setTabText(k, Tr(sources[k]));
    } else if (auto* box = qobject_cast<QComboBox*>(w)) {
        for (int k = 0; k < box->count() && k < sources.size(); ++k)
            box->setItemText(k, Tr(sources[k]));
    } else if (auto* table = qobject_cast<QTableWidget*>(w)) {
        QStringList labels;
        for (const QString& s : sources) labels.append(Tr(s));
        table->setHorizontalHeaderLabels(labels);
    }
}

void RetranslateOne(QObject* o) {
    for (const QByteArray& key : o->dynamicPropertyNames()) {
        if (key == TrItemsKey) {
            if (auto* w = qobject_cast<QWidget*>(o)) ApplyItems(w, o->property(TrItemsKey).toStringList());
            continue;
        }
        if (!key.startsWith(TrKeyPrefix)) continue;
        const QByteArray property = key.mid(static_cast<int>(sizeof(TrKeyPrefix) - 1));
        QStringList stored = o->property(key.constData()).toStringList();
        if (stored.size() < 2 || o->property(property.constData()).toString() != stored[1]) {
            // Someone has set another text since: that one stays.
            o->setProperty(key.constData(), QVariant());
            continue;
        }
        stored[1] = Translated(stored);
        o->setProperty(property.constData(), stored[1]);
        o->setProperty(key.constData(), stored);
    }
}

}  // namespace

void SetUiLanguage(UiLanguage language) {
    Translators& t = Current();
    Remove(t.window);
    Remove(t.qt);
    t.language = language;
    if (language == UiLanguage::English) t.window = Load("kdsp_en", ":/kdsp/i18n");
    if (language == UiLanguage::Chinese)
        t.qt = Load("qtbase_zh_CN", QLibraryInfo::path(QLibraryInfo::TranslationsPath));
    // Installing a translator tells the windows only once the event loop runs, and
    // a switch between "unset" and Chinese may install none at all.
    if (QCoreApplication* app = QCoreApplication::instance()) {
        QEvent change(QEvent::LanguageChange);
        QCoreApplication::sendEvent(app, &change);
    }
}

UiLanguage CurrentUiLanguage() { return Current().language; }

QString English(const char* source) {
    Translators& t = Current();
    if (!t.english) {
        t.english = std::make_unique<QTranslator>();
        // Without the file every text stays its source.
        [[maybe_unused]] const bool loaded = t.english->load("kdsp_en", ":/kdsp/i18n");
    }
    const QString text = t.english->translate(TrContext, source);
    return text.isEmpty() ? QString::fromUtf8(source) : text;
}

int LanguageFlagOf(UiLanguage language) {
    switch (language) {
    case UiLanguage::Chinese: return LanguageChinese;
    case UiLanguage::English: return LanguageEnglish;
    case UiLanguage::Unset: break;
    }
    return LanguageUnset;
}

std::optional<UiLanguage> ParseLanguage(const QString& code) {
    if (code == QLatin1String("zh")) return UiLanguage::Chinese;
    if (code == QLatin1String("en")) return UiLanguage::English;
    return std::nullopt;
}

QString LanguageCode(UiLanguage language) {
    switch (language) {
    case UiLanguage::Chinese: return QStringLiteral("zh");
    case UiLanguage::English: return QStringLiteral("en");
    case UiLanguage::Unset: break;
    }
    return {};
}

QString Tr(const QString& source) {
    if (source.isEmpty()) return source;
    return QCoreApplication::translate(TrContext, source.toUtf8().constData());
}

QString TrN(const char* source, int n) { return QCoreApplication::translate(TrContext, source, nullptr, n); }

void SetTr(QObject* o, const char* property, const QString& source, const QStringList& args) {
    if (!o) return;
    QStringList stored{source, QString()};
    stored += args;
    stored[1] = Translated(stored);
    o->setProperty(property, stored[1]);
    o->setProperty((QByteArray(TrKeyPrefix) + property).constData(), stored);
}

void SetTrItems(QWidget* w, const QStringList& sources) {
    if (!w) return;
    w->setProperty(TrItemsKey, sources);
    ApplyItems(w, sources);
}

void Retranslate(QWidget* root) {
    if (!root) return;
    RetranslateOne(root);
    for (QObject* o : root->findChildren<QObject*>()) RetranslateOne(o);
}

}  // namespace kdsp
