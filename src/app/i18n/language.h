// The window's language: the translators of the chosen language, and captions
// that remember their Chinese source text so a switch at run time sets them again.
#pragma once

#include <optional>

#include <QString>
#include <QStringList>

class QObject;
class QWidget;

namespace kdsp {

// Unset: no choice made, the window of old (Chinese captions, the link's status
// texts in English).
enum class UiLanguage { Unset, Chinese, English };

// Makes `language` current: installs its translators (English: the window's own;
// Chinese: Qt's texts of its standard dialogs) and tells every window to
// retranslate (a LanguageChange event, also when no translator changed).
void SetUiLanguage(UiLanguage language);
UiLanguage CurrentUiLanguage();
// The flag the core's preset messages take for a language.
int LanguageFlagOf(UiLanguage language);
// "zh" and "en"; nullopt for anything else.
std::optional<UiLanguage> ParseLanguage(const QString& code);
QString LanguageCode(UiLanguage language);

// Every window text is a Chinese source text in the context "kdsp"; call sites
// mark theirs with QT_TRANSLATE_NOOP("kdsp", ...) so lupdate finds them.
QString Tr(const QString& source);
// The English of a source text whatever language is current: from the window's
// English translation, or the source itself when it has none.
QString English(const char* source);
// A text with a count in it (%n): the English one says "1 setting", "2 settings".
QString TrN(const char* source, int n);

// Sets `property` of `o` ("text", "title", "windowTitle", "toolTip") to the
// translation of `source`, %1... filled from `args`, and remembers the source.
// A text set later by other means is left alone by Retranslate.
void SetTr(QObject* o, const char* property, const QString& source, const QStringList& args = {});
// The tab captions of a QTabWidget, the column captions of a QTableWidget or the
// items of a QComboBox.
void SetTrItems(QWidget* w, const QStringList& sources);
// Sets every remembered text of `root` and its children again.
void Retranslate(QWidget* root);

}  // namespace kdsp
