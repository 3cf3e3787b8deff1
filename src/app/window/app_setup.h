// Program set-up shared by kdsp-control, the tests and the benchmark:
// command-line options and the window theme.
#pragma once

#include <QString>
#include <QStringList>

class QApplication;

namespace kdsp {

struct AppOptions;

// --host H, --port P, --serial PORT (repeatable), --no-serial, --screenshot FILE,
// --screenshot-tab N, --screenshot-compare FILE, --lang zh|en, --fast-transfers.
bool ParseOptions(const QStringList& args, AppOptions& options, QString& error);

// The stylesheet and a font with Chinese glyphs.
void ApplyTheme(QApplication& app);

}  // namespace kdsp
